#pragma once

#include <QObject>
#include <QSet>
#include <QString>

// The temporary copies handed to the viewer or the printer. Each goes 30 s after its hand-over,
// the rest when this object is destroyed as the program ends. What a run could not remove
// (it crashed, or another program still held the file open) goes at the next start.
class PendingRemovals final : public QObject
{
    Q_OBJECT
public:
    // Long enough for the viewer or the print spooler to have read the file.
    static constexpr int RemovalDelay = 30000;

    explicit PendingRemovals(QObject *parent = nullptr);
    ~PendingRemovals() override;

    void removeLater(const QString &path);

    // Removes from `folder` the files named like this program's temporary downloads
    // ("{uuid}_name"), and nothing else; returns how many went.
    static int removeEarlierRuns(const QString &folder);

private:
    QSet<QString> m_paths;
};
