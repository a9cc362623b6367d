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

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Where the header lines end: at the first empty line, a line ending in LF
// with or without a CR before it. Searches on from `from`; -1 while the empty
// line has not arrived.
qsizetype headerEnd(const QByteArray& bytes, qsizetype from, qsizetype& bodyStart) {
    for (qsizetype at = bytes.indexOf('\n', from); at >= 0; at = bytes.indexOf('\n', at + 1)) {
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') {
            bodyStart = at + 2;
            return at;
        }
        if (at + 2 < bytes.size() && bytes[at + 1] == '\r' && bytes[at + 2] == '\n') {
            bodyStart = at + 3;
            return at;
        }
    }
    return -1;
}

QByteArray megabytes(qsizetype bytes) {
    return QByteArray::number(bytes / (1024 * 1024)) + " MB";
}

QByteArray seconds(std::chrono::milliseconds limit) {
    return QByteArray::number(static_cast<double>(limit.count()) / 1000.0) + " s";
}

} // namespace

// What a connection has read so far, and whether its request is complete.
struct HttpServer::Connection {
    enum class State { NeedMore, Complete, Refused };

    // Parses what has arrived; on refusal `status` and `why` say why.
    State read(int& status, QByteArray& why);

    QByteArray buffer;
    bool headersDone = false;
    bool dispatched = false; // the request went to the handler (or was refused)
    qsizetype scanned = 0;   // where the search for the end of the headers goes on
    qsizetype bodyStart = 0;
    qsizetype bodyLength = 0;
    qsizetype charged = 0;   // counted against the memory limit
    QTimer* timer = nullptr; // the idle limit, then the stall limit
    std::chrono::steady_clock::time_point idleDeadline;
    std::chrono::steady_clock::time_point progress; // when part of the reply last went out
    HttpRequest request;
};

HttpServer::Connection::State HttpServer::Connection::read(int& status, QByteArray& why) {
    if (!headersDone) {
        const qsizetype end = headerEnd(buffer, scanned, bodyStart);
        if (end < 0 && buffer.size() <= HttpServer::MaxHeaderBytes) {
            // An LF among the last two bytes may yet start the empty line.
            scanned = std::max<qsizetype>(0, buffer.size() - 2);
            return State::NeedMore;
        }
        if (end < 0 || end > HttpServer::MaxHeaderBytes) {
            status = 431;
            why = "header lines over 64 KiB";
            return State::Refused;
        }
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
            status = 400;
            why = "no request line";
            return State::Refused;
        }
        request.method = requestLine[0];
        request.target = requestLine[1];
        request.version = requestLine[2];
        const qsizetype query = request.target.indexOf('?');
        request.path = query < 0 ? request.target : request.target.left(query);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) {
                status = 400;
                why = "a header line without a name";
                return State::Refused;
            }
            request.headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
        if (!request.header("Transfer-Encoding").isEmpty()) {
            status = 411; // a body of unknown length is not taken
            why = "a body without Content-Length";
            return State::Refused;
        }
        const QByteArray length = request.header("Content-Length");
        if (!length.isEmpty()) {
            bool ok = false;
            bodyLength = length.toLongLong(&ok);
            if (!ok || bodyLength < 0) {
                status = 400;
                why = "a broken Content-Length";
                return State::Refused;
            }
            if (bodyLength > HttpServer::MaxBodyBytes) {
                status = 413;
                why = "a body over 8 MiB";
                return State::Refused;
            }
        }
        headersDone = true;
    }
    if (buffer.size() - bodyStart < bodyLength)
        return State::NeedMore;
    // The buffer becomes the body: dropping its front and end copies nothing.
    buffer.remove(0, bodyStart);
    buffer.truncate(bodyLength);
    request.body = std::move(buffer);
    buffer = QByteArray();
    return State::Complete;
}

QByteArray HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (sameName(key, name))
            return value;
    }
    return {};
}

HttpExchange::HttpExchange(HttpRequest request, QTcpSocket* socket)
    : m_request(std::move(request)), m_socket(socket) {}

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

void HttpExchange::respond(int status, const QByteArray& body, const QByteArray& contentType,
                           const HttpHeaders& extraHeaders) {
    const QByteArray headers = head(status, body.size(), contentType, extraHeaders);
    write(m_request.method == "HEAD" ? headers : headers + body);
    close();
}

void HttpExchange::respondFile(int status, const std::shared_ptr<QIODevice>& file,
                               const QByteArray& contentType, const HttpHeaders& extraHeaders) {
    const qint64 size = file->size() - file->pos();
    if (m_request.method == "HEAD") {
        write(head(status, size, contentType, extraHeaders));
        close();
        return;
    }
    if (size <= FileChunkBytes) {
        const QByteArray body = file->read(size);
        if (body.size() != size)
            return drop();
        return respond(status, body, contentType, extraHeaders);
    }
    write(head(status, size, contentType, extraHeaders));
    QTcpSocket* socket = m_socket;
    if (!socket)
        return;
    m_sendingFile = true;
    // Keeps about two pieces queued: enough that the socket never waits on
    // the file, little enough that a thousand downloads hold little memory.
    auto left = std::make_shared<qint64>(size);
    const auto more = [socket, file, left] {
        while (*left > 0 && socket->bytesToWrite() < FileChunkBytes) {
            const QByteArray piece = file->read(std::min(*left, FileChunkBytes));
            if (piece.isEmpty()) {
                socket->abort(); // cut short, so the client cannot take it for whole
                return;
            }
            *left -= piece.size();
            socket->write(piece);
            if (*left == 0)
                socket->disconnectFromHost();
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

void HttpExchange::write(const QByteArray& bytes) {
    m_answered = true;
    if (m_socket)
        m_socket->write(bytes);
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
    connection->request.peer = socket->peerAddress();
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
            notice(connection->request.peer,
                   "cut off: no whole request in " + seconds(m_idleLimit));
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
        notice(connection->request.peer,
               "cut off: the reply made no progress for " + seconds(m_stallLimit));
        socket->abort();
    });
    connect(socket, &QTcpSocket::bytesWritten, socket,
            [connection] { connection->progress = std::chrono::steady_clock::now(); });
    // With the server as context: a socket still open when the server goes is
    // closed after the server's own part is gone, and must not call into it.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, connection] {
        // The charge goes with the connection, before the next client is read.
        uncharge(*connection);
        socket->deleteLater();
        if (m_paused)
            QTimer::singleShot(0, this, &HttpServer::tryResume);
    });
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, connection] {
        if (connection->dispatched) {
            socket->readAll(); // one request per connection; anything more is ignored
            return;
        }
        readMore(socket, *connection);
    });
}

void HttpServer::readMore(QTcpSocket* socket, Connection& connection) {
    connection.buffer += socket->readAll();
    if (!charge(connection, std::max(connection.buffer.size(), connection.charged)))
        return refuse(socket, connection, 503,
                      "over the memory limit of " + megabytes(m_memoryLimit));
    const bool hadHeaders = connection.headersDone;
    int status = 0;
    QByteArray why;
    const Connection::State state = connection.read(status, why);
    if (state == Connection::State::Refused)
        return refuse(socket, connection, status, why);
    if (!hadHeaders && connection.headersDone && state == Connection::State::NeedMore) {
        // What the announced body will take is counted before it arrives.
        const qsizetype whole = connection.bodyStart + connection.bodyLength;
        if (!charge(connection, whole))
            return refuse(socket, connection, 503,
                          "over the memory limit of " + megabytes(m_memoryLimit));
        connection.buffer.reserve(whole);
        if (sameName(connection.request.header("Expect"), "100-continue"))
            socket->write("HTTP/1.1 100 Continue\r\n\r\n");
    }
    if (state != Connection::State::Complete)
        return;
    connection.dispatched = true;
    connection.progress = std::chrono::steady_clock::now();
    if (connection.idleDeadline - connection.progress > m_stallLimit)
        connection.timer->start(m_stallLimit);
    auto exchange = std::make_shared<HttpExchange>(connection.request, socket);
    connection.request.body = QByteArray();
    m_handler(exchange);
    // A handler that keeps the exchange keeps the body until the connection
    // goes, and may keep descriptors open; so does a file being sent.
    if (exchange.use_count() == 1)
        uncharge(connection);
    if (exchange.use_count() > 1 || exchange->sendingFile())
        checkDescriptors();
}

void HttpServer::refuse(QTcpSocket* socket, Connection& connection, int status,
                        const QByteArray& why) {
    connection.dispatched = true;
    connection.progress = std::chrono::steady_clock::now();
    connection.buffer = QByteArray();
    uncharge(connection);
    notice(connection.request.peer, "refused " + QByteArray::number(status) + ": " + why);
    HttpExchange(connection.request, socket)
        .respond(status, HttpExchange::reasonPhrase(status), "text/plain");
}

bool HttpServer::charge(Connection& connection, qsizetype bytes) {
    if (bytes > connection.charged && m_memoryInUse - connection.charged + bytes > m_memoryLimit)
        return false;
    m_memoryInUse += bytes - connection.charged;
    connection.charged = bytes;
    return true;
}

void HttpServer::uncharge(Connection& connection) {
    m_memoryInUse -= connection.charged;
    connection.charged = 0;
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
