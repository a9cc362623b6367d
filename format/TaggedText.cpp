#include "format/TaggedText.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr std::string_view kOpenStart = "<%%";
constexpr std::string_view kCloseStart = "<%%/";
constexpr std::string_view kTagEnd = "%%>";

// Only A-Z fold: other bytes, those of accented letters included, must match exactly.
inline char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool equalCaseBlind(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace

namespace taggedtext {

std::string openingTag(std::string_view key) {
    std::string tag;
    tag.reserve(kOpenStart.size() + key.size() + kTagEnd.size());
    tag.append(kOpenStart).append(key).append(kTagEnd);
    return tag;
}

std::string closingTag(std::string_view key) {
    std::string tag;
    tag.reserve(kCloseStart.size() + key.size() + kTagEnd.size());
    tag.append(kCloseStart).append(key).append(kTagEnd);
    return tag;
}

size_t findCaseBlind(std::string_view text, std::string_view needle) {
    if (needle.empty())
        return 0;
    if (needle.size() > text.size())
        return std::string_view::npos;
    const char* const begin = text.data();
    const char* const lastStart = begin + (text.size() - needle.size());
    const char first = needle.front();
    const char firstUpper = upperAscii(first);
    const bool firstIsLetter = isAsciiLetter(first);
    const char* p = begin;
    while (p <= lastStart) {
        if (firstIsLetter) {
            if (upperAscii(*p) != firstUpper) {
                ++p;
                continue;
            }
        } else {
            // Tags begin with '<': memchr skips the text between tags at full speed.
            p = static_cast<const char*>(
                std::memchr(p, first, static_cast<size_t>(lastStart - p) + 1));
            if (!p)
                return std::string_view::npos;
        }
        if (equalCaseBlind(p + 1, needle.data() + 1, needle.size() - 1))
            return static_cast<size_t>(p - begin);
        ++p;
    }
    return std::string_view::npos;
}

namespace {

// Calls line(view) for every line of the text as a file reader sees it.
template <typename LineFn> void forEachLine(std::string_view bytes, LineFn&& line) {
    const size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    // The next CR and the next LF are each looked up with memchr and kept until
    // passed, so a multi-megabyte profile is split at memchr speed.
    const auto next = [&](char c, size_t from) {
        const size_t n = bytes.size() - from;
        const void* hit = n ? std::memchr(bytes.data() + from, c, n) : nullptr;
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - bytes.data())
                   : bytes.size();
    };
    size_t pos = 0;
    size_t cr = next('\r', 0);
    size_t lf = next('\n', 0);
    while (pos < bytes.size()) {
        if (cr < pos)
            cr = next('\r', pos);
        if (lf < pos)
            lf = next('\n', pos);
        const size_t end = std::min(cr, lf);
        line(bytes.substr(pos, end - pos));
        pos = end;
        if (pos < bytes.size() && bytes[pos] == '\r')
            ++pos;
        if (pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
}

} // namespace

std::vector<std::string> splitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    forEachLine(bytes, [&](std::string_view l) { lines.emplace_back(l); });
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines) {
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string toWorkingText(std::string_view bytes) {
    std::string out;
    // Lone CR or LF endings grow by one byte each; most files already use CR LF.
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    forEachLine(bytes, [&](std::string_view l) {
        out.append(l);
        out.append("\r\n");
    });
    return out;
}

} // namespace taggedtext

std::string MakeTagLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(kOpenStart.size() + kCloseStart.size() + 2 * (key.size() + kTagEnd.size()) +
                 value.size());
    line.append(kOpenStart).append(key).append(kTagEnd);
    line.append(value);
    line.append(kCloseStart).append(key).append(kTagEnd);
    return line;
}

std::string ExtractTag(std::string_view& workingText, std::string_view openingTag,
                       std::string_view closingTag) {
    const size_t open = taggedtext::findCaseBlind(workingText, openingTag);
    if (open == std::string_view::npos)
        return std::string();
    workingText.remove_prefix(open + openingTag.size());

    const size_t close = taggedtext::findCaseBlind(workingText, closingTag);
    if (close == std::string_view::npos)
        return std::string();
    std::string value(workingText.substr(0, close));
    workingText.remove_prefix(close);
    return value;
}

void SetTagLine(std::vector<std::string>& lines, std::string_view key, std::string_view value) {
    const std::string opening = taggedtext::openingTag(key);
    for (auto& line : lines) {
        if (line.find(opening) != std::string::npos) {
            line = MakeTagLine(key, value);
            return;
        }
    }
    lines.push_back(MakeTagLine(key, value));
}

TagReader::TagReader(std::string workingText)
    : m_text(std::move(workingText)), m_remaining(m_text) {}

std::string TagReader::read(std::string_view key) {
    m_opening.assign(kOpenStart).append(key).append(kTagEnd);
    m_closing.assign(kCloseStart).append(key).append(kTagEnd);
    return ExtractTag(m_remaining, m_opening, m_closing);
}
