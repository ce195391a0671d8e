#include "pageprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
#include <QWebEngineProfileBuilder>
#endif

namespace {
const QString StorageName = QStringLiteral("Mirel");
const QString SubFolder = QStringLiteral("/Quenza/Mirel/profile");

// Named explicitly: the engine's own choice would follow the application's names, which
// start-up leaves unset.
QString storageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + SubFolder;
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + SubFolder;
}
} // namespace

std::unique_ptr<QWebEngineProfile> createPageProfile(bool remember)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    // From 6.9 the storage settings are fixed when the profile is made, before any page uses it.
    if (!remember)
        return std::unique_ptr<QWebEngineProfile>(QWebEngineProfileBuilder::createOffTheRecordProfile());
    QWebEngineProfileBuilder builder;
    builder.setPersistentStoragePath(storageFolder())
            .setCachePath(cacheFolder())
            .setHttpCacheType(QWebEngineProfile::DiskHttpCache)
            .setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return std::unique_ptr<QWebEngineProfile>(builder.createProfile(StorageName));
#else
    if (!remember)
        return std::make_unique<QWebEngineProfile>();
    // A named profile writes its preferences at once, before its storage path can be set, into
    // the application's data folder plus "QtWebEngine/<name>": with the application's names
    // pointing into the profile's own folder meanwhile, that file lands there too.
    // The engine itself starts with the first profile and takes the application's name for its
    // own: started first, under the real names.
    const QWebEngineProfile engineStart;
    const QString organization = QCoreApplication::organizationName();
    const QString application = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                                                 .relativeFilePath(storageFolder()));
    auto profile = std::make_unique<QWebEngineProfile>(StorageName);
    QCoreApplication::setOrganizationName(organization);
    QCoreApplication::setApplicationName(application);
    profile->setPersistentStoragePath(storageFolder());
    profile->setCachePath(cacheFolder());
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return profile;
#endif
}
