#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How the news window shows an item's text. The text is HTML, but Qt's HTML
// view takes time that grows faster than linearly with how deeply the markup
// nests (each level of nested tables doubles it), with unbroken runs of text,
// and with the number of cells and pictures. A text that would hold the
// window for long, as a hostile news server can send, is shown as plain
// text; a plain text too long to lay out quickly is cut.
namespace news {

// Markup that nests deeper than this is not laid out as HTML.
inline constexpr int MaxHtmlDepth = 256;
// Longer runs of text without a blank are slow to wrap.
inline constexpr std::size_t MaxHtmlRun = 2000;
// The estimated work of laying out an HTML text, in units of roughly the
// time one plain element takes; beyond it the text is shown as plain text.
inline constexpr double MaxHtmlCost = 50000;
// The most of a text shown as plain text, in bytes.
inline constexpr std::size_t MaxShownBytes = 512 * 1024;

struct MarkupShape {
    int depth = 0;       // deepest nesting of elements
    std::size_t run = 0; // longest run of text characters without a blank
    double cost = 0;     // estimated layout work (see MaxHtmlCost)
};

// One pass over the markup, reading it as a browser does closely enough to
// bound the work: comments and declarations skipped, empty elements and
// elements closed implicitly (a paragraph by the next, a cell by the next
// cell) not nesting. The pass stops as soon as one of the limits above is
// passed, so its time is bounded too; what it reports is then past that limit.
MarkupShape markupShape(std::string_view html);

struct DetailsView {
    bool html = true;           // show as HTML, else as plain text
    bool breakAnywhere = false; // plain text holding runs too long to wrap at blanks
    bool cut = false;           // only the first MaxShownBytes are shown
    std::string text;           // what to show
};

DetailsView detailsView(std::string_view text);

} // namespace news
