#pragma once

#include <QStringList>

#include <mutex>

// Collects the program's debug lines while it lives, from any thread, as the logger writes them.
class LogCapture final
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList lines() const;
    void clear();

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable std::mutex m_mutex;
    QStringList m_lines;
    QtMessageHandler m_previous;
};
