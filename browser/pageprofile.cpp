#include "pageprofile.h"

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
    auto profile = std::make_unique<QWebEngineProfile>(StorageName);
    profile->setPersistentStoragePath(storageFolder());
    profile->setCachePath(cacheFolder());
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return profile;
#endif
}
