#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

struct StartupOptions;
class QWebEngineView;
class QWidget;

// What the person set in the main window, kept in the application settings store between runs:
// the page's zoom and the window's size and position while it is neither maximized, minimized
// nor full screen. Read with the other start-up options; the zoom is written when the person
// changes it, the geometry when the program ends, if it changed; neither once an administrator
// locked it.
class WindowMemory final
{
public:
    static const QString GeometryKey; // "WindowGeometry": "x,y,width,height"
    static const QString ZoomKey;     // "ZoomFactor": e.g. "1.25"
    // The least size a kept geometry is given back with.
    static constexpr QSize MinimumSize{400, 300};

    // Before the window is shown: the kept zoom, and the kept geometry brought onto a screen,
    // to the view's window.
    static void restore(const StartupOptions &options, QWebEngineView &view);
    // The engine forgets the zoom while the program ends: it is written as it changes.
    static void keepZoom(qreal factor);
    // At the end of the run, unless the window is maximized, minimized or full screen.
    static void keepGeometry(const QWidget &window);

    // Where to put a window last seen at `window` among screens whose usable areas are
    // `screens`, the primary first: where it was, while its top edge can still be grabbed on one
    // of them; otherwise centred on the primary. Its size is brought between MinimumSize and the
    // size of that screen.
    static QRect placeOnScreens(const QRect &window, const QList<QRect> &screens);
};
