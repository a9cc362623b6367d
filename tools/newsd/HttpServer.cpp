#include "HttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

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

// What a connection has read so far, and whether its request is complete.
struct Reader {
    QByteArray buffer;
    bool headersDone = false;
    bool dispatched = false; // the request went to the handler (or was refused)
    qsizetype bodyStart = 0;
    qsizetype bodyLength = 0;
    HttpRequest request;
};

enum class ReadState { NeedMore, Complete, Refused };

// Parses what has arrived; on refusal `status` says why.
ReadState readRequest(Reader& reader, int& status) {
    if (!reader.headersDone) {
        const qsizetype end = reader.buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (reader.buffer.size() > HttpServer::MaxHeaderBytes) {
                status = 431;
                return ReadState::Refused;
            }
            return ReadState::NeedMore;
        }
        if (end > HttpServer::MaxHeaderBytes) {
            status = 431;
            return ReadState::Refused;
        }
        const QList<QByteArray> lines = reader.buffer.left(end).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
            status = 400;
            return ReadState::Refused;
        }
        HttpRequest& request = reader.request;
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
                return ReadState::Refused;
            }
            request.headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
        if (!request.header("Transfer-Encoding").isEmpty()) {
            status = 411; // a body of unknown length is not taken
            return ReadState::Refused;
        }
        const QByteArray length = request.header("Content-Length");
        if (!length.isEmpty()) {
            bool ok = false;
            reader.bodyLength = length.toLongLong(&ok);
            if (!ok || reader.bodyLength < 0) {
                status = 400;
                return ReadState::Refused;
            }
            if (reader.bodyLength > HttpServer::MaxBodyBytes) {
                status = 413;
                return ReadState::Refused;
            }
        }
        reader.headersDone = true;
        reader.bodyStart = end + 4;
    }
    if (reader.buffer.size() - reader.bodyStart < reader.bodyLength)
        return ReadState::NeedMore;
    reader.request.body = reader.buffer.mid(reader.bodyStart, reader.bodyLength);
    return ReadState::Complete;
}

} // namespace

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

void HttpExchange::respond(int status, const QByteArray& body, const QByteArray& contentType,
                           const HttpHeaders& extraHeaders) {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    head += "Content-Type: " + contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const auto& [name, value] : extraHeaders)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    write(head + body);
    close();
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
    : QObject(parent), m_handler(std::move(handler)), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &HttpServer::accept);
}

HttpServer::~HttpServer() = default;

bool HttpServer::listen(const QHostAddress& address, quint16 port) {
    return m_server->listen(address, port);
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
}

void HttpServer::serve(QTcpSocket* socket) {
    // The socket is a child of the server's QTcpServer, so whatever is still
    // open goes with the server.
    auto reader = std::make_shared<Reader>();
    reader->request.peer = socket->peerAddress();
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->start(m_idleLimit);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);

    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, reader, idle] {
        if (reader->dispatched) {
            socket->readAll(); // one request per connection; anything more is ignored
            return;
        }
        reader->buffer += socket->readAll();
        const bool hadHeaders = reader->headersDone;
        int status = 0;
        const ReadState state = readRequest(*reader, status);
        if (state == ReadState::Refused) {
            idle->stop();
            reader->dispatched = true;
            HttpExchange(reader->request, socket)
                .respond(status, HttpExchange::reasonPhrase(status), "text/plain");
            return;
        }
        if (!hadHeaders && reader->headersDone &&
            sameName(reader->request.header("Expect"), "100-continue") &&
            state == ReadState::NeedMore)
            socket->write("HTTP/1.1 100 Continue\r\n\r\n");
        if (state != ReadState::Complete)
            return;
        idle->stop();
        reader->dispatched = true;
        reader->buffer.clear();
        m_handler(std::make_shared<HttpExchange>(reader->request, socket));
    });
}
