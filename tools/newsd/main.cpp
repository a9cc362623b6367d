// tipsmith-newsd: a news and update server for trying a branded copy, and for
// the tests. Serves the news scripts and the update files from a folder and
// logs every request on standard output.

#include "tools/newsd/FormData.h"
#include "tools/newsd/HttpServer.h"
#include "tools/newsd/NewsServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QHostAddress>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

constexpr char kUsage[] =
    "Usage: tipsmith-newsd --root DIR [--listen HOST:PORT] [--base PATH]\n"
    "                      [--memory-limit MB] [--stall-limit SECONDS]\n"
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
    "  --memory-limit MB    what requests and replies may hold together (default\n"
    "                       256): a request counts its announced body whole, a\n"
    "                       reply what waits to be sent (a large file or item goes\n"
    "                       out a piece at a time and counts 192 KiB); a request or\n"
    "                       reply beyond it is answered 503\n"
    "  --stall-limit SECONDS\n"
    "                       a client that takes no part of its answer for this long\n"
    "                       is cut off (default 30)\n"
    "\n"
    "The first line printed is \"listening on http://HOST:PORT/\"; then one line per\n"
    "request, and one for each request or reply refused or client cut off by the\n"
    "limits.\n";

QByteArray now() {
    return QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8();
}

// What the log shows of a form field's name and value.
constexpr qsizetype kLoggedBytes = 200;

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
    QByteArray line = now() + ' ' + request.peer.toString().toUtf8() + ' ' +
                      printable(request.method) + ' ' + printable(request.target);
    if (request.method == "POST") {
        if (const auto form = parseForm(request)) {
            // A long field is cut, so a large body cannot make a large log.
            for (const FormPart& part : *form) {
                line += ' ' + printable(part.name.left(kLoggedBytes)) + "=\"" +
                        printable(part.value.left(kLoggedBytes)) + '"';
                if (part.name.size() > kLoggedBytes || part.value.size() > kLoggedBytes)
                    line += "... (" + QByteArray::number(part.value.size()) + " bytes)";
            }
        }
    }
    line += " -> " + QByteArray::number(reply.status);
    if (!reply.note.isEmpty())
        line += ' ' + printable(reply.note);
    return line;
}

[[nodiscard]] bool parseListen(const QString& text, QHostAddress& address, quint16& port) {
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
    QString memoryLimit = QStringLiteral("256");
    QString stallLimit = QStringLiteral("30");
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        QString* value = arg == QStringLiteral("--root")           ? &root
                         : arg == QStringLiteral("--listen")       ? &listen
                         : arg == QStringLiteral("--base")         ? &base
                         : arg == QStringLiteral("--memory-limit") ? &memoryLimit
                         : arg == QStringLiteral("--stall-limit")  ? &stallLimit
                                                                   : nullptr;
        if (value && i + 1 < args.size()) {
            *value = args[++i];
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

    bool ok = false;
    const qlonglong megabytes = memoryLimit.toLongLong(&ok);
    if (!ok || megabytes < 1 || megabytes > 1024 * 1024)
        return fail("--memory-limit wants a number of MB, not " + memoryLimit.toStdString());
    const double stallSeconds = stallLimit.toDouble(&ok);
    if (!ok || !(stallSeconds > 0) || stallSeconds > 24 * 3600)
        return fail("--stall-limit wants a number of seconds, not " + stallLimit.toStdString());

    const NewsServer news(QFileInfo(root).absoluteFilePath(), base.toUtf8());
    HttpServer server([&news](const std::shared_ptr<HttpExchange>& exchange) {
        const HttpRequest& request = exchange->request();
        NewsServer::Reply reply = news.handle(request);
        const int sent = reply.file
                             ? exchange->respondFile(reply.status, reply.file, reply.contentType)
                             : exchange->respond(reply.status, reply.body, reply.contentType);
        // The server's own line says why it sent another status.
        if (sent != reply.status) {
            reply.note = "instead of " + QByteArray::number(reply.status) + ' ' + reply.note;
            reply.status = sent;
        }
        print(logLine(request, reply));
    });
    server.setMemoryLimit(static_cast<qsizetype>(megabytes) * 1024 * 1024);
    server.setStallLimit(std::chrono::milliseconds(std::llround(stallSeconds * 1000)));
    server.setNotice([](const QHostAddress& peer, const QByteArray& text) {
        print(now() + ' ' + (peer.isNull() ? QByteArray("-") : peer.toString().toUtf8()) + ' ' +
              printable(text));
    });
    if (!server.listen(address, port))
        return fail("cannot listen on " + listen.toStdString() + ": " +
                    server.errorString().toStdString());
    print("listening on " + server.origin().toUtf8() + '/');
    return QCoreApplication::exec();
}
