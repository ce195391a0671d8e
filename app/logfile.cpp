#include "logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {
// The handler is a plain function: it finds the file here. Guarded, as the instrument library's
// thread logs too; recursive, so that a warning from inside the handler cannot lock it up.
QRecursiveMutex currentMutex;
LogFile *current = nullptr;
} // namespace

LogFile::LogFile(const QString &path, qint64 maxBytes)
    : m_file(path)
    , m_maxBytes(maxBytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (QFileInfo(path).size() >= m_maxBytes)
        rotate();
    else
        open();
    const QMutexLocker locker(&currentMutex);
    current = this;
    m_previous = qInstallMessageHandler(&LogFile::handleMessage);
}

LogFile::~LogFile()
{
    const QMutexLocker locker(&currentMutex);
    qInstallMessageHandler(m_previous);
    current = nullptr;
}

void LogFile::handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QMutexLocker locker(&currentMutex);
    if (!current)
        return;
    current->m_previous(type, context, message);
    if (qstrcmp(context.category, "js") != 0)
        current->append(message);
}

void LogFile::append(const QString &message)
{
    if (!m_file.isOpen())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    m_file.write((stamp + QLatin1Char(' ') + message + QLatin1Char('\n')).toUtf8());
    // Each line reaches the file at once: a crash loses none.
    m_file.flush();
    if (m_file.size() >= m_maxBytes)
        rotate();
}

void LogFile::open()
{
    // A file that cannot be opened is skipped: append() writes only to an open one.
    [[maybe_unused]] const bool opened = m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void LogFile::rotate()
{
    m_file.close();
    const QString older = m_file.fileName() + QStringLiteral(".1");
    QFile::remove(older);
    // On Windows a second start that still has the file open keeps it from being renamed: the
    // lines then go on into the same file until the next attempt succeeds.
    QFile::rename(m_file.fileName(), older);
    open();
}
