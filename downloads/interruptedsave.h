#pragma once

#include <QString>

class QWebEngineDownloadRequest;

// Ends a save the engine has given up on: once `download` reports itself interrupted, no restart
// follows (a restart comes as a new request), so it is cancelled, which makes the engine delete
// the part it wrote beside `path`. A file already at `path` is never touched. Logs
// "Download not saved:" with the engine's reason and the path.
void cancelSaveWhenInterrupted(QWebEngineDownloadRequest *download, const QString &path);
