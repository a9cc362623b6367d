#include "format/TextCodec.h"

#include <QByteArray>
#include <QString>

namespace textcodec {

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        char32_t minimum;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, cp = c & 0x1F, minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, cp = c & 0x0F, minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, cp = c & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        for (int i = 1; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

} // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out.push_back(ch);
        else if (c < 0xA0)
            appendUtf8(out, kHighControls[c - 0x80]);
        else
            appendUtf8(out, c);
    }
    return out;
}

std::string decodeToUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return windows1252ToUtf8(bytes);
}

QString decodeToQString(std::string_view bytes) {
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string utf8 = windows1252ToUtf8(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString decodeToQString(const QByteArray& bytes) {
    return decodeToQString(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

char32_t nextCodePoint(std::string_view utf8, size_t& pos) {
    const auto c = static_cast<unsigned char>(utf8[pos]);
    if (c < 0x80) {
        ++pos;
        return c;
    }
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || pos + static_cast<size_t>(extra) >= utf8.size() ||
        !isValidUtf8(utf8.substr(pos, static_cast<size_t>(extra) + 1))) {
        ++pos;
        return U'\uFFFD';
    }
    char32_t cp = c & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(utf8[pos + static_cast<size_t>(i)]) & 0x3F);
    pos += static_cast<size_t>(extra) + 1;
    return cp;
}

std::string toUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QString fromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace textcodec
