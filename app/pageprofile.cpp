#include "pageprofile.h"

#include <QStandardPaths>
#include <QWebEngineProfile>
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
#include <QWebEngineProfileBuilder>
#endif

namespace {
const QString StorageName = QStringLiteral("Mirel");
const QString SubFolder = QStringLiteral("/Quenza/Mirel/profile");
} // namespace

PageProfileFolders pageProfileFolders()
{
    // Named explicitly: the engine's own choice would follow the application's names, which
    // start-up leaves unset.
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + SubFolder,
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + SubFolder};
}

std::unique_ptr<QWebEngineProfile> createPageProfile(bool remember)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    // From 6.9 the storage settings are fixed when the profile is made, before any page uses it.
    if (!remember)
        return std::unique_ptr<QWebEngineProfile>(QWebEngineProfileBuilder::createOffTheRecordProfile());
    const PageProfileFolders folders = pageProfileFolders();
    QWebEngineProfileBuilder builder;
    builder.setPersistentStoragePath(folders.storage)
            .setCachePath(folders.cache)
            .setHttpCacheType(QWebEngineProfile::DiskHttpCache)
            .setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return std::unique_ptr<QWebEngineProfile>(builder.createProfile(StorageName));
#else
    if (!remember)
        return std::make_unique<QWebEngineProfile>();
    const PageProfileFolders folders = pageProfileFolders();
    auto profile = std::make_unique<QWebEngineProfile>(StorageName);
    profile->setPersistentStoragePath(folders.storage);
    profile->setCachePath(folders.cache);
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    return profile;
#endif
}
