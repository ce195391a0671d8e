#pragma once

#include <QString>
#include <QStringList>

// How a file is opened with the desktop's default application on a freedesktop system: the
// desktop's "xdg-open" (found at `xdgOpen`) with the file's URL, the command the toolkit runs
// there too. Empty when it must not be run directly: no xdg-open, or inside a Flatpak or Snap
// sandbox, where only the desktop portal opens files.
QStringList xdgOpenCommand(const QString &path, const QString &xdgOpen, bool sandboxed);

// Opens the file with the desktop's default application; the answer is not looked at. On Linux
// and the BSDs the command above is spawned without forking this process (the toolkit's way
// forks the browser's whole memory twice, tens of milliseconds the person waits for the
// viewer); otherwise, and when that command is empty, the toolkit opens it.
void openWithDesktop(const QString &path);
