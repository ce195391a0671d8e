#pragma once

#include "downloadmanager.h"

#include <QHash>
#include <QWidget>

class DownloadLine;
class QVBoxLayout;

// The downloads of one window's page, as a strip of DownloadLines at the bottom of the window:
// hidden while it has none, a line added for each download `manager` shows for the page of
// `view`; a file on its way to the viewer or the printer appears once it is handed over, or after
// a moment if it takes longer. Nothing is kept: the lines end with the window, or when the person dismisses them.
class DownloadStrip final : public QWidget
{
    Q_OBJECT
public:
    DownloadStrip(DownloadManager *manager, QWebEngineView *view, QWidget *parent);

private:
    void show(QWebEngineDownloadRequest *request, QWebEnginePage *page, DownloadManager::Kind kind);
    // Shows the strip, unless its last line was dismissed meanwhile.
    void reveal();

    QWebEngineView *m_view;
    QVBoxLayout *m_lines;
    // The lines shown, by download id: the engine restarts a broken download as a new request
    // under the same id.
    QHash<quint32, DownloadLine *> m_byId;
};
