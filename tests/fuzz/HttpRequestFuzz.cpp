// The news server's request parser on any bytes: no crash; the same answer
// whether the bytes come at once or in pieces of any size, as a client may
// send them; a request it takes holds only what a proxy in front reads the
// same way (token names, no control bytes, one length), and written out
// again plainly it reads back as the same request.
//
// The first input byte chooses how the rest arrives: bits 0-2 the size of
// the pieces, bit 3 a room of 64 times bits 4-6 bytes instead of none, bit 7
// a header line that brings the head to the edge of the header limit.

#include "tests/fuzz/FuzzSupport.h"

#include "tools/newsd/HttpParser.h"

#include <QByteArray>

#include <algorithm>
#include <limits>

namespace {

bool tokenText(const QByteArray& text) {
    static const QByteArray punctuation = "!#$%&'*+-.^_`|~";
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               punctuation.contains(c);
    });
}

bool sameRequest(const HttpRequest& a, const HttpRequest& b) {
    return a.method == b.method && a.target == b.target && a.path == b.path &&
           a.version == b.version && a.headers == b.headers;
}

bool sameParse(const HttpParse& a, const HttpParse& b) {
    return a.state == b.state && a.status == b.status && a.why == b.why &&
           a.headBytes == b.headBytes && a.bodyBytes == b.bodyBytes &&
           (a.headBytes == 0 || sameRequest(a.request, b.request));
}

void checkTaken(const HttpParse& parse, const QByteArray& bytes, qsizetype room) {
    const HttpRequest& request = parse.request;
    FUZZ_REQUIRE(parse.headBytes > 0 && parse.headBytes <= HttpParse::MaxHeaderBytes + 3);
    FUZZ_REQUIRE(parse.bodyBytes >= 0 && parse.bodyBytes <= HttpParse::MaxBodyBytes);
    FUZZ_REQUIRE(parse.headBytes + parse.bodyBytes <= std::min(bytes.size(), room));
    FUZZ_REQUIRE(tokenText(request.method));
    const qsizetype query = request.target.indexOf('?');
    FUZZ_REQUIRE(!request.target.isEmpty() &&
                 request.path == (query < 0 ? request.target : request.target.first(query)));
    for (const char c : request.target)
        FUZZ_REQUIRE(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F);
    FUZZ_REQUIRE(request.version.size() == 8 && request.version.startsWith("HTTP/1.") &&
                 request.version[7] >= '0' && request.version[7] <= '9');
    int lengths = 0;
    for (const auto& [name, value] : request.headers) {
        FUZZ_REQUIRE(tokenText(name));
        for (const char c : value)
            FUZZ_REQUIRE(c == '\t' || (static_cast<unsigned char>(c) >= 0x20 &&
                                       static_cast<unsigned char>(c) != 0x7F));
        FUZZ_REQUIRE(!value.startsWith(' ') && !value.startsWith('\t'));
        FUZZ_REQUIRE(!value.endsWith(' ') && !value.endsWith('\t'));
        const QByteArray lower = name.toLower();
        FUZZ_REQUIRE(lower != "transfer-encoding");
        if (lower == "content-length") {
            ++lengths;
            qsizetype length = 0;
            for (const char c : value) {
                FUZZ_REQUIRE(c >= '0' && c <= '9');
                length = std::min<qsizetype>(length * 10 + (c - '0'), HttpParse::MaxBodyBytes + 1);
            }
            FUZZ_REQUIRE(!value.isEmpty() && length == parse.bodyBytes);
        }
    }
    FUZZ_REQUIRE(lengths <= 1 && (lengths == 1 || parse.bodyBytes == 0));

    // Written out plainly, the same request (when that still fits the limit).
    QByteArray again = request.method + ' ' + request.target + ' ' + request.version + "\r\n";
    for (const auto& [name, value] : request.headers)
        again += name + ": " + value + "\r\n";
    again += "\r\n";
    if (again.size() - 3 > HttpParse::MaxHeaderBytes)
        return;
    const QByteArray body = bytes.mid(parse.headBytes, parse.bodyBytes);
    const HttpParse reread = parseHttpRequest(again + body, std::numeric_limits<qsizetype>::max());
    FUZZ_REQUIRE(reread.state == HttpParse::State::Complete);
    FUZZ_REQUIRE(sameRequest(reread.request, request) && reread.bodyBytes == parse.bodyBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const unsigned control = data[0];
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    if (control & 0x80) {
        const qsizetype line = bytes.indexOf('\n') + 1;
        const qsizetype fill = HttpParse::MaxHeaderBytes - 8 - line + (size % 16);
        if (line > 0 && fill > 0)
            bytes.insert(line, "X: " + QByteArray(fill, 'a') + "\r\n");
    }
    static constexpr qsizetype kPieces[] = {1, 2, 3, 5, 8, 13, 64, 4096};
    const qsizetype piece = kPieces[control & 7];
    const qsizetype room =
        control & 8 ? 64 * ((control >> 4) & 7) : std::numeric_limits<qsizetype>::max();

    const HttpParse whole = parseHttpRequest(bytes, room);
    HttpParse parse;
    for (qsizetype have = 0; have < bytes.size() && parse.state == HttpParse::State::NeedMore;) {
        have = std::min(bytes.size(), have + piece);
        const qsizetype scanned = parse.scanned;
        parse = parseHttpRequest(QByteArrayView(bytes).first(have), room, std::move(parse));
        FUZZ_REQUIRE(parse.scanned >= scanned && parse.scanned <= have);
    }
    FUZZ_REQUIRE(sameParse(parse, whole));

    switch (whole.state) {
    case HttpParse::State::Refused:
        FUZZ_REQUIRE(!whole.why.isEmpty());
        FUZZ_REQUIRE(whole.status == 400 || whole.status == 411 || whole.status == 413 ||
                     whole.status == 431 || whole.status == 503);
        break;
    case HttpParse::State::Complete:
        checkTaken(whole, bytes, room);
        break;
    case HttpParse::State::NeedMore:
        FUZZ_REQUIRE(whole.headBytes == 0
                         ? bytes.size() <= std::min(HttpParse::MaxHeaderBytes + 2, room)
                         : bytes.size() < whole.headBytes + whole.bodyBytes);
        break;
    }
    return 0;
}
