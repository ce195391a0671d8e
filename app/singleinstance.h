#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One Mirel per user and login session: the first start holds a lock file and listens on a
// local socket; a later start finds the lock held and asks the first, through the socket, to
// bring its window forward. A lock whose process is gone (a crash, a power cut) is taken over.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        First,      // this process runs Mirel
        Second,     // the running one was asked to come forward: end now
        Unanswered, // another holds the lock but did not answer in time
    };

    // Lock and socket named `key` in `folder` (the socket is a named pipe on Windows).
    SingleInstance(const QString &folder, const QString &key, QObject *parent = nullptr);

    // Takes the lock or asks its holder; waits at most answerTimeoutMs for the holder's answer.
    // When the lock cannot be made at all (a folder that cannot be written), runs as the first.
    Role claim(int answerTimeoutMs = 3000);

    // The key of the calling user (and Windows session) for this machine.
    static QString currentKey();
    // A file and pipe name for `user` and `session`: the same for the same user however the
    // name's letters are cased (Windows names are not case-sensitive), distinct for different
    // users or sessions. An empty session stands for one per user.
    static QString key(const QString &user, const QString &session);

signals:
    // A later start asked for the window.
    void activationRequested();

private:
    void listen();
    bool askRunningInstance(int timeoutMs);
    void answer();

    QLockFile m_lock;
    QString m_socketName;
    QLocalServer m_server;
};
