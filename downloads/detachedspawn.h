#pragma once

#include <QString>
#include <QStringList>

// Starts `program` (looked up on PATH) with `arguments` in a session of its own and does not
// wait for it. On Unix it is spawned without copying this process, which with the browser
// engine's memory would take tens of milliseconds, with standard input, output and error and no
// other descriptor of this process, and reaped by a thread of its own once it ends; elsewhere
// the toolkit starts it. False when it could not be started.
bool spawnDetached(const QString &program, const QStringList &arguments);
