#include "singleinstance.h"

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
const QByteArray Request = "activate\n";
const QByteArray Answer = "ok\n";
} // namespace

SingleInstance::SingleInstance(const QString &folder, const QString &key, QObject *parent)
    : QObject(parent)
    , m_lock(folder + QLatin1Char('/') + key + QStringLiteral(".lock"))
#ifdef Q_OS_WIN
    , m_socketName(key)
#else
    , m_socketName(folder + QLatin1Char('/') + key + QStringLiteral(".socket"))
#endif
{
    QDir().mkpath(folder);
    // Held for the whole run: only a holder that is gone makes it stale, never its age.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Role SingleInstance::claim(int answerTimeoutMs)
{
    if (m_lock.tryLock(0)) {
        listen();
        return Role::First;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        qDebug() << "No one-instance lock, starting anyway:" << m_lock.fileName();
        return Role::First;
    }
    if (askRunningInstance(answerTimeoutMs))
        return Role::Second;
    qDebug() << "Mirel is already running but does not answer:" << m_lock.fileName();
    return Role::Unanswered;
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
            if (socket->readLine() == Request) {
                emit activationRequested();
                socket->write(Answer);
            }
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::askRunningInstance(int timeoutMs)
{
#ifdef Q_OS_WIN
    // The running one may take the foreground only when the process the person started allows it.
    AllowSetForegroundWindow(ASFW_ANY);
#endif
    const QDeadlineTimer deadline(timeoutMs);
    // The holder may be a moment away from listening: try again until the deadline.
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(m_socketName);
        if (socket.waitForConnected(int(deadline.remainingTime()))) {
            socket.write(Request);
            socket.waitForBytesWritten(int(deadline.remainingTime()));
            while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
            return socket.canReadLine() && socket.readLine() == Answer;
        }
        QThread::msleep(100);
    }
    return false;
}

QString SingleInstance::currentKey()
{
#ifdef Q_OS_WIN
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    const QString user = qEnvironmentVariable("USERDOMAIN") + QLatin1Char('\\') + qEnvironmentVariable("USERNAME");
    return key(user, QString::number(session));
#else
    return key(QString::number(getuid()), QString());
#endif
}

QString SingleInstance::key(const QString &user, const QString &session)
{
    // Percent-encoded: a domain's backslash or a letter beyond ASCII is no trouble in either name,
    // and the "@" before the session cannot come from the user's name.
    QString name = QStringLiteral("mirel-") + QString::fromLatin1(user.toLower().toUtf8().toPercentEncoding());
    if (!session.isEmpty())
        name += QLatin1Char('@') + QString::fromLatin1(session.toUtf8().toPercentEncoding());
    return name;
}
