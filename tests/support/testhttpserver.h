#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

class QTcpServer;

// An HTTP server on 127.0.0.1 for tests and benchmarks. It answers from its own thread, so pages
// are served while the test's thread waits in the browser engine's event loops.
class TestHttpServer
{
public:
    struct Response
    {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Sends the headers and the body, then keeps the connection open: a page that never
        // finishes loading.
        bool neverFinish = false;
        // Sent after the body again and again, as fast as the reader takes it, until it goes (or
        // a gigabyte has gone): a body that never ends.
        QByteArray repeat;
        // Held this long before it is sent (or the server's delay, if longer).
        std::chrono::milliseconds delay{0};
    };
    using Handler = std::function<Response(const QByteArray& path)>;

    explicit TestHttpServer(Handler handler);
    ~TestHttpServer();

    // The full address of a path on this server, such as url("/a.html").
    QString url(const QString& path) const;
    // Paths requested so far, in order.
    QStringList requests() const;
    // The value of a header of the latest request for path; empty when there was none.
    QByteArray header(const QString& path, const QByteArray& name) const;
    // Answers a request that names the ETag of its response in If-None-Match with 304 Not
    // Modified and no body, as a server that keeps its pages' validators does.
    void setAnswerConditionalRequests(bool answer) { m_conditional = answer; }
    // How many requests were answered with 304 so far, and how many bytes were sent in all.
    int notModifiedCount() const { return m_notModified; }
    qint64 bytesSent() const { return m_bytesSent; }
    // Holds every response this long before answering, as a real network would (a timer, so
    // other requests are served meanwhile).
    void setResponseDelay(std::chrono::milliseconds delay) { m_delayMs = int(delay.count()); }

    static Response html(const QByteArray& body);
    static Response response(int status, const QByteArray& contentType, const QByteArray& body,
                             const QList<QPair<QByteArray, QByteArray>>& headers = {});

private:
    class Worker;
    QThread m_thread;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QStringList m_requests;
    QList<QByteArray> m_heads; // of each request, beside its path
    std::atomic<int> m_delayMs{0};
    std::atomic<bool> m_conditional{false};
    std::atomic<int> m_notModified{0};
    std::atomic<qint64> m_bytesSent{0};
};
