#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class PendingRemovals;
class QWebEngineDownloadRequest;

// Watches a download accepted into the temporary file at `path`. Once the download has
// completed with content the file goes, exactly once, to the desktop's viewer or to the printer
// and is handed to `removals`. A download that ends otherwise is cancelled if it could still be
// resumed, and whatever it left under that name is removed. Owns itself: it is deleted once
// the download is settled either way.
class TemporaryHandOver final : public QObject
{
    Q_OBJECT
public:
    enum class Action { Open, Print };

    static TemporaryHandOver *start(QWebEngineDownloadRequest *download, const QString &path,
                                    Action action, PendingRemovals *removals);

    // The engine restarts a broken download as a new request under the same id; the old
    // request then hears nothing more.
    void follow(QWebEngineDownloadRequest *restarted);

private:
    TemporaryHandOver(const QString &path, Action action, PendingRemovals *removals);
    void settle();
    void handOver();
    void removeLeftovers();

    QPointer<QWebEngineDownloadRequest> m_download;
    const QString m_path;
    const Action m_action;
    QPointer<PendingRemovals> m_removals;
    QTimer m_poll;
};
