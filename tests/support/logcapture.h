#pragma once

#include <QStringList>

#include <functional>
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
    // Called with every captured line, on the thread that logged it.
    void setOnLine(std::function<void(const QString &)> onLine) { m_onLine = std::move(onLine); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    mutable std::mutex m_mutex;
    QStringList m_lines;
    std::function<void(const QString &)> m_onLine;
    QtMessageHandler m_previous;
};
