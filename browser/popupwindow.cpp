#include "popupwindow.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>

PopupWindow::PopupWindow(QWebEngineProfile *profile, QWidget *owner)
    : QWebEngineView(owner)
{
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setPage(new QWebEnginePage(profile, this));
    connect(this, &QWebEngineView::titleChanged, this, &QWidget::setWindowTitle);
    connect(page(), &QWebEnginePage::windowCloseRequested, this, &QWidget::close);
    // window.resizeTo() and moveTo(): the page's own geometry, the window's frame aside.
    connect(page(), &QWebEnginePage::geometryChangeRequested, this, [this](const QRect &geometry) {
        setGeometry(geometry);
    });
}
