#include "windowfullscreen.h"

#include <QDebug>
#include <QScreen>
#include <QShortcut>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWidget>

#include <utility>

WindowFullScreen::WindowFullScreen(QWidget *window, QWebEnginePage *page, OriginPolicy policy)
    : QObject(window)
    , m_window(window)
    , m_page(page)
    , m_policy(std::move(policy))
    , m_escape(new QShortcut(QKeySequence(Qt::Key_Escape), window))
{
    // F11 alone: the platforms' other bindings (Ctrl+Shift+F on some) are a page's keys too.
    auto *f11 = new QShortcut(QKeySequence(Qt::Key_F11), window, this, &WindowFullScreen::toggle);
    f11->setContext(Qt::WindowShortcut);
    // Escape belongs to the page except in full screen, which it leaves; one binding only, as
    // two on one window would be ambiguous and neither would fire.
    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &WindowFullScreen::leave);
    connect(page, &QWebEnginePage::fullScreenRequested, this, &WindowFullScreen::onPageRequest);
}

void WindowFullScreen::toggle()
{
    if (m_byPerson || m_byPage) {
        m_byPerson = false;
        if (m_byPage)
            m_page->triggerAction(QWebEnginePage::ExitFullScreen);
        else
            restore();
        return;
    }
    enter();
    m_byPerson = true;
}

void WindowFullScreen::leave()
{
    // The page is told and asks to leave itself; the window follows in onPageRequest.
    if (m_byPage)
        m_page->triggerAction(QWebEnginePage::ExitFullScreen);
    else if (m_byPerson)
        toggle();
}

void WindowFullScreen::onPageRequest(QWebEngineFullScreenRequest request)
{
    request.accept();
    if (!request.toggleOn()) {
        // Only a full screen that was entered is left: a refused request changes nothing.
        const bool wasByPage = std::exchange(m_byPage, false);
        if (wasByPage && !m_byPerson)
            restore();
        return;
    }
    // Only while the page was being replaced by one the policy does not trust. A rejected
    // request would leave the page's promise pending: it gets full screen and loses it at once.
    if (!m_policy.allows(request.origin())) {
        qDebug() << "Permission refused:" << "FullScreen" << "for" << OriginPolicy::nameOf(request.origin());
        m_page->triggerAction(QWebEnginePage::ExitFullScreen);
        return;
    }
    if (!m_byPerson)
        enter();
    m_byPage = true;
}

void WindowFullScreen::enter()
{
    if (!m_window->isFullScreen()) {
        m_wasMaximized = m_window->isMaximized();
        m_normalGeometry = m_window->normalGeometry();
    }
    m_escape->setEnabled(true);
    // A session without a window manager (a kiosk) ignores the state: the size does it there.
    // Sized first, as a new geometry would take the state away again.
    if (const QScreen *screen = m_window->screen())
        m_window->setGeometry(screen->geometry());
    m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
}

void WindowFullScreen::restore()
{
    m_escape->setEnabled(false);
    if (m_wasMaximized) {
        m_window->showMaximized();
        return;
    }
    m_window->showNormal();
    if (m_normalGeometry.isValid())
        m_window->setGeometry(m_normalGeometry);
}
