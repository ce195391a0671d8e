#pragma once

#include <QPoint>
#include <QSize>
#include <QStringList>

// The test's hands on the virtual display: finding the program's windows and using them as a
// person would, through xdotool (and Xlib for the window manager's close request).
namespace Desktop {
bool available();
// Visible windows whose title matches the regular expression `title`, of any process.
QStringList windowsNamed(const QString &title);
QStringList windowsOf(qint64 pid);
// The first visible window matching `title` within `timeoutMs`, or empty.
QString waitForWindow(const QString &title, int timeoutMs = 20000);
QSize size(const QString &window);
// Focuses the window and clicks into it, `at` pixels from its top-left corner.
void click(const QString &window, const QPoint &at = QPoint(100, 100));
void key(const QString &window, const QString &key);
void type(const QString &window, const QString &text);
// What the close button of a window manager does: asks the window to close.
void requestClose(const QString &window);
} // namespace Desktop
