#include "downloadmanager.h"

DownloadManager::DownloadManager(QWebEngineView *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
}

DownloadManager::~DownloadManager() = default;
