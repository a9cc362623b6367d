#pragma once

#include "wizard/InfoBoxSettings.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// The settings record as a table: one row for every field of InfoBoxSettings,
// in the order configuration files hold them. The configuration reader and
// writer, the main window's controls and the tests walk this table, so a new
// setting is a member of InfoBoxSettings, a row here, the control that holds
// it and what the generator makes of it.

// What a field holds and how it is written, read and brought into range.
enum class FieldKind {
    Number,   // a whole number, brought into low..high when loaded
    Color,    // "#RRGGBB"
    FontName, // a font's name; loading an empty name keeps the font in place
    Flag,     // on or off, written "-1" or "0"
    Choice,   // one of the numbers low..high
    Text,     // written raw
    Lines,    // text with CR LF between its lines; one CR LF at its end is not saved
};

// How a choice reads its value from a configuration file.
enum class ChoiceReading {
    // Only the texts "low" ... "high" choose; any other text, a number with
    // blanks or leading zeros included, leaves the choice as it is.
    Digits,
    // A whole number as numbers are read (a non-number is the integer error);
    // a number outside low..high leaves the choice as it is.
    Number,
};

// A field's value on its way between a file, a snapshot and a control: int for
// numbers and choices, Color, bool for flags, and UTF-8 text for the rest.
using FieldValue = std::variant<int, Color, bool, std::string>;

// A field's identity: one address per member of InfoBoxSettings.
using FieldId = const void*;

template <auto Member> struct FieldIdentity { static constexpr char tag = 0; };

template <auto Member> constexpr FieldId fieldId() {
    return &FieldIdentity<Member>::tag;
}

// Turns a member's value into a FieldValue and back; choices travel as their numbers.
template <class T> FieldValue toFieldValue(const T& value) {
    if constexpr (std::is_enum_v<T>)
        return static_cast<int>(value);
    else
        return value;
}

template <class T> T fromFieldValue(const FieldValue& value) {
    if constexpr (std::is_enum_v<T>)
        return static_cast<T>(std::get<int>(value));
    else
        return std::get<T>(value);
}

struct SettingField {
    std::string_view key; // the field's name, and its tag in configuration files
    FieldKind kind = FieldKind::Text;
    int low = 0, high = 0; // Number: its range; Choice: its values
    bool saved = true;     // part of configuration files
    ChoiceReading reading = ChoiceReading::Digits;
    // Number and Choice: the value a file without the key gives. Without it a
    // missing key reads as the empty text.
    std::optional<int> whenAbsent;

    FieldId id = nullptr;
    FieldValue (*get)(const InfoBoxSettings&) = nullptr;
    void (*put)(InfoBoxSettings&, const FieldValue&) = nullptr;

    // Changes for the rows that differ from the usual.
    constexpr SettingField notSaved() const {
        SettingField f = *this;
        f.saved = false;
        return f;
    }
    constexpr SettingField readAsNumber() const {
        SettingField f = *this;
        f.reading = ChoiceReading::Number;
        return f;
    }
    constexpr SettingField absentAs(int value) const {
        SettingField f = *this;
        f.whenAbsent = value;
        return f;
    }
};

namespace settingfield {

template <auto Member>
using MemberType = std::remove_cvref_t<decltype(std::declval<InfoBoxSettings&>().*Member)>;

// Whether a member of type T holds values of the kind.
template <class T> constexpr bool holds(FieldKind kind) {
    switch (kind) {
    case FieldKind::Number:
        return std::is_same_v<T, int>;
    case FieldKind::Choice:
        return std::is_enum_v<T>;
    case FieldKind::Color:
        return std::is_same_v<T, Color>;
    case FieldKind::Flag:
        return std::is_same_v<T, bool>;
    case FieldKind::FontName:
    case FieldKind::Text:
    case FieldKind::Lines:
        break;
    }
    return std::is_same_v<T, std::string>;
}

// A row for the member. In the constant table a kind the member's type cannot
// hold does not compile.
template <auto Member>
constexpr SettingField row(std::string_view key, FieldKind kind, int low = 0, int high = 0) {
    if (!holds<MemberType<Member>>(kind))
        throw std::logic_error("the member's type does not hold values of this kind");
    SettingField f;
    f.key = key;
    f.kind = kind;
    f.low = low;
    f.high = high;
    f.id = fieldId<Member>();
    f.get = [](const InfoBoxSettings& s) { return toFieldValue(s.*Member); };
    f.put = [](InfoBoxSettings& s, const FieldValue& v) {
        s.*Member = fromFieldValue<MemberType<Member>>(v);
    };
    return f;
}

} // namespace settingfield

// The record. Saved fields stand in file order; BoxWidth and BoldText are
// never saved.
inline constexpr SettingField kSettingFields[] = {
    settingfield::row<&InfoBoxSettings::Border>("Border", FieldKind::Number, 1, 10),
    settingfield::row<&InfoBoxSettings::BorderColor>("BorderColor", FieldKind::Color),
    settingfield::row<&InfoBoxSettings::BoxWidth>("BoxWidth", FieldKind::Number, 0, 800).notSaved(),
    settingfield::row<&InfoBoxSettings::HBgColor>("HBgColor", FieldKind::Color),
    settingfield::row<&InfoBoxSettings::HColor>("HColor", FieldKind::Color),
    settingfield::row<&InfoBoxSettings::HName>("HName", FieldKind::FontName),
    settingfield::row<&InfoBoxSettings::HSize>("HSize", FieldKind::Number, 9, 30),
    settingfield::row<&InfoBoxSettings::HUnderline>("HUnderline", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::HItalic>("HItalic", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::HBold>("HBold", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::BBgColor>("BBgColor", FieldKind::Color),
    settingfield::row<&InfoBoxSettings::BColor>("BColor", FieldKind::Color),
    settingfield::row<&InfoBoxSettings::BName>("BName", FieldKind::FontName),
    settingfield::row<&InfoBoxSettings::BSize>("BSize", FieldKind::Number, 9, 30),
    settingfield::row<&InfoBoxSettings::BUnderline>("BUnderline", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::BItalic>("BItalic", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::BBold>("BBold", FieldKind::Flag),
    settingfield::row<&InfoBoxSettings::Target>("Target", FieldKind::Choice, 1, 4),
    settingfield::row<&InfoBoxSettings::LinkText>("LinkText", FieldKind::Text),
    settingfield::row<&InfoBoxSettings::LinkURL>("LinkURL", FieldKind::Text),
    settingfield::row<&InfoBoxSettings::Image>("Image", FieldKind::Text),
    settingfield::row<&InfoBoxSettings::HeaderText>("HeaderText", FieldKind::Text),
    settingfield::row<&InfoBoxSettings::BoldText>("BoldText", FieldKind::Text).notSaved(),
    settingfield::row<&InfoBoxSettings::BodyText>("BodyText", FieldKind::Lines),
    settingfield::row<&InfoBoxSettings::OutputFormat>("OutputFormat", FieldKind::Choice, 1, 2),
    settingfield::row<&InfoBoxSettings::Output>("Output", FieldKind::Text),
    // Files written before the choice existed have no such key: classic.
    settingfield::row<&InfoBoxSettings::ScriptStyle>("ScriptStyle", FieldKind::Choice, 1, 2)
        .readAsNumber()
        .absentAs(1),
};

namespace settingfield {

// Two rows of one key would read the key twice.
consteval bool keysDistinct() {
    for (std::size_t i = 0; i < std::size(kSettingFields); ++i) {
        for (std::size_t j = i + 1; j < std::size(kSettingFields); ++j) {
            if (kSettingFields[i].key == kSettingFields[j].key)
                return false;
        }
    }
    return true;
}
static_assert(keysDistinct(), "every key has one row");

} // namespace settingfield

// The row of a member of InfoBoxSettings. (The rows' addresses cannot be
// compared while compiling under the undefined-behaviour sanitizer, so the
// row is looked up when the program runs.)
template <auto Member> const SettingField& settingField() {
    for (const SettingField& field : kSettingFields) {
        if (field.id == fieldId<Member>())
            return field;
    }
    throw std::logic_error("InfoBoxSettings member without a row in kSettingFields");
}
