#pragma once

#include "bridge/originpolicy.h"

#include <QObject>
#include <QRect>

class QShortcut;
class QWebEngineFullScreenRequest;
class QWebEnginePage;
class QWidget;

// The one full-screen state of a window, which the person (F11) and a trusted page (the
// Fullscreen API) both switch. Escape leaves the page's full screen first, then the person's;
// either way the window returns to the state it had before, maximized or at its old place.
class WindowFullScreen final : public QObject
{
    Q_OBJECT
public:
    // `policy`: the pages that may go full screen. Lives as a child of `window`.
    WindowFullScreen(QWidget *window, QWebEnginePage *page, OriginPolicy policy);

    void toggle();
    void leave();

private:
    void onPageRequest(QWebEngineFullScreenRequest request);
    void enter();
    void restore();

    QWidget *m_window;
    QWebEnginePage *m_page;
    const OriginPolicy m_policy;
    QShortcut *m_escape;
    bool m_byPerson = false;
    bool m_byPage = false;
    bool m_wasMaximized = false;
    QRect m_normalGeometry;
};
