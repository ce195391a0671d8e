#pragma once

#include <QObject>

class QWebEngineView;

// Takes over the downloads of the window's page profile.
class DownloadManager final : public QObject
{
    Q_OBJECT
public:
    explicit DownloadManager(QWebEngineView *window, QObject *parent = nullptr);
    ~DownloadManager() override;

private:
    QWebEngineView *m_window;
};
