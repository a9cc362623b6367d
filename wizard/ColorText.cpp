#include "wizard/ColorText.h"

#include "format/HexDigit.h"
#include "util/UserError.h"

#include <cstdio>

std::string ColorToHtml(Color color) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", static_cast<unsigned>(color & 0xFF),
                  static_cast<unsigned>((color >> 8) & 0xFF),
                  static_cast<unsigned>((color >> 16) & 0xFF));
    return buf;
}

Color HtmlToColor(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c != '#')
            digits.push_back(c);
    }
    const auto piece = [&](size_t from) {
        return from < digits.size() ? digits.substr(from, 2) : std::string();
    };
    const std::string red = piece(0), green = piece(2), blue = piece(4);
    const std::string joined = "$00" + blue + green + red;

    Color value = 0;
    for (const char c : blue + green + red) {
        const int d = hexDigitValue(c);
        if (d < 0)
            throw UserError("'" + joined + "' is not a valid integer value");
        value = (value << 4) | static_cast<Color>(d);
    }
    return value;
}

std::string StripTrailingLineBreak(std::string_view text) {
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
        text.remove_suffix(2);
    return std::string(text);
}
