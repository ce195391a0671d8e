#include "downloadmanager.h"

#include "downloadmode.h"
#include "handoverrefusal.h"
#include "interruptedsave.h"
#include "temporaryfilename.h"
#include "settings/addresscleaning.h"

#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
const QString LastSaveFolderKey = QStringLiteral("lastSaveFolder");
} // namespace

DownloadManager::DownloadManager(QWebEngineView *window, OriginPolicy policy, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_policy(std::move(policy))
    , m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MyCompany"),
                 QStringLiteral("MyApp"))
{
    connect(m_window->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            &DownloadManager::handleDownload);
    PendingRemovals::removeEarlierRuns(QDir::tempPath());
}

DownloadManager::~DownloadManager() = default;

void DownloadManager::handleDownload(QWebEngineDownloadRequest *download)
{
    const QString mode = downloadMode(download->url());
    qDebug() << "Download requested:" << cleanedAddress(download->url()) << "Mode:" << mode;
    if (m_targets.contains(download->id()))
        restart(download, m_targets.value(download->id()));
    else if (mode == QLatin1String("save"))
        save(download);
    else if (mode == QLatin1String("open"))
        handOverOrSave(download, TemporaryHandOver::Action::Open);
    else if (mode == QLatin1String("print"))
        handOverOrSave(download, TemporaryHandOver::Action::Print);
    else
        download->cancel();
}

void DownloadManager::save(QWebEngineDownloadRequest *download)
{
    const QString folder = m_settings.value(LastSaveFolderKey, QDir::homePath()).toString();
    const QString proposed = QDir(folder).filePath(download->downloadFileName());
    const QString path =
            QFileDialog::getSaveFileName(m_window, QStringLiteral("Enregistrer le fichier"), proposed);
    if (path.isEmpty()) {
        download->cancel();
        return;
    }
    m_settings.setValue(LastSaveFolderKey, QFileInfo(path).absolutePath());
    acceptInto(download, { path, false, nullptr, Kind::Save, download->page() });
}

void DownloadManager::handOverOrSave(QWebEngineDownloadRequest *download, TemporaryHandOver::Action action)
{
    // Judged by the page the download came from; one that came from no page is not trusted.
    const QWebEnginePage *page = download->page();
    const char *refusal = handOverRefusal(m_policy, page ? page->url() : QUrl(), download->downloadFileName());
    if (!refusal) {
        openTemporarily(download, action);
        return;
    }
    // The user decides in the save dialog; nothing is opened or printed.
    qDebug().nospace() << (action == TemporaryHandOver::Action::Open ? "Download saved instead of opened: "
                                                                     : "Download saved instead of printed: ")
                       << download->downloadFileName() << " (" << refusal << ')';
    save(download);
}

void DownloadManager::openTemporarily(QWebEngineDownloadRequest *download, TemporaryHandOver::Action action)
{
    const QFileInfo folder(QDir::tempPath());
    if (!folder.isDir() || !folder.isWritable()) {
        qDebug() << "Download cancelled, temporary folder not writable:" << QDir::tempPath();
        download->cancel();
        return;
    }
    const QString path = temporaryDownloadPath(download->downloadFileName());
    const Kind kind = action == TemporaryHandOver::Action::Open ? Kind::Open : Kind::Print;
    acceptInto(download, { path, true, TemporaryHandOver::start(download, path, action, &m_removals), kind,
                           download->page() });
}

void DownloadManager::acceptInto(QWebEngineDownloadRequest *download, const Target &target)
{
    const QFileInfo file(target.path);
    download->setDownloadDirectory(file.absolutePath());
    download->setDownloadFileName(file.fileName());
    download->accept();
    if (!target.temporary)
        cancelSaveWhenInterrupted(download, target.path);
    const quint32 id = download->id();
    m_targets.insert(id, target);
    connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, download, id] {
        if (download->isFinished())
            m_targets.remove(id);
    });
    emit downloadShown(download, target.page, target.kind);
}

void DownloadManager::restart(QWebEngineDownloadRequest *download, const Target &target)
{
    // A temporary download whose watcher already gave up stays dropped.
    if (target.temporary && !target.handOver) {
        emit downloadShown(download, target.page, target.kind);
        download->cancel();
        return;
    }
    if (target.handOver)
        target.handOver->follow(download);
    acceptInto(download, target);
}
