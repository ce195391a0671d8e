#include "logcapture.h"

namespace {
LogCapture *current = nullptr;
}

LogCapture::LogCapture()
{
    current = this;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    current = nullptr;
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(m_mutex);
    return m_lines;
}

void LogCapture::clear()
{
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Only the program's own lines; the toolkit's warnings still reach the test output.
    if (type != QtDebugMsg || !current) {
        if (current && current->m_previous)
            current->m_previous(type, context, message);
        return;
    }
    {
        std::lock_guard lock(current->m_mutex);
        current->m_lines << message;
    }
    if (current->m_onLine)
        current->m_onLine(message);
}
