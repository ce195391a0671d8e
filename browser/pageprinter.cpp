#include "pageprinter.h"

#include "browserpage.h"
#include "bridge/originpolicy.h"

#include <QDebug>
#include <QPrintDialog>
#include <QPrinter>
#include <QWebEngineView>

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEngineFrame>
#endif

PagePrinter::PagePrinter(QWebEngineView *view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
    connect(view, &QWebEngineView::printRequested, this, &PagePrinter::print);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // A frame's window.print(): the whole page is printed, as for the page's own.
    connect(view, &QWebEngineView::printRequestedByFrame, this, [this](const QWebEngineFrame &frame) {
        if (!frame.isMainFrame())
            print();
    });
#endif
    connect(view, &QWebEngineView::printFinished, this, [this](bool success) {
        if (m_printer && !m_dialog)
            finish(success ? "Page printed:" : "Page not printed, printing failed:");
    });
}

PagePrinter::~PagePrinter() = default;

void PagePrinter::abandon()
{
    if (!m_printer)
        return;
    qDebug() << "Page not printed, printing did not end:" << m_origin;
    [[maybe_unused]] QPrinter *const left = m_printer.release();
}

void PagePrinter::print()
{
    const QUrl shown = m_view->url();
    const QString origin = OriginPolicy::nameOf(BrowserPage::isFirstDocument(shown) ? m_openerUrl : shown);
    if (m_printer) {
        qDebug() << "Page not printed, another print is running:" << origin;
        return;
    }
    if (m_closing) {
        qDebug() << "Page not printed, cancelled:" << origin;
        return;
    }
    m_origin = origin;
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer->setDocName(m_view->title());
    QPrintDialog dialog(m_printer.get(), m_view);
    // Modal to its own window only: the person may still close the program's other windows.
    dialog.setWindowModality(Qt::WindowModal);
    m_dialog = &dialog;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    m_dialog = nullptr;
    if (!accepted) {
        finish("Page not printed, cancelled:");
        return;
    }
    m_view->print(m_printer.get());
}

void PagePrinter::finish(const char *outcome)
{
    qDebug() << outcome << m_origin;
    m_printer.reset();
    emit finished();
}
