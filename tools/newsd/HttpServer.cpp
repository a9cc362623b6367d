#include "tools/newsd/HttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QByteArray megabytes(qsizetype bytes) {
    return QByteArray::number(bytes / (1024 * 1024)) + " MB";
}

QByteArray seconds(std::chrono::milliseconds limit) {
    return QByteArray::number(static_cast<double>(limit.count()) / 1000.0) + " s";
}

} // namespace

// What a connection has read so far, and what it counts against the memory limit.
struct HttpServer::Connection {
    QByteArray buffer;
    HttpParse parse;
    QHostAddress peer;
    bool dispatched = false; // the request went to the handler (or was refused)
    qsizetype charged = 0;   // the request, against the memory limit
    qsizetype replyCharged = 0;
    qsizetype replyReserved = 0; // the least the reply counts, whatever waits on the socket
    QTimer* timer = nullptr;     // the idle limit, then the stall limit
    std::chrono::steady_clock::time_point idleDeadline;
    std::chrono::steady_clock::time_point progress; // when part of the reply last went out
};

HttpExchange::HttpExchange(HttpRequest request, QTcpSocket* socket, Reserve reserve)
    : m_request(std::move(request)), m_socket(socket), m_reserve(std::move(reserve)) {}

QByteArray HttpExchange::reasonPhrase(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray HttpExchange::head(int status, qint64 length, const QByteArray& contentType,
                              const HttpHeaders& extraHeaders) const {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    for (const auto& [name, value] : extraHeaders)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head;
}

bool HttpExchange::reserve(qsizetype bytes) {
    if (!m_socket || !m_reserve)
        return true;
    const qsizetype wanted = m_socket->bytesToWrite() + bytes;
    if (!m_reserve(wanted))
        return false;
    m_reserved = wanted;
    return true;
}

int HttpExchange::send(int status, const QByteArray& bytes) {
    if (!reserve(bytes.size()))
        return unavailable();
    write(bytes);
    // Written, the answer counts as it waits on the socket, less as it goes.
    m_reserved = 0;
    recount();
    close();
    return status;
}

int HttpExchange::unavailable() {
    const QByteArray body = reasonPhrase(503);
    const QByteArray headers = head(503, body.size(), "text/plain", {});
    write(m_request.method == "HEAD" ? headers : headers + body);
    close();
    return 503;
}

int HttpExchange::respond(int status, const QByteArray& body, const QByteArray& contentType,
                          const HttpHeaders& extraHeaders) {
    const QByteArray headers = head(status, body.size(), contentType, extraHeaders);
    return send(status, m_request.method == "HEAD" ? headers : headers + body);
}

int HttpExchange::respondFile(int status, const std::shared_ptr<QIODevice>& file,
                              const QByteArray& contentType, const HttpHeaders& extraHeaders) {
    const qint64 size = file->size() - file->pos();
    if (m_request.method == "HEAD")
        return send(status, head(status, size, contentType, extraHeaders));
    if (size <= FileChunkBytes) {
        const QByteArray body = file->read(size);
        if (body.size() != size) {
            drop();
            return 0;
        }
        return respond(status, body, contentType, extraHeaders);
    }
    const QByteArray headers = head(status, size, contentType, extraHeaders);
    if (!reserve(headers.size() + StreamBytes))
        return unavailable();
    write(headers);
    QTcpSocket* socket = m_socket;
    if (!socket)
        return status;
    m_sendingFile = true;
    // Keeps about two pieces queued: enough that the socket never waits on
    // the file, little enough that a thousand downloads hold little memory.
    auto left = std::make_shared<qint64>(size);
    const auto more = [socket, file, left, reserve = m_reserve] {
        while (*left > 0 && socket->bytesToWrite() < FileChunkBytes) {
            const QByteArray piece = file->read(std::min(*left, FileChunkBytes));
            if (piece.isEmpty()) {
                socket->abort(); // cut short, so the client cannot take it for whole
                return;
            }
            *left -= piece.size();
            socket->write(piece);
            if (*left == 0) {
                // The device is done with: only the queue counts now.
                if (reserve)
                    (void)reserve(0);
                socket->disconnectFromHost();
            }
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
    return status;
}

void HttpExchange::write(const QByteArray& bytes) {
    m_answered = true;
    if (!m_socket)
        return;
    m_socket->write(bytes);
    recount();
}

void HttpExchange::recount() {
    // Never refused: what is written counts, and so does the room asked for
    // ahead.
    if (m_socket && m_reserve)
        (void)m_reserve(m_reserved);
}

void HttpExchange::close() {
    m_answered = true;
    // Waits until everything written has gone out.
    if (m_socket)
        m_socket->disconnectFromHost();
}

void HttpExchange::drop() {
    m_answered = true;
    if (m_socket)
        m_socket->abort();
}

bool HttpExchange::connected() const {
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

HttpServer::HttpServer(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)), m_server(new QTcpServer(this)),
      m_retry(new QTimer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
    // Qt pauses accepting itself after an error it takes for lasting.
    connect(m_server, &QTcpServer::acceptError, this,
            [this] { pause("accepting failed: " + m_server->errorString().toUtf8()); });
    m_retry->setInterval(1000);
    connect(m_retry, &QTimer::timeout, this, &HttpServer::tryResume);
}

HttpServer::~HttpServer() {
    releaseSpares();
}

bool HttpServer::listen(const QHostAddress& address, quint16 port) {
    if (!m_server->listen(address, port))
        return false;
    // Without spares the server still listens: the first descriptor check
    // pauses it, and resuming takes the spares again.
    (void)holdSpares();
    return true;
}

QString HttpServer::errorString() const {
    return m_server->errorString();
}

QHostAddress HttpServer::address() const {
    return m_server->serverAddress();
}

quint16 HttpServer::port() const {
    return m_server->serverPort();
}

QString HttpServer::origin() const {
    const QHostAddress host = address();
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + host.toString() + u']'
                             : host.toString();
    return QStringLiteral("http://%1:%2").arg(name).arg(port());
}

void HttpServer::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection())
        serve(socket);
    checkDescriptors();
}

void HttpServer::serve(QTcpSocket* socket) {
    // The socket is a child of the server's QTcpServer, so whatever is still
    // open goes with the server.
    auto connection = std::make_shared<Connection>();
    connection->peer = socket->peerAddress();
    // One timer per connection, left alone while all goes well: it ends the
    // idle limit, and once the request is whole it looks from time to time
    // how long ago part of the reply last went out.
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    timer->start(m_idleLimit);
    connection->timer = timer;
    // Kept here too: asking the event dispatcher walks its list of timers.
    connection->idleDeadline = std::chrono::steady_clock::now() + m_idleLimit;
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, connection] {
        if (!connection->dispatched) {
            notice(connection->peer, "cut off: no whole request in " + seconds(m_idleLimit));
            socket->abort();
            return;
        }
        const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - connection->progress);
        if (socket->bytesToWrite() == 0 || quiet < m_stallLimit) {
            // Not answered yet, so nothing can stall, or moving.
            timer->start(socket->bytesToWrite() == 0 ? m_stallLimit : m_stallLimit - quiet);
            return;
        }
        notice(connection->peer,
               "cut off: the reply made no progress for " + seconds(m_stallLimit));
        socket->abort();
    });
    // With the server as context: a socket still open when the server goes is
    // closed after the server's own part is gone, and must not call into it.
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket, connection] {
        connection->progress = std::chrono::steady_clock::now();
        (void)reserveReply(*connection, *socket, connection->replyReserved);
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, connection] {
        // The charges go with the connection, before the next client is read.
        charge(*connection, 0);
        m_memoryInUse -= connection->replyCharged;
        connection->replyCharged = connection->replyReserved = 0;
        socket->deleteLater();
        if (m_paused)
            QTimer::singleShot(0, this, &HttpServer::tryResume);
    });
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
        if (connection->dispatched) {
            socket->readAll(); // one request per connection; anything more is ignored
            return;
        }
        readMore(socket, connection);
    });
}

void HttpServer::readMore(QTcpSocket* socket, const std::shared_ptr<Connection>& connection) {
    Connection& c = *connection;
    c.buffer += socket->readAll();
    const bool hadHead = c.parse.headBytes > 0;
    const qsizetype room = m_memoryLimit - (m_memoryInUse - c.charged);
    c.parse = parseHttpRequest(c.buffer, room, std::move(c.parse));
    if (c.parse.state == HttpParse::State::Refused) {
        const QByteArray why = c.parse.status == 503
                                   ? "over the memory limit of " + megabytes(m_memoryLimit)
                                   : c.parse.why;
        return refuse(socket, connection, c.parse.status, why);
    }
    // Within the room by the parser: once the head is read, what the
    // announced body will take is counted before it arrives.
    charge(c, c.parse.headBytes > 0 ? c.parse.headBytes + c.parse.bodyBytes : c.buffer.size());
    if (!hadHead && c.parse.headBytes > 0 && c.parse.state == HttpParse::State::NeedMore) {
        c.buffer.reserve(c.parse.headBytes + c.parse.bodyBytes);
        if (c.parse.request.header("Expect").toLower() == "100-continue")
            socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    }
    if (c.parse.state != HttpParse::State::Complete)
        return;
    c.dispatched = true;
    c.progress = std::chrono::steady_clock::now();
    if (c.idleDeadline - c.progress > m_stallLimit)
        c.timer->start(m_stallLimit);
    HttpRequest request = std::move(c.parse.request);
    request.peer = c.peer;
    // The buffer becomes the body: dropping its front and end copies nothing.
    c.buffer.remove(0, c.parse.headBytes);
    c.buffer.truncate(c.parse.bodyBytes);
    request.body = std::move(c.buffer);
    c.buffer = QByteArray();
    auto exchange = std::make_shared<HttpExchange>(std::move(request), socket,
                                                   replyReserve(socket, connection));
    m_handler(exchange);
    // A handler that keeps the exchange keeps the body until the connection
    // goes, and may keep descriptors open; so does a file being sent.
    if (exchange.use_count() == 1)
        charge(c, 0);
    if (exchange.use_count() > 1 || exchange->sendingFile())
        checkDescriptors();
}

void HttpServer::refuse(QTcpSocket* socket, const std::shared_ptr<Connection>& connection,
                        int status, const QByteArray& why) {
    Connection& c = *connection;
    c.dispatched = true;
    c.progress = std::chrono::steady_clock::now();
    c.buffer = QByteArray();
    charge(c, 0);
    notice(c.peer, "refused " + QByteArray::number(status) + ": " + why);
    // A refusal is small and always sent: it counts as it waits, and is
    // never itself refused for want of room.
    const HttpExchange::Reserve count = replyReserve(socket, connection);
    HttpExchange(c.parse.request, socket, [count](qsizetype) {
        return count(0);
    }).respond(status, HttpExchange::reasonPhrase(status), "text/plain");
}

void HttpServer::charge(Connection& connection, qsizetype bytes) {
    m_memoryInUse += bytes - connection.charged;
    connection.charged = bytes;
}

bool HttpServer::reserveReply(Connection& connection, const QTcpSocket& socket, qsizetype bytes) {
    const qsizetype queued = socket.bytesToWrite();
    const qsizetype wanted = std::max(queued, bytes);
    if (bytes > queued && wanted > connection.replyCharged &&
        m_memoryInUse - connection.replyCharged + wanted > m_memoryLimit) {
        notice(connection.peer, "answered 503: the reply would pass the memory limit of " +
                                    megabytes(m_memoryLimit));
        return false;
    }
    m_memoryInUse += wanted - connection.replyCharged;
    connection.replyCharged = wanted;
    connection.replyReserved = bytes;
    return true;
}

HttpExchange::Reserve HttpServer::replyReserve(QTcpSocket* socket,
                                               const std::shared_ptr<Connection>& connection) {
    // The exchange may outlive the server, and its socket.
    return [server = QPointer<HttpServer>(this), socket = QPointer<QTcpSocket>(socket),
            connection](qsizetype bytes) {
        return !server || !socket || server->reserveReply(*connection, *socket, bytes);
    };
}

void HttpServer::notice(const QHostAddress& peer, const QByteArray& text) const {
    if (m_notice)
        m_notice(peer, text);
}

namespace {

// A descriptor that holds nothing, or -1 when the process has none left.
// Copying one held already is cheaper than opening a file.
int spareDescriptor(const std::vector<int>& spares) {
#ifdef Q_OS_UNIX
    if (!spares.empty())
        return ::fcntl(spares.front(), F_DUPFD_CLOEXEC, 0);
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
#else
    Q_UNUSED(spares);
    return 0; // descriptors are no scarce resource here
#endif
}

void closeDescriptor(int descriptor) {
#ifdef Q_OS_UNIX
    ::close(descriptor);
#else
    Q_UNUSED(descriptor);
#endif
}

bool descriptorFree(const std::vector<int>& spares) {
    const int probe = spareDescriptor(spares);
    if (probe < 0)
        return false;
    closeDescriptor(probe);
    return true;
}

} // namespace

// Out of descriptors, accept() fails with EMFILE, which Qt takes for a passing
// error: it leaves the listening socket's notifier on, and the server spins
// on a socket that is always ready and never accepted. So the server checks
// after every connection it takes, and after every request whose answer may
// hold descriptors, and pauses accepting itself.
void HttpServer::checkDescriptors() {
    if (!m_paused && !descriptorFree(m_spares))
        pause("no file descriptor left");
}

void HttpServer::pause(const QByteArray& why) {
    m_server->pauseAccepting();
    if (!m_paused)
        notice({}, "stopped accepting connections: " + why);
    m_paused = true;
    m_retry->start();
    // Released once Qt's accept loop, which may be running now, has stopped;
    // else it would accept into them.
    QTimer::singleShot(0, this, [this] {
        if (m_paused)
            releaseSpares();
    });
}

void HttpServer::tryResume() {
    if (!m_paused)
        return;
    if (!holdSpares())
        return;
    if (!descriptorFree(m_spares)) {
        releaseSpares();
        return;
    }
    m_paused = false;
    m_retry->stop();
    m_server->resumeAccepting();
    notice({}, "accepting connections again");
}

bool HttpServer::holdSpares() {
    while (m_spares.size() < static_cast<size_t>(SpareDescriptors)) {
        const int spare = spareDescriptor(m_spares);
        if (spare < 0) {
            releaseSpares();
            return false;
        }
        m_spares.push_back(spare);
    }
    return true;
}

void HttpServer::releaseSpares() {
    for (const int spare : m_spares)
        closeDescriptor(spare);
    m_spares.clear();
}
