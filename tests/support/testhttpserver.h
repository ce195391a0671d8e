#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for download and sign-in tests. Resources are matched by path alone,
// so one file can be fetched in several modes; each answer closes its connection.
class TestHttpServer final : public QObject
{
    Q_OBJECT
public:
    enum class Delivery {
        Whole,  // the body at once
        Slow,   // the body in ten pieces over about a second
        CutOff, // half the body of the announced length, then the connection closes
        Stalled, // half the body, then nothing more while the connection stays open
    };

    struct Resource
    {
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        // When set, the answer is an attachment suggesting this file name.
        QString attachmentName;
        Delivery delivery = Delivery::Whole;
        // When set, a request without these "user:password" in Basic form is answered 401,
        // asking for `realm`, with `refusedBody` as the server's own page; 407 when `asProxy`,
        // for a program that uses this server as its proxy.
        QByteArray credentials;
        QByteArray realm;
        QByteArray refusedBody;
        bool asProxy = false;
    };

    explicit TestHttpServer(QObject *parent = nullptr);

    // Port 0: any free one.
    bool listen(quint16 port = 0);
    QUrl url(const QString &pathAndQuery) const;
    void serve(const QString &path, const Resource &resource);
    int requestCount(const QString &path) const { return m_requests.value(path); }
    // The Authorization (as a proxy: Proxy-Authorization) header of each request for `path` in
    // turn, empty where there was none.
    QByteArrayList authorizations(const QString &path) const { return m_authorizations.value(path); }
    // The value of header `name` (lower case) in the latest request for `path`, empty if none.
    QByteArray lastHeader(const QString &path, const QByteArray &name) const;

private:
    void accept();
    void answer(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, Resource> m_resources;
    QHash<QString, int> m_requests;
    QHash<QString, QByteArrayList> m_authorizations;
    QHash<QString, QByteArrayList> m_lastRequestLines;
};
