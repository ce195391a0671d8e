#include "startupoptions.h"

#include "applicationsettings.h"

#include <QCoreApplication>
#include <QWebEngineView>

namespace {
void enableHighDpiScaling()
{
    // Without effect in Qt 6, where scaling is always on; kept so the setting still means what it did.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QT_WARNING_POP
}
} // namespace

bool readRemembersBrowsingData(const ApplicationSettings &settings)
{
    return settings.status() == QSettings::FormatError
            || settings.text(QStringLiteral("RememberBrowsingData"), QStringLiteral("1")) == QLatin1String("1");
}

StartupOptions readStartupOptions(const ApplicationSettings &settings, const QString &defaultStartPage)
{
    StartupOptions options;
    options.startPageSource.settingsFile = settings.fileName();
    // RFC 2606 reserves .example for documentation: no server answers there.
    options.startPageSource.placeholderHost =
        QUrl(defaultStartPage).host().endsWith(QLatin1String(".example"), Qt::CaseInsensitive);
    if (settings.status() == QSettings::FormatError) {
        options.startPage = QUrl(defaultStartPage, QUrl::TolerantMode);
        return options;
    }
    options.startPageSource.fromSetting = settings.contains(QStringLiteral("Server"));
    options.enableHighDpi = settings.text(QStringLiteral("EnableHighDpi"), QStringLiteral("1")) == QLatin1String("1");
    options.startPage = QUrl(settings.text(QStringLiteral("Server"), defaultStartPage), QUrl::TolerantMode);
    options.showMaximized = settings.text(QStringLiteral("ShowMaximized"), QStringLiteral("1")) == QLatin1String("1");
    options.hideContextMenu = settings.text(QStringLiteral("ContextMenu"), QStringLiteral("0")) == QLatin1String("0");
    options.trustedOrigins = settings.text(QStringLiteral("TrustedOrigins"));
    return options;
}

void applyStartupOptions(const StartupOptions &options, QWebEngineView &window)
{
    if (options.enableHighDpi)
        enableHighDpiScaling();
    window.setUrl(options.startPage);
    if (options.showMaximized)
        window.showMaximized();
    if (options.hideContextMenu)
        window.setContextMenuPolicy(Qt::NoContextMenu);
}
