#include "windowmemory.h"

#include "applicationsettings.h"
#include "startupoptions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWebEngineView>

const QString WindowMemory::GeometryKey = QStringLiteral("WindowGeometry");
const QString WindowMemory::ZoomKey = QStringLiteral("ZoomFactor");

namespace {
QString geometryText(const QRect &rect)
{
    return QStringLiteral("%1,%2,%3,%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

QList<QRect> usableScreenAreas()
{
    QList<QRect> areas;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry());
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    }
    return areas;
}
} // namespace

void WindowMemory::restore(const StartupOptions &options, QWebEngineView &view)
{
    if (!qFuzzyCompare(options.zoomFactor, 1.0))
        view.setZoomFactor(options.zoomFactor);
    // Also what a maximized window returns to.
    if (options.windowGeometry.isValid())
        view.window()->setGeometry(placeOnScreens(options.windowGeometry, usableScreenAreas()));
}

void WindowMemory::keepZoom(qreal factor)
{
    ApplicationSettings settings;
    // A locked zoom is the administrator's: applied at every start, never replaced.
    if (settings.locked().isLocked(ZoomKey))
        return;
    settings.write(ZoomKey, QString::number(factor, 'g', 3));
    settings.sync();
}

void WindowMemory::keepGeometry(const QWidget &window)
{
    const Qt::WindowStates notNormal = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
    if (window.windowState() & notNormal)
        return;
    ApplicationSettings settings;
    if (settings.locked().isLocked(GeometryKey))
        return;
    const QString geometry = geometryText(window.geometry());
    if (geometry != settings.text(GeometryKey)) {
        settings.write(GeometryKey, geometry);
        settings.sync();
    }
}

QRect WindowMemory::placeOnScreens(const QRect &window, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return window;
    // Never smaller than can be used, nor larger than the screen it is on (a kept size from a
    // hand edit or another screen would ask for a frame buffer of gigabytes).
    const auto fitted = [&window](const QRect &screen) {
        return QRect(window.topLeft(), window.size().expandedTo(MinimumSize).boundedTo(screen.size()));
    };
    for (const QRect &screen : screens) {
        // Enough of the top edge to grab and drag the window by.
        const QRect placed = fitted(screen);
        const QRect topEdge(placed.left(), placed.top(), placed.width(), 1);
        if (screen.intersected(topEdge).width() >= qMin(placed.width(), 100))
            return placed;
    }
    const QRect primary = screens.first();
    QRect placed = fitted(primary);
    placed.moveCenter(primary.center());
    return placed;
}
