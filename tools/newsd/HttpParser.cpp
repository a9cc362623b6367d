#include "tools/newsd/HttpParser.h"

#include <algorithm>
#include <limits>

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool blank(char c) {
    return c == ' ' || c == '\t';
}

bool tokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
}

bool token(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), tokenChar);
}

// Visible ASCII, as a request target is written.
bool targetText(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F;
    });
}

// A field value may hold tabs and bytes above 0x7F, no other control bytes.
bool valueText(QByteArrayView text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

QByteArrayView trimBlanks(QByteArrayView text) {
    while (!text.isEmpty() && blank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && blank(text.back()))
        text.chop(1);
    return text;
}

HttpParse refuse(HttpParse parse, int status, const char* why) {
    parse.state = HttpParse::State::Refused;
    parse.status = status;
    parse.why = why;
    return parse;
}

// The LF ending the last header line, when the empty line after it has
// arrived; `headBytes` is then where the body starts. Only an end within the
// header limit counts. Searches on from `scanned` and moves it past what
// cannot start an end.
qsizetype headEnd(QByteArrayView bytes, qsizetype& scanned, qsizetype& headBytes) {
    qsizetype at = scanned;
    for (; at < bytes.size() && at <= HttpParse::MaxHeaderBytes; ++at) {
        at = bytes.indexOf('\n', at);
        if (at < 0 || at > HttpParse::MaxHeaderBytes)
            break;
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') {
            headBytes = at + 2;
            return at;
        }
        if (at + 2 < bytes.size() && bytes[at + 1] == '\r' && bytes[at + 2] == '\n') {
            headBytes = at + 3;
            return at;
        }
    }
    // An LF among the last two bytes may yet start the empty line.
    scanned = std::max(scanned, bytes.size() - 2);
    return -1;
}

// The body's length: digits only, so that a proxy cannot read another
// number from the same text. Saturates far above the body limit.
bool contentLength(QByteArrayView text, qsizetype& length) {
    if (text.isEmpty())
        return false;
    length = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        length = std::min<qsizetype>(length * 10 + (c - '0'), HttpParse::MaxBodyBytes + 1);
    }
    return true;
}

HttpParse readHead(HttpParse parse, QByteArrayView head) {
    HttpRequest& request = parse.request;
    qsizetype lineStart = 0;
    bool first = true;
    bool hasLength = false;
    bool hasTransferEncoding = false;
    while (lineStart <= head.size()) {
        qsizetype lineEnd = head.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = head.size();
        QByteArrayView line = head.sliced(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.contains('\r'))
            return refuse(std::move(parse), 400, "a CR inside a line");
        if (first) {
            first = false;
            const qsizetype space = line.indexOf(' ');
            const qsizetype secondSpace = space < 0 ? -1 : line.indexOf(' ', space + 1);
            if (secondSpace < 0)
                return refuse(std::move(parse), 400, "no request line");
            const QByteArrayView method = line.first(space);
            const QByteArrayView target = line.sliced(space + 1, secondSpace - space - 1);
            const QByteArrayView version = line.sliced(secondSpace + 1);
            if (!token(method) || !targetText(target) || version.size() != 8 ||
                !version.startsWith("HTTP/1.") || version[7] < '0' || version[7] > '9')
                return refuse(std::move(parse), 400, "no request line");
            request.method = method.toByteArray();
            request.target = target.toByteArray();
            request.version = version.toByteArray();
            const qsizetype query = target.indexOf('?');
            request.path = query < 0 ? request.target : request.target.left(query);
            continue;
        }
        if (!line.isEmpty() && blank(line.front()))
            return refuse(std::move(parse), 400, "a folded header line");
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            return refuse(std::move(parse), 400, "a header line without a colon");
        const QByteArrayView name = line.first(colon);
        if (!name.isEmpty() && blank(name.back()))
            return refuse(std::move(parse), 400, "white space before a colon");
        if (!token(name))
            return refuse(std::move(parse), 400, "a header name that is not a token");
        const QByteArrayView value = trimBlanks(line.sliced(colon + 1));
        if (!valueText(value))
            return refuse(std::move(parse), 400, "a control byte in a header value");
        if (sameName(name, "Content-Length")) {
            // Even two equal lengths are refused: no client of this server
            // sends two, and a request that has them is one that a proxy
            // in front may have read in another way.
            if (hasLength)
                return refuse(std::move(parse), 400, "more than one Content-Length");
            hasLength = true;
            if (!contentLength(value, parse.bodyBytes))
                return refuse(std::move(parse), 400, "a broken Content-Length");
        } else if (sameName(name, "Transfer-Encoding")) {
            hasTransferEncoding = true;
        }
        request.headers.emplace_back(name.toByteArray(), value.toByteArray());
    }
    if (hasTransferEncoding && hasLength)
        return refuse(std::move(parse), 400, "Transfer-Encoding beside Content-Length");
    if (hasTransferEncoding)
        return refuse(std::move(parse), 411, "a body without Content-Length");
    if (parse.bodyBytes > HttpParse::MaxBodyBytes)
        return refuse(std::move(parse), 413, "a body over 8 MiB");
    return parse;
}

} // namespace

QByteArray HttpRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (sameName(key, name))
            return value;
    }
    return {};
}

HttpParse parseHttpRequest(QByteArrayView bytes, qsizetype room, HttpParse parse) {
    if (parse.state != HttpParse::State::NeedMore)
        return parse;
    room = std::max<qsizetype>(room, 0);
    if (parse.headBytes == 0) {
        qsizetype headBytes = 0;
        const qsizetype end = headEnd(bytes, parse.scanned, headBytes);
        if (end < 0 || headBytes > room) {
            // The first limit the bytes pass decides, wherever they were
            // cut: 431 once no end can start within the header limit (the
            // last that could is LF CR LF from the limit's last byte on),
            // 503 once they fill the room without a head that fits.
            const qsizetype fullHead = HttpParse::MaxHeaderBytes + 3;
            const qsizetype fullRoom =
                room == std::numeric_limits<qsizetype>::max() ? room : room + 1;
            if (end >= 0 || bytes.size() >= std::min(fullHead, fullRoom)) {
                return end < 0 && fullHead <= fullRoom
                           ? refuse(std::move(parse), 431, "header lines over 64 KiB")
                           : refuse(std::move(parse), 503, "over the memory limit");
            }
            return parse;
        }
        parse = readHead(std::move(parse), bytes.first(end));
        if (parse.state == HttpParse::State::Refused)
            return parse;
        if (headBytes + parse.bodyBytes > room)
            return refuse(std::move(parse), 503, "over the memory limit");
        parse.headBytes = headBytes;
    }
    if (bytes.size() - parse.headBytes >= parse.bodyBytes)
        parse.state = HttpParse::State::Complete;
    return parse;
}
