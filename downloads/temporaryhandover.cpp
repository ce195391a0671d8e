#include "temporaryhandover.h"

#include "desktopopen.h"
#include "pendingremovals.h"
#include "printcommand.h"
#include "temporaryfilename.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>

namespace {
constexpr int PollInterval = 200;
} // namespace

TemporaryHandOver *TemporaryHandOver::start(QWebEngineDownloadRequest *download, const QString &path,
                                            Action action, PendingRemovals *removals)
{
    // Deletes itself in settle().
    auto *handOver = new TemporaryHandOver(path, action, removals);
    handOver->follow(download);
    handOver->m_poll.start();
    return handOver;
}

TemporaryHandOver::TemporaryHandOver(const QString &path, Action action, PendingRemovals *removals)
    : m_path(path)
    , m_action(action)
    , m_removals(removals)
{
    m_poll.setInterval(PollInterval);
    connect(&m_poll, &QTimer::timeout, this, &TemporaryHandOver::settle, Qt::DirectConnection);
}

void TemporaryHandOver::follow(QWebEngineDownloadRequest *restarted)
{
    if (m_download)
        disconnect(m_download, nullptr, this, nullptr);
    m_download = restarted;
    connect(restarted, &QWebEngineDownloadRequest::stateChanged, this, &TemporaryHandOver::settle);
}

void TemporaryHandOver::settle()
{
    if (!m_poll.isActive())
        return;
    const auto state = m_download ? m_download->state() : QWebEngineDownloadRequest::DownloadCancelled;
    if (state == QWebEngineDownloadRequest::DownloadRequested
        || state == QWebEngineDownloadRequest::DownloadInProgress)
        return;
    // Stopped first: cancel() below may report its own state change right away.
    m_poll.stop();
    deleteLater();
    if (state == QWebEngineDownloadRequest::DownloadCompleted && QFileInfo(m_path).size() > 0) {
        handOver();
        return;
    }
    qDebug() << "Download not handed over:" << state << m_path;
    // We never resume a download, and the engine keeps an interrupted one's data until cancelled.
    if (m_download && state == QWebEngineDownloadRequest::DownloadInterrupted)
        m_download->cancel();
    removeLeftovers();
}

void TemporaryHandOver::handOver()
{
    if (m_action == Action::Open)
        openWithDesktop(m_path);
    else
        startPrintCommand(printCommand(m_path, currentPlatform()));
    // Gone only as the program ends; the next start removes the file then.
    if (m_removals)
        m_removals->removeLater(m_path);
}

void TemporaryHandOver::removeLeftovers()
{
    // The engine writes under a longer name next to the target until the download completes.
    // Only those names are listed: the temporary folder may hold thousands of other files.
    const QFileInfo target(m_path);
    QDir folder = target.absoluteDir();
    const QStringList names = folder.entryList({ startsWithNameFilter(target.fileName()) },
                                               QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    for (const QString &name : names)
        folder.remove(name);
}
