#include "interruptedsave.h"

#include <QDebug>
#include <QWebEngineDownloadRequest>

void cancelSaveWhenInterrupted(QWebEngineDownloadRequest *download, const QString &path)
{
    QObject::connect(download, &QWebEngineDownloadRequest::stateChanged, download,
                     [download, path](QWebEngineDownloadRequest::DownloadState state) {
                         if (state != QWebEngineDownloadRequest::DownloadInterrupted)
                             return;
                         // An interrupted download keeps its partial data for a resume we never ask for.
                         qDebug() << "Download not saved:" << download->interruptReasonString() << path;
                         download->cancel();
                     });
}
