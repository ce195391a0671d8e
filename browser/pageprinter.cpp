#include "pageprinter.h"

#include "bridge/originpolicy.h"

#include <QDebug>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QWebEngineView>

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEngineFrame>
#endif

PagePrinter::PagePrinter(QObject *parent)
    : QObject(parent)
{
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::watch(QWebEngineView *view)
{
    connect(view, &QWebEngineView::printRequested, this, [this, view] { print(view); });
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // A frame's window.print(): the whole page is printed, as for the page's own.
    connect(view, &QWebEngineView::printRequestedByFrame, this, [this, view](const QWebEngineFrame &frame) {
        if (!frame.isMainFrame())
            print(view);
    });
#endif
    connect(view, &QWebEngineView::printFinished, this, [this, view](bool success) {
        if (view == m_printing)
            finish(success ? "Page printed:" : "Page not printed, printing failed:");
    });
    connect(view, &QObject::destroyed, this, [this, view] {
        if (view == m_printing)
            finish("Page not printed, its window closed:");
    });
}

void PagePrinter::print(QWebEngineView *view)
{
    const QString origin = OriginPolicy::nameOf(view->url());
    if (m_printer) {
        qDebug() << "Page not printed, another print is running:" << origin;
        return;
    }
    m_origin = origin;
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setDocName(view->title());
    // The window may close while the dialog is open (window.close() from its page), and its
    // children with it: the dialog is not on the stack for that reason.
    const QPointer<QWebEngineView> window(view);
    QPointer<QPrintDialog> dialog = new QPrintDialog(m_printer.get(), view);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    delete dialog;
    if (!accepted || !window) {
        finish(accepted ? "Page not printed, its window closed:" : "Page not printed, cancelled:");
        return;
    }
    m_printing = view;
    view->print(m_printer.get());
}

void PagePrinter::finish(const char *outcome)
{
    qDebug() << outcome << m_origin;
    m_printing = nullptr;
    m_printer.reset();
}
