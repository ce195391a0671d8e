#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QUrl>
#include <QWebEnginePage>

// Reloads the start page when the page's renderer process crashes or is killed, but not again
// when the reloaded page's renderer dies within the grace period: a page that keeps crashing is
// left as it is rather than reloaded in a loop.
class RendererRecovery final : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 GracePeriodMs = 60000;

    RendererRecovery(QWebEnginePage *page, const QUrl &startPage, QObject *parent = nullptr);

private:
    void onTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

    QWebEnginePage *m_page;
    const QUrl m_startPage;
    QElapsedTimer m_sinceReload;
};
