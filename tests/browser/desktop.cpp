#include "desktop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <X11/Xlib.h>

namespace {
QStringList xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
} // namespace

bool Desktop::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
}

QStringList Desktop::windowsNamed(const QString &title)
{
    return xdotool({ "search", "--onlyvisible", "--name", title });
}

QStringList Desktop::windowsOf(qint64 pid)
{
    return xdotool({ "search", "--onlyvisible", "--pid", QString::number(pid) });
}

QString Desktop::waitForWindow(const QString &title, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const QStringList found = windowsNamed(title);
        if (!found.isEmpty())
            return found.first();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return QString();
}

QSize Desktop::size(const QString &window)
{
    static const QRegularExpression geometry(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    const QRegularExpressionMatch match = geometry.match(xdotool({ "getwindowgeometry", window }).join('\n'));
    return match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
}

void Desktop::click(const QString &window, const QPoint &at)
{
    xdotool({ "windowfocus", "--sync", window });
    xdotool({ "mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click", "1" });
}

void Desktop::key(const QString &window, const QString &key)
{
    xdotool({ "windowfocus", "--sync", window });
    xdotool({ "key", key });
}

void Desktop::type(const QString &window, const QString &text)
{
    xdotool({ "windowfocus", "--sync", window });
    xdotool({ "type", "--delay", "20", text });
}

void Desktop::requestClose(const QString &window)
{
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.toULong();
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
}
