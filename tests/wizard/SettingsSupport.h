#pragma once

// Settings compared, shown and changed field by field, by walking the
// settings table, and one styled snapshot, for the configuration and
// generator tests and the fuzz target (no test framework here).

#include "wizard/ColorText.h"
#include "wizard/SettingFields.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <variant>

namespace settingstest {

// A styled snapshot: every saved field away from its start value, and texts
// that need escaping in a tag line and in a page (markup, quotes, an ampersand,
// non-ASCII, an empty line). The box width and the bold text, which are not
// saved, keep their start values.
inline InfoBoxSettings everyFieldChanged() {
    InfoBoxSettings s;
    s.Border = 7;
    s.BorderColor = 0x123456;
    s.HBgColor = 0x800000; // navy
    s.HColor = 0xFFFFFF;
    s.HName = "Times New Roman";
    s.HSize = 30;
    s.HBold = s.HUnderline = s.HItalic = true;
    s.BBgColor = 0x00FFFF;
    s.BColor = 0x008000;
    s.BName = "Courier New";
    s.BSize = 9;
    s.BBold = s.BUnderline = s.BItalic = true;
    s.Target = TargetKind::Layer;
    s.LinkText = "Click <b>here</b>";
    s.LinkURL = "http://example.com/?a=1&b='2'";
    s.Image = "/home/author/pics/tip.gif";
    s.HeaderText = "Caf\xC3\xA9 \xE2\x82\xAC 5";
    s.BodyText = "First line\r\n\r\nThird line with \"quotes\"";
    s.OutputFormat = OutputChoice::CodeListing;
    s.Output = "  page one.htm";
    s.ScriptStyle = ScriptChoice::Accessible;
    return s;
}

// Every line break of the text (CR LF, lone CR, lone LF) replaced by `with`.
inline std::string lineBreaksReplaced(std::string_view text, std::string_view with) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += with;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Every line break as CR LF: how a tagged text file gives line breaks back,
// whatever form they had.
inline std::string lineBreaksAsCrLf(std::string_view text) {
    return lineBreaksReplaced(text, "\r\n");
}

// A value as a test reports it: flags as on and off, colours as #RRGGBB with
// the system colour's top byte in front when it is set.
inline std::string shown(const FieldValue& value) {
    if (const bool* on = std::get_if<bool>(&value))
        return *on ? "on" : "off";
    if (const Color* color = std::get_if<Color>(&value)) {
        if (*color <= 0xFFFFFF)
            return ColorToHtml(*color);
        char text[16];
        std::snprintf(text, sizeof text, "%02X:", static_cast<unsigned>(*color >> 24));
        return text + ColorToHtml(*color);
    }
    if (const int* number = std::get_if<int>(&value))
        return std::to_string(*number);
    return std::get<std::string>(value);
}

// The fields in which two snapshots differ, a line each with both values;
// empty when they are equal.
inline std::string differingFields(const InfoBoxSettings& actual, const InfoBoxSettings& expected) {
    std::string out;
    for (const SettingField& field : kSettingFields) {
        const FieldValue a = field.get(actual);
        const FieldValue e = field.get(expected);
        if (a != e)
            out += std::string(field.key) + ": " + shown(a) + " instead of " + shown(e) + "\n";
    }
    return out;
}

// What saving `saved` and loading the file over `before` gives, as the format
// defines it: fields that are not saved keep what `before` held, numbers are
// brought into their ranges, colours keep their low 24 bits, an empty font
// name keeps the font in place, the body loses one CR LF at its end, and every
// line break of a text comes back as CR LF. (A text holding its own closing
// tag or a NUL byte is cut; that is for the tests that make one.)
inline InfoBoxSettings afterSaveAndLoad(const InfoBoxSettings& saved,
                                        const InfoBoxSettings& before) {
    InfoBoxSettings out = saved;
    for (const SettingField& field : kSettingFields) {
        const FieldValue value = field.get(saved);
        if (!field.saved) {
            field.put(out, field.get(before));
            continue;
        }
        switch (field.kind) {
        case FieldKind::Number:
            field.put(out, std::clamp(std::get<int>(value), field.low, field.high));
            break;
        case FieldKind::Color:
            field.put(out, std::get<Color>(value) & 0xFFFFFF);
            break;
        case FieldKind::FontName:
            field.put(out, std::get<std::string>(value).empty()
                               ? field.get(before)
                               : lineBreaksAsCrLf(std::get<std::string>(value)));
            break;
        case FieldKind::Lines:
            field.put(out, lineBreaksAsCrLf(StripTrailingLineBreak(std::get<std::string>(value))));
            break;
        case FieldKind::Text:
            field.put(out, lineBreaksAsCrLf(std::get<std::string>(value)));
            break;
        case FieldKind::Flag:
        case FieldKind::Choice:
            break;
        }
    }
    return out;
}

// A snapshot that differs from `from` in every field, within the fields' ranges.
inline InfoBoxSettings everyFieldChangedFrom(const InfoBoxSettings& from) {
    InfoBoxSettings out;
    for (const SettingField& field : kSettingFields) {
        const FieldValue value = field.get(from);
        switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Choice:
            field.put(out, std::get<int>(value) == field.low ? field.high : field.low);
            break;
        case FieldKind::Color:
            field.put(out, ~std::get<Color>(value) & 0xFFFFFF);
            break;
        case FieldKind::Flag:
            field.put(out, !std::get<bool>(value));
            break;
        case FieldKind::FontName:
        case FieldKind::Text:
        case FieldKind::Lines:
            field.put(out, std::get<std::string>(value) + "unlike");
            break;
        }
    }
    return out;
}

} // namespace settingstest
