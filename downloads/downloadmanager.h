#pragma once

#include <QObject>
#include <QSettings>

class QWebEngineDownloadRequest;
class QWebEngineView;

// Takes over the downloads of the window's page profile. The "mode" query item of a download
// URL decides: "save" (or none) asks where to save it, "open" and "print" hand a temporary
// copy to the desktop's viewer or to the printer, anything else is cancelled.
class DownloadManager final : public QObject
{
    Q_OBJECT
public:
    explicit DownloadManager(QWebEngineView *window, QObject *parent = nullptr);
    ~DownloadManager() override;

private slots:
    void handleDownload(QWebEngineDownloadRequest *download);

private:
    void save(QWebEngineDownloadRequest *download);
    void openTemporarily(QWebEngineDownloadRequest *download, const QString &mode);

    QWebEngineView *m_window;
    // Only "lastSaveFolder": where the save dialog opens next time.
    QSettings m_settings;
};
