#include "testhttpserver.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

class TestHttpServer::Worker : public QObject
{
public:
    Worker(TestHttpServer& owner, Handler handler) : m_owner(owner), m_handler(std::move(handler))
    {
    }

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        m_server->listen(QHostAddress::LocalHost, 0);
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection())
                serve(socket);
        });
        return m_server->serverPort();
    }

private:
    void serve(QTcpSocket* socket)
    {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray& request = m_pending[socket];
            request += socket->readAll();
            if (request.startsWith('\x16')) {
                // A TLS handshake: answered as a plain HTTP server does, so that it fails at once.
                m_pending.remove(socket);
                socket->write("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                return;
            }
            if (!request.contains("\r\n\r\n"))
                return;
            const QByteArray path = request.split(' ').value(1);
            const QByteArray head = request.left(request.indexOf("\r\n\r\n"));
            m_pending.remove(socket);
            {
                QMutexLocker lock(&m_owner.m_mutex);
                m_owner.m_requests.append(QString::fromUtf8(path));
                m_owner.m_heads.append(head);
            }
            const Response response = notModifiedOr(head, m_handler(path));
            if (const int delay = std::max(m_owner.m_delayMs.load(), int(response.delay.count()));
                delay > 0)
                QTimer::singleShot(delay, Qt::PreciseTimer, socket,
                                   [this, socket, response] { respond(socket, response); });
            else
                respond(socket, response);
        });
    }

    Response notModifiedOr(const QByteArray& head, Response response)
    {
        if (!m_owner.m_conditional || response.status != 200)
            return response;
        for (const auto& [name, value] : std::as_const(response.headers)) {
            if (name.compare("ETag", Qt::CaseInsensitive) != 0)
                continue;
            for (const QByteArray& line : head.split('\n')) {
                const qsizetype colon = line.indexOf(':');
                if (colon > 0 &&
                    line.left(colon).trimmed().compare("If-None-Match", Qt::CaseInsensitive) == 0 &&
                    line.mid(colon + 1).trimmed() == value) {
                    ++m_owner.m_notModified;
                    response.status = 304;
                    response.body.clear();
                    return response;
                }
            }
        }
        return response;
    }

    void respond(QTcpSocket* socket, const Response& response)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        head += "Content-Type: " + response.contentType + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        const bool endless = response.neverFinish || !response.repeat.isEmpty();
        if (!endless && response.status != 304)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        m_owner.m_bytesSent += head.size() + response.body.size();
        socket->write(head + response.body);
        if (!response.repeat.isEmpty()) {
            // More as soon as what was sent has gone, so the reader sets the pace.
            auto sent = std::make_shared<qint64>(0);
            connect(socket, &QTcpSocket::bytesWritten, socket, [socket, response, sent] {
                if (socket->bytesToWrite() > 0 || *sent > (qint64(1) << 30))
                    return;
                *sent += response.repeat.size();
                socket->write(response.repeat);
            });
        }
        if (!endless)
            socket->disconnectFromHost();
    }

    TestHttpServer& m_owner;
    Handler m_handler;
    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

TestHttpServer::TestHttpServer(Handler handler)
{
    m_worker = new Worker(*this, std::move(handler));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QSemaphore ready;
    QMetaObject::invokeMethod(m_worker, [this, &ready] {
        m_port = m_worker->listen();
        ready.release();
    });
    ready.acquire();
}

TestHttpServer::~TestHttpServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString TestHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QStringList TestHttpServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QByteArray TestHttpServer::header(const QString& path, const QByteArray& name) const
{
    QMutexLocker lock(&m_mutex);
    const qsizetype latest = m_requests.lastIndexOf(path);
    if (latest < 0)
        return {};
    for (const QByteArray& line : m_heads[latest].split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

TestHttpServer::Response TestHttpServer::html(const QByteArray& body)
{
    return response(200, Response().contentType, body);
}

TestHttpServer::Response
TestHttpServer::response(int status, const QByteArray& contentType, const QByteArray& body,
                         const QList<QPair<QByteArray, QByteArray>>& headers)
{
    Response response;
    response.status = status;
    response.contentType = contentType;
    response.body = body;
    response.headers = headers;
    return response;
}
