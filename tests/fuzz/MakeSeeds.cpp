// Writes the seed corpora of the fuzz targets, one folder per target, from
// the program's own writers: configuration files from configuration::toBytes,
// brand profiles from tag lines and writeProtectedFile, news replies from the
// reference news server answering the program's own requests, requests to
// that server around the program's own form bodies, JPEG banners from
// libjpeg's compressor. scripts/fuzz.sh runs it before the targets, so
// the seeds always follow the formats as the writers make them now.
//
//   fuzz_seeds FOLDER

#include "format/TaggedText.h"
#include "net/HttpClient.h"
#include "net/NewsProtocol.h"
#include "tests/support/JpegWriter.h"
#include "tests/wizard/SettingsSupport.h"
#include "tools/newsd/NewsServer.h"
#include "util/ProtectedFile.h"
#include "wizard/Configuration.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

QString outFolder;

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "fuzz_seeds: %s\n", qPrintable(what));
    std::exit(1);
}

void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("cannot write %1").arg(name));
}

QByteArray readFile(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1").arg(name));
    return file.readAll();
}

void seed(const char* target, const char* name, const QByteArray& bytes) {
    const QString folder = outFolder + u'/' + QLatin1String(target);
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("cannot create %1").arg(folder));
    writeFile(folder + u'/' + QLatin1String(name), bytes);
}

QByteArray bytesOf(const std::string& text) {
    return QByteArray::fromStdString(text);
}

// --- configuration files ---------------------------------------------------

void configurationSeeds() {
    seed("configuration_fuzz", "start.set", bytesOf(configuration::toBytes(InfoBoxSettings())));

    // Styled, with a link text that holds a tag of its own and a Windows path.
    InfoBoxSettings s = settingstest::everyFieldChanged();
    s.Target = TargetKind::Cell;
    s.LinkText = "Say \"hello\" \\ it's <%%Border%%> here";
    s.Image = "C:\\Pictures\\box.gif";
    seed("configuration_fuzz", "styled.set", bytesOf(configuration::toBytes(s)));

    // As earlier copies wrote them: Windows-1252 texts, lone line feeds.
    s.HeaderText = "Caf\xE9 \x80 5";
    std::string older = configuration::toBytes(s);
    for (size_t at; (at = older.find("\r\n")) != std::string::npos;)
        older.replace(at, 2, "\n");
    seed("configuration_fuzz", "older.set", bytesOf(older));
}

// --- brand profiles ---------------------------------------------------------

std::string profileText(bool full) {
    std::vector<std::pair<std::string, std::string>> values = {
        {"ApplicationName", "Tipsmith Pro"},
        {"BranderCode", "ACME"},
        {"BranderType", full ? "Gold" : "Free"},
        {"AffiliateURL", "http://partner.example/?aff=%%AFFILIATEID%%&x=%%AFFILIATEID%%"},
        {"AffiliateTYPE", "cpc"},
        {"AffiliateID", "42"},
        {"MasterNewsBaseURL", "http://127.0.0.1:8780/news"},
        {"PlatinumNewsBaseURL", ""},
        {"GoldNewsBaseURL", "http://127.0.0.1:8780/news/"},
        {"MasterPublID", "1000"},
        {"PlatinumPublID", ""},
        {"GoldPublID", "1001"},
        {"MakeMoneyButton", "Earn"},
        {"AppHelpURL", "http://help.example/"},
        {"CopyrightYears", "2004-2024"},
        {"CopyrightCompany", "ACME Ltd."},
        {"AboutText", "Made for you.\r\nSecond line."},
    };
    if (full) {
        values.insert(values.end(), {{"Welcome1", "<html><body>Hello</body></html>"},
                                     {"Welcome2", "<p>Welcome back</p>"},
                                     {"Banner1", "banners/top.jpg^http://ads.example/1"},
                                     {"Banner2", "c:\\art\\anim.GIF^http://ads.example/2"},
                                     {"Banner3", "^http://ads.example/3"},
                                     {"Link1", "Home^http://home.example/"},
                                     {"Link2", "Shop^http://shop.example/^extra"},
                                     {"Link3", "No address"}});
    }
    std::vector<std::string> lines;
    for (const auto& [key, value] : values)
        lines.push_back(MakeTagLine(key, value));
    if (full)
        SetTagLine(lines, "LastNewsId", "17");
    return taggedtext::joinLines(lines);
}

QByteArray sealed(const QByteArray& plain) {
    QTemporaryDir folder;
    const QString name = folder.path() + QStringLiteral("/dbsettings.dat");
    writeProtectedFile(name, plain);
    return readFile(name);
}

void brandSeeds() {
    const QByteArray full = bytesOf(profileText(true));
    const QByteArray small = bytesOf(profileText(false));
    seed("brand_profile_fuzz", "full", full);
    seed("brand_profile_fuzz", "small", small);
    seed("brand_profile_fuzz", "windows-1252",
         "<%%ApplicationName%%>Caf\xE9<%%/ApplicationName%%>\n"
         "<%%BranderType%%>Master<%%/BranderType%%>\r");
    // The first byte chooses: even a text sealed in the run, odd the file
    // itself; the second gives the length of the news id stored then.
    const auto fileSeed = [](char mode, const QByteArray& id, const QByteArray& rest) {
        return QByteArray(1, mode) + static_cast<char>(id.size()) + id + rest;
    };
    seed("brand_file_fuzz", "sealed-full", fileSeed(0, "42", full));
    seed("brand_file_fuzz", "sealed-small", fileSeed(0, "107", small));
    seed("brand_file_fuzz", "file-full", fileSeed(1, "42", sealed(full)));
    seed("brand_file_fuzz", "file-empty", fileSeed(1, "", sealed(QByteArray())));

    // The container reader: the program's pass phrase and work buffer (control
    // 0x0C), a container as the writer makes it, and the same text sealed in
    // the run (0x8C) and left intact.
    seed("decrypt_fuzz", "container", '\x0C' + sealed(small));
    seed("decrypt_fuzz", "sealed-intact", QByteArray("\x8C\x00\x00\x00", 4) + small);
}

// --- news replies -----------------------------------------------------------

QByteArray serverReply(const NewsServer& server, news::Request request, const char* publisher,
                       const char* newsId = "") {
    const std::vector<FormField> fields =
        news::requestFields(request, publisher, "ACME", "BG", news::NewsTarget, newsId);
    const QByteArray boundary = HttpClient::makeBoundary(fields);
    HttpRequest http;
    http.method = "POST";
    http.version = "HTTP/1.1";
    http.path = server.newsBase() + QByteArray(request == news::Request::Details
                                                   ? news::DetailsScript.data()
                                                   : news::ListScript.data());
    http.target = http.path;
    http.headers = {{"Content-Type", "multipart/form-data; boundary=" + boundary}};
    http.body = HttpClient::formBody(fields, boundary);
    const NewsServer::Reply reply = server.handle(http);
    if (reply.status != 200)
        fail(QStringLiteral("the news server answered %1").arg(reply.status));
    return reply.body;
}

void newsSeeds() {
    QTemporaryDir root;
    const QString product = root.path() + QStringLiteral("/news/1001/BG-ACME");
    if (!QDir().mkpath(product) ||
        !QDir().mkpath(root.path() + QStringLiteral("/news/1002/BG-ACME")))
        fail(QStringLiteral("cannot create the news folders"));
    writeFile(product + QStringLiteral("/3.news"),
              "Title: First ^ steps\nDate: 2024-01-05\n\n<p>Plain text, 100% & more.</p>\n");
    writeFile(product + QStringLiteral("/17.news"),
              "Title: Caf\xC3\xA9 \xC2\xAF news\nDate: 5 March\n\n<html><body>\r\n<h1>$ prices "
              "\xE2\x82\xAC</h1>\r\n<p>OK</p></body></html>\r\n");
    writeFile(product + QStringLiteral("/42.news"), "Title: Newest\nDate: today\n\nShort.");
    const NewsServer server(root.path(), "/news/");
    seed("news_reply_fuzz", "list", serverReply(server, news::Request::List, "1001"));
    seed("news_reply_fuzz", "latest", serverReply(server, news::Request::Latest, "1001"));
    seed("news_reply_fuzz", "details", serverReply(server, news::Request::Details, "1001", "17"));
    seed("news_reply_fuzz", "list-empty", serverReply(server, news::Request::List, "1002"));
    seed("news_reply_fuzz", "latest-none", serverReply(server, news::Request::Latest, "1002"));
    seed("news_reply_fuzz", "invalid-user", serverReply(server, news::Request::List, "9999"));
    seed("news_reply_fuzz", "invalid-news",
         serverReply(server, news::Request::Details, "1001", "5"));

    QTemporaryDir bare;
    const NewsServer unset(bare.path(), "/news/");
    seed("news_reply_fuzz", "connection-fail", serverReply(unset, news::Request::Latest, "1001"));
}

// --- requests to the news server --------------------------------------------

void httpSeeds() {
    // The first byte says how the request arrives (see HttpRequestFuzz.cpp):
    // whole, a byte at a time, into a small room, or near the header limit.
    const std::vector<FormField> fields =
        news::requestFields(news::Request::Details, "1001", "ACME", "BG", news::NewsTarget, "17");
    const QByteArray boundary = HttpClient::makeBoundary(fields);
    const QByteArray body = HttpClient::formBody(fields, boundary);
    const QByteArray head = "POST /news/getnewsdetails.php HTTP/1.1\r\nHost: 127.0.0.1:8780\r\n"
                            "Content-Type: multipart/form-data; boundary=" +
                            boundary + "\r\n";
    const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    const QByteArray post = head + length + "Connection: Keep-Alive\r\n\r\n" + body;
    const QByteArray get = "GET /liveupdate/tipsmith/mainappupdate.inf HTTP/1.1\r\nHost: x\r\n\r\n";
    seed("http_request_fuzz", "post", '\x07' + post);
    seed("http_request_fuzz", "post-bytes", '\x00' + post);
    seed("http_request_fuzz", "post-room", '\x7B' + post);
    seed("http_request_fuzz", "get-lf", '\x03' + QByteArray(get).replace("\r\n", "\n"));
    seed("http_request_fuzz", "get-header-limit", '\x86' + get);
    // Refused: what a proxy in front could read another way.
    seed("http_request_fuzz", "folded", '\x07' + head + length + "X-Note: a\r\n b\r\n\r\n" + body);
    seed("http_request_fuzz", "space-colon",
         '\x07' + head + "Content-Length : " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    seed("http_request_fuzz", "two-lengths", '\x07' + head + length + length + "\r\n" + body);
    seed("http_request_fuzz", "chunked-and-length",
         '\x07' + head + "Transfer-Encoding: chunked\r\n" + length + "\r\n" + body);
}

// --- update information -----------------------------------------------------

void updateSeeds() {
    seed("update_info_fuzz", "newer.inf", "[APPLICATION]\r\nName=Tipsmith\r\nVersion=2.1\r\n");
    seed("update_info_fuzz", "same.inf", "[Application]\nVersion = 2.0\n");
    seed("update_info_fuzz", "quoted.inf",
         "\xEF\xBB\xBF; update information\r\n[OTHER]\r\nVersion=9\r\n[ application ]\r\n"
         "version=\"2.10\"\r\n");
    seed("update_info_fuzz", "exponent.inf", "[APPLICATION]\r\nVersion=2.0000001e0\r\n");
}

// --- JPEG banners -----------------------------------------------------------

// A picture of `components` samples per pixel in a diagonal pattern, at
// quality 75.
QByteArray seedJpeg(int width, int height, int components, J_COLOR_SPACE space,
                    const JpegTuneFn& tune) {
    return encodeJpeg(
        width, height, components, space,
        [components](int x, int y, JSAMPLE* pixel) {
            for (int c = 0; c < components; ++c)
                pixel[c] = static_cast<JSAMPLE>((x * 37 + y * 11 + c * 80) & 0xFF);
        },
        tune, 75);
}

void jpegSeeds() {
    seed("jpeg_decoder_fuzz", "rgb.jpg", seedJpeg(24, 16, 3, JCS_RGB, {}));
    seed("jpeg_decoder_fuzz", "grey.jpg", seedJpeg(17, 9, 1, JCS_GRAYSCALE, {}));
    seed("jpeg_decoder_fuzz", "progressive.jpg",
         seedJpeg(20, 20, 3, JCS_RGB,
                  [](jpeg_compress_struct& info) { jpeg_simple_progression(&info); }));
    seed("jpeg_decoder_fuzz", "restarts.jpg",
         seedJpeg(32, 8, 3, JCS_RGB, [](jpeg_compress_struct& info) {
             info.restart_interval = 1;
             info.optimize_coding = TRUE;
         }));
    seed("jpeg_decoder_fuzz", "adobe-cmyk.jpg",
         seedJpeg(16, 16, 4, JCS_CMYK, [](jpeg_compress_struct& info) {
             jpeg_set_colorspace(&info, JCS_CMYK);
             info.write_Adobe_marker = TRUE;
         }));
    seed("jpeg_decoder_fuzz", "ycck.jpg",
         seedJpeg(16, 16, 4, JCS_CMYK,
                  [](jpeg_compress_struct& info) { jpeg_set_colorspace(&info, JCS_YCCK); }));
    seed("jpeg_decoder_fuzz", "rgb-unconverted.jpg",
         seedJpeg(8, 8, 3, JCS_RGB,
                  [](jpeg_compress_struct& info) { jpeg_set_colorspace(&info, JCS_RGB); }));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    outFolder = QString::fromLocal8Bit(argv[1]);
    configurationSeeds();
    brandSeeds();
    newsSeeds();
    httpSeeds();
    updateSeeds();
    jpegSeeds();
    return 0;
}
