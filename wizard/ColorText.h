#pragma once

#include "wizard/InfoBoxSettings.h"

#include <string>
#include <string_view>

// "#RRGGBB" with upper-case digits; the top byte of a system colour is dropped,
// so the button-face system colour (index 15) gives "#0F0000".
std::string ColorToHtml(Color color);

// Reads "#RRGGBB" (every '#' removed, letter case free, characters after the
// sixth ignored, shorter texts give shorter pieces: "#FF" is pure red, "" is
// black). Throws UserError "'%s' is not a valid integer value" when a piece is
// not hexadecimal; %s is the joined "$00BBGGRR" text.
Color HtmlToColor(std::string_view text);

// Removes one CR LF from the end of the text, if it ends in one.
std::string StripTrailingLineBreak(std::string_view text);
