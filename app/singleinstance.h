#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One Mirel per user: the profile, the settings and the log are the user's, whatever the session.
// The first start holds a lock file and listens on a local socket; a later start finds the lock
// held and asks the first, through the socket, to bring its window forward, which it does only
// for a start from its own login session and display (another display is one the person may not
// see). A lock whose process is gone (a crash, a power cut) is taken over; one whose holder
// stopped listening (it is closing) is waited for.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        First,        // this process runs Mirel
        Second,       // the running one was asked to come forward: end now
        OtherSession, // Mirel runs in another session or display of the same user
        Unanswered,   // another holds the lock but did not answer or end in time
    };

    // Lock and socket named `key` in `folder` (the socket is a named pipe on Windows); `session`
    // tells this start's session and display from the others.
    SingleInstance(const QString &folder, const QString &key, const QString &session, QObject *parent = nullptr);

    // Takes the lock or asks its holder. A holder that no longer listens is closing: its lock is
    // waited for, at most waitMs in all, as for its answer. When the lock cannot be made at all (a
    // folder that cannot be written), runs as the first.
    Role claim(int waitMs = 4000);
    // Later starts no longer reach this one and wait for its lock instead: called once the
    // program starts closing, while the lock is still held.
    void stopListening();

    // What a start that ends with `role` tells the person; empty for the first and second.
    static QString refusalText(Role role);

    // The key of the calling user for this machine, and the calling session.
    static QString currentKey();
    static QString currentSession();
    // A file and pipe name for `user`: the same however the name's letters are cased (Windows
    // names are not case-sensitive), distinct for different users.
    static QString key(const QString &user);
    // A session and display's identity from the login session's id (XDG_SESSION_ID, or the Windows
    // session) and the X11 and Wayland displays; the screen of an X11 display does not count.
    static QString session(const QString &sessionId, const QString &display, const QString &waylandDisplay);

signals:
    // A later start from this session asked for the window.
    void activationRequested();

private:
    enum class Reply { Activated, Elsewhere, Silent, NobodyListening };

    void listen();
    Reply askRunningInstance(int timeoutMs);
    void answer();

    QLockFile m_lock;
    QString m_socketName;
    QString m_session;
    QLocalServer m_server;
};
