#pragma once

#include "downloadmanager.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;

// One download as a line the person can follow: its name and progress (bytes and percent, or a
// moving bar while the size is unknown) with Cancel; once saved, Open and Show in folder; once
// failed, the engine's reason in words and Retry. Open and print downloads only say what happens
// ("Opening report.pdf…"). A finished line can be dismissed; its owner then removes it.
class DownloadLine final : public QWidget
{
    Q_OBJECT
public:
    DownloadLine(QWebEngineDownloadRequest *request, DownloadManager::Kind kind, QWidget *parent);

    // The engine restarted the download as `restarted`; the request before hears nothing more.
    void follow(QWebEngineDownloadRequest *restarted);

signals:
    // The person is done with the line; after a failure, wants the download again from `url`.
    void dismissed();
    void retryRequested(const QUrl &url);

private:
    void update();
    void showProgress();
    void showEnd();
    void noteReason();
    QString kindText() const;

    QPointer<QWebEngineDownloadRequest> m_request;
    const DownloadManager::Kind m_kind;
    const QString m_name;
    const QString m_path;
    // The engine's words for why the download broke, kept past the cancel that follows.
    QString m_failure;
    bool m_cancelledByPerson = false;
    QLabel *m_text;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
    QPushButton *m_open;
    QPushButton *m_showInFolder;
    QPushButton *m_retry;
    QToolButton *m_dismiss;
};
