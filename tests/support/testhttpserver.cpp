#include "testhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
constexpr int SlowPieces = 10;
constexpr int SlowPieceInterval = 100;

QByteArray headerFor(const TestHttpServer::Resource &resource)
{
    QByteArray header = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: " + resource.contentType
            + "\r\nContent-Length: " + QByteArray::number(resource.body.size()) + "\r\n";
    if (!resource.attachmentName.isEmpty()) {
        header += "Content-Disposition: attachment; filename*=UTF-8''"
                + QUrl::toPercentEncoding(resource.attachmentName) + "\r\n";
    }
    return header + "\r\n";
}

void writePiecesSlowly(QTcpSocket *socket, const QByteArray &body)
{
    const qsizetype pieceSize = body.size() / SlowPieces + 1;
    for (int piece = 0; piece < SlowPieces; ++piece) {
        QTimer::singleShot(piece * SlowPieceInterval, socket, [socket, body, piece, pieceSize] {
            socket->write(body.mid(piece * pieceSize, pieceSize));
            if (piece == SlowPieces - 1)
                socket->disconnectFromHost();
        });
    }
}
} // namespace

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
}

bool TestHttpServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

QUrl TestHttpServer::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(pathAndQuery));
}

void TestHttpServer::serve(const QString &path, const Resource &resource)
{
    m_resources.insert(path, resource);
}

void TestHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
    }
}

QByteArray TestHttpServer::lastHeader(const QString &path, const QByteArray &name) const
{
    for (const QByteArray &line : m_lastRequestLines.value(path)) {
        if (line.toLower().startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed();
    }
    return QByteArray();
}

void TestHttpServer::answer(QTcpSocket *socket)
{
    // Requests here are GETs without a body: the header block is all there is to wait for.
    if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n"))
        return;
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const QList<QByteArray> lines = socket->readAll().split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QString path = QUrl(QString::fromUtf8(requestLine.value(1))).path();
    m_requests[path] += 1;
    m_lastRequestLines[path] = lines;

    const auto found = m_resources.constFind(path);
    const bool asProxy = found != m_resources.constEnd() && found->asProxy;
    const QByteArray header = asProxy ? "proxy-authorization:" : "authorization:";
    QByteArray authorization;
    for (const QByteArray &line : lines) {
        if (line.toLower().startsWith(header))
            authorization = line.mid(header.size()).trimmed();
    }
    m_authorizations[path] << authorization;

    if (found == m_resources.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    if (!found->credentials.isEmpty() && authorization != "Basic " + found->credentials.toBase64()) {
        socket->write((asProxy ? "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate"
                               : "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate")
                      + QByteArray(": Basic realm=\"") + found->realm
                      + "\"\r\nConnection: close\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: "
                      + QByteArray::number(found->refusedBody.size()) + "\r\n\r\n" + found->refusedBody);
        socket->disconnectFromHost();
        return;
    }
    socket->write(headerFor(*found));
    switch (found->delivery) {
    case Delivery::Whole:
        socket->write(found->body);
        socket->disconnectFromHost();
        break;
    case Delivery::Slow:
        writePiecesSlowly(socket, found->body);
        break;
    case Delivery::CutOff:
        socket->write(found->body.left(found->body.size() / 2));
        socket->disconnectFromHost();
        break;
    case Delivery::Stalled:
        socket->write(found->body.left(found->body.size() / 2));
        break;
    }
}
