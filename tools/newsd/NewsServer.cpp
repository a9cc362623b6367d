#include "tools/newsd/NewsServer.h"

#include "format/TextCodec.h"
#include "tools/newsd/FormData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

constexpr char kUnit = '\xAF';
// What a details reply ends with.
constexpr char kEndMark[] = {kUnit, 'O', 'K', '\0'};
// What an item's header lines are read from.
constexpr qint64 kHeadBytes = 64 * 1024;

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

bool plainByte(char c) {
    static const QByteArrayView punctuation = "!#%&()*+,-./:;=?@[]_{|}~";
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           punctuation.contains(c);
}

void appendEscaped(QByteArrayView text, QByteArray& out) {
    static const char hex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (plainByte(c)) {
            out += c;
        } else {
            out += '$';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
}

// A large item's details reply: its text escaped a piece at a time from the
// open file as the client takes it, then the end mark. Held whole, the reply
// of a 4 MB item would take up to 12 MB for as long as its client takes to
// read it; this way it takes a piece.
class EscapedItem final : public QIODevice {
public:
    // The file is read from its current position to its end; nothing when
    // it cannot be read.
    static std::shared_ptr<EscapedItem> from(std::unique_ptr<QFile> file) {
        const qint64 start = file->pos();
        auto item = std::shared_ptr<EscapedItem>(new EscapedItem(std::move(file)));
        item->m_left = item->m_file->size() - start;
        for (qint64 left = item->m_left; left > 0;) {
            const qint64 read = item->m_file->read(item->m_raw, std::min(left, kPieceBytes));
            if (read <= 0)
                return nullptr;
            left -= read;
            item->m_size += NewsServer::dollarEscapedSize(QByteArrayView(item->m_raw, read));
        }
        item->m_size += qsizetype(sizeof kEndMark) - 1;
        item->m_pending.reserve(3 * kPieceBytes);
        if (!item->m_file->seek(start) || !item->open(ReadOnly | Unbuffered))
            return nullptr;
        return item;
    }

    bool isSequential() const override { return true; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 given = 0;
        while (given < maxSize) {
            if (m_at == m_pending.size()) {
                // Refilled in place: a reply allocates its buffers once.
                m_at = 0;
                m_pending.resize(0);
                if (m_left > 0) {
                    const qint64 read = m_file->read(m_raw, std::min(m_left, kPieceBytes));
                    if (read <= 0)
                        return -1;
                    m_left -= read;
                    appendEscaped(QByteArrayView(m_raw, read), m_pending);
                } else if (!m_ended) {
                    m_ended = true;
                    m_pending += kEndMark;
                } else {
                    break;
                }
                // A file changed in place since its size was taken: cut
                // short rather than send more than was announced.
                m_given += m_pending.size();
                if (m_given > m_size)
                    return -1;
            }
            const qint64 n = std::min(maxSize - given, m_pending.size() - m_at);
            std::memcpy(data + given, m_pending.constData() + m_at, static_cast<size_t>(n));
            m_at += n;
            given += n;
        }
        return given;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // Small, so that what waits here adds little to what the reply holds.
    static constexpr qint64 kPieceBytes = 16 * 1024;

    explicit EscapedItem(std::unique_ptr<QFile> file) : m_file(std::move(file)) {}

    std::unique_ptr<QFile> m_file;
    char m_raw[kPieceBytes];
    qint64 m_size = 0;  // the reply's length
    qint64 m_left = 0;  // text bytes not read yet
    qint64 m_given = 0; // escaped bytes made so far
    QByteArray m_pending;
    qsizetype m_at = 0; // what of m_pending was taken
    bool m_ended = false;
};

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
        auto file = std::make_unique<QFile>(item->file);
        if (!file->open(QIODevice::ReadOnly))
            return word("CONNECTIONFAIL");
        reply.note = "item " + QByteArray::number(item->id);
        // The header lines are read from the first 64 KiB, as the list reads them.
        const QByteArray head = file->read(kHeadBytes);
        const qsizetype textAt = head.size() - parseItemFile(head).text.size();
        if (file->atEnd()) {
            reply.body = dollarEscape(QByteArrayView(head).sliced(textAt)) + kEndMark;
            return reply;
        }
        if (!file->seek(textAt) || !(reply.file = EscapedItem::from(std::move(file))))
            return word("CONNECTIONFAIL");
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
        const ItemFile parsed = parseItemFile(file.read(kHeadBytes));
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

qint64 NewsServer::dollarEscapedSize(QByteArrayView text) {
    qint64 size = 0;
    for (const char c : text)
        size += plainByte(c) ? 1 : 3;
    return size;
}

QByteArray NewsServer::dollarEscape(QByteArrayView text) {
    QByteArray escaped;
    escaped.reserve(text.size() * 2);
    appendEscaped(text, escaped);
    return escaped;
}
