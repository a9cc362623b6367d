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

bool OpenInBrowser(std::string_view address, const ProgramStarter& start) {
    const std::string program = registeredHttpBrowser();
    if (program.empty())
        return false;
    return start(program, std::string(address));
}
