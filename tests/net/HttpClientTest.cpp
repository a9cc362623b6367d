#include "net/HttpClient.h"
#include "tests/net/support/ScriptedServer.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace {

using namespace std::chrono_literals;

std::vector<FormField> sampleFields() {
    return {{"memusername", "P-1"},
            {"prodcode", "Caf\xC3\xA9 \xE9"}, // UTF-8 and a Windows-1252 byte, sent as they are
            {"prodtype", "BG"},
            {"conttype", "all"},
            {"newstarget", "--looks like a boundary\r\n--"},
            {"something", ""}};
}

// A server that refuses connections: one that listened and has gone.
QString refusedAddress() {
    quint16 port = 0;
    {
        ScriptedServer gone;
        port = gone.port();
    }
    return QStringLiteral("http://127.0.0.1:%1/x").arg(port);
}

class HttpClientTest : public ::testing::Test {
protected:
    std::optional<QByteArray> post(const QByteArray& path) {
        return http.postForm(server.url(QString::fromUtf8(path)), {{"a", "1"}});
    }
    // GETs into a buffer; what was written is left in `got`.
    bool get(const QByteArray& path) {
        got.clear();
        QBuffer buffer(&got);
        buffer.open(QIODevice::WriteOnly);
        return http.get(server.url(QString::fromUtf8(path)), buffer);
    }

    ScriptedServer server;
    HttpClient http;
    QByteArray got;
};

} // namespace

TEST_F(HttpClientTest, PostSendsTheFieldsInOrderEachWithOnlyItsDisposition) {
    server.on("/form", ScriptedServer::reply("OK"));
    const auto fields = sampleFields();
    const auto body = http.postForm(server.url(QStringLiteral("/form")), fields);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(*body, "OK");

    const HttpRequest& request = server.last();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Accept"), "text/html, */*");
    EXPECT_EQ(request.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 4.0)");
    const QByteArray type = request.header("Content-Type");
    ASSERT_TRUE(type.startsWith("multipart/form-data; boundary=")) << type.toStdString();
    const QByteArray boundary = type.mid(30);
    EXPECT_FALSE(boundary.contains('"')); // not quoted
    EXPECT_EQ(request.body, HttpClient::formBody(fields, boundary));

    const std::vector<FormPart> form = server.lastForm();
    ASSERT_EQ(form.size(), fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(form[i].name.toStdString(), fields[i].name);
        EXPECT_EQ(form[i].value.toStdString(), fields[i].value);
        ASSERT_EQ(form[i].headers.size(), 1u) << fields[i].name;
        EXPECT_EQ(form[i].headers[0].first, "Content-Disposition");
        EXPECT_EQ(form[i].headers[0].second.toStdString(),
                  "form-data; name=\"" + fields[i].name + "\"");
    }
}

TEST_F(HttpClientTest, BoundaryNeverOccursInAValue) {
    for (int i = 0; i < 20; ++i) {
        const QByteArray boundary = HttpClient::makeBoundary(sampleFields());
        EXPECT_GE(boundary.size(), 30);
        for (const FormField& field : sampleFields())
            EXPECT_EQ(field.value.find(boundary.toStdString()), std::string::npos);
    }
}

TEST_F(HttpClientTest, GetWritesTheBodyAndNamesTextHtml) {
    server.on("/file.inf", ScriptedServer::reply("[APPLICATION]\r\nVersion=2.1\r\n"));
    ASSERT_TRUE(get("/file.inf"));
    EXPECT_EQ(got, "[APPLICATION]\r\nVersion=2.1\r\n");
    EXPECT_EQ(server.last().method, "GET");
    EXPECT_EQ(server.last().header("Content-Type"), "text/html");
    EXPECT_EQ(server.last().header("Accept"), "text/html, */*");
}

TEST_F(HttpClientTest, CookiesAreKeptForTheRun) {
    server.on("/login", ScriptedServer::reply("OK", 200, {{"Set-Cookie", "session=abc; Path=/"}}));
    server.on("/next", ScriptedServer::reply("OK"));
    ASSERT_TRUE(post("/login"));
    ASSERT_TRUE(get("/next"));
    EXPECT_EQ(server.last().header("Cookie"), "session=abc");
}

TEST_F(HttpClientTest, EveryKindOfFailureIsAFailure) {
    server.on("/404", ScriptedServer::reply("<html>gone</html>", 404));
    server.on("/500", ScriptedServer::reply("<html>broken</html>", 500));
    server.on("/cut", ScriptedServer::cutShort(1000, 400));
    server.on("/loop", ScriptedServer::redirect("/loop"));
    const QString refused = refusedAddress();

    for (const char* path : {"/404", "/500", "/cut", "/loop"}) {
        EXPECT_FALSE(post(path).has_value()) << path;
        EXPECT_FALSE(get(path)) << path;
        // The body of an error page never reaches the sink.
        if (QByteArray(path) != "/cut") {
            EXPECT_TRUE(got.isEmpty()) << path;
        }
    }
    EXPECT_FALSE(http.postForm(refused, {{"a", "1"}}).has_value());
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    EXPECT_FALSE(http.get(refused, sink));
    // An address without a host (a missing base address) cannot be reached.
    EXPECT_FALSE(http.postForm(QStringLiteral("/getlastnews.php"), {}).has_value());
    EXPECT_EQ(http.waiting(), 0);
}

TEST_F(HttpClientTest, RedirectsAreFollowed) {
    server.on("/old.inf", ScriptedServer::redirect("/new.inf", 302));
    server.on("/new.inf", ScriptedServer::reply("moved"));
    ASSERT_TRUE(get("/old.inf"));
    EXPECT_EQ(got, "moved");

    // 307 keeps the method and the body.
    server.on("/old.php", ScriptedServer::redirect("/new.php", 307));
    server.on("/new.php", ScriptedServer::reply("OK"));
    const auto body = http.postForm(server.url(QStringLiteral("/old.php")), {{"memusername", "P"}});
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(server.last().path, "/new.php");
    EXPECT_EQ(server.lastForm().at(0).value, "P");
}

TEST_F(HttpClientTest, AServerThatNeverAnswersFailsAtTheStallLimit) {
    server.on("/silent", server.never());
    http.setStallLimit(300ms);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(post("/silent").has_value());
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 10000);
    clock.restart();
    EXPECT_FALSE(get("/silent"));
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(HttpClientTest, AReplyThatKeepsArrivingHasNoLimit) {
    // Twelve pieces 100 ms apart: longer in all than the stall limit, never
    // silent for as long as it.
    server.on("/slow", [](const ScriptedServer::Exchange& e) {
        e->write("HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: close\r\n\r\n");
        for (int i = 1; i <= 12; ++i) {
            QTimer::singleShot(100 * i, [e, i] {
                e->write("x");
                if (i == 12)
                    e->close();
            });
        }
    });
    http.setStallLimit(400ms);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(get("/slow"));
    EXPECT_EQ(got, QByteArray(12, 'x'));
    EXPECT_GE(clock.elapsed(), 1000);
}

TEST_F(HttpClientTest, ARequestPastItsBoundsFailsAtOnce) {
    constexpr qint64 limit = 1024 * 1024;
    const auto sent = std::make_shared<qint64>(0);
    server.on("/endless", ScriptedServer::endless(sent));
    server.on("/huge", server.announce(99999999999999));
    server.on("/over", server.announce(limit + 1, 100));
    server.on("/trickle", server.trickle(50));
    server.on("/exact", ScriptedServer::reply(QByteArray(limit, 'e')));
    // Longer than any of these tests may take: a bound ends each request, not the stall limit.
    http.setStallLimit(20s);
    QElapsedTimer clock;
    clock.start();

    // A body without end stops once past the bound; the server could send
    // only what the socket buffers held besides.
    EXPECT_FALSE(http.postForm(server.url(QStringLiteral("/endless")), {}, {limit}));
    EXPECT_LT(*sent, 64 * limit);
    *sent = 0;
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    EXPECT_FALSE(http.get(server.url(QStringLiteral("/endless")), sink, {limit}));
    EXPECT_LE(sink.size(), limit);
    EXPECT_LT(*sent, 64 * limit);

    // An announced length past the bound fails before the body comes.
    for (const char* path : {"/huge", "/over"}) {
        EXPECT_FALSE(http.postForm(server.url(QString::fromLatin1(path)), {}, {limit})) << path;
        EXPECT_LT(clock.elapsed(), 10000) << path;
    }
    // A reply that keeps trickling ends at the overall bound.
    EXPECT_FALSE(http.postForm(server.url(QStringLiteral("/trickle")), {}, {0, 500ms}));
    EXPECT_LT(clock.elapsed(), 10000);

    // The bound itself is allowed.
    const auto exact = http.postForm(server.url(QStringLiteral("/exact")), {}, {limit, 10s});
    ASSERT_TRUE(exact.has_value());
    EXPECT_EQ(exact->size(), limit);
    EXPECT_EQ(http.waiting(), 0);
}

TEST_F(HttpClientTest, FiftyMegabyteRepliesArriveWhole) {
    const QByteArray big(50 * 1024 * 1024, 'n');
    server.on("/big", ScriptedServer::reply(big));
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(http.get(server.url(QStringLiteral("/big")), file));
    EXPECT_EQ(file.size(), big.size());

    const auto body = post("/big");
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(body->size(), big.size());
}

TEST_F(HttpClientTest, RequestsStartedDuringAWaitEndWithTheirOwnReplies) {
    server.on("/outer", ScriptedServer::later(400, "outer reply"));
    server.on("/inner", ScriptedServer::reply("inner reply"));
    std::optional<QByteArray> inner;
    bool innerDone = false;
    QTimer::singleShot(50, [&] {
        EXPECT_EQ(http.waiting(), 1);
        inner = http.postForm(server.url(QStringLiteral("/inner")), {});
        innerDone = true;
    });
    const auto outer = post("/outer");
    EXPECT_TRUE(innerDone);
    ASSERT_TRUE(outer.has_value());
    ASSERT_TRUE(inner.has_value());
    EXPECT_EQ(*outer, "outer reply");
    EXPECT_EQ(*inner, "inner reply");
    EXPECT_EQ(http.waiting(), 0);
}

TEST_F(HttpClientTest, DisconnectEndsEveryWaitingRequestAsAFailure) {
    server.on("/silent", server.never());
    server.on("/ok", ScriptedServer::reply("OK"));
    std::optional<QByteArray> inner = QByteArray("not run");
    QTimer::singleShot(50, [&] {
        QTimer::singleShot(100, [&] {
            EXPECT_EQ(http.waiting(), 2);
            http.disconnect();
            http.disconnect(); // twice, as the window does: nothing is left the second time
        });
        inner = http.postForm(server.url(QStringLiteral("/silent")), {});
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(post("/silent").has_value());
    EXPECT_LT(clock.elapsed(), 5000); // long before the 30 s stall limit
    EXPECT_FALSE(inner.has_value());
    EXPECT_EQ(http.waiting(), 0);

    // The client goes on working afterwards.
    EXPECT_EQ(post("/ok").value_or("failed"), "OK");
}
