#include "supportreportlink.h"

#include <QDebug>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>

const QUrl SupportReportLink::Address(QStringLiteral("qrc:///web/support-report"));

SupportReportLink::SupportReportLink(QWebEnginePage *page)
    : QObject(page)
{
    connect(page, &QWebEnginePage::navigationRequested, this, [this, page](QWebEngineNavigationRequest &request) {
        if (!isReportAddress(request.url()))
            return;
        request.reject();
        if (asksForReport(page->url(), request.url(), request.isMainFrame()))
            emit requested();
        else
            qDebug() << "Support report not made, asked by a page not bundled:" << page->url().scheme();
    });
}

bool SupportReportLink::isReportAddress(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment) == Address;
}

bool SupportReportLink::asksForReport(const QUrl &shown, const QUrl &target, bool mainFrame)
{
    return mainFrame && shown.scheme() == QLatin1String("qrc") && isReportAddress(target);
}
