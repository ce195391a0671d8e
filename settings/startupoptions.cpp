#include "startupoptions.h"

#include "applicationsettings.h"
#include "windowmemory.h"

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

QRect parseGeometry(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return QRect();
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return QRect();
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return QRect();
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

qreal parseZoom(const QString &text)
{
    bool ok = false;
    const double factor = text.toDouble(&ok);
    return ok && factor >= 0.25 && factor <= 5.0 ? factor : 1.0;
}
} // namespace

bool readRemembersBrowsingData(const ApplicationSettings &settings)
{
    return settings.text(QStringLiteral("RememberBrowsingData"), QStringLiteral("1")) == QLatin1String("1");
}

StartupOptions readStartupOptions(const ApplicationSettings &settings, const QString &defaultStartPage)
{
    StartupOptions options;
    const QString server = QStringLiteral("Server");
    // A locked start page is changed where the administrator locked it.
    const bool locked = settings.source(server) == ApplicationSettings::Source::Locked;
    options.startPageSource.settingsFile = locked ? settings.locked().origin(server) : settings.fileName();
    // RFC 2606 reserves .example for documentation: no server answers there.
    options.startPageSource.placeholderHost =
        QUrl(defaultStartPage).host().endsWith(QLatin1String(".example"), Qt::CaseInsensitive);
    options.startPageSource.fromSetting = settings.contains(server);
    options.enableHighDpi = settings.text(QStringLiteral("EnableHighDpi"), QStringLiteral("1")) == QLatin1String("1");
    options.startPage = QUrl(settings.text(server, defaultStartPage), QUrl::TolerantMode);
    options.showMaximized = settings.text(QStringLiteral("ShowMaximized"), QStringLiteral("1")) == QLatin1String("1");
    options.hideContextMenu = settings.text(QStringLiteral("ContextMenu"), QStringLiteral("0")) == QLatin1String("0");
    options.trustedOrigins = settings.text(QStringLiteral("TrustedOrigins"));
    options.externalSchemes = settings.text(QStringLiteral("ExternalSchemes"));
    options.developerTools = settings.text(QStringLiteral("DeveloperTools")) == QLatin1String("1");
    options.windowGeometry = parseGeometry(settings.text(WindowMemory::GeometryKey));
    options.zoomFactor = parseZoom(settings.text(WindowMemory::ZoomKey));
    return options;
}

void applyStartupOptions(const StartupOptions &options, QWebEngineView &view)
{
    if (options.enableHighDpi)
        enableHighDpiScaling();
    WindowMemory::restore(options, view);
    view.setUrl(options.startPage);
    if (options.showMaximized)
        view.window()->showMaximized();
    if (options.hideContextMenu)
        view.setContextMenuPolicy(Qt::NoContextMenu);
}
