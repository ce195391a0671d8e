#include "popupwindows.h"

#include "popupwindow.h"

#include <QScreen>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// For a link or a window.open() that names no size.
constexpr QSize DefaultSize(1024, 768);
} // namespace

PopupWindows::PopupWindows(QWebEngineView *mainWindow, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
{
    watch(mainWindow->page());
}

void PopupWindows::watch(QWebEnginePage *page)
{
    connect(page, &QWebEnginePage::newWindowRequested, this, &PopupWindows::open);
}

void PopupWindows::open(QWebEngineNewWindowRequest &request)
{
    auto *window = new PopupWindow(m_mainWindow->page()->profile(), m_mainWindow);
    window->setContextMenuPolicy(m_mainWindow->contextMenuPolicy());
    QSize size = request.requestedGeometry().size();
    if (size.width() <= 0 || size.height() <= 0)
        size = DefaultSize;
    if (const QScreen *screen = m_mainWindow->screen())
        size = size.boundedTo(screen->availableSize());
    window->resize(size);
    watch(window->page());
    emit windowOpened(window);
    request.openIn(window->page());
    window->show();
}
