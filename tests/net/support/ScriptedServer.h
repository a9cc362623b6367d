#pragma once

#include "tools/newsd/FormData.h"
#include "tools/newsd/HttpServer.h"

#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

// A real HTTP server on 127.0.0.1, in the test's own thread: the client's
// wait keeps the event loop running, so the server answers meanwhile. Each
// path answers as the test scripts it; everything that arrived is recorded.
class ScriptedServer {
public:
    using Exchange = std::shared_ptr<HttpExchange>;
    using Script = std::function<void(const Exchange&)>;

    ScriptedServer() : m_server([this](const Exchange& exchange) { dispatch(exchange); }) {
        if (!m_server.listen(QHostAddress(QHostAddress::LocalHost), 0))
            throw std::runtime_error("cannot listen on 127.0.0.1");
    }

    // "http://127.0.0.1:PORT" followed by `path`.
    QString url(const QString& path = QString()) const { return m_server.origin() + path; }
    QByteArray host() const { return m_server.origin().mid(7).toUtf8(); }
    quint16 port() const { return m_server.port(); }

    // How the path answers; an unscripted path answers 404.
    void on(const QByteArray& path, Script script) { m_scripts[path] = std::move(script); }

    // Answers the body with the status.
    static Script reply(QByteArray body, int status = 200, HttpHeaders headers = {}) {
        return [body = std::move(body), status, headers = std::move(headers)](const Exchange& e) {
            e->respond(status, body, "text/html", headers);
        };
    }
    // Answers after a delay.
    static Script later(int milliseconds, QByteArray body) {
        return [milliseconds, body = std::move(body)](const Exchange& e) {
            QTimer::singleShot(milliseconds, [e, body] { e->respond(200, body); });
        };
    }
    // Takes the request and never answers; the connection stays open.
    Script never() {
        return [this](const Exchange& e) { m_held.push_back(e); };
    }
    // Promises `promised` bytes, sends `sent` of them and drops the connection.
    static Script cutShort(qsizetype promised, qsizetype sent) {
        return [promised, sent](const Exchange& e) {
            e->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                     QByteArray::number(promised) + "\r\nConnection: close\r\n\r\n" +
                     QByteArray(sent, 'x'));
            QTimer::singleShot(50, [e] { e->drop(); });
        };
    }
    // Answers 200 with a body that does not end: pieces of 64 KiB, each
    // written once the one before has gone out, up to `cap` bytes (so a
    // client that never stops reading still ends). `sent` counts the body.
    static Script endless(std::shared_ptr<qint64> sent, qint64 cap = 256 * 1024 * 1024) {
        return [sent, cap](const Exchange& e) {
            e->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
            QTcpSocket* socket = e->socket();
            const auto pump = [e, socket, sent, cap] {
                const QByteArray piece(64 * 1024, 'x');
                if (socket->bytesToWrite() >= piece.size())
                    return;
                if (*sent >= cap) {
                    e->close();
                    return;
                }
                socket->write(piece);
                *sent += piece.size();
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
            pump();
        };
    }
    // Announces a body of `length` bytes, sends `sent` of them and holds the
    // connection open.
    Script announce(qint64 length, qsizetype sent = 0) {
        return [this, length, sent](const Exchange& e) {
            e->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                     QByteArray::number(length) + "\r\nConnection: close\r\n\r\n" +
                     QByteArray(sent, 'x'));
            m_held.push_back(e);
        };
    }
    // Sends one body byte every `milliseconds`, without end.
    Script trickle(int milliseconds) {
        return [this, milliseconds](const Exchange& e) {
            e->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n");
            auto* timer = new QTimer(e->socket());
            QObject::connect(timer, &QTimer::timeout, timer, [e] { e->write("x"); });
            timer->start(milliseconds);
            m_held.push_back(e);
        };
    }
    static Script redirect(QByteArray location, int status = 302) {
        return [location = std::move(location), status](const Exchange& e) {
            e->respond(status, QByteArray(), "text/html", {{"Location", location}});
        };
    }

    const std::vector<HttpRequest>& requests() const { return m_requests; }
    const HttpRequest& last() const {
        if (m_requests.empty())
            throw std::runtime_error("no request arrived");
        return m_requests.back();
    }
    // The fields of the last request, as the server read them.
    std::vector<FormPart> lastForm() const {
        return parseForm(last()).value_or(std::vector<FormPart>{});
    }

private:
    void dispatch(const Exchange& exchange) {
        m_requests.push_back(exchange->request());
        const auto script = m_scripts.find(exchange->request().path);
        if (script == m_scripts.end())
            exchange->respond(404, "Not Found");
        else
            script->second(exchange);
    }

    HttpServer m_server;
    std::map<QByteArray, Script> m_scripts;
    std::vector<HttpRequest> m_requests;
    std::vector<Exchange> m_held;
};
