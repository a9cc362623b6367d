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

namespace {

constexpr std::string_view kKeys[] = {
    "Border",     "BorderColor", "HBgColor",   "HColor",   "HName",        "HSize",
    "HUnderline", "HItalic",     "HBold",      "BBgColor", "BColor",       "BName",
    "BSize",      "BUnderline",  "BItalic",    "BBold",    "Target",       "LinkText",
    "LinkURL",    "Image",       "HeaderText", "BodyText", "OutputFormat", "Output"};

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

} // namespace

void SettingsTarget::setBorder(int value) {
    m_settings.Border = std::clamp(value, settings_limits::kBorderMin, settings_limits::kBorderMax);
}

void SettingsTarget::setHSize(int value) {
    m_settings.HSize =
        std::clamp(value, settings_limits::kFontSizeMin, settings_limits::kFontSizeMax);
}

void SettingsTarget::setBSize(int value) {
    m_settings.BSize =
        std::clamp(value, settings_limits::kFontSizeMin, settings_limits::kFontSizeMax);
}

void SettingsTarget::setHName(const std::string& name) {
    if (!name.empty())
        m_settings.HName = name;
}

void SettingsTarget::setBName(const std::string& name) {
    if (!name.empty())
        m_settings.BName = name;
}

namespace configuration {

const std::vector<std::string_view>& keys() {
    static const std::vector<std::string_view> list(std::begin(kKeys), std::end(kKeys));
    return list;
}

std::vector<std::string> lines(const InfoBoxSettings& s) {
    const std::string values[] = {
        std::to_string(s.Border),
        ColorToHtml(s.BorderColor),
        ColorToHtml(s.HBgColor),
        ColorToHtml(s.HColor),
        s.HName,
        std::to_string(s.HSize),
        flagText(s.HUnderline),
        flagText(s.HItalic),
        flagText(s.HBold),
        ColorToHtml(s.BBgColor),
        ColorToHtml(s.BColor),
        s.BName,
        std::to_string(s.BSize),
        flagText(s.BUnderline),
        flagText(s.BItalic),
        flagText(s.BBold),
        std::to_string(static_cast<int>(s.Target)),
        s.LinkText,
        s.LinkURL,
        s.Image,
        s.HeaderText,
        StripTrailingLineBreak(s.BodyText),
        std::to_string(static_cast<int>(s.OutputFormat)),
        s.Output,
    };
    static_assert(std::size(values) == std::size(kKeys) && std::size(kKeys) == 24);
    std::vector<std::string> out;
    out.reserve(std::size(kKeys));
    for (size_t i = 0; i < std::size(kKeys); ++i)
        out.push_back(MakeTagLine(kKeys[i], values[i]));
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
    // Lines are cut first so that bytes behind a NUL cannot decide the encoding.
    TagReader reader(textcodec::decodeToUtf8(taggedtext::toWorkingText(fileBytes)));
    target.setBorder(parseInteger(reader.read("Border")));
    target.setBorderColor(HtmlToColor(reader.read("BorderColor")));
    target.setHBgColor(HtmlToColor(reader.read("HBgColor")));
    target.setHColor(HtmlToColor(reader.read("HColor")));
    target.setHName(reader.read("HName"));
    target.setHSize(parseInteger(reader.read("HSize")));
    target.setHUnderline(parseFlag(reader.read("HUnderline")));
    target.setHItalic(parseFlag(reader.read("HItalic")));
    target.setHBold(parseFlag(reader.read("HBold")));
    target.setBBgColor(HtmlToColor(reader.read("BBgColor")));
    target.setBColor(HtmlToColor(reader.read("BColor")));
    target.setBName(reader.read("BName"));
    target.setBSize(parseInteger(reader.read("BSize")));
    target.setBUnderline(parseFlag(reader.read("BUnderline")));
    target.setBItalic(parseFlag(reader.read("BItalic")));
    target.setBBold(parseFlag(reader.read("BBold")));

    const std::string kind = reader.read("Target");
    if (kind == "1")
        target.setTarget(TargetKind::Link);
    else if (kind == "2")
        target.setTarget(TargetKind::Image);
    else if (kind == "3")
        target.setTarget(TargetKind::Cell);
    else if (kind == "4")
        target.setTarget(TargetKind::Layer);

    target.setLinkText(reader.read("LinkText"));
    target.setLinkURL(reader.read("LinkURL"));
    target.setImage(reader.read("Image"));
    target.setHeaderText(reader.read("HeaderText"));
    target.setBodyText(reader.read("BodyText"));

    const std::string format = reader.read("OutputFormat");
    if (format == "1")
        target.setOutputFormat(OutputChoice::SamplePage);
    else if (format == "2")
        target.setOutputFormat(OutputChoice::CodeListing);

    target.setOutput(reader.read("Output"));
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
