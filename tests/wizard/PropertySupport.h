#pragma once

#include "wizard/InfoBoxSettings.h"

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

    InfoBoxSettings settings() {
        InfoBoxSettings s;
        s.Border = between(settings_limits::kBorderMin, settings_limits::kBorderMax);
        s.BorderColor = color();
        s.BoxWidth = between(settings_limits::kBoxWidthMin, settings_limits::kBoxWidthMax);
        s.HBgColor = color();
        s.HColor = color();
        s.HName = fontName();
        s.HSize = between(settings_limits::kFontSizeMin, settings_limits::kFontSizeMax);
        s.HBold = chance(2);
        s.HUnderline = chance(2);
        s.HItalic = chance(2);
        s.BBgColor = color();
        s.BColor = color();
        s.BName = fontName();
        s.BSize = between(settings_limits::kFontSizeMin, settings_limits::kFontSizeMax);
        s.BBold = chance(2);
        s.BUnderline = chance(2);
        s.BItalic = chance(2);
        s.Target = static_cast<TargetKind>(between(1, 4));
        s.LinkText = text();
        s.LinkURL = text();
        s.Image = text();
        s.HeaderText = text();
        s.BoldText = text();
        s.BodyText = text(60);
        s.OutputFormat = static_cast<OutputChoice>(between(1, 2));
        s.Output = text(10);
        return s;
    }

private:
    std::mt19937 m_engine;
};

// Every line break (CR LF, lone CR, lone LF) as CR LF: how a tagged text file
// gives line breaks back, whatever form they had.
inline std::string lineBreaksAsCrLf(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace property
