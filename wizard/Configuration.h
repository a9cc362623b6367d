#pragma once

#include "wizard/InfoBoxSettings.h"
#include "wizard/SettingFields.h"

#include <QString>

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Configuration files: the saved fields of kSettingFields (every setting but
// BoxWidth and BoldText) as a tagged text file (".set").
//
// The keys are read in the order they are written. Reading consumes the text,
// so a key that stands before the key read last reads as missing; that order
// is part of the file format.

// Where a loaded configuration goes, one value at a time in the file's key
// order, so that whatever follows a setting (the window's preview and enabling
// rules) runs as each value arrives. Loading stops at the first value that
// does not convert; the values set before it stay set.
class ConfigurationTarget {
public:
    virtual ~ConfigurationTarget() = default;

    // A value as read, of the field's kind (see FieldValue). Numbers come as
    // read: the target brings them into its own range. Font names come as read,
    // possibly empty: the target selects the font of that name or, when it has
    // none, keeps the font it has. A choice comes only for one of its values.
    // Texts missing from the file come empty; line breaks are CR LF.
    virtual void set(const SettingField& field, const FieldValue& value) = 0;

    // A NUL byte ends a file's text, so the field whose value it stands in (or
    // the first one it stands before) and every field after it read as
    // missing; told before that field is read. Not told when the NUL costs no
    // field.
    virtual void textEndedAt(const SettingField& /*field*/, bool /*insideValue*/) {}
};

// A target that writes into a settings snapshot, bringing numbers into the
// fields' ranges. With no font list to choose from, a font name is taken as
// written; an empty name keeps the previous one.
class SettingsTarget : public ConfigurationTarget {
public:
    explicit SettingsTarget(InfoBoxSettings& settings) : m_settings(settings) {}

    void set(const SettingField& field, const FieldValue& value) override;

private:
    InfoBoxSettings& m_settings;
};

namespace configuration {

// The keys of the saved fields, in file order.
const std::vector<std::string_view>& keys();

// The tag lines of a configuration file, one per key in file order.
std::vector<std::string> lines(const InfoBoxSettings& settings);

// The whole file: UTF-8, CR LF after every line.
std::string toBytes(const InfoBoxSettings& settings);

// Writes the file, replacing a previous one whole: the new content is written
// beside it and renamed over it, so a failed save leaves the old file as it
// was. Throws UserError "Cannot create file "%s". %s".
void saveFile(const InfoBoxSettings& settings, const QString& fileName);

// Reads a configuration file's bytes (UTF-8, or Windows-1252 as earlier
// copies of the program wrote them) and hands every key to the target in file
// order. Throws UserError "'%s' is not a valid integer value" or "'%s' is not
// a valid boolean value" at the first value that does not convert (and the
// colour error of HtmlToColor); the keys before it have been applied.
void load(std::string_view fileBytes, ConfigurationTarget& target);

// load() over the saved rows of another table of fields, in its order.
void load(std::string_view fileBytes, ConfigurationTarget& target,
          std::span<const SettingField> fields);

// load() on the file's content. A file that does not exist changes nothing
// and gives false. Throws UserError "Cannot open file "%s". %s" when the file
// exists but cannot be read, and the conversion errors of load().
[[nodiscard]] bool loadFile(const QString& fileName, ConfigurationTarget& target);

// A signed 32-bit whole number: leading blanks, an optional sign, then decimal
// digits or hexadecimal digits after "$" or "0x". Anything else (the empty
// text, trailing blanks, a value out of range) throws UserError
// "'%s' is not a valid integer value".
int parseInteger(std::string_view text);

// On for a number other than 0 or the word True, off for 0 or False (letter
// case free). Anything else throws UserError "'%s' is not a valid boolean value".
bool parseFlag(std::string_view text);

} // namespace configuration
