#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QPrinter;
class QWebEngineView;

// Answers window.print() in any window with the platform's print dialog, and prints the page
// of that window on the printer chosen. One print at a time: a request while the dialog is
// open or a page is still printing is refused. Each request ends in one line of the log.
class PagePrinter final : public QObject
{
    Q_OBJECT
public:
    explicit PagePrinter(QObject *parent = nullptr);
    ~PagePrinter() override;

    void watch(QWebEngineView *view);

private:
    void print(QWebEngineView *view);
    void finish(const char *outcome);

    // Lives until the engine says the page is printed: it renders onto it until then.
    std::unique_ptr<QPrinter> m_printer;
    // The window printing; compared only, never used once it is gone.
    const QWebEngineView *m_printing = nullptr;
    QString m_origin;
};
