#include "startupoptions.h"

#include "applicationsettings.h"

StartupOptions readStartupOptions(const ApplicationSettings &settings, const QString &defaultStartPage)
{
    StartupOptions options;
    options.enableHighDpi = settings.text(QStringLiteral("EnableHighDpi"), QStringLiteral("1")) == QLatin1String("1");
    options.startPage = QUrl(settings.text(QStringLiteral("Server"), defaultStartPage), QUrl::TolerantMode);
    options.showMaximized = settings.text(QStringLiteral("ShowMaximized"), QStringLiteral("1")) == QLatin1String("1");
    options.hideContextMenu = settings.text(QStringLiteral("ContextMenu"), QStringLiteral("0")) == QLatin1String("0");
    return options;
}
