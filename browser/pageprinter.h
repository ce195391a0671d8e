#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QPrintDialog;
class QPrinter;
class QWebEngineView;

// Answers window.print() in one window with the platform's print dialog, and prints the page of
// that window on the printer chosen. One print at a time: a request while the dialog is open or
// the page is still printing is refused. Each request ends in one line of the log. The window
// must not go while isBusy(): the engine renders onto the printer from a thread of its own.
class PagePrinter final : public QObject
{
    Q_OBJECT
public:
    // Lives as a child of `view`'s window.
    PagePrinter(QWebEngineView *view, QObject *parent);
    ~PagePrinter() override;

    bool isBusy() const { return m_printer != nullptr; }
    // The print dialog is open.
    bool isAsking() const { return m_dialog != nullptr; }
    // Gives up a print whose job has not ended: its printer is left to the end of the process,
    // as the engine may still render onto it.
    void abandon();
    // A window's first document (an empty window its opener writes into) has its opener's origin.
    void setOpenerUrl(const QUrl &url) { m_openerUrl = url; }
    // While its window is closing, new requests are refused; one already asked is still made.
    void setClosing(bool closing) { m_closing = closing; }

signals:
    // The dialog was answered and any print it started has ended.
    void finished();

private:
    void print();
    void finish(const char *outcome);

    QWebEngineView *m_view;
    // Lives until the engine says the page is printed: it renders onto it until then.
    std::unique_ptr<QPrinter> m_printer;
    QPrintDialog *m_dialog = nullptr;
    QString m_origin;
    QUrl m_openerUrl;
    bool m_closing = false;
};
