#pragma once

#include <cstdint>
#include <string>

// A colour in the platform's layout: red in bits 0-7, green 8-15, blue 16-23.
// A non-zero top byte marks a system colour whose index sits in the low bits.
using Color = std::uint32_t;

// The page element that carries the Info Box.
enum class TargetKind { Link = 1, Image = 2, Cell = 3, Layer = 4 };

// What Finish does with the result.
enum class OutputChoice { SamplePage = 1, CodeListing = 2 };

// Which script and markup carry the box. Classic: inline mouse handlers
// calling a mouse-only script. Accessible: data-infobox-* attributes read by
// a script that also serves keyboard, touch and screen readers and runs under
// a Content-Security-Policy without 'unsafe-inline'.
enum class ScriptChoice { Classic = 1, Accessible = 2 };

// Everything the author decides about one Info Box. In the main window each
// field is held by one control; this is the snapshot the window hands to the
// generator and the configuration writer. Texts are UTF-8. Every field has a
// row in kSettingFields (wizard/SettingFields.h): its key, kind and range.
struct InfoBoxSettings {
    int Border = 1;
    Color BorderColor = 0x000000;
    int BoxWidth = 0;

    Color HBgColor = 0x99E2FB; // #FBE299
    Color HColor = 0x000000;
    std::string HName = "Arial";
    int HSize = 11;
    bool HBold = false;
    bool HUnderline = false;
    bool HItalic = false;

    Color BBgColor = 0xD9FFFF; // #FFFFD9
    Color BColor = 0x000000;
    std::string BName = "Arial";
    int BSize = 11;
    bool BBold = false;
    bool BUnderline = false;
    bool BItalic = false;

    TargetKind Target = TargetKind::Link;
    std::string LinkText;
    std::string LinkURL;
    std::string Image;

    std::string HeaderText;
    std::string BoldText;
    std::string BodyText; // lines separated by CR LF

    OutputChoice OutputFormat = OutputChoice::SamplePage;
    std::string Output = "infoboxsample.htm";
    ScriptChoice ScriptStyle = ScriptChoice::Classic;

    bool operator==(const InfoBoxSettings&) const = default;
};
