#include "pendingremovals.h"

#include "temporaryfilename.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <utility>

PendingRemovals::PendingRemovals(QObject *parent)
    : QObject(parent)
{
}

PendingRemovals::~PendingRemovals()
{
    // A file still open elsewhere cannot go on Windows; the next start removes it.
    for (const QString &path : std::as_const(m_paths))
        QFile::remove(path);
}

void PendingRemovals::removeLater(const QString &path)
{
    m_paths.insert(path);
    QTimer::singleShot(RemovalDelay, this, [this, path] {
        QFile::remove(path);
        m_paths.remove(path);
    });
}

int PendingRemovals::removeEarlierRuns(const QString &folder)
{
    // Listed by a pattern first: the temporary folder may hold thousands of other files.
    QDir dir(folder);
    const QStringList names = dir.entryList({ QStringLiteral("{*}_*") },
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    int removed = 0;
    for (const QString &name : names) {
        if (isTemporaryDownloadName(name) && dir.remove(name))
            ++removed;
    }
    return removed;
}
