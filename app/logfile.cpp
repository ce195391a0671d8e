#include "logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {
// The handler is a plain function: it finds the log here. Guarded, as the instrument library's
// thread logs too; recursive, so that a warning from inside the handler cannot lock it up.
QRecursiveMutex currentMutex;
LogFile *current = nullptr;

// How long a fatal message waits for the writer before the program aborts anyway.
constexpr std::chrono::seconds FatalWriteLimit{2};

#ifdef Q_OS_UNIX
constexpr QFile::Permissions UserOnly = QFile::ReadOwner | QFile::WriteOwner;

// Creates the folder and the missing ones above it, readable by the user only; folders that are
// there already stay as they are.
void makePrivateFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists())
        return;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath())
        makePrivateFolder(parent);
    QDir().mkdir(folder, UserOnly | QFile::ExeOwner);
}
#endif
} // namespace

LogFile::LogFile(const QString &path, qint64 maxBytes)
    : m_path(path)
    , m_maxBytes(maxBytes)
    , m_file(path)
{
#ifdef Q_OS_UNIX
    makePrivateFolder(QFileInfo(path).absolutePath());
#else
    QDir().mkpath(QFileInfo(path).absolutePath());
#endif
    if (QFileInfo(path).size() >= m_maxBytes)
        rotate();
    else
        open();
    m_writer = std::thread([this] { writeLines(); });
    const QMutexLocker locker(&currentMutex);
    current = this;
    m_previous = qInstallMessageHandler(&LogFile::handleMessage);
}

LogFile::~LogFile()
{
    {
        const QMutexLocker locker(&currentMutex);
        qInstallMessageHandler(m_previous);
        current = nullptr;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    // Writes what is left.
    m_writer.join();
}

void LogFile::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QMutexLocker locker(&currentMutex);
    if (!current)
        return;
    current->m_previous(type, context, message);
    if (qstrcmp(context.category, "js") != 0)
        current->append(message, type == QtFatalMsg);
}

void LogFile::append(const QString &message, bool fatal)
{
    // Only the clock here: the local time (which looks at the time zone file) is the writer's work.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    std::unique_lock lock(m_mutex);
    const bool wake = m_pending.empty() || fatal;
    m_pending.push_back(Line{now, message});
    const quint64 number = ++m_queuedLines;
    m_urgent = m_urgent || fatal;
    if (wake)
        m_wake.notify_one();
    // The program aborts once the handler returns.
    if (fatal)
        m_written.wait_for(lock, FatalWriteLimit, [&] { return m_writtenLines >= number; });
}

void LogFile::writeLines()
{
    std::vector<Line> lines; // swapped with m_pending: the two take turns, and keep their room
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
        // Lines that come within the interval go out with the first: one write for a burst.
        m_wake.wait_for(lock, FlushInterval, [this] { return m_stopping || m_urgent; });
        lines.swap(m_pending);
        const quint64 taken = m_queuedLines;
        const bool last = m_stopping;
        m_urgent = false;
        lock.unlock();
        write(lines);
        lines.clear();
        lock.lock();
        m_writtenLines = taken;
        m_written.notify_all();
        if (last && m_pending.empty())
            return;
    }
}

void LogFile::write(const std::vector<Line> &lines)
{
    if (lines.empty() || !m_file.isOpen())
        return;
    m_buffer.resize(0); // keeps its room
    for (const Line &line : lines) {
        const QString stamp = QDateTime::fromMSecsSinceEpoch(line.msecsSinceEpoch).toString(Qt::ISODateWithMs);
        m_buffer += (stamp + QLatin1Char(' ') + line.text + QLatin1Char('\n')).toUtf8();
    }
    m_file.write(m_buffer);
    m_file.flush();
    if (m_file.size() >= m_maxBytes)
        rotate();
}

void LogFile::open()
{
    // A file that cannot be opened is skipped: write() writes only to an open one.
#ifdef Q_OS_UNIX
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text, UserOnly))
        return;
    // A file an earlier version left readable by others becomes private too.
    if (m_file.permissions() & ~(UserOnly | QFile::ReadUser | QFile::WriteUser))
        m_file.setPermissions(UserOnly);
#else
    [[maybe_unused]] const bool opened = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
#endif
}

void LogFile::rotate()
{
    m_file.close();
    const QString older = m_path + QStringLiteral(".1");
    QFile::remove(older);
    // On Windows a second start that still has the file open keeps it from being renamed: the
    // lines then go on into the same file until the next attempt succeeds.
    QFile::rename(m_path, older);
    open();
}
