#include "temporaryhandover.h"

#include "printcommand.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineDownloadRequest>

namespace {
constexpr int PollInterval = 200;
// Long enough for the viewer or the print spooler to have read the file.
constexpr int RemovalDelay = 30000;

void handOverFile(const QString &path, HandOver handOver)
{
    if (handOver == HandOver::Open)
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    else
        startPrintCommand(printCommand(path, currentPlatform()));
    // No context object: the removal has to outlive the poll timer.
    QTimer::singleShot(RemovalDelay, [path] { QFile::remove(path); });
}

// The engine writes under a longer name next to the target until the download completes.
void removeLeftovers(const QString &path)
{
    const QFileInfo target(path);
    QDir folder = target.absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name.startsWith(target.fileName()))
            folder.remove(name);
    }
}
} // namespace

void handOverWhenComplete(QWebEngineDownloadRequest *download, const QString &path, HandOver handOver)
{
    // Belongs to no one: it deletes itself once the download is handed over or given up.
    auto *poll = new QTimer;
    poll->setInterval(PollInterval);
    const QPointer<QWebEngineDownloadRequest> request(download);
    const auto settle = [poll, path, request, handOver] {
        if (!poll->isActive())
            return;
        const auto state = request ? request->state() : QWebEngineDownloadRequest::DownloadCancelled;
        if (state == QWebEngineDownloadRequest::DownloadRequested
            || state == QWebEngineDownloadRequest::DownloadInProgress)
            return;
        // Stopped first: cancel() below may report its own state change right away.
        poll->stop();
        poll->deleteLater();
        const QFileInfo file(path);
        if (state == QWebEngineDownloadRequest::DownloadCompleted && file.size() > 0) {
            handOverFile(path, handOver);
            return;
        }
        qDebug() << "Download not handed over:" << state << path;
        // Interrupted downloads could be resumed later and keep their partial data until cancelled.
        if (request && state == QWebEngineDownloadRequest::DownloadInterrupted)
            request->cancel();
        removeLeftovers(path);
    };
    QObject::connect(poll, &QTimer::timeout, poll, settle, Qt::DirectConnection);
    QObject::connect(download, &QWebEngineDownloadRequest::stateChanged, poll, settle);
    poll->start();
}
