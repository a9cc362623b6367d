#pragma once

#include "wizard/InfoBoxSettings.h"

#include <string>
#include <string_view>
#include <vector>

// The text of the generated files, built from a settings snapshot. Nothing
// here touches the disk; OutputWriter writes what these functions return.
namespace generator {

// The 22 lines of infostyle.css.
std::vector<std::string> styleSheetLines(const InfoBoxSettings& settings);

// The 50 lines of info.js; no setting enters them.
const std::vector<std::string>& scriptLines();

// The two head lines the author pastes into <head> (lines 4 and 5 of the sample page).
const std::vector<std::string>& headCodeLines();

// The one-line HTML element that carries the box. `imageIsLocalFile` says
// whether the image target names an existing local file (it is then linked
// with a file:// address).
std::string elementSnippet(const InfoBoxSettings& settings, bool imageIsLocalFile);

// The 10 lines of the sample page around the snippet.
std::vector<std::string> samplePageLines(const std::string& snippet);

// Lines joined with CR LF after every line, the last included.
std::string joinLines(const std::vector<std::string>& lines);

// A box text as it enters the single-quoted script string inside the
// double-quoted handler attribute: backslash and apostrophe escaped for the
// script, the double quote as &quot; and the ampersand as &amp; for the
// attribute, every line break as <br>, characters outside ASCII as numeric
// character references. The script then hands the author's text to the box
// unchanged, where it is read as HTML once: the texts are HTML by design.
std::string escapeBoxText(std::string_view utf8);

// Page content written as typed; only characters outside ASCII become
// numeric character references and line breaks become &#13;/&#10;, so the
// snippet stays one line.
std::string escapeContent(std::string_view utf8);

// A value inside a double-quoted attribute: as escapeContent, plus '"' as &quot;.
std::string escapeAttribute(std::string_view utf8);

// A font family name for the style sheet, written unquoted; characters outside
// ASCII become CSS escapes since the style sheet declares no character set, and
// so do the characters that would let a name end its declaration or rule
// (";", braces, brackets, parentheses, quotes, "<", ">", "\\", "/", "*" and
// control characters such as line breaks). Ordinary names stay as written.
std::string cssFontFamily(std::string_view utf8);

} // namespace generator
