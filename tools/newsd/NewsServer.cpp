#include "tools/newsd/NewsServer.h"

#include "format/TextCodec.h"
#include "tools/newsd/FormData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

constexpr char kUnit = '\xAF';

// A folder or file name taken from a request: one plain name, never a way
// out of the folder it is looked up in.
bool plainName(const QByteArray& name) {
    if (name.isEmpty() || name == "." || name == "..")
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
}

// A non-negative decimal number without sign or leading zeros, as item ids are written.
[[nodiscard]] bool itemId(QByteArrayView text, std::int32_t& id) {
    if (text.isEmpty() || (text.size() > 1 && text[0] == '0'))
        return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, id);
    return result.ec == std::errc() && result.ptr == end && text[0] != '-';
}

NewsServer::Reply word(const char* text) {
    NewsServer::Reply reply;
    reply.body = text;
    reply.note = text;
    return reply;
}

NewsServer::Reply status(int code, QByteArray note) {
    NewsServer::Reply reply;
    reply.status = code;
    reply.contentType = "text/plain";
    reply.body = HttpExchange::reasonPhrase(code);
    reply.note = std::move(note);
    return reply;
}

QByteArray lower(QByteArray text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

} // namespace

NewsServer::NewsServer(QString root, QByteArray newsBase)
    : m_root(std::move(root)), m_newsBase(std::move(newsBase)) {
    if (!m_newsBase.startsWith('/'))
        m_newsBase.prepend('/');
    if (!m_newsBase.endsWith('/'))
        m_newsBase.append('/');
}

NewsServer::Reply NewsServer::handle(const HttpRequest& request) const {
    if (request.path == m_newsBase + "getlastnews.php")
        return news(request, false);
    if (request.path == m_newsBase + "getnewsdetails.php")
        return news(request, true);
    if (request.path.startsWith("/liveupdate/"))
        return updateFile(request);
    return status(404, "no such page");
}

NewsServer::Reply NewsServer::news(const HttpRequest& request, bool details) const {
    if (request.method != "POST")
        return status(405, "the news scripts take POST only");
    const std::optional<std::vector<FormPart>> form = parseForm(request);
    if (!form)
        return status(400, "not a form");

    const QString newsFolder = m_root + QStringLiteral("/news");
    if (!QFileInfo(newsFolder).isDir())
        return word("CONNECTIONFAIL");
    const QByteArray publisher = formValue(*form, "memusername").value_or(QByteArray());
    if (!plainName(publisher) ||
        !QFileInfo(newsFolder + u'/' + QString::fromUtf8(publisher)).isDir())
        return word("INVALIDUSER");
    const QByteArray product = formValue(*form, "prodtype").value_or(QByteArray()) + '-' +
                               formValue(*form, "prodcode").value_or(QByteArray());
    const QString productFolder =
        newsFolder + u'/' + QString::fromUtf8(publisher) + u'/' + QString::fromUtf8(product);
    if (!plainName(product) || product.startsWith('-') || product.endsWith('-') ||
        !QFileInfo(productFolder).isDir())
        return word("INVALIDPRODUCT");

    const std::vector<Item> all = items(productFolder);
    Reply reply;
    if (details) {
        std::int32_t id = 0;
        const QByteArray wanted = formValue(*form, "newsid").value_or(QByteArray());
        const auto item = std::find_if(all.begin(), all.end(), [&](const Item& candidate) {
            return itemId(wanted, id) && candidate.id == id;
        });
        if (item == all.end())
            return word("INVALIDNEWS");
        QFile file(item->file);
        if (!file.open(QIODevice::ReadOnly))
            return word("CONNECTIONFAIL");
        reply.body = dollarEscape(parseItemFile(file.readAll()).text) + kUnit + "OK";
        reply.note = "item " + QByteArray::number(item->id);
        return reply;
    }

    const QByteArray kind = formValue(*form, "conttype").value_or(QByteArray());
    bool changed = false;
    if (kind == "all") {
        for (const Item& item : all) {
            reply.body += QByteArray::number(item.id) + '^' + fieldText(item.title, &changed) +
                          '^' + fieldText(item.date, &changed) + kUnit;
        }
        reply.body += "OK";
        reply.note = QByteArray::number(all.size()) + (all.size() == 1 ? " item" : " items");
    } else if (kind == "lastcode") {
        if (!all.empty())
            reply.body = QByteArray::number(all.front().id) + '^' +
                         fieldText(all.front().title, &changed) + kUnit;
        reply.body += "OK";
        reply.note =
            all.empty() ? QByteArray("no item") : "latest " + QByteArray::number(all.front().id);
    } else {
        return status(400, "conttype is neither all nor lastcode");
    }
    if (changed)
        reply.note += " (\"^\" or byte 0xAF in a title or date sent as \"?\")";
    return reply;
}

NewsServer::Reply NewsServer::updateFile(const HttpRequest& request) const {
    if (request.method != "GET" && request.method != "HEAD")
        return status(405, "update files take GET and HEAD only");
    QString path = m_root;
    const QByteArray decoded = QByteArray::fromPercentEncoding(request.path);
    for (const QByteArray& segment : decoded.mid(1).split('/')) {
        if (!plainName(segment))
            return status(404, "no such file");
        path += u'/' + QString::fromUtf8(segment);
    }
    if (!QFileInfo(path).isFile())
        return status(404, "no such file");
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        return status(503, "cannot open the file: " + file->errorString().toUtf8());
    Reply reply;
    const QByteArray suffix = lower(decoded.mid(decoded.lastIndexOf('.') + 1));
    reply.contentType = suffix == "inf" || suffix == "ini" || suffix == "txt"
                            ? QByteArray("text/plain")
                            : QByteArray("application/octet-stream");
    reply.note = QByteArray::number(file->size()) + " bytes";
    reply.file = std::move(file);
    return reply;
}

std::vector<NewsServer::Item> NewsServer::items(const QString& productFolder) {
    std::vector<Item> found;
    const QDir folder(productFolder);
    for (const QFileInfo& info : folder.entryInfoList({QStringLiteral("*.news")}, QDir::Files)) {
        Item item;
        if (!itemId(info.completeBaseName().toUtf8(), item.id))
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const ItemFile parsed = parseItemFile(file.read(64 * 1024));
        item.title = parsed.title;
        item.date = parsed.date;
        item.file = info.filePath();
        found.push_back(std::move(item));
    }
    std::sort(found.begin(), found.end(), [](const Item& a, const Item& b) { return a.id > b.id; });
    return found;
}

NewsServer::ItemFile NewsServer::parseItemFile(const QByteArray& bytes) {
    ItemFile item;
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            end = bytes.size();
        const QByteArray line = bytes.mid(at, end - at).trimmed();
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = lower(line.left(colon).trimmed());
        if (line.isEmpty()) {
            at = end + 1; // the empty line after the header lines
            break;
        }
        if (colon < 0 || (name != "title" && name != "date"))
            break; // no header lines: the whole file is the text
        (name == "title" ? item.title : item.date) = line.mid(colon + 1).trimmed();
        at = end + 1;
    }
    item.text = bytes.mid(std::min(at, bytes.size()));
    return item;
}

QByteArray NewsServer::fieldText(const QByteArray& text, bool* changed) {
    const std::string_view bytes(text.constData(), static_cast<size_t>(text.size()));
    const bool utf8 = textcodec::isValidUtf8(bytes);
    QByteArray safe;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t start = pos;
        if (utf8)
            textcodec::nextCodePoint(bytes, pos);
        else
            ++pos;
        const std::string_view character = bytes.substr(start, pos - start);
        if (character == "^" || character.find(kUnit) != std::string_view::npos) {
            safe += '?';
            if (changed)
                *changed = true;
        } else {
            safe.append(character.data(), static_cast<qsizetype>(character.size()));
        }
    }
    return safe;
}

QByteArray NewsServer::dollarEscape(const QByteArray& text) {
    static const QByteArray plain = "!#%&()*+,-./:;=?@[]_{|}~";
    static const char hex[] = "0123456789ABCDEF";
    QByteArray escaped;
    escaped.reserve(text.size() * 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            plain.contains(c)) {
            escaped += c;
        } else {
            escaped += '$';
            escaped += hex[byte >> 4];
            escaped += hex[byte & 0x0F];
        }
    }
    return escaped;
}
