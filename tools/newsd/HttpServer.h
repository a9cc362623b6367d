#pragma once

#include "tools/newsd/HttpParser.h"

#include <QByteArray>
#include <QHostAddress>
#include <QIODevice>
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
class QTimer;

// One request and its answer. The server answers each connection's first
// request and then closes the connection, so every exchange is one
// connection. A handler may answer at once or keep the exchange and answer
// later (or never).
class HttpExchange {
public:
    // How the server counts the reply against its memory limit: the reply
    // counts what waits on its socket, and at least `bytes` from then on.
    // False, and nothing changed, when bytes asked for ahead of writing them
    // would pass the limit; what is already written always counts.
    using Reserve = std::function<bool(qsizetype bytes)>;

    // Without `reserve` the reply counts against nothing.
    HttpExchange(HttpRequest request, QTcpSocket* socket, Reserve reserve = {});

    const HttpRequest& request() const { return m_request; }

    // Sends a whole answer with Content-Length and "Connection: close", then
    // closes the connection once it is written. The answer to HEAD has the
    // same headers and no body. Gives the status sent: `status`, or 503 when
    // the memory limit has no room for the answer.
    int respond(int status, const QByteArray& body, const QByteArray& contentType = "text/html",
                const HttpHeaders& extraHeaders = {});
    // The same with the rest of an open device as the body. One larger than
    // FileChunkBytes is read a piece at a time as the client takes it, so it
    // is never held whole in memory and counts StreamBytes while it is sent;
    // the connection is dropped when the device ends before its size said
    // (0 is given when that was found before anything was sent). A
    // sequential device gives its whole length as size().
    int respondFile(int status, const std::shared_ptr<QIODevice>& file,
                    const QByteArray& contentType, const HttpHeaders& extraHeaders = {});

    // For answers that are not whole: bytes as they are (counted as they
    // wait, never refused), then close (after the bytes are written) or drop
    // the connection at once.
    void write(const QByteArray& bytes);
    void close();
    void drop();

    bool answered() const { return m_answered; }
    // True once respondFile() sends a file piece by piece (it holds the file open).
    bool sendingFile() const { return m_sendingFile; }
    // False once the client has gone.
    bool connected() const;
    QTcpSocket* socket() const { return m_socket; }

    static QByteArray reasonPhrase(int status);

    static constexpr qint64 FileChunkBytes = 64 * 1024;
    // What a reply sent piece by piece holds at most: under two pieces
    // waiting on the socket, and what its device keeps.
    static constexpr qint64 StreamBytes = 3 * FileChunkBytes;

private:
    QByteArray head(int status, qint64 length, const QByteArray& contentType,
                    const HttpHeaders& extraHeaders) const;
    // Asks for `bytes` more than what waits on the socket, ahead of writing them.
    [[nodiscard]] bool reserve(qsizetype bytes);
    // Writes a whole answer and closes, or answers 503 when there is no room for it.
    int send(int status, const QByteArray& bytes);
    // Tells the server what waits on the socket now.
    void recount();
    int unavailable();

    HttpRequest m_request;
    QPointer<QTcpSocket> m_socket;
    Reserve m_reserve;
    qsizetype m_reserved = 0;
    bool m_answered = false;
    bool m_sendingFile = false;
};

// A small HTTP/1.1 server over QTcpServer, running in the thread's event
// loop: reads one request per connection as parseHttpRequest does (headers
// up to 64 KiB, a body of at most 8 MiB by Content-Length), hands it to the
// handler and leaves the answer to it.
//
// What a crowd of clients can take is bounded: a client that does not
// complete its request within the idle limit is cut off, and so is one that
// takes no part of its answer for the stall limit; requests and replies
// together may hold at most the memory limit (a request what it has buffered
// or announced, whichever is more; a reply what waits to be sent, or
// StreamBytes while it goes out piece by piece), and a request or reply
// beyond it is answered 503; and while the process has no file descriptor to
// spare the server stops accepting connections, leaving clients in the
// listen queue, and accepts again once descriptors are free.
class HttpServer : public QObject {
public:
    using Handler = std::function<void(const std::shared_ptr<HttpExchange>&)>;
    // Told of what the server did on its own: requests and replies it
    // refused, clients it cut off, pauses in accepting. `peer` is null for the server as a whole.
    using Notice = std::function<void(const QHostAddress& peer, const QByteArray& text)>;

    static constexpr qsizetype MaxHeaderBytes = HttpParse::MaxHeaderBytes;
    static constexpr qsizetype MaxBodyBytes = HttpParse::MaxBodyBytes;
    // Descriptors kept back while connections are accepted, so the requests
    // already taken can still open the files they are answered from.
    static constexpr int SpareDescriptors = 8;

    explicit HttpServer(Handler handler, QObject* parent = nullptr);
    ~HttpServer() override;

    [[nodiscard]] bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;
    // "http://host:port" without a final "/".
    QString origin() const;

    void setIdleLimit(std::chrono::milliseconds limit) { m_idleLimit = limit; }
    void setStallLimit(std::chrono::milliseconds limit) { m_stallLimit = limit; }
    void setMemoryLimit(qsizetype bytes) { m_memoryLimit = bytes; }
    void setNotice(Notice notice) { m_notice = std::move(notice); }

private:
    struct Connection;

    void accept();
    void serve(QTcpSocket* socket);
    void readMore(QTcpSocket* socket, const std::shared_ptr<Connection>& connection);
    void refuse(QTcpSocket* socket, const std::shared_ptr<Connection>& connection, int status,
                const QByteArray& why);
    // Sets what a connection's request counts against the memory limit.
    void charge(Connection& connection, qsizetype bytes);
    // What the connection's reply counts, as HttpExchange::Reserve says.
    [[nodiscard]] bool reserveReply(Connection& connection, const QTcpSocket& socket,
                                    qsizetype bytes);
    HttpExchange::Reserve replyReserve(QTcpSocket* socket,
                                       const std::shared_ptr<Connection>& connection);

    void checkDescriptors();
    void pause(const QByteArray& why);
    void tryResume();
    [[nodiscard]] bool holdSpares();
    void releaseSpares();
    void notice(const QHostAddress& peer, const QByteArray& text) const;

    Handler m_handler;
    QTcpServer* m_server;
    QTimer* m_retry;
    Notice m_notice;
    std::chrono::milliseconds m_idleLimit{30000};
    std::chrono::milliseconds m_stallLimit{30000};
    qsizetype m_memoryLimit = qsizetype(256) * 1024 * 1024;
    qsizetype m_memoryInUse = 0;
    bool m_paused = false;
    std::vector<int> m_spares;
};
