#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QUrl>
#include <QWebEnginePage>

#include <optional>

// Reloads the start page when the page's renderer process crashes or is killed, but not again
// when the reloaded page's renderer dies within the grace period: a page that keeps crashing is
// left as it is rather than reloaded in a loop.
class RendererRecovery final : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 GracePeriodMs = 60000;

    // The renderer's last abnormal end during this run, for the support report.
    struct End
    {
        QDateTime at;
        QWebEnginePage::RenderProcessTerminationStatus status;
        int exitCode;
    };

    RendererRecovery(QWebEnginePage *page, const QUrl &startPage, QObject *parent = nullptr);

    std::optional<End> lastEnd() const { return m_lastEnd; }

private:
    void onTerminated(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

    QWebEnginePage *m_page;
    const QUrl m_startPage;
    QElapsedTimer m_sinceReload;
    std::optional<End> m_lastEnd;
};
