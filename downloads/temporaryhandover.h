#pragma once

#include <QString>

class QWebEngineDownloadRequest;

enum class HandOver { Open, Print };

// Watches an accepted download into the temporary file at `path`. Once the download has
// completed with content the file goes, exactly once, to the desktop's viewer or to the printer
// and is removed 30 s later. A download that ends otherwise is cancelled if it could still be
// resumed, and whatever it left under that name is removed. Owns nothing the caller keeps.
void handOverWhenComplete(QWebEngineDownloadRequest *download, const QString &path, HandOver handOver);
