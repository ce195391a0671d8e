#pragma once

#include <QObject>

class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineView;

// Opens every window a page asks for, from the main window or from a window opened before,
// as a PopupWindow owned by the main window: the page keeps window.opener, and closing the
// main window ends them all with it.
class PopupWindows final : public QObject
{
    Q_OBJECT
public:
    explicit PopupWindows(QWebEngineView *mainWindow, QObject *parent = nullptr);

signals:
    // A new window, before its page loads: the place to give it what every window gets.
    void windowOpened(QWebEngineView *window);

private:
    void watch(QWebEnginePage *page);
    void open(QWebEngineNewWindowRequest &request);

    QWebEngineView *m_mainWindow;
};
