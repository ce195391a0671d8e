#pragma once

#include <QObject>
#include <QUrl>

class QWebEnginePage;

// Turns the console page's "support report" link into a request for the report, without a
// bridge slot. The link's address is one the program's resources do not hold, and a navigation
// to it is always refused, so the page stays; only the main frame of a page loaded from the
// program's resources may ask, never a page from elsewhere.
class SupportReportLink final : public QObject
{
    Q_OBJECT
public:
    static const QUrl Address; // qrc:///web/support-report

    // Watches the page's navigations; dies with the page.
    explicit SupportReportLink(QWebEnginePage *page);

    // Whether a navigation to `target`, by a frame (main or not) of the page showing `shown`,
    // asks for the report.
    static bool asksForReport(const QUrl &shown, const QUrl &target, bool mainFrame);
    static bool isReportAddress(const QUrl &url);

signals:
    void requested();
};
