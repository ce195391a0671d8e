#include "rendererrecovery.h"

#include <QDebug>
#include <QTimer>

RendererRecovery::RendererRecovery(QWebEnginePage *page, const QUrl &startPage, QObject *parent)
    : QObject(parent)
    , m_page(page)
    , m_startPage(startPage)
{
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &RendererRecovery::onTerminated);
}

void RendererRecovery::onTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    if (status == QWebEnginePage::NormalTerminationStatus)
        return;
    m_lastEnd = End{QDateTime::currentDateTime(), status, exitCode};
    if (m_sinceReload.isValid() && m_sinceReload.elapsed() < GracePeriodMs) {
        qDebug() << "Page renderer ended again, not reloading:" << status << exitCode;
        return;
    }
    qDebug() << "Page renderer ended, reloading the start page:" << status << exitCode;
    m_sinceReload.start();
    // Not from inside the engine's own notification.
    QTimer::singleShot(0, m_page, [page = m_page, url = m_startPage] { page->setUrl(url); });
}
