#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QTcpServer;

using HttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

// One request as it arrived.
struct HttpRequest {
    QByteArray method;
    QByteArray target;   // as sent: path and query
    QByteArray path;     // the target before any "?", not decoded
    QByteArray version;  // "HTTP/1.1"
    HttpHeaders headers; // in order, names as sent
    QByteArray body;
    QHostAddress peer;

    // The first header of that name (letter case ignored), empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// One request and its answer. The server answers each connection's first
// request and then closes the connection, so every exchange is one
// connection. A handler may answer at once or keep the exchange and answer
// later (or never).
class HttpExchange {
public:
    HttpExchange(HttpRequest request, QTcpSocket* socket);

    const HttpRequest& request() const { return m_request; }

    // Sends a whole answer with Content-Length and "Connection: close", then
    // closes the connection once it is written.
    void respond(int status, const QByteArray& body, const QByteArray& contentType = "text/html",
                 const HttpHeaders& extraHeaders = {});

    // For answers that are not whole: bytes as they are, then close (after
    // the bytes are written) or drop the connection at once.
    void write(const QByteArray& bytes);
    void close();
    void drop();

    bool answered() const { return m_answered; }
    // False once the client has gone.
    bool connected() const;
    QTcpSocket* socket() const { return m_socket; }

    static QByteArray reasonPhrase(int status);

private:
    HttpRequest m_request;
    QPointer<QTcpSocket> m_socket;
    bool m_answered = false;
};

// A small HTTP/1.1 server over QTcpServer, running in the thread's event
// loop: reads one request per connection (headers up to 64 KiB, a body of at
// most 8 MiB by Content-Length), hands it to the handler and leaves the
// answer to it. A client that does not complete its request within the idle
// limit is cut off.
class HttpServer : public QObject {
public:
    using Handler = std::function<void(const std::shared_ptr<HttpExchange>&)>;

    static constexpr qsizetype MaxHeaderBytes = 64 * 1024;
    static constexpr qsizetype MaxBodyBytes = 8 * 1024 * 1024;

    explicit HttpServer(Handler handler, QObject* parent = nullptr);
    ~HttpServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;
    // "http://host:port" without a final "/".
    QString origin() const;

    void setIdleLimit(std::chrono::milliseconds limit) { m_idleLimit = limit; }

private:
    void accept();
    void serve(QTcpSocket* socket);

    Handler m_handler;
    QTcpServer* m_server;
    std::chrono::milliseconds m_idleLimit{30000};
};
