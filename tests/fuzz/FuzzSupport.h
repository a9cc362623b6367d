#pragma once

// What the fuzz targets share: a check that stops the run with the broken
// rule's text, and plain reference versions of the byte routines that the
// program implements with shortcuts (memchr scans, eight bytes at a time).
// The references follow the documented rules one byte at a time, so any
// difference points at a shortcut.

#include "format/HexDigit.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A broken rule is a finding: it is printed and the run stops like a crash,
// so libFuzzer keeps the input.
#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken rule: %s\n", __FILE__, __LINE__, #condition);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzzref {

inline std::string_view bytesOf(const uint8_t* data, size_t size) {
    return std::string_view(reinterpret_cast<const char*>(data), size);
}

inline char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The first position where `needle` stands in `text`, letters A-Z compared
// in upper case, every other byte exact.
inline size_t findCaseBlind(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size())
        return std::string_view::npos;
    for (size_t at = 0; at + needle.size() <= text.size(); ++at) {
        size_t i = 0;
        while (i < needle.size() && upperAscii(text[at + i]) == upperAscii(needle[i]))
            ++i;
        if (i == needle.size())
            return at;
    }
    return std::string_view::npos;
}

// The consuming extraction, step by step as the format describes it.
inline std::string extractTag(std::string_view& working, std::string_view opening,
                              std::string_view closing) {
    const size_t open = findCaseBlind(working, opening);
    if (open == std::string_view::npos)
        return {};
    working.remove_prefix(open + opening.size());
    const size_t close = findCaseBlind(working, closing);
    if (close == std::string_view::npos)
        return {};
    std::string value(working.substr(0, close));
    working.remove_prefix(close);
    return value;
}

// Lines end at CR, LF or CR LF; a NUL byte ends the text.
inline std::vector<std::string> splitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\0')
            break;
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            continue;
        }
        line += c;
        open = true;
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// Every delimiter ends a piece, empty ones included; an empty last piece is dropped.
inline std::vector<std::string> splitByChar(char delimiter, std::string_view text) {
    std::vector<std::string> pieces;
    std::string piece;
    for (const char c : text) {
        if (c == delimiter) {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

// "$" and two hexadecimal digits stand for a byte; one digit only right at
// the end. Anything malformed empties the whole result. The digit values are
// the program's own hexDigitValue, checked byte by byte by its unit test;
// what this compares is the scanning around them.
inline std::string decodeDollarEscapes(std::string_view text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            out += text[i++];
            continue;
        }
        const size_t left = text.size() - i - 1;
        if (left == 0)
            return {};
        if (left == 1) {
            const int digit = hexDigitValue(text[i + 1]);
            if (digit < 0)
                return {};
            out += static_cast<char>(digit);
            i += 2;
            continue;
        }
        const int high = hexDigitValue(text[i + 1]);
        const int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return {};
        out += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return out;
}

// A signed 32-bit decimal number with an optional sign; anything else is 0.
inline int32_t decimalId(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return 0;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{1} << 31)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return 0;
    return static_cast<int32_t>(value);
}

} // namespace fuzzref
