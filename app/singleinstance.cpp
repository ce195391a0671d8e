#include "singleinstance.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
// "activate <session>": the session percent-encoded, so the line holds no space or line break.
const QByteArray Request = "activate ";
const QByteArray Answer = "ok\n";
const QByteArray Elsewhere = "elsewhere\n";
} // namespace

SingleInstance::SingleInstance(const QString &folder, const QString &key, const QString &session, QObject *parent)
    : QObject(parent)
    , m_lock(folder + QLatin1Char('/') + key + QStringLiteral(".lock"))
#ifdef Q_OS_WIN
    , m_socketName(key)
#else
    , m_socketName(folder + QLatin1Char('/') + key + QStringLiteral(".socket"))
#endif
    , m_session(session)
{
    QDir().mkpath(folder);
    // Held for the whole run: only a holder that is gone makes it stale, never its age.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Role SingleInstance::claim(int waitMs)
{
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (m_lock.tryLock(0)) {
            listen();
            return Role::First;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            qDebug() << "No one-instance lock, starting anyway:" << m_lock.fileName();
            return Role::First;
        }
        const Reply reply = askRunningInstance(int(deadline.remainingTime()));
        if (reply == Reply::Activated)
            return Role::Second;
        if (reply == Reply::Elsewhere) {
            qDebug() << "Mirel is already running in another session:" << m_lock.fileName();
            return Role::OtherSession;
        }
        // Nobody listening: the holder is starting or closing. Its lock is free again soon.
        if (reply == Reply::Silent || deadline.hasExpired())
            break;
        QThread::msleep(100);
    }
    qDebug() << "Mirel is already running but does not answer:" << m_lock.fileName();
    return Role::Unanswered;
}

void SingleInstance::stopListening()
{
    m_server.close();
}

QString SingleInstance::refusalText(Role role)
{
    switch (role) {
    case Role::OtherSession:
        return tr("Mirel is already running in another session of yours (another login or another display). "
                  "It can run only once at a time for you: close it there, then start Mirel again.");
    case Role::Unanswered:
        return tr("Mirel is already running but does not answer. Close it, or end it in the task manager, then "
                  "start Mirel again.");
    case Role::First:
    case Role::Second:
        break;
    }
    return QString();
}

void SingleInstance::listen()
{
    // A socket left by a crashed run would keep the name taken.
    QLocalServer::removeServer(m_socketName);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_socketName)) {
        qDebug() << "Later starts cannot reach this one:" << m_server.errorString();
        return;
    }
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

void SingleInstance::answer()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine().trimmed();
            if (line == Request + m_session.toUtf8()) {
                emit activationRequested();
                socket->write(Answer);
            } else if (line.startsWith(Request)) {
                // A window raised on another display would show where the person is not.
                socket->write(Elsewhere);
            }
            socket->disconnectFromServer();
        });
    }
}

SingleInstance::Reply SingleInstance::askRunningInstance(int timeoutMs)
{
#ifdef Q_OS_WIN
    // The running one may take the foreground only when the process the person started allows it.
    AllowSetForegroundWindow(ASFW_ANY);
#endif
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(m_socketName);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return Reply::NobodyListening;
    socket.write(Request + m_session.toUtf8() + '\n');
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
        socket.waitForReadyRead(int(deadline.remainingTime()));
    if (!socket.canReadLine())
        return socket.state() == QLocalSocket::ConnectedState ? Reply::Silent : Reply::NobodyListening;
    const QByteArray line = socket.readLine();
    return line == Answer ? Reply::Activated : line == Elsewhere ? Reply::Elsewhere : Reply::Silent;
}

QString SingleInstance::currentKey()
{
#ifdef Q_OS_WIN
    return key(qEnvironmentVariable("USERDOMAIN") + QLatin1Char('\\') + qEnvironmentVariable("USERNAME"));
#else
    return key(QString::number(getuid()));
#endif
}

QString SingleInstance::currentSession()
{
#ifdef Q_OS_WIN
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return SingleInstance::session(QString::number(session), QString(), QString());
#else
    return SingleInstance::session(qEnvironmentVariable("XDG_SESSION_ID"), qEnvironmentVariable("DISPLAY"),
                                   qEnvironmentVariable("WAYLAND_DISPLAY"));
#endif
}

QString SingleInstance::key(const QString &user)
{
    // Percent-encoded: a domain's backslash or a letter beyond ASCII is no trouble in either name.
    return QStringLiteral("mirel-") + QString::fromLatin1(user.toLower().toUtf8().toPercentEncoding());
}

QString SingleInstance::session(const QString &sessionId, const QString &display, const QString &waylandDisplay)
{
    // Where a window shows is what matters, and a display belongs to one session. The session's id
    // counts only without one: a program started through the user's service manager may lack it.
    QString x11 = display;
    const int colon = x11.lastIndexOf(QLatin1Char(':'));
    const int screen = x11.indexOf(QLatin1Char('.'), colon);
    if (colon >= 0 && screen > colon)
        x11.truncate(screen);
    const QString place = x11.isEmpty() && waylandDisplay.isEmpty()
            ? QStringLiteral("session ") + sessionId
            : QStringLiteral("display ") + x11 + QLatin1Char(' ') + waylandDisplay;
    return QString::fromLatin1(place.toUtf8().toPercentEncoding());
}
