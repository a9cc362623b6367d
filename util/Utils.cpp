#include "util/Utils.h"

#include "format/HexDigit.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

void SplitByChar(char delimiter, std::string_view text, std::vector<std::string>& list) {
    list.clear();
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(delimiter, start);
        if (at == std::string_view::npos) {
            // A piece after the last delimiter counts only when it is not empty.
            if (start < text.size())
                list.emplace_back(text.substr(start));
            return;
        }
        list.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
}

std::vector<std::string> SplitByChar(char delimiter, std::string_view text) {
    std::vector<std::string> list;
    SplitByChar(delimiter, text, list);
    return list;
}

namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Marks the bytes of `word` equal to '$' with their high bit (exact: no
// false positives from borrows).
uint64_t dollarBytes(uint64_t word) {
    constexpr uint64_t kDollars = 0x2424242424242424ull;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t x = word ^ kDollars; // '$' bytes become zero
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// Index of the first marked byte of a dollarBytes() result, in memory order.
int firstMarkedByte(uint64_t marks) {
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(marks) / 8;
    else
        return std::countl_zero(marks) / 8;
}

} // namespace

std::string DecodeDollarEscapes(std::string_view text) {
    // Decoded text is never longer than the input, and never ahead of it:
    // write into a buffer of the input's size and cut it to what was written.
    std::string result(text.size(), '\0');
    char* out = result.data();
    const char* in = text.data();
    const char* const end = in + text.size();

    // Eight bytes at a time while eight remain: copy them whole, then step
    // only past the bytes before the first '$' and decode that escape. The
    // store cannot overrun, since `out` never passes `in`.
    while (end - in >= 8) {
        uint64_t word;
        std::memcpy(&word, in, 8);
        std::memcpy(out, &word, 8);
        const uint64_t marks = dollarBytes(word);
        if (marks == 0) {
            in += 8;
            out += 8;
            continue;
        }
        const int plain = firstMarkedByte(marks);
        in += plain;
        out += plain;
        if (end - in < 3)
            break; // an escape cut short by the end: the tail below judges it
        const int high = hexDigitValue(in[1]);
        const int low = hexDigitValue(in[2]);
        if ((high | low) < 0)
            return {};
        *out++ = static_cast<char>(high * 16 + low);
        in += 3;
    }

    while (in < end) {
        if (*in != '$') {
            *out++ = *in++;
            continue;
        }
        // Up to two digits; a single one only where the text ends after it.
        const ptrdiff_t digits = std::min<ptrdiff_t>(2, end - in - 1);
        if (digits == 0)
            return {};
        const int high = hexDigitValue(in[1]);
        const int low = digits == 2 ? hexDigitValue(in[2]) : 0;
        if ((high | low) < 0)
            return {};
        *out++ = static_cast<char>(digits == 2 ? high * 16 + low : high);
        in += 1 + digits;
    }
    result.resize(static_cast<size_t>(out - result.data()));
    return result;
}

std::string browserPathFromCommand(std::string_view command) {
    std::string lowered(command);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), asciiLower);
    const size_t exe = lowered.find(".exe");
    std::string path = (exe == std::string::npos ? std::string() : lowered.substr(0, exe)) + ".exe";
    path.erase(std::remove(path.begin(), path.end(), '"'), path.end());
    return path;
}

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
// What a browser drops around an address: C0 controls and the blank.
bool isControlOrBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// The length of the scheme that `text` begins with, or 0 when it has none. A
// name followed by ':' and a port ("example.com:8080/x", "localhost:80") is a
// host, as a browser's address bar reads it, not a scheme.
size_t schemeLength(std::string_view text) {
    if (text.empty() || !isAsciiLetter(text[0]))
        return 0;
    size_t end = 1;
    while (end < text.size() && (isAsciiLetter(text[end]) || isAsciiDigit(text[end]) ||
                                 text[end] == '+' || text[end] == '-' || text[end] == '.'))
        ++end;
    if (end == text.size() || text[end] != ':')
        return 0;
    size_t port = end + 1;
    while (port < text.size() && isAsciiDigit(text[port]))
        ++port;
    const bool hostAndPort =
        port > end + 1 &&
        (port == text.size() || std::string_view("/?#").find(text[port]) != std::string_view::npos);
    return hostAndPort ? 0 : end;
}

} // namespace

std::optional<std::string> browsableAddress(std::string_view address) {
    while (!address.empty() && isControlOrBlank(address.front()))
        address.remove_prefix(1);
    while (!address.empty() && isControlOrBlank(address.back()))
        address.remove_suffix(1);
    std::string text;
    text.reserve(address.size());
    for (const char c : address)
        if (c != '\t' && c != '\n' && c != '\r')
            text += c;
    if (text.empty())
        return text;
    // A reference within a page or a server ("#top", "/x", "?q", "\\\\host\\share") names no web
    // address.
    if (std::string_view("#/?\\").find(text.front()) != std::string_view::npos)
        return std::nullopt;

    const size_t length = schemeLength(text);
    if (length == 0)
        return "http://" + text;
    std::string scheme = text.substr(0, length);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), asciiLower);
    if (scheme == "http" || scheme == "https" || scheme == "mailto")
        return text;
    return std::nullopt;
}

std::string addressForCommandLine(std::string_view address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(address.size());
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"') {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

bool OpenInBrowser(std::string_view address, const ProgramStarter& start) {
    const std::optional<std::string> browsable = browsableAddress(address);
    if (!browsable)
        return false;
    const std::string program = registeredHttpBrowser();
    if (program.empty())
        return false;
    return start(program, *browsable);
}
