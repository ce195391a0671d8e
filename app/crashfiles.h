#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What Mirel keeps of its abnormal ends beside the log: one "crash-<UTC time>.txt" per crash,
// named and first-lined by the crash handler, with on Windows a ".dmp" minidump of the same
// name; the newest Kept of them; and, once the log announced the newest, its name in
// AnnouncedFile so that the next start stays silent about it.
namespace CrashFiles {
constexpr int Kept = 5;
// "crash-2026-03-05T14-03-22Z": a name without its extension. In UTC, so that the name needs no
// time zone inside a signal handler, and sorting the names sorts the crashes.
constexpr int StemLength = 26;
// "2026-03-05T14:03:22Z"
constexpr int TimeLength = 20;
inline const QString AnnouncedFile = QStringLiteral("crash-announced");

// Async-signal-safe, for the crash handlers: no allocation, no lock, no library call. Write
// exactly StemLength and TimeLength characters, without a terminating zero.
void writeStem(std::int64_t secondsSinceEpoch, char *stem);
void writeTime(std::int64_t secondsSinceEpoch, char *time);

// Of a folder's file names, those of crashes older than the newest `kept`, both extensions.
QStringList toRemove(const QStringList &fileNames, int kept = Kept);
// The newest crash's ".txt" among the names; empty when there is none.
QString newest(const QStringList &fileNames);

// What a crash file's first line says: when, in local time, and why ("signal 11",
// "exception 0xC0000005").
struct Summary
{
    QDateTime at;
    QString cause;
};
std::optional<Summary> readSummary(const QString &firstLine);

// At start: removes the crash files past the newest Kept and logs the newest crash once, at the
// first start after it: "Mirel ended abnormally on <time> (signal 11); details in <file>".
void announceLast(const QString &folder);
// For the support report: the newest crash's summary, then its file's content; empty without one.
QString lastText(const QString &folder);
} // namespace CrashFiles
