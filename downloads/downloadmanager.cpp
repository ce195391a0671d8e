#include "downloadmanager.h"

#include "downloadmode.h"
#include "temporaryfilename.h"
#include "temporaryhandover.h"

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

DownloadManager::DownloadManager(QWebEngineView *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("MyCompany"),
                 QStringLiteral("MyApp"))
{
    connect(m_window->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            &DownloadManager::handleDownload);
}

DownloadManager::~DownloadManager() = default;

void DownloadManager::handleDownload(QWebEngineDownloadRequest *download)
{
    const QString mode = downloadMode(download->url());
    qDebug() << "Download requested:" << download->url() << "Mode:" << mode;
    if (mode == QLatin1String("save"))
        save(download);
    else if (mode == QLatin1String("open") || mode == QLatin1String("print"))
        openTemporarily(download, mode);
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
    const QFileInfo chosen(path);
    m_settings.setValue(LastSaveFolderKey, chosen.absolutePath());
    download->setDownloadDirectory(chosen.absolutePath());
    download->setDownloadFileName(chosen.fileName());
    download->accept();
}

void DownloadManager::openTemporarily(QWebEngineDownloadRequest *download, const QString &mode)
{
    const QFileInfo folder(QDir::tempPath());
    if (!folder.isDir() || !folder.isWritable()) {
        qDebug() << "Download cancelled, temporary folder not writable:" << QDir::tempPath();
        download->cancel();
        return;
    }
    const QFileInfo path(temporaryDownloadPath(download->downloadFileName()));
    download->setDownloadDirectory(path.absolutePath());
    download->setDownloadFileName(path.fileName());
    download->accept();
    handOverWhenComplete(download, path.filePath(),
                         mode == QLatin1String("print") ? HandOver::Print : HandOver::Open);
}
