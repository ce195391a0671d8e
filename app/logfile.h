#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Copies every message of the process to a file, each line after a local time stamp, while
// standard error (or the debugger on Windows) keeps exactly what it showed before. When the file
// passes maxBytes it is renamed to "<path>.1", replacing the older one, and started afresh.
// Page console messages (category "js") stay out: they can hold what a page shows.
//
// The file and the folders made for it are the user's alone (0600 and 0700 on Unix; on Windows
// the user's own profile folder keeps them private). A message never waits for the disk: a
// thread of the log's own writes the lines out, at most FlushInterval after they came, and the
// rest when the log is destroyed (a normal end, or SIGTERM through TerminationSignalQuit). A
// crash loses at most the last FlushInterval of lines; a fatal message is written before the
// program aborts.
// One instance at a time; its messages go to the file from any thread until it is destroyed.
class LogFile final
{
public:
    static constexpr qint64 DefaultMaxBytes = 1024 * 1024;
    static constexpr std::chrono::milliseconds FlushInterval{100};

    explicit LogFile(const QString &path, qint64 maxBytes = DefaultMaxBytes);
    ~LogFile();

    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    QString path() const { return m_path; }

private:
    // A message as it came: its time, turned into a local time stamp by the writer.
    struct Line
    {
        qint64 msecsSinceEpoch = 0;
        QString text;
    };

    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);
    // Any thread: queues one line; a fatal one is on the disk when this returns.
    void append(const QString &message, bool fatal);
    // The writer thread's loop.
    void writeLines();
    // Writer thread.
    void write(const std::vector<Line> &lines);
    void open();
    void rotate();

    const QString m_path;
    const qint64 m_maxBytes;
    QFile m_file; // the writer thread's, once it runs
    QByteArray m_buffer; // the writer thread's
    QtMessageHandler m_previous = nullptr;

    std::mutex m_mutex;
    std::condition_variable m_wake;    // lines to write, or the end
    std::condition_variable m_written; // more lines are on the disk
    std::vector<Line> m_pending;       // guarded by m_mutex
    quint64 m_queuedLines = 0;         // guarded: lines queued since the start
    quint64 m_writtenLines = 0;        // guarded: of those, the lines written
    bool m_urgent = false;             // guarded: write now, a fatal message waits
    bool m_stopping = false;           // guarded
    std::thread m_writer;
};
