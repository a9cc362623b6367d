#include "net/HttpClient.h"
#include "net/NewsProtocol.h"
#include "net/UpdateCheck.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef Q_OS_LINUX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

void put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// tipsmith-newsd on a free port of 127.0.0.1, serving a temporary folder.
class Newsd : public ::testing::Test {
protected:
    void SetUp() override {
        const QString items = root.filePath(QStringLiteral("news/1001/BG-ACME/"));
        put(items + QStringLiteral("7.news"),
            "Title: Spring sale\nDate: 1 March 2024\n\n<html><body><p>Caf\xC3\xA9 $5 ^ "
            "OK</p></body></html>\n");
        put(items + QStringLiteral("12.news"), "Title: New skins\nDate: 2 April 2024\n\n<p>12</p>");
        put(items + QStringLiteral("9.news"), "Title: Nine\n\n<p>9</p>");
        put(items + QStringLiteral("notes.txt"), "not an item");
        QDir().mkpath(root.filePath(QStringLiteral("news/1001/BM-EMPTY")));
        put(root.filePath(QStringLiteral("liveupdate/tipsmith/mainappupdate.inf")),
            "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n");
        put(root.filePath(QStringLiteral("secret.txt")), "outside liveupdate");
        start({});
    }
    void TearDown() override { stop(); }

    // `inChild` runs in the server's process before the program starts (Unix only).
    void start(QStringList extra, std::function<void()> inChild = {}) {
        process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
#ifdef Q_OS_UNIX
        if (inChild)
            process->setChildProcessModifier(inChild);
#endif
        process->start(QStringLiteral(TIPSMITH_NEWSD),
                       QStringList{QStringLiteral("--root"), root.path(),
                                   QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} +
                           extra);
        ASSERT_TRUE(process->waitForStarted(10000));
        ASSERT_TRUE(process->waitForReadyRead(10000));
        const QByteArray first = process->readLine().trimmed();
        ASSERT_TRUE(first.startsWith("listening on http://127.0.0.1:")) << first.toStdString();
        origin = QString::fromUtf8(first.mid(13, first.size() - 14)); // without the final "/"
        port = static_cast<quint16>(origin.mid(origin.lastIndexOf(u':') + 1).toUInt());
        profile.BranderType = "Gold";
        profile.BranderCode = "ACME";
        profile.GoldPublID = "1001";
        profile.GoldNewsBaseURL = (origin + QStringLiteral("/news")).toStdString();
    }
    void stop() {
        if (process) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    // The log lines written so far.
    QList<QByteArray> log() {
        QTest::qWait(100);
        output += process->readAllStandardOutput();
        return output.split('\n');
    }

    // Waits until the log holds `count` lines containing `text`.
    bool logged(const QByteArray& text, int count = 1, int timeoutMs = 5000) {
        QElapsedTimer clock;
        clock.start();
        do {
            const QList<QByteArray> lines = log();
            if (std::count_if(lines.begin(), lines.end(),
                              [&](const QByteArray& line) { return line.contains(text); }) >= count)
                return true;
        } while (clock.elapsed() < timeoutMs);
        return false;
    }

    std::unique_ptr<QTcpSocket> connectRaw() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        EXPECT_TRUE(socket->waitForConnected(5000));
        return socket;
    }
    // Everything the server sends on the socket until it closes the connection.
    static QByteArray readToEnd(QTcpSocket& socket) {
        QByteArray reply = socket.readAll();
        while (socket.state() != QAbstractSocket::UnconnectedState && socket.waitForReadyRead(5000))
            reply += socket.readAll();
        return reply + socket.readAll();
    }
    // The request's bytes as they are, on a connection of their own.
    QByteArray exchange(const QByteArray& request) {
        const auto socket = connectRaw();
        socket->write(request);
        return readToEnd(*socket);
    }

    bool list(std::vector<std::string>& entries, std::string_view publisher = "1001",
              std::string_view code = "ACME") {
        return news::GetNewsList(http, profile, publisher, code, "BG", "UA", entries, recorder());
    }
    bool details(std::string_view id, std::string& text) {
        return news::GetNewsDetails(http, profile, "1001", "ACME", "BG", "UA", id, text,
                                    recorder());
    }
    news::Warn recorder() {
        return [this](std::string_view message) { warnings.emplace_back(message); };
    }

    QTemporaryDir root;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    std::unique_ptr<QProcess> process;
    QString origin;
    quint16 port = 0;
    QByteArray output;
    HttpClient http;
    BrandProfileRecord profile;
    std::vector<std::string> warnings;
};

} // namespace

TEST_F(Newsd, ServesTheListNewestFirstAndTheLatestItem) {
    std::vector<std::string> entries;
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(entries, (std::vector<std::string>{"12^New skins^2 April 2024", "9^Nine^",
                                                 "7^Spring sale^1 March 2024"}));

    std::string id, title;
    ASSERT_TRUE(news::GetLastNews(http, profile, "1001", "ACME", "BG", "UA", id, title, {}));
    EXPECT_EQ(id, "12");
    EXPECT_EQ(title, "New skins");

    // A product without items: a list of none and no latest item.
    entries.clear();
    profile.MasterNewsBaseURL = profile.GoldNewsBaseURL;
    ASSERT_TRUE(news::GetNewsList(http, profile, "1001", "EMPTY", "BM", "UA", entries, recorder()));
    EXPECT_TRUE(entries.empty());
    title = "kept";
    ASSERT_TRUE(news::GetLastNews(http, profile, "1001", "EMPTY", "BM", "UA", id, title, {}));
    EXPECT_EQ(id, "");
    EXPECT_EQ(title, "kept");
    EXPECT_TRUE(warnings.empty());
}

TEST_F(Newsd, DetailsArriveAsTheItemFileWroteThem) {
    std::string text;
    ASSERT_TRUE(details("7", text));
    EXPECT_EQ(text, "<html><body><p>Caf\xC3\xA9 $5 ^ OK</p></body></html>\n");
    ASSERT_TRUE(details("9", text));
    EXPECT_EQ(text, "<p>9</p>");

    // An item too large to be escaped whole goes out a piece at a time.
    QByteArray large;
    for (int i = 0; large.size() < 300 * 1000; ++i)
        large += static_cast<char>(i * 7 % 256);
    put(root.filePath(QStringLiteral("news/1001/BG-ACME/20.news")), "Title: Large\n\n" + large);
    ASSERT_TRUE(details("20", text));
    EXPECT_TRUE(text == large.toStdString()) << text.size();
}

TEST_F(Newsd, RefusesWrongPublishersProductsAndItems) {
    std::vector<std::string> entries;
    std::string text;
    EXPECT_FALSE(list(entries, "1002"));
    EXPECT_FALSE(list(entries, ".."));
    EXPECT_FALSE(list(entries, "1001", "ACME/../../.."));
    EXPECT_FALSE(list(entries, "1001", "acme"));
    EXPECT_FALSE(details("8", text));
    EXPECT_FALSE(details("../7", text));
    EXPECT_FALSE(details("07", text));
    EXPECT_FALSE(details("", text));
    EXPECT_EQ(
        warnings,
        (std::vector<std::string>{
            std::string(news::InvalidUserMessage), std::string(news::InvalidUserMessage),
            std::string(news::InvalidProductMessage), std::string(news::InvalidProductMessage),
            std::string(news::InvalidNewsMessage), std::string(news::InvalidNewsMessage),
            std::string(news::InvalidNewsMessage), std::string(news::InvalidNewsMessage)}));

    // Without its news folder the site reports its own settings as broken.
    ASSERT_TRUE(QDir(root.filePath(QStringLiteral("news"))).removeRecursively());
    warnings.clear();
    EXPECT_FALSE(list(entries));
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(news::ConnectionFailMessage)});
}

TEST_F(Newsd, ServesTheUpdateFileAndNothingOutsideItsFolder) {
    QTemporaryDir exe;
    const QString local = exe.filePath(QStringLiteral("mainappupdate.inf"));
    ASSERT_TRUE(update::DownloadToFile(
        http, origin + QStringLiteral("/liveupdate/tipsmith/mainappupdate.inf"), local));
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(update::versionOf(file.readAll().toStdString()), "2.1");

    for (const char* path : {"/liveupdate/../secret.txt", "/liveupdate/%2e%2e/secret.txt",
                             "/liveupdate/tipsmith/missing.inf", "/liveupdate/tipsmith"}) {
        EXPECT_FALSE(update::DownloadToFile(http, origin + QString::fromLatin1(path), local))
            << path;
    }
}

TEST_F(Newsd, AnswersRequestsAsOtherClientsWriteThem) {
    const QByteArray update = "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n";
    const QByteArray latest = "12^New skins\xAFOK";
    const QByteArray form = "memusername=1001&prodcode=ACME&prodtype=BG&conttype=lastcode";
    const auto post = [&form](const QByteArray& type, const char* lineEnd) {
        const QByteArray end = lineEnd;
        return "POST /news/getlastnews.php HTTP/1.1" + end + "Content-Type: " + type + end +
               "Content-Length: " + QByteArray::number(form.size()) + end + end + form;
    };
    struct Row {
        QByteArray request;
        QByteArray status;
        qsizetype length; // Content-Length
        QByteArray body;
    };
    const Row rows[] = {
        // HEAD: what GET would say of its body, and no body.
        {"HEAD /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\nHost: x\r\n\r\n",
         "HTTP/1.1 200 OK", update.size(), ""},
        {"HEAD /news/getlastnews.php HTTP/1.1\r\n\r\n", "HTTP/1.1 405 Method Not Allowed", 18, ""},
        // Lines ending in LF alone, or some of them.
        {"GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\nHost: x\n\n", "HTTP/1.1 200 OK",
         update.size(), update},
        {"GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.0\r\nHost: x\n\r\n", "HTTP/1.1 200 OK",
         update.size(), update},
        {post("application/x-www-form-urlencoded; charset=UTF-8", "\n"), "HTTP/1.1 200 OK",
         latest.size(), latest},
        // A form type with no parameters, or in capitals.
        {post("application/x-www-form-urlencoded", "\r\n"), "HTTP/1.1 200 OK", latest.size(),
         latest},
        {post("Application/X-WWW-Form-UrlEncoded", "\r\n"), "HTTP/1.1 200 OK", latest.size(),
         latest},
    };
    for (const Row& row : rows) {
        const QByteArray reply = exchange(row.request);
        const qsizetype headEnd = reply.indexOf("\r\n\r\n");
        ASSERT_GT(headEnd, 0) << row.request.toStdString();
        const QList<QByteArray> head = reply.left(headEnd).split('\n');
        EXPECT_EQ(head[0].trimmed(), row.status) << row.request.toStdString();
        EXPECT_TRUE(head.contains("Content-Length: " + QByteArray::number(row.length) + '\r'))
            << reply.toStdString();
        EXPECT_EQ(reply.mid(headEnd + 4), row.body) << row.request.toStdString();
    }

    // The empty line arriving in pieces, cut after CR or after LF.
    for (const QList<QByteArray>& pieces :
         {QList<QByteArray>{"GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\nHost: x\r",
                            "\n\r", "\n"},
          QList<QByteArray>{"GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\n", "\n"}}) {
        const auto socket = connectRaw();
        for (const QByteArray& piece : pieces) {
            socket->write(piece);
            socket->waitForBytesWritten(5000);
            QTest::qWait(30);
        }
        EXPECT_TRUE(readToEnd(*socket).endsWith("\r\n\r\n" + update)) << pieces[0].toStdString();
    }
}

TEST_F(Newsd, RefusesRequestsAProxyCouldReadAnotherWay) {
    // A proxy in front that read one of these heads another way than the
    // server would let a second request through behind it, so none may
    // reach the news scripts.
    const QByteArray form = "memusername=1001&prodcode=ACME&prodtype=BG&conttype=lastcode";
    const QByteArray length = QByteArray::number(form.size());
    const QByteArray post = "POST /news/getlastnews.php HTTP/1.1\r\n"
                            "Content-Type: application/x-www-form-urlencoded\r\n";
    const struct {
        QByteArray head;
        QByteArray why;
    } rows[] = {
        {"Content-Length : " + length + "\r\n", "white space before a colon"},
        {"Content-Length: " + length + "\r\nX-Note: a\r\n folded: b\r\n", "a folded header line"},
        {"Content-Length: " + length + "\r\nContent-Length: " + length + "\r\n",
         "more than one Content-Length"},
        {"Transfer-Encoding: chunked\r\nContent-Length: " + length + "\r\n",
         "Transfer-Encoding beside Content-Length"},
    };
    for (const auto& row : rows) {
        const QByteArray reply = exchange(post + row.head + "\r\n" + form);
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 400 Bad Request\r\n")) << row.head.toStdString();
    }
    for (const auto& row : rows)
        EXPECT_TRUE(logged("127.0.0.1 refused 400: " + row.why)) << row.why.toStdString();
    const QList<QByteArray> lines = log();
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                             [](const QByteArray& line) { return line.contains(" -> "); }));
}

TEST_F(Newsd, RequestsBeingReadShareOneMemoryLimit) {
    stop();
    start({QStringLiteral("--memory-limit"), QStringLiteral("1")});
    // Each announces 600 kB: one fits in 1 MB, a second does not.
    QByteArray form = "memusername=1001&prodcode=ACME&prodtype=BG&conttype=lastcode&pad=";
    form += QByteArray(600 * 1000 - form.size(), 'x');
    const QByteArray head = "POST /news/getlastnews.php HTTP/1.1\r\n"
                            "Content-Type: application/x-www-form-urlencoded\r\n"
                            "Expect: 100-continue\r\nContent-Length: " +
                            QByteArray::number(form.size()) + "\r\n\r\n";
    const auto first = connectRaw();
    first->write(head + form.left(1000));
    // "Continue" comes once the server has counted the whole body.
    ASSERT_TRUE(first->waitForReadyRead(5000));
    EXPECT_EQ(first->readAll(), "HTTP/1.1 100 Continue\r\n\r\n");

    EXPECT_TRUE(exchange(head).startsWith("HTTP/1.1 503 Service Unavailable\r\n"));
    EXPECT_TRUE(exchange("GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\n\r\n")
                    .startsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(logged("127.0.0.1 refused 503: over the memory limit of 1 MB"));

    first->write(form.mid(1000));
    EXPECT_TRUE(readToEnd(*first).endsWith("\r\n\r\n12^New skins\xAFOK"));
    // Its log line shows the start of the long field.
    const qsizetype padding = form.size() - form.indexOf("pad=") - 4;
    EXPECT_TRUE(logged("xxx\"... (" + QByteArray::number(padding) + " bytes) -> 200"));
    // Answered, the first body no longer counts.
    const QByteArray second = exchange(head + form);
    EXPECT_TRUE(second.contains("HTTP/1.1 200 OK\r\n")) << second.left(200).toStdString();
}

TEST_F(Newsd, CutsAClientThatStopsTakingItsDownload) {
    QByteArray big(16 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 % 251);
    put(root.filePath(QStringLiteral("liveupdate/tipsmith/setup.bin")), big);
    stop();
    start({QStringLiteral("--stall-limit"), QStringLiteral("0.5")});

    // Neither client lets Qt read ahead of it by more than a piece.
    const auto stalled = connectRaw();
    const auto slow = connectRaw();
    for (QTcpSocket* client : {stalled.get(), slow.get()}) {
        client->setReadBufferSize(256 * 1024);
        client->write("GET /liveupdate/tipsmith/setup.bin HTTP/1.1\r\n\r\n");
    }
    // The slow one takes a piece every 50 ms, longer in all than the stall
    // limit, never pausing for as long as it.
    QByteArray got;
    for (int i = 0; i < 30; ++i) {
        QTest::qWait(50);
        got += slow->readAll();
    }
    EXPECT_TRUE(logged("127.0.0.1 cut off: the reply made no progress for 0.5 s"));
    slow->setReadBufferSize(0);
    got += readToEnd(*slow);
    const qsizetype bodyAt = got.indexOf("\r\n\r\n") + 4;
    EXPECT_EQ(got.size() - bodyAt, big.size());
    EXPECT_TRUE(got.mid(bodyAt) == big);

    stalled->setReadBufferSize(0);
    EXPECT_LT(readToEnd(*stalled).size(), big.size());
}

#ifdef Q_OS_LINUX
// Processor time a process has used, in clock ticks.
long long cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // After the name in parentheses: state, then utime and stime as the 12th and 13th fields.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

// The server's resident memory in kB.
long long residentKb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// A client that sends its request and takes none of the answer. Its small
// receive buffer leaves what it does not take waiting in the server.
int silentClient(quint16 port, const QByteArray& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::send(fd, request.constData(), static_cast<size_t>(request.size()), 0) != request.size()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST_F(Newsd, RepliesNobodyTakesStayWithinTheMemoryLimit) {
    // A 4 MB item whose details reply, escaped, is about 9 MB.
    QByteArray text(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>(i % 251);
    put(root.filePath(QStringLiteral("news/1001/BG-ACME/30.news")), "Title: Big\n\n" + text);
    stop();
    // A sanitised server keeps what it frees aside for a while, to catch its
    // use; its own memory would be lost among it.
    const QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       sanitizer + (sanitizer.isEmpty() ? "" : ":") + "quarantine_size_mb=1");
    start({QStringLiteral("--memory-limit"), QStringLiteral("16"), QStringLiteral("--stall-limit"),
           QStringLiteral("600")});
    const QByteArray form = "memusername=1001&prodcode=ACME&prodtype=BG&newsid=30";
    const QByteArray request = "POST /news/getnewsdetails.php HTTP/1.1\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\n"
                               "Content-Length: " +
                               QByteArray::number(form.size()) + "\r\n\r\n" + form;
    const long long before = residentKb(process->processId());
    ASSERT_GT(before, 0);

    constexpr int kClients = 200;
    std::vector<int> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(silentClient(port, request));
    EXPECT_EQ(std::count(clients.begin(), clients.end(), -1), 0);
    // Every one answered, or turned away, before memory is looked at.
    EXPECT_TRUE(logged("getnewsdetails.php", kClients, 120000));
    const long long grown = residentKb(process->processId()) - before;
    const QList<QByteArray> lines = log();
    const auto count = [&lines](const char* text) {
        return std::count_if(lines.begin(), lines.end(),
                             [text](const QByteArray& line) { return line.contains(text); });
    };
    // As many as the limit holds are served, the rest told to come back.
    EXPECT_GT(count("-> 200 item 30"), 0);
    EXPECT_GT(count("-> 503 instead of 200 item 30"), 0);
    EXPECT_EQ(count("-> 200 item 30") + count("-> 503 instead of 200 item 30"), kClients);
    EXPECT_TRUE(logged("answered 503: the reply would pass the memory limit of 16 MB"));
    // Within the limit and a margin for the connections themselves, where
    // holding each reply whole took over 1 GB.
    EXPECT_LT(grown, 64 * 1024) << grown << " kB";

    // What they held is given back once they go: a client is served again
    // (as soon as the server has seen them go).
    for (const int fd : clients)
        ::close(fd);
    bool served = false;
    for (int i = 0; i < 100 && !served; ++i) {
        served = exchange(request).startsWith("HTTP/1.1 200 OK\r\n");
        if (!served)
            QTest::qWait(50);
    }
    EXPECT_TRUE(served);
}

TEST_F(Newsd, OutOfDescriptorsItWaitsIdleAndServesEveryoneAfter) {
    stop();
    start({}, [] {
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_NOFILE, &limit);
    });
    // More clients than descriptors: the rest wait in the listen queue.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 80; ++i)
        clients.push_back(connectRaw());
    EXPECT_TRUE(logged("- stopped accepting connections: no file descriptor left"));
    const long long before = cpuTicks(process->processId());
    QTest::qWait(500);
    // Waiting, not spinning on the listening socket: under a fifth of the time.
    EXPECT_LT(cpuTicks(process->processId()) - before, sysconf(_SC_CLK_TCK) / 10);

    // Those taken are answered from the files (with descriptors kept for
    // them), and as they go the rest are taken.
    const QByteArray update = "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n";
    for (const auto& client : clients)
        client->write("GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\n\r\n");
    int served = 0;
    for (const auto& client : clients) {
        const QByteArray reply = readToEnd(*client);
        served += reply.startsWith("HTTP/1.1 200 OK\r\n") && reply.endsWith("\r\n\r\n" + update);
    }
    EXPECT_EQ(served, 80);
    EXPECT_TRUE(logged("- accepting connections again"));
}
#endif

TEST_F(Newsd, LogsEveryRequestWithItsFields) {
    std::vector<std::string> entries;
    ASSERT_TRUE(list(entries));
    std::string text;
    EXPECT_FALSE(details("8", text));
    QList<QByteArray> lines;
    QElapsedTimer clock;
    clock.start();
    do
        lines = log();
    while (lines.size() < 3 && clock.elapsed() < 10000);
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(
        "POST /news/getlastnews.php memusername=\"1001\" prodcode=\"ACME\" prodtype=\"BG\" "
        "conttype=\"all\" newstarget=\"UA\" something=\"\" -> 200 3 items"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("newsid=\"8\"") && lines[1].contains("-> 200 INVALIDNEWS"))
        << lines[1].toStdString();
}

TEST_F(Newsd, TheBasePathIsAnOption) {
    stop();
    start({QStringLiteral("--base"), QStringLiteral("feeds/acme")});
    std::vector<std::string> entries;
    profile.GoldNewsBaseURL = (origin + QStringLiteral("/feeds/acme/")).toStdString();
    ASSERT_TRUE(list(entries));
    EXPECT_EQ(entries.size(), 3u);
    profile.GoldNewsBaseURL = (origin + QStringLiteral("/news/")).toStdString();
    EXPECT_FALSE(list(entries));
}

TEST(NewsdCommandLine, RefusesWhatItCannotServe) {
    const auto run = [](const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral(TIPSMITH_NEWSD), args);
        process.waitForFinished(10000);
        return std::make_pair(process.exitCode(),
                              process.readAllStandardOutput() + process.readAllStandardError());
    };
    QTemporaryDir root;
    EXPECT_EQ(run({QStringLiteral("--help")}).first, 0);
    EXPECT_EQ(run({}).first, 2);
    EXPECT_EQ(run({QStringLiteral("--root"), root.filePath(QStringLiteral("none"))}).first, 2);
    const auto badListen = run({QStringLiteral("--root"), root.path(), QStringLiteral("--listen"),
                                QStringLiteral("nowhere")});
    EXPECT_EQ(badListen.first, 2);
    EXPECT_TRUE(badListen.second.contains("HOST:PORT"));
}
