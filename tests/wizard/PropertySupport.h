#pragma once

#include "tests/wizard/SettingsSupport.h"
#include "wizard/SettingFields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// Random settings for the property tests. Every run uses the same seed, so a
// failure comes back on the next run; the seed is printed with each failure.
namespace property {

inline constexpr std::uint32_t kSeed = 20240607;

// The pieces random texts are made of: what authors type and what breaks
// naive writers and readers.
inline const std::vector<std::string_view>& textPieces() {
    static const std::vector<std::string_view> pieces = {
        // blanks and line breaks of every form
        " ", "  ", "\t", "\r\n", "\r", "\n", "\r\r\n", "\n\r",
        // quotes and backslashes, alone and as escape look-alikes
        "\"", "'", "\\", "\\'", "\\\"", "\\n", "\\\\", "''", "\"\"",
        // HTML, character references and tag-like text
        "<", ">", "&", "<b>", "</b>", "<br>", "<i>x</i>", "&amp;", "&quot;", "&#39;", "&apos;",
        "&#92;", "&#10;", "&#x27;", "&lt;b&gt;", "&nbsp;", "<%%Border%%>", "<%%/Border%%>",
        "<%%Output%%>", "<%%/OUTPUTFORMAT%%>", "<%%", "%%>", "<%%/%%>", "%%AFFILIATEID%%",
        // other punctuation
        "%", "/", "^", "$", "#", ";", ",", "(", ")", "=", "?",
        // outside ASCII: accents, the euro sign, curly quotes, CJK, an emoji,
        // no-break space, the line separator and a byte-order mark
        "\xC3\xA9", "\xC3\x9F", "\xE2\x82\xAC", "\xE2\x80\x9C", "\xE2\x80\x9D", "\xE4\xB8\xAD",
        "\xF0\x9F\x98\x80", "\xC2\xA0", "\xE2\x80\xA8", "\xEF\xBB\xBF"};
    return pieces;
}

class Random {
public:
    explicit Random(std::uint32_t seed = kSeed) : m_engine(seed) {}

    // A whole number in [low, high].
    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_engine);
    }
    bool chance(int inHowMany) { return between(1, inHowMany) == 1; }
    std::uint32_t bits() { return m_engine(); }

    template <class T> const T& pick(const std::vector<T>& from) {
        return from[static_cast<size_t>(between(0, static_cast<int>(from.size()) - 1))];
    }

    // Mostly letters and digits, mixed with the pieces above; now and then long.
    std::string text(int maxPieces = 30) {
        static constexpr std::string_view plain =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        const int count = chance(25) ? between(200, 2000) : between(0, maxPieces);
        std::string out;
        for (int i = 0; i < count; ++i) {
            if (chance(2))
                out += plain[static_cast<size_t>(between(0, static_cast<int>(plain.size()) - 1))];
            else
                out += pick(textPieces());
        }
        return out;
    }

    // Colours with the top byte set now and then: the platform's system colours.
    Color color() {
        const Color rgb = bits() & 0xFFFFFF;
        return chance(5) ? rgb | (static_cast<Color>(between(1, 0xFF)) << 24) : rgb;
    }

    // A font name as a font list shows it: never empty.
    std::string fontName() {
        static const std::vector<std::string> names = {"Arial",
                                                       "Times New Roman",
                                                       "Courier New",
                                                       "DejaVu Sans",
                                                       "Noto Sans CJK JP",
                                                       "M\xC3\xBCnchen Grotesk",
                                                       "\xE6\x98\x8E\xE6\x9C\x9D",
                                                       "Font \"Quoted\"",
                                                       "O'Brien Serif"};
        return chance(3) ? text(8) + "x" : pick(names);
    }

    // A value within the field's range, of its kind.
    FieldValue value(const SettingField& field) {
        switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Choice:
            return between(field.low, field.high);
        case FieldKind::Color:
            return color();
        case FieldKind::FontName:
            return fontName();
        case FieldKind::Flag:
            return chance(2);
        case FieldKind::Text:
            return text();
        case FieldKind::Lines:
            break;
        }
        return text(60);
    }

    InfoBoxSettings settings() {
        InfoBoxSettings s;
        for (const SettingField& field : kSettingFields)
            field.put(s, value(field));
        return s;
    }

private:
    std::mt19937 m_engine;
};

using settingstest::lineBreaksAsCrLf;

} // namespace property
