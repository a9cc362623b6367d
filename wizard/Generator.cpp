#include "wizard/Generator.h"

#include "format/TextCodec.h"
#include "wizard/AccessibleScript.h"
#include "wizard/ColorText.h"

#include <QByteArray>

#include <cctype>
#include <cstdio>

namespace generator {

namespace {

void appendBlock(std::vector<std::string>& lines, const char* selector, Color background,
                 Color foreground, bool bold, bool underline, bool italic, int size,
                 const std::string& font) {
    lines.push_back(std::string(selector) + " {");
    lines.push_back("background-color: " + ColorToHtml(background) + ";");
    lines.push_back("color: " + ColorToHtml(foreground) + ";");
    lines.push_back(bold ? "font-weight: bold;" : "font-weight: normal;");
    // Browsers know no "font-decoration": underline is a text decoration.
    lines.push_back(underline ? "text-decoration: underline;" : "text-decoration: none;");
    lines.push_back(italic ? "font-style: italic;" : "font-style: normal;");
    lines.push_back("font-size: " + std::to_string(size) + "px;");
    lines.push_back("font-family: " + cssFontFamily(font) + ";");
    lines.push_back("}");
}

void appendReference(std::string& out, char32_t cp) {
    out += "&#";
    out += std::to_string(static_cast<unsigned long>(cp));
    out += ';';
}

// Shared walk over UTF-8 text: line breaks (CR LF, lone CR, lone LF) go to
// `lineBreak`, other ASCII to `ascii`, everything else becomes a numeric
// character reference.
template <class LineBreakFn, class AsciiFn>
std::string walk(std::string_view utf8, LineBreakFn lineBreak, AsciiFn ascii) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char c = utf8[pos];
        if (c == '\r' || c == '\n') {
            const bool pair = c == '\r' && pos + 1 < utf8.size() && utf8[pos + 1] == '\n';
            lineBreak(out, pair ? std::string_view("\r\n") : utf8.substr(pos, 1));
            pos += pair ? 2 : 1;
        } else if (static_cast<unsigned char>(c) < 0x80) {
            ascii(out, c);
            ++pos;
        } else {
            appendReference(out, textcodec::nextCodePoint(utf8, pos));
        }
    }
    return out;
}

// Outside a script, a line break is kept as references so the snippet stays one line.
void lineBreakAsReferences(std::string& out, std::string_view lineBreak) {
    for (const char c : lineBreak)
        out += c == '\r' ? "&#13;" : "&#10;";
}

std::string join(std::initializer_list<std::string_view> pieces) {
    std::string out;
    for (const auto piece : pieces)
        out += piece;
    return out;
}

} // namespace

std::vector<std::string> styleSheetLines(const InfoBoxSettings& s) {
    std::vector<std::string> lines;
    lines.reserve(22);
    lines.push_back(".boxs {");
    lines.push_back("border: " + std::to_string(s.Border) + "px solid " +
                    ColorToHtml(s.BorderColor) + ";");
    lines.push_back(s.BoxWidth == 0 ? std::string("width: auto;")
                                    : "width: " + std::to_string(s.BoxWidth) + "px;");
    lines.push_back("}");
    appendBlock(lines, ".boxheader", s.HBgColor, s.HColor, s.HBold, s.HUnderline, s.HItalic,
                s.HSize, s.HName);
    appendBlock(lines, ".boxcontent", s.BBgColor, s.BColor, s.BBold, s.BUnderline, s.BItalic,
                s.BSize, s.BName);
    if (s.ScriptStyle == ScriptChoice::Accessible) {
        // The script builds the box without presentational attributes: the
        // table's cell padding, spacing and centred header come from here, as
        // does the box's place above the page and the focused elements' outline.
        for (const char* line : {
                 ".infobox {",
                 "position: absolute;",
                 "z-index: 2147483647;",
                 "}",
                 ".infobox[hidden] {",
                 "display: none;",
                 "}",
                 ".infobox .boxs {",
                 "border-collapse: separate;",
                 "border-spacing: 0;",
                 "}",
                 ".infobox td {",
                 "padding: 2px;",
                 "}",
                 ".infobox .boxheader {",
                 "text-align: center;",
                 "}",
                 "[data-infobox-header]:focus-visible, [data-infobox-title]:focus-visible, "
                 "[data-infobox-body]:focus-visible {",
                 "outline: 2px solid #1A5FB4;",
                 "outline-offset: 2px;",
                 "}",
             })
            lines.emplace_back(line);
    }
    return lines;
}

namespace {

const std::vector<std::string>& classicScriptLines();

// The accessible script is kept as a JavaScript file of its own and built
// in as one text; it is written with CR LF like every generated file.
std::vector<std::string> splitScript(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

} // namespace

const std::vector<std::string>& scriptLines(ScriptChoice style) {
    if (style == ScriptChoice::Accessible) {
        static const std::vector<std::string> lines = splitScript(kAccessibleScript);
        return lines;
    }
    return classicScriptLines();
}

namespace {

const std::vector<std::string>& classicScriptLines() {
    // Positions are written with their unit and measured on the element that
    // scrolls in the page's mode (documentElement in standards mode, body in
    // quirks mode), so the box follows the pointer on pages with and without
    // a DOCTYPE, scrolled or not.
    static const std::vector<std::string> lines = {
        "var offsetx = 15;",
        "var offsety = 10;",
        "var ie5 = (document.getElementById && document.all);",
        "var ns6 = (document.getElementById && !document.all);",
        "var ua = navigator.userAgent.toLowerCase();",
        "var isapple = (ua.indexOf('applewebkit') != -1 ? 1 : 0);",
        "function newelement(newid){",
        "    if(document.createElement){",
        "        var el = document.createElement('div');",
        "        el.id = newid;",
        "        with(el.style)",
        "        {",
        "            display = 'none';",
        "            position = 'absolute';",
        "        }",
        "        el.innerHTML = '&nbsp;';",
        "        document.body.appendChild(el);",
        "    }",
        "}",
        "function getmouseposition(e){",
        "    if(document.getElementById){",
        "        var iebody=(document.compatMode && document.compatMode != 'BackCompat') ?",
        "        \t\tdocument.documentElement : document.body;",
        "        pagex = ((ie5)?iebody.scrollLeft:window.pageXOffset);",
        "        pagey = ((ie5)?iebody.scrollTop:window.pageYOffset);",
        "        mousex = (ie5)?event.x:(ns6)?clientX = e.clientX:false;",
        "        mousey = (ie5)?event.y:(ns6)?clientY = e.clientY:false;",
        "        var fsinfobox = document.getElementById('infobox');",
        "if ((mousex+offsetx+fsinfobox.clientWidth+5) > iebody.clientWidth) {",
        "fsinfobox.style.left = ((iebody.scrollLeft+iebody.clientWidth) - "
        "(fsinfobox.clientWidth*2)) + 'px';",
        "}",
        "else { fsinfobox.style.left = (mousex+pagex+offsetx) + 'px'; }",
        "if ((mousey+offsety+fsinfobox.clientHeight+5) > iebody.clientHeight) {",
        "fsinfobox.style.top = ((iebody.scrollTop+iebody.clientHeight) - "
        "(fsinfobox.clientHeight*2)) + 'px';",
        "}",
        "else { fsinfobox.style.top = (mousey+pagey+offsety) + 'px'; }",
        "    }",
        "}",
        "function infobox(boxtitle,boxbold,boxnormal){",
        "    if(!document.getElementById('infobox')) newelement('infobox');",
        "    var fsinfobox = document.getElementById('infobox');",
        "    fsinfobox.innerHTML = '<table class=\"boxs\" cellpadding=\"2\" cellspacing=\"0\">"
        "<tr><td class=\"boxheader\" align=\"center\">' + boxtitle + '</td></tr><tr>"
        "<td class=\"boxcontent\"><b>' + boxbold + '</b><br>' + boxnormal + "
        "'</td></tr></table>';",
        "    fsinfobox.style.display = 'block';",
        "    fsinfobox.style.position = 'absolute';",
        "    fsinfobox.style.filter = 'progid:DXImageTransform.Microsoft.Alpha(Opacity=70) "
        "progid:DXImageTransform.Microsoft.dropshadow(OffX=5, OffY=5, Color=gray, "
        "Positive=true)';",
        "    document.onmousemove = getmouseposition;",
        "}",
        "function exit(){",
        "    document.getElementById('infobox').style.display = 'none';",
        "}",
    };
    return lines;
}

} // namespace

const std::vector<std::string>& headCodeLines(ScriptChoice style) {
    static const std::vector<std::string> classic = {
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"infostyle.css\">",
        "<script language=\"JavaScript\" type=\"text/javascript\" src=\"info.js\"></script>",
    };
    static const std::vector<std::string> accessible = {
        "<link rel=\"stylesheet\" href=\"infostyle.css\">",
        "<script src=\"info.js\" defer></script>",
    };
    return style == ScriptChoice::Accessible ? accessible : classic;
}

std::string escapeBoxText(std::string_view utf8) {
    return walk(
        utf8, [](std::string& out, std::string_view) { out += "<br>"; },
        [](std::string& out, char c) {
            switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\'':
                out += "\\'";
                break;
            case '"':
                out += "&quot;";
                break;
            case '&':
                // The attribute is decoded once before the script sees it: a
                // reference the author typed (&#39;, &#92;, &#10;) would turn
                // into a quote, backslash or line break inside the script string.
                out += "&amp;";
                break;
            default:
                out += c;
            }
        });
}

std::string escapeDataText(std::string_view utf8) {
    return walk(
        utf8, [](std::string& out, std::string_view) { out += "<br>"; },
        [](std::string& out, char c) {
            switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
            }
        });
}

std::string escapeContent(std::string_view utf8) {
    return walk(utf8, lineBreakAsReferences, [](std::string& out, char c) { out += c; });
}

std::string escapeAttribute(std::string_view utf8) {
    return walk(utf8, lineBreakAsReferences, [](std::string& out, char c) {
        if (c == '"')
            out += "&quot;";
        else
            out += c;
    });
}

namespace {

// ASCII that could end the declaration or the rule, open a block, string or
// comment that swallows what follows, or close the style element of a page
// the sheet is pasted into.
bool endsCssValue(unsigned char c) {
    return c < 0x20 || c == 0x7F ||
           std::string_view(";{}()[]\"'<>\\/*").find(static_cast<char>(c)) !=
               std::string_view::npos;
}

} // namespace

std::string cssFontFamily(std::string_view utf8) {
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[pos]);
        if (c < 0x80 && !endsCssValue(c)) {
            out += utf8[pos++];
            continue;
        }
        // A CSS escape: backslash, hexadecimal code point, one blank to end it.
        const unsigned codePoint =
            c < 0x80 ? utf8[pos++] : static_cast<unsigned>(textcodec::nextCodePoint(utf8, pos));
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\%X ", codePoint);
        out += buf;
    }
    return out;
}

namespace {

std::string classicSnippet(const InfoBoxSettings& s, bool imageIsLocalFile) {
    const std::string middle = join({escapeBoxText(s.HeaderText), "','", escapeBoxText(s.BoldText),
                                     "','", escapeBoxText(StripTrailingLineBreak(s.BodyText))});
    constexpr std::string_view handlerEnd = "');\" onMouseOut=\"exit();\">";
    switch (s.Target) {
    case TargetKind::Link:
        return join({"<a href=\"", escapeAttribute(s.LinkURL), "\" onMouseOver=\"infobox('", middle,
                     handlerEnd, escapeContent(s.LinkText), "</a>"});
    case TargetKind::Image:
        return join({imageIsLocalFile ? "<img src=\"file://" : "<img src=\"",
                     escapeAttribute(s.Image), "\" border=0 onMouseOver=\"infobox('", middle,
                     handlerEnd});
    case TargetKind::Cell:
        return join({"<table><tr><td onMouseOver=\"infobox('", middle,
                     "');\" onMouseOut=\"exit();\">TD Contents</td></tr></table>"});
    case TargetKind::Layer:
        return join({"<div onMouseOver=\"infobox('", middle,
                     "');\" onMouseOut=\"exit();\">DIV CONTENTS</div>"});
    }
    return std::string();
}

// The words of an HTML text without its tags, blanks and line breaks run
// together. Character references stay as typed.
std::string wordsOf(std::string_view html) {
    std::string out;
    bool inTag = false, blank = false;
    for (const char c : html) {
        if (c == '<' || c == '>') {
            inTag = c == '<';
            blank = true;
        } else if (!inTag) {
            if (std::isspace(static_cast<unsigned char>(c))) {
                blank = true;
            } else {
                if (blank && !out.empty())
                    out += ' ';
                blank = false;
                out += c;
            }
        }
    }
    return out;
}

// A plain text for an attribute, such as an image's alternative text: a
// character reference the author typed stays one, any other '&' is escaped.
std::string escapePlainAttribute(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '&') {
            size_t end = i + 1;
            while (end < utf8.size() && end - i <= 32 &&
                   (std::isalnum(static_cast<unsigned char>(utf8[end])) || utf8[end] == '#'))
                ++end;
            const bool reference = end > i + 1 && end < utf8.size() && utf8[end] == ';';
            out += reference ? "&" : "&amp;";
        } else {
            out += utf8[i];
        }
    }
    return escapeAttribute(out);
}

// The picture's alternative text: the title's words, else the header's,
// else the picture's file name without its folder and extension.
std::string pictureAlternative(const InfoBoxSettings& s) {
    for (const std::string* text : {&s.BoldText, &s.HeaderText}) {
        if (std::string words = wordsOf(*text); !words.empty())
            return escapePlainAttribute(words);
    }
    std::string_view name = s.Image;
    // A web address may end in a query or fragment; a local path may hold '#' or '?'.
    const size_t query = name.find_first_of("?#");
    if (name.find("://") != std::string_view::npos && query != std::string_view::npos)
        name = name.substr(0, query);
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
        name = name.substr(0, dot);
    return escapePlainAttribute(name.empty() ? std::string_view("Picture") : name);
}

std::string accessibleSnippet(const InfoBoxSettings& s, const PictureReference& picture) {
    const std::string data =
        join({" data-infobox-header=\"", escapeDataText(s.HeaderText), "\" data-infobox-title=\"",
              escapeDataText(s.BoldText), "\" data-infobox-body=\"",
              escapeDataText(StripTrailingLineBreak(s.BodyText)), "\""});
    switch (s.Target) {
    case TargetKind::Link:
        return join({"<a href=\"", escapeAttribute(s.LinkURL), "\"", data, ">",
                     escapeContent(s.LinkText), "</a>"});
    case TargetKind::Image: {
        // The copy is addressed relative to the page, its name percent-encoded
        // so that blanks, '#' or '?' in it stay part of the file name.
        const std::string source =
            picture.copyName.empty()
                ? (picture.localFile ? "file://" : "") + escapeAttribute(s.Image)
                : QByteArray::fromStdString(picture.copyName).toPercentEncoding().toStdString();
        return join({"<img src=\"", source, "\" alt=\"", pictureAlternative(s), "\"", data, ">"});
    }
    case TargetKind::Cell:
        return join({"<table><tr><td", data, ">TD Contents</td></tr></table>"});
    case TargetKind::Layer:
        return join({"<div", data, ">DIV CONTENTS</div>"});
    }
    return std::string();
}

} // namespace

std::string elementSnippet(const InfoBoxSettings& s, const PictureReference& picture) {
    return s.ScriptStyle == ScriptChoice::Accessible ? accessibleSnippet(s, picture)
                                                     : classicSnippet(s, picture.localFile);
}

std::vector<std::string> samplePageLines(const std::string& snippet, ScriptChoice style) {
    const auto& head = headCodeLines(style);
    if (style == ScriptChoice::Accessible)
        return {"<!DOCTYPE html>",
                "<html lang=\"en\">",
                "<head>",
                "<meta charset=\"utf-8\">",
                "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
                "<title>Sample</title>",
                head[0],
                head[1],
                "</head>",
                "<body>",
                "<main>",
                "<h1>Sample</h1>",
                snippet,
                "</main>",
                "</body>",
                "</html>"};
    return {"<html>", "<head>", "<title>Sample</title>",
            head[0],  head[1],  "</head>",
            "<body>", snippet,  "</body>",
            "</html>"};
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace generator
