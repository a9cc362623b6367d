// tipsmith-newsd: a news and update server for trying a branded copy, and for
// the tests. Serves the news scripts and the update files from a folder and
// logs every request on standard output.

#include "FormData.h"
#include "HttpServer.h"
#include "NewsServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>

#include <cstdio>
#include <string>

namespace {

constexpr char kUsage[] =
    "Usage: tipsmith-newsd --root DIR [--listen HOST:PORT] [--base PATH]\n"
    "\n"
    "Serves the news service and the update file of Tipsmith from DIR:\n"
    "  POST PATH/getlastnews.php      the news list (conttype all) or the newest\n"
    "                                 item (conttype lastcode)\n"
    "  POST PATH/getnewsdetails.php   the full text of one item (newsid)\n"
    "  GET  /liveupdate/...           files below DIR/liveupdate, such as\n"
    "                                 /liveupdate/tipsmith/mainappupdate.inf\n"
    "\n"
    "DIR/news/PUBLISHER/TIER-CODE/ID.news holds one news item of the brander with\n"
    "publisher id PUBLISHER, tier code TIER (BM, BP or BG) and brander code CODE;\n"
    "ID is a number, larger for newer items. An item file starts with the lines\n"
    "\"Title: ...\" and \"Date: ...\", then an empty line, then the text (HTML).\n"
    "\n"
    "  --listen HOST:PORT   address to listen on (default 127.0.0.1:8780; port 0\n"
    "                       picks a free one)\n"
    "  --base PATH          path of the news scripts (default /news/)\n"
    "\n"
    "The first line printed is \"listening on http://HOST:PORT/\"; then one line per\n"
    "request.\n";

void print(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Bytes for a log line: printable ASCII as it is, everything else as \xHH.
QByteArray printable(const QByteArray& bytes) {
    QByteArray text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            text += c;
        } else {
            text += "\\x";
            text += QByteArray::number(byte, 16).rightJustified(2, '0');
        }
    }
    return text;
}

QByteArray logLine(const HttpRequest& request, const NewsServer::Reply& reply) {
    QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8() + ' ' +
                      request.peer.toString().toUtf8() + ' ' + printable(request.method) + ' ' +
                      printable(request.target);
    if (request.method == "POST") {
        if (const auto form = parseForm(request)) {
            for (const FormPart& part : *form)
                line += ' ' + printable(part.name) + "=\"" + printable(part.value) + '"';
        }
    }
    line += " -> " + QByteArray::number(reply.status);
    if (!reply.note.isEmpty())
        line += ' ' + printable(reply.note);
    return line;
}

bool parseListen(const QString& text, QHostAddress& address, quint16& port) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return false;
    QString host = text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    if (!ok || number > 65535)
        return false;
    if (host == QStringLiteral("localhost"))
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host))
        return false;
    port = static_cast<quint16>(number);
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "tipsmith-newsd: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);

    QString root;
    QString listen = QStringLiteral("127.0.0.1:8780");
    QString base = QStringLiteral("/news/");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((arg == QStringLiteral("--root") || arg == QStringLiteral("--listen") ||
             arg == QStringLiteral("--base")) &&
            i + 1 < args.size()) {
            (arg == QStringLiteral("--root")     ? root
             : arg == QStringLiteral("--listen") ? listen
                                                 : base) = args[++i];
            continue;
        }
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (root.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!QFileInfo(root).isDir())
        return fail("no folder " + root.toStdString());

    QHostAddress address;
    quint16 port = 0;
    if (!parseListen(listen, address, port))
        return fail("--listen wants HOST:PORT, not " + listen.toStdString());

    const NewsServer news(QFileInfo(root).absoluteFilePath(), base.toUtf8());
    HttpServer server([&news](const std::shared_ptr<HttpExchange>& exchange) {
        const HttpRequest& request = exchange->request();
        const NewsServer::Reply reply = news.handle(request);
        print(logLine(request, reply));
        exchange->respond(reply.status, reply.body, reply.contentType);
    });
    if (!server.listen(address, port))
        return fail("cannot listen on " + listen.toStdString() + ": " +
                    server.errorString().toStdString());
    print("listening on " + server.origin().toUtf8() + '/');
    return QCoreApplication::exec();
}
