// The element snippet for random settings, read back the way a browser reads
// it: the handler attribute ends at the first double quote and its character
// references are decoded, then the script call must parse and hand each box
// text over exactly as the author typed it (HTML, with <br> for a line break).

#include "wizard/ColorText.h"
#include "wizard/Generator.h"

#include "tests/wizard/PropertySupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

using namespace generator;

namespace {

constexpr int kCases = 1000;

bool take(std::string_view& s, std::string_view literal) {
    if (!s.starts_with(literal))
        return false;
    s.remove_prefix(literal.size());
    return true;
}

// An attribute value: everything up to the next double quote, which ends it.
std::string_view attributeValue(std::string_view& s) {
    const size_t end = std::min(s.find('"'), s.size());
    const std::string_view value = s.substr(0, end);
    s.remove_prefix(end);
    return value;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the character references of an attribute value. Only complete
// "&amp;", "&quot;", "&lt;", "&gt;" and "&#<decimal>;" are accepted: an ampersand that starts
// anything else would be read by the browser's own rules (named references,
// references without their semicolon), which the generator must not leave to chance.
std::optional<std::string> decodeAttribute(std::string_view value, std::string& why) {
    std::string out;
    while (!value.empty()) {
        if (value.front() != '&') {
            out += value.front();
            value.remove_prefix(1);
            continue;
        }
        if (take(value, "&amp;")) {
            out += '&';
        } else if (take(value, "&quot;")) {
            out += '"';
        } else if (take(value, "&lt;")) {
            out += '<';
        } else if (take(value, "&gt;")) {
            out += '>';
        } else if (take(value, "&#")) {
            char32_t cp = 0;
            size_t digits = 0;
            while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9' &&
                   digits < 8)
                cp = cp * 10 + static_cast<char32_t>(value[digits++] - '0');
            if (digits == 0 || digits >= value.size() || value[digits] != ';') {
                why = "a numeric reference without digits or semicolon";
                return std::nullopt;
            }
            value.remove_prefix(digits + 1);
            appendUtf8(out, cp);
        } else {
            why = "an ampersand left to the browser: " + std::string(value.substr(0, 12));
            return std::nullopt;
        }
    }
    return out;
}

// One single-quoted script string: only \\ and \' are escapes, and a line
// break may not stand in it.
std::optional<std::string> scriptString(std::string_view& s) {
    if (!take(s, "'"))
        return std::nullopt;
    std::string out;
    while (!s.empty()) {
        const char c = s.front();
        s.remove_prefix(1);
        if (c == '\'')
            return out;
        if (c == '\r' || c == '\n')
            return std::nullopt;
        if (c == '\\') {
            if (s.empty() || (s.front() != '\\' && s.front() != '\''))
                return std::nullopt;
            out += s.front();
            s.remove_prefix(1);
            continue;
        }
        out += c;
    }
    return std::nullopt;
}

// A box text as the script must receive it: the author's HTML, each line break as <br>.
std::string asBoxHtml(std::string_view text) {
    return settingstest::lineBreaksReplaced(text, "<br>");
}

// The three data attributes of the accessible style must each decode to the
// box text as the author typed it.
std::string accessibleFault(const InfoBoxSettings& s, std::string_view rest) {
    const auto skipAttribute = [&](std::string_view opening) {
        return take(rest, opening) && (attributeValue(rest), take(rest, "\""));
    };
    bool shaped = false;
    switch (s.Target) {
    case TargetKind::Link:
        shaped = skipAttribute("<a href=\"") && rest.ends_with("</a>");
        break;
    case TargetKind::Image:
        shaped = skipAttribute("<img src=\"") && skipAttribute(" alt=\"") && rest.ends_with(">");
        break;
    case TargetKind::Cell:
        shaped = take(rest, "<table><tr><td") && rest.ends_with(">TD Contents</td></tr></table>");
        break;
    case TargetKind::Layer:
        shaped = take(rest, "<div") && rest.ends_with(">DIV CONTENTS</div>");
        break;
    }
    const std::pair<const char*, std::string> expected[] = {
        {" data-infobox-header=\"", asBoxHtml(s.HeaderText)},
        {" data-infobox-title=\"", asBoxHtml(s.BoldText)},
        {" data-infobox-body=\"", asBoxHtml(StripTrailingLineBreak(s.BodyText))},
    };
    for (const auto& [opening, text] : expected) {
        if (!shaped || !take(rest, opening))
            return "the element is not shaped as it should be";
        std::string why;
        const std::optional<std::string> value = decodeAttribute(attributeValue(rest), why);
        if (!value)
            return why;
        if (*value != text)
            return std::string(opening) + " arrives as " + *value;
        shaped = take(rest, "\"");
    }
    return shaped && rest.starts_with(">") ? "" : "an attribute ends early: a raw double quote";
}

// Checks one snippet; returns what is wrong with it, or nothing.
std::string faultOf(const InfoBoxSettings& s, bool localPicture, const std::string& snippet) {
    if (snippet.find_first_of("\r\n") != std::string::npos)
        return "a raw line break in the snippet";
    if (s.ScriptStyle == ScriptChoice::Accessible)
        return accessibleFault(s, snippet);

    std::string_view rest = snippet;
    std::string_view handler;
    const auto handlerAttribute = [&](std::string_view opening) {
        if (!take(rest, opening))
            return false;
        handler = attributeValue(rest);
        return take(rest, "\" onMouseOut=\"exit();\">");
    };
    bool shaped = false;
    switch (s.Target) {
    case TargetKind::Link:
        shaped = take(rest, "<a href=\"") && (attributeValue(rest), true) &&
                 handlerAttribute("\" onMouseOver=\"") && rest.ends_with("</a>");
        break;
    case TargetKind::Image:
        shaped = take(rest, localPicture ? "<img src=\"file://" : "<img src=\"") &&
                 (attributeValue(rest), true) && handlerAttribute("\" border=0 onMouseOver=\"") &&
                 rest.empty();
        break;
    case TargetKind::Cell:
        shaped = handlerAttribute("<table><tr><td onMouseOver=\"") &&
                 rest == "TD Contents</td></tr></table>";
        break;
    case TargetKind::Layer:
        shaped = handlerAttribute("<div onMouseOver=\"") && rest == "DIV CONTENTS</div>";
        break;
    }
    if (!shaped)
        return "an attribute ends early: a raw double quote";

    std::string why;
    const std::optional<std::string> script = decodeAttribute(handler, why);
    if (!script)
        return why;
    std::string_view call = *script;
    std::optional<std::string> texts[3];
    if (!take(call, "infobox(") || !(texts[0] = scriptString(call)) || !take(call, ",") ||
        !(texts[1] = scriptString(call)) || !take(call, ",") || !(texts[2] = scriptString(call)) ||
        call != ");")
        return "the handler is not one call with three script strings: " + *script;
    if (*texts[0] != asBoxHtml(s.HeaderText))
        return "the header text arrives as " + *texts[0];
    if (*texts[1] != asBoxHtml(s.BoldText))
        return "the title arrives as " + *texts[1];
    if (*texts[2] != asBoxHtml(StripTrailingLineBreak(s.BodyText)))
        return "the body text arrives as " + *texts[2];
    return {};
}

} // namespace

TEST(GeneratorProperty, SnippetIsOneLineAndTheHandlerHandsEveryTextOverExactly) {
    property::Random random;
    for (int i = 0; i < kCases; ++i) {
        const InfoBoxSettings s = random.settings();
        const bool localPicture = random.chance(2);
        const std::string snippet = elementSnippet(s, localPicture);
        const std::string fault = faultOf(s, localPicture, snippet);
        ASSERT_EQ(fault, "") << "seed " << property::kSeed << ", case " << i
                             << "\nsnippet: " << snippet;

        // The sample page keeps its lines around it: a CR LF after each and no
        // other line break.
        const auto lines = samplePageLines(snippet, s.ScriptStyle);
        const std::string page = joinLines(lines);
        const auto count = static_cast<std::ptrdiff_t>(lines.size());
        ASSERT_EQ(std::count(page.begin(), page.end(), '\n'), count) << "case " << i;
        ASSERT_EQ(std::count(page.begin(), page.end(), '\r'), count) << "case " << i;
    }
}

// The references an author types are part of the HTML of the box: they must
// reach the box as typed, not be decoded once more on the way into the script.
TEST(GeneratorProperty, TypedCharacterReferencesCannotBreakTheScript) {
    InfoBoxSettings s;
    s.Target = TargetKind::Layer;
    for (const char* typed : {"It&#39;s", "&apos;", "C:&#92;", "one&#10;two", "&#x27;", "&lt;b&gt;",
                              "&amp;", "&quot;'", "a &#13;"}) {
        s.HeaderText = s.BoldText = s.BodyText = typed;
        for (const auto style : {ScriptChoice::Classic, ScriptChoice::Accessible}) {
            s.ScriptStyle = style;
            const std::string snippet = elementSnippet(s, false);
            EXPECT_EQ(faultOf(s, false, snippet), "") << typed << "\nsnippet: " << snippet;
        }
    }
}
