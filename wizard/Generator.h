#pragma once

#include "wizard/InfoBoxSettings.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The text of the generated files, built from a settings snapshot. Nothing
// here touches the disk; OutputWriter writes what these functions return.
namespace generator {

// The lines of infostyle.css: 22 in the classic style; the accessible style
// adds the rules its script's box and the focused elements need.
std::vector<std::string> styleSheetLines(const InfoBoxSettings& settings);

// The lines of info.js; no setting enters them. The classic script has 50.
const std::vector<std::string>& scriptLines(ScriptChoice style = ScriptChoice::Classic);

// The two head lines the author pastes into <head>.
const std::vector<std::string>& headCodeLines(ScriptChoice style = ScriptChoice::Classic);

// Where the element's picture is: `localFile` says whether the image target
// names an existing local file, `copyName` the file name of its copy beside
// the output (empty when none was made).
struct PictureReference {
    // A picture that was not copied is described by whether it is local alone.
    PictureReference(bool local = false, std::string copy = {})
        : localFile(local), copyName(std::move(copy)) {}
    bool localFile;
    std::string copyName;
};

// The one-line HTML element that carries the box, in the settings' script
// style. Classic: inline mouse handlers; a local picture is linked with a
// file:// address. Accessible: the texts in data-infobox-header, -title and
// -body; a copied picture is linked by its copy's file name, so the page
// works from a web server.
std::string elementSnippet(const InfoBoxSettings& settings, const PictureReference& picture);

// The sample page around the snippet: 10 lines in the classic style; in the
// accessible style a valid HTML page with a main landmark and a heading.
std::vector<std::string> samplePageLines(const std::string& snippet,
                                         ScriptChoice style = ScriptChoice::Classic);

// Lines joined with CR LF after every line, the last included.
std::string joinLines(const std::vector<std::string>& lines);

// A box text as it enters the single-quoted script string inside the
// double-quoted handler attribute: backslash and apostrophe escaped for the
// script, the double quote as &quot; and the ampersand as &amp; for the
// attribute, every line break as <br>, characters outside ASCII as numeric
// character references. The script then hands the author's text to the box
// unchanged, where it is read as HTML once: the texts are HTML by design.
std::string escapeBoxText(std::string_view utf8);

// A box text in a data-infobox-* attribute of the accessible style: the
// script reads the attribute's value as HTML, so only what the attribute
// needs is escaped ('&' as &amp;, '"' as &quot;, '<' and '>'), every line
// break becomes <br> and characters outside ASCII numeric character references.
std::string escapeDataText(std::string_view utf8);

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
