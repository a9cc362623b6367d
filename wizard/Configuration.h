#pragma once

#include "wizard/InfoBoxSettings.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

// Configuration files: 24 of the settings as a tagged text file (".set").
// BoxWidth and BoldText are not part of it.
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

    // Whole numbers as read; the target brings them into its own range
    // (Border 1..10, sizes 9..30).
    virtual void setBorder(int value) = 0;
    virtual void setBorderColor(Color color) = 0;
    virtual void setHBgColor(Color color) = 0;
    virtual void setHColor(Color color) = 0;
    // Font names as read, possibly empty: the target selects the font of that
    // name or, when it has none, keeps the font it has.
    virtual void setHName(const std::string& name) = 0;
    virtual void setHSize(int value) = 0;
    virtual void setHUnderline(bool on) = 0;
    virtual void setHItalic(bool on) = 0;
    virtual void setHBold(bool on) = 0;
    virtual void setBBgColor(Color color) = 0;
    virtual void setBColor(Color color) = 0;
    virtual void setBName(const std::string& name) = 0;
    virtual void setBSize(int value) = 0;
    virtual void setBUnderline(bool on) = 0;
    virtual void setBItalic(bool on) = 0;
    virtual void setBBold(bool on) = 0;
    // Called only for the values "1" to "4"; any other value leaves the target as it is.
    virtual void setTarget(TargetKind kind) = 0;
    // Texts as read; a missing key gives the empty text. Line breaks are CR LF.
    virtual void setLinkText(const std::string& text) = 0;
    virtual void setLinkURL(const std::string& text) = 0;
    virtual void setImage(const std::string& text) = 0;
    virtual void setHeaderText(const std::string& text) = 0;
    virtual void setBodyText(const std::string& text) = 0;
    // Called only for the values "1" and "2".
    virtual void setOutputFormat(OutputChoice choice) = 0;
    virtual void setOutput(const std::string& text) = 0;
};

// A target that writes into a settings snapshot, bringing numbers into the
// fields' ranges. With no font list to choose from, a font name is taken as
// written; an empty name keeps the previous one.
class SettingsTarget : public ConfigurationTarget {
public:
    explicit SettingsTarget(InfoBoxSettings& settings) : m_settings(settings) {}

    void setBorder(int value) override;
    void setBorderColor(Color color) override { m_settings.BorderColor = color; }
    void setHBgColor(Color color) override { m_settings.HBgColor = color; }
    void setHColor(Color color) override { m_settings.HColor = color; }
    void setHName(const std::string& name) override;
    void setHSize(int value) override;
    void setHUnderline(bool on) override { m_settings.HUnderline = on; }
    void setHItalic(bool on) override { m_settings.HItalic = on; }
    void setHBold(bool on) override { m_settings.HBold = on; }
    void setBBgColor(Color color) override { m_settings.BBgColor = color; }
    void setBColor(Color color) override { m_settings.BColor = color; }
    void setBName(const std::string& name) override;
    void setBSize(int value) override;
    void setBUnderline(bool on) override { m_settings.BUnderline = on; }
    void setBItalic(bool on) override { m_settings.BItalic = on; }
    void setBBold(bool on) override { m_settings.BBold = on; }
    void setTarget(TargetKind kind) override { m_settings.Target = kind; }
    void setLinkText(const std::string& text) override { m_settings.LinkText = text; }
    void setLinkURL(const std::string& text) override { m_settings.LinkURL = text; }
    void setImage(const std::string& text) override { m_settings.Image = text; }
    void setHeaderText(const std::string& text) override { m_settings.HeaderText = text; }
    void setBodyText(const std::string& text) override { m_settings.BodyText = text; }
    void setOutputFormat(OutputChoice choice) override { m_settings.OutputFormat = choice; }
    void setOutput(const std::string& text) override { m_settings.Output = text; }

private:
    InfoBoxSettings& m_settings;
};

namespace configuration {

// The 24 keys in file order.
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

// load() on the file's content. A file that does not exist changes nothing
// and gives false. Throws UserError "Cannot open file "%s". %s" when the file
// exists but cannot be read, and the conversion errors of load().
bool loadFile(const QString& fileName, ConfigurationTarget& target);

// A signed 32-bit whole number: leading blanks, an optional sign, then decimal
// digits or hexadecimal digits after "$" or "0x". Anything else (the empty
// text, trailing blanks, a value out of range) throws UserError
// "'%s' is not a valid integer value".
int parseInteger(std::string_view text);

// On for a number other than 0 or the word True, off for 0 or False (letter
// case free). Anything else throws UserError "'%s' is not a valid boolean value".
bool parseFlag(std::string_view text);

} // namespace configuration
