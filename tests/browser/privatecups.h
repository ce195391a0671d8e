#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A CUPS scheduler of the test's own, in a private folder and on a private socket, with one
// printer that writes each job's PDF into a file: nothing of the machine's printing is used
// or changed. Programs reach it through CUPS_SERVER=socket().
class PrivateCups final
{
public:
    PrivateCups();
    ~PrivateCups();

    // Starts the scheduler and adds the printer as the default; false when that cannot be done.
    bool start();
    QString socket() const { return m_folder.filePath(QStringLiteral("cups.sock")); }
    // Where the printer puts what it was sent.
    QString output() const { return m_folder.filePath(QStringLiteral("out/printed.pdf")); }
    // The first job's document as the scheduler received it (kept after the job), for schedulers
    // that cannot write a file printer's output (CUPS 2.5 in a Debian root).
    QString spooledDocument() const { return m_folder.filePath(QStringLiteral("spool/d00001-001")); }
    // What the job printed: the file printer's output, else the spooled document.
    QString printed() const { return QFileInfo(output()).size() > 0 ? output() : spooledDocument(); }

private:
    bool write(const QString &name, const QByteArray &content) const;
    bool run(const QString &program, const QStringList &arguments) const;

    QTemporaryDir m_folder;
    QProcess m_scheduler;
};
