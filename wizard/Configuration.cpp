#include "wizard/Configuration.h"

#include "format/HexDigit.h"
#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "util/SaveFile.h"
#include "util/UserError.h"
#include "wizard/ColorText.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

std::string flagText(bool on) {
    // Earlier copies wrote the platform's "true" integer.
    return on ? "-1" : "0";
}

[[noreturn]] void notAnInteger(std::string_view text) {
    throw UserError("'" + std::string(text) + "' is not a valid integer value");
}

bool equalsCaseBlind(std::string_view text, std::string_view word) {
    return text.size() == word.size() && taggedtext::findCaseBlind(text, word) == 0;
}

std::optional<FieldValue> readChoice(const SettingField& field, std::string_view text) {
    if (field.reading == ChoiceReading::Number) {
        const int value = configuration::parseInteger(text);
        if (value >= field.low && value <= field.high)
            return value;
        return std::nullopt;
    }
    for (int value = field.low; value <= field.high; ++value) {
        if (text == std::to_string(value))
            return value;
    }
    return std::nullopt;
}

// A value as its field's tag line holds it.
std::string valueText(const SettingField& field, const FieldValue& value) {
    switch (field.kind) {
    case FieldKind::Number:
    case FieldKind::Choice:
        return std::to_string(std::get<int>(value));
    case FieldKind::Color:
        return ColorToHtml(std::get<Color>(value));
    case FieldKind::Flag:
        return flagText(std::get<bool>(value));
    case FieldKind::Lines:
        return StripTrailingLineBreak(std::get<std::string>(value));
    case FieldKind::FontName:
    case FieldKind::Text:
        break;
    }
    return std::get<std::string>(value);
}

// The value of a field's tag line; `present` tells whether the file holds the
// key at all (a missing key reads as the empty text). Nothing for a choice
// that leaves the field as it is.
std::optional<FieldValue> readValue(const SettingField& field, std::string_view text,
                                    bool present) {
    if (!present && field.whenAbsent)
        return *field.whenAbsent;
    switch (field.kind) {
    case FieldKind::Number:
        return configuration::parseInteger(text);
    case FieldKind::Color:
        return HtmlToColor(text);
    case FieldKind::Flag:
        return configuration::parseFlag(text);
    case FieldKind::Choice:
        return readChoice(field, text);
    case FieldKind::FontName:
    case FieldKind::Text:
    case FieldKind::Lines:
        break;
    }
    return std::string(text);
}

} // namespace

void SettingsTarget::set(const SettingField& field, const FieldValue& value) {
    if (field.kind == FieldKind::Number) {
        field.put(m_settings, std::clamp(std::get<int>(value), field.low, field.high));
        return;
    }
    if (field.kind == FieldKind::FontName && std::get<std::string>(value).empty())
        return;
    field.put(m_settings, value);
}

namespace configuration {

const std::vector<std::string_view>& keys() {
    static const std::vector<std::string_view> list = [] {
        std::vector<std::string_view> saved;
        for (const SettingField& field : kSettingFields) {
            if (field.saved)
                saved.push_back(field.key);
        }
        return saved;
    }();
    return list;
}

std::vector<std::string> lines(const InfoBoxSettings& settings) {
    std::vector<std::string> out;
    out.reserve(keys().size());
    for (const SettingField& field : kSettingFields) {
        if (field.saved)
            out.push_back(MakeTagLine(field.key, valueText(field, field.get(settings))));
    }
    return out;
}

std::string toBytes(const InfoBoxSettings& settings) {
    return taggedtext::joinLines(lines(settings));
}

void saveFile(const InfoBoxSettings& settings, const QString& fileName) {
    writeFileAtomically(fileName, toBytes(settings));
}

int parseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        notAnInteger(text);

    // The magnitude may reach 2^31 for the most negative value; anything past it
    // overflows, however many digits follow.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = base == 16 ? hexDigitValue(text[i])
                                     : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            notAnInteger(text);
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit)
            notAnInteger(text);
    }
    if (!negative && magnitude == kLimit)
        notAnInteger(text);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

bool parseFlag(std::string_view text) {
    if (equalsCaseBlind(text, "True"))
        return true;
    if (equalsCaseBlind(text, "False"))
        return false;
    try {
        return parseInteger(text) != 0;
    } catch (const UserError&) {
        throw UserError("'" + std::string(text) + "' is not a valid boolean value");
    }
}

void load(std::string_view fileBytes, ConfigurationTarget& target) {
    load(fileBytes, target, kSettingFields);
}

void load(std::string_view fileBytes, ConfigurationTarget& target,
          std::span<const SettingField> fields) {
    // Lines are cut first so that bytes behind a NUL cannot decide the encoding.
    TagReader reader(textcodec::decodeToUtf8(taggedtext::toWorkingText(fileBytes)));
    // Where a NUL ends the text, the same file read as if it held none tells
    // which field it costs: the first one read differently.
    std::optional<TagReader> withoutNul;
    if (fileBytes.find('\0') != std::string_view::npos) {
        std::string bytes(fileBytes);
        std::erase(bytes, '\0');
        withoutNul.emplace(textcodec::decodeToUtf8(taggedtext::toWorkingText(bytes)));
    }
    for (const SettingField& field : fields) {
        if (!field.saved)
            continue;
        // Reading drops the text up to the opening tag: when it is found, less is left.
        const size_t before = reader.remaining().size();
        const std::string text = reader.read(field.key);
        const bool present = reader.remaining().size() != before;
        if (withoutNul) {
            const size_t wholeBefore = withoutNul->remaining().size();
            const std::string whole = withoutNul->read(field.key);
            if (whole != text || (withoutNul->remaining().size() != wholeBefore) != present) {
                target.textEndedAt(field, present);
                withoutNul.reset();
            }
        }
        if (const auto value = readValue(field, text, present))
            target.set(field, *value);
    }
}

bool loadFile(const QString& fileName, ConfigurationTarget& target) {
    QFile file(fileName);
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        throw UserError(
            textcodec::toUtf8(QStringLiteral("Cannot open file \"%1\". %2")
                                  .arg(QDir::toNativeSeparators(fileName), file.errorString())));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw UserError(
            textcodec::toUtf8(QStringLiteral("Cannot read file \"%1\". %2")
                                  .arg(QDir::toNativeSeparators(fileName), file.errorString())));
    load(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), target);
    return true;
}

} // namespace configuration
