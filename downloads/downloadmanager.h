#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSettings>

#include "pendingremovals.h"
#include "temporaryhandover.h"
#include "bridge/originpolicy.h"

class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineView;

// Takes over the downloads of the window's page profile. The "mode" query item of a download
// URL decides: "save" (or none) asks where to save it, "open" and "print" hand a temporary
// copy to the desktop's viewer or to the printer, anything else is cancelled. Only pages the
// policy trusts may open or print, and never a file the desktop would run: those are saved.
class DownloadManager final : public QObject
{
    Q_OBJECT
public:
    // `policy`: the pages that may open and print, the same the bridge is published to.
    // Removes the temporary copies that earlier runs left behind.
    DownloadManager(QWebEngineView *window, OriginPolicy policy, QObject *parent = nullptr);
    ~DownloadManager() override;

    // What an accepted download becomes: a file the person chose, or a temporary copy handed to
    // the desktop's viewer or to the printer.
    enum class Kind { Save, Open, Print };
    Q_ENUM(Kind)

signals:
    // A download was accepted for `page` (the one it came from; null when none): the place to show
    // it to the person. Emitted again, with a new request of the same id, each time the engine
    // restarts a broken download.
    void downloadShown(QWebEngineDownloadRequest *request, QWebEnginePage *page, DownloadManager::Kind kind);

private slots:
    void handleDownload(QWebEngineDownloadRequest *download);

private:
    // Where an accepted download goes, kept until it finishes because the engine asks again,
    // under the same id, each time it restarts a broken download.
    struct Target
    {
        QString path;
        bool temporary = false;
        QPointer<TemporaryHandOver> handOver; // null for saved files and once settled
        Kind kind = Kind::Save;
        // The page the download came from, as the engine may not tell it for a restart.
        QPointer<QWebEnginePage> page;
    };

    void save(QWebEngineDownloadRequest *download);
    void handOverOrSave(QWebEngineDownloadRequest *download, TemporaryHandOver::Action action);
    void openTemporarily(QWebEngineDownloadRequest *download, TemporaryHandOver::Action action);
    void acceptInto(QWebEngineDownloadRequest *download, const Target &target);
    void restart(QWebEngineDownloadRequest *download, const Target &target);

    QWebEngineView *m_window;
    const OriginPolicy m_policy;
    // Only "lastSaveFolder": where the save dialog opens next time.
    QSettings m_settings;
    QHash<quint32, Target> m_targets;
    // Destroyed with the manager as the program ends, taking the copies not yet removed.
    PendingRemovals m_removals;
};
