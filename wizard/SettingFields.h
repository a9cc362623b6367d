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

template <auto Member> constexpr SettingField row(std::string_view key, FieldKind kind) {
    SettingField f;
    f.key = key;
    f.kind = kind;
    f.id = fieldId<Member>();
    f.get = [](const InfoBoxSettings& s) { return toFieldValue(s.*Member); };
    f.put = [](InfoBoxSettings& s, const FieldValue& v) {
        s.*Member = fromFieldValue<MemberType<Member>>(v);
    };
    return f;
}

template <auto Member> constexpr SettingField number(std::string_view key, int low, int high) {
    static_assert(std::is_same_v<MemberType<Member>, int>);
    SettingField f = row<Member>(key, FieldKind::Number);
    f.low = low;
    f.high = high;
    return f;
}

template <auto Member> constexpr SettingField choice(std::string_view key, int low, int high) {
    static_assert(std::is_enum_v<MemberType<Member>>);
    SettingField f = row<Member>(key, FieldKind::Choice);
    f.low = low;
    f.high = high;
    return f;
}

template <auto Member> constexpr SettingField color(std::string_view key) {
    static_assert(std::is_same_v<MemberType<Member>, Color>);
    return row<Member>(key, FieldKind::Color);
}

template <auto Member> constexpr SettingField flag(std::string_view key) {
    static_assert(std::is_same_v<MemberType<Member>, bool>);
    return row<Member>(key, FieldKind::Flag);
}

template <auto Member> constexpr SettingField text(std::string_view key, FieldKind kind) {
    static_assert(std::is_same_v<MemberType<Member>, std::string>);
    return row<Member>(key, kind);
}

} // namespace settingfield

// The record. Saved fields stand in file order; BoxWidth and BoldText are
// never saved.
inline constexpr SettingField kSettingFields[] = {
    settingfield::number<&InfoBoxSettings::Border>("Border", 1, 10),
    settingfield::color<&InfoBoxSettings::BorderColor>("BorderColor"),
    settingfield::number<&InfoBoxSettings::BoxWidth>("BoxWidth", 0, 800).notSaved(),
    settingfield::color<&InfoBoxSettings::HBgColor>("HBgColor"),
    settingfield::color<&InfoBoxSettings::HColor>("HColor"),
    settingfield::text<&InfoBoxSettings::HName>("HName", FieldKind::FontName),
    settingfield::number<&InfoBoxSettings::HSize>("HSize", 9, 30),
    settingfield::flag<&InfoBoxSettings::HUnderline>("HUnderline"),
    settingfield::flag<&InfoBoxSettings::HItalic>("HItalic"),
    settingfield::flag<&InfoBoxSettings::HBold>("HBold"),
    settingfield::color<&InfoBoxSettings::BBgColor>("BBgColor"),
    settingfield::color<&InfoBoxSettings::BColor>("BColor"),
    settingfield::text<&InfoBoxSettings::BName>("BName", FieldKind::FontName),
    settingfield::number<&InfoBoxSettings::BSize>("BSize", 9, 30),
    settingfield::flag<&InfoBoxSettings::BUnderline>("BUnderline"),
    settingfield::flag<&InfoBoxSettings::BItalic>("BItalic"),
    settingfield::flag<&InfoBoxSettings::BBold>("BBold"),
    settingfield::choice<&InfoBoxSettings::Target>("Target", 1, 4),
    settingfield::text<&InfoBoxSettings::LinkText>("LinkText", FieldKind::Text),
    settingfield::text<&InfoBoxSettings::LinkURL>("LinkURL", FieldKind::Text),
    settingfield::text<&InfoBoxSettings::Image>("Image", FieldKind::Text),
    settingfield::text<&InfoBoxSettings::HeaderText>("HeaderText", FieldKind::Text),
    settingfield::text<&InfoBoxSettings::BoldText>("BoldText", FieldKind::Text).notSaved(),
    settingfield::text<&InfoBoxSettings::BodyText>("BodyText", FieldKind::Lines),
    settingfield::choice<&InfoBoxSettings::OutputFormat>("OutputFormat", 1, 2),
    settingfield::text<&InfoBoxSettings::Output>("Output", FieldKind::Text),
};

namespace settingfield {

// Where the member's row stands; a member without a row does not compile.
template <auto Member> consteval std::size_t indexOf() {
    for (std::size_t i = 0; i < std::size(kSettingFields); ++i) {
        if (kSettingFields[i].id == fieldId<Member>())
            return i;
    }
    throw std::logic_error("InfoBoxSettings member without a row in kSettingFields");
}

// Two rows of one member or one key would read a key twice.
consteval bool rowsDistinct() {
    for (std::size_t i = 0; i < std::size(kSettingFields); ++i) {
        for (std::size_t j = i + 1; j < std::size(kSettingFields); ++j) {
            if (kSettingFields[i].id == kSettingFields[j].id ||
                kSettingFields[i].key == kSettingFields[j].key)
                return false;
        }
    }
    return true;
}
static_assert(rowsDistinct(), "every member and every key has one row");

} // namespace settingfield

// The row of a member of InfoBoxSettings.
template <auto Member> constexpr const SettingField& settingField() {
    return kSettingFields[settingfield::indexOf<Member>()];
}
