#pragma once

#include <QFile>
#include <QString>
#include <QtGlobal>

// Copies every message of the process to a file, each line after a local time stamp, while
// standard error (or the debugger on Windows) keeps exactly what it showed before. When the file
// passes maxBytes it is renamed to "<path>.1", replacing the older one, and started afresh.
// Page console messages (category "js") stay out: they can hold what a page shows.
// One instance at a time; its messages go to the file from any thread until it is destroyed.
class LogFile final
{
public:
    static constexpr qint64 DefaultMaxBytes = 1024 * 1024;

    explicit LogFile(const QString &path, qint64 maxBytes = DefaultMaxBytes);
    ~LogFile();

    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    QString path() const { return m_file.fileName(); }

private:
    static void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message);
    void append(const QString &message);
    void open();
    void rotate();

    QFile m_file;
    const qint64 m_maxBytes;
    QtMessageHandler m_previous = nullptr;
};
