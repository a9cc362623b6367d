#include "tools/newsd/HttpServer.h"
#include "tools/newsd/HttpParser.h"
#include "tools/newsd/NewsServer.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

// Every status the request path gives before the news scripts answer: the
// parser's for the bytes, and the news server's for a path or method it does
// not serve. 0 is a request not whole yet.
TEST(HttpRequests, EachRefusalHasItsStatus) {
    const QTemporaryDir root;
    const NewsServer news(root.path(), "/news/");
    constexpr qsizetype kAnyRoom = std::numeric_limits<qsizetype>::max();
    const QByteArray get = "GET /liveupdate/x HTTP/1.1\r\n";
    const QByteArray post = "POST /news/getlastnews.php HTTP/1.1\r\n";
    struct Row {
        QByteArray bytes;
        int status;
        qsizetype room = kAnyRoom;
    };
    const Row rows[] = {
        {get + "Host: a\r\n\r\n", 404},
        {"GET /liveupdate/x HTTP/1.0\nHost:a\n\n", 404},
        {get + "X-Text: caf\xC3\xA9\t \r\nX-Empty:\r\n\r\n", 404},
        {"POST /liveupdate/x HTTP/1.1\r\nContent-Length: 003\r\n\r\nabc", 405},
        {"HEAD /news/getlastnews.php?a=1 HTTP/1.1\r\n\r\n", 405},
        {get + "Host: a\r\n\r", 0},
        {post + "Content-Length: 4\r\n\r\nabc", 0},
        {QByteArray(HttpParse::MaxHeaderBytes + 2, 'a'), 0},

        {get + "Host : a\r\n\r\n", 400},
        {get + "Host\t: a\r\n\r\n", 400},
        {get + " Host: a\r\n\r\n", 400},
        {get + "Host: a\r\n\tb\r\n\r\n", 400},
        {get + "Host: a\rb\r\n\r\n", 400},
        {"GET /liveupdate/x\r HTTP/1.1\r\n\r\n", 400},
        {get + QByteArrayLiteral("Host: a\0b\r\n\r\n"), 400},
        {get + "Ho(st: a\r\n\r\n", 400},
        {get + ": a\r\n\r\n", 400},
        {get + "Host\r\n\r\n", 400},
        {post + "Content-Length: 3\r\nContent-Length: 3\r\n\r\nabc", 400},
        {post + "Content-Length: 3, 3\r\n\r\nabc", 400},
        {post + "Content-Length: +3\r\n\r\nabc", 400},
        {post + "Content-Length: 0x3\r\n\r\nabc", 400},
        {post + "Content-Length:\r\n\r\n", 400},
        {post + "Transfer-Encoding: chunked\r\nContent-Length: 3\r\n\r\nabc", 400},
        {"GET  /liveupdate/x HTTP/1.1\r\n\r\n", 400},
        {"GET /liveupdate/x HTTP/2.0\r\n\r\n", 400},
        {"GET /liveupdate/x\r\n\r\n", 400},
        {"G@T /liveupdate/x HTTP/1.1\r\n\r\n", 400},
        {"\r\n" + get + "\r\n", 400},

        {post + "Transfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", 411},
        {post + "Content-Length: 8388609\r\n\r\n", 413},
        {post + "Content-Length: 99999999999999999999999\r\n\r\n", 413},
        {get + "X: " + QByteArray(HttpParse::MaxHeaderBytes, 'a') + "\r\n\r\n", 431},
        {QByteArray(HttpParse::MaxHeaderBytes + 3, 'a'), 431},
        {post + "Content-Length: 1000\r\n\r\n", 503, 1000},
        {QByteArray(100, 'a'), 503, 99},
        {get + "\r\n", 503, get.size() + 1},
    };
    for (const Row& row : rows) {
        const HttpParse parse = parseHttpRequest(row.bytes, row.room);
        int status = parse.status;
        if (parse.state == HttpParse::State::Complete)
            status = news.handle(parse.request).status;
        EXPECT_EQ(status, row.status) << row.bytes.left(100).toStdString();
        EXPECT_EQ(parse.state == HttpParse::State::Refused, !parse.why.isEmpty());
    }
}

TEST(HttpServerLimits, AClientThatNeverFinishesItsRequestIsCutOff) {
    bool handled = false;
    QByteArray notices;
    HttpServer server([&handled](const std::shared_ptr<HttpExchange>& exchange) {
        handled = true;
        exchange->respond(200, "answered");
    });
    server.setIdleLimit(std::chrono::milliseconds(200));
    server.setNotice(
        [&notices](const QHostAddress&, const QByteArray& text) { notices += text + '\n'; });
    ASSERT_TRUE(server.listen(QHostAddress(QHostAddress::LocalHost), 0));

    QTcpSocket client;
    client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
    ASSERT_TRUE(
        QTest::qWaitFor([&client] { return client.state() == QTcpSocket::ConnectedState; }, 10000));
    client.write("GET /x HTTP/1.1\r\nHost: a\r\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&client] { return client.state() == QTcpSocket::UnconnectedState; }, 30000));
    EXPECT_EQ(client.readAll(), "");
    EXPECT_FALSE(handled);
    EXPECT_EQ(notices, "cut off: no whole request in 0.2 s\n");
}
