#pragma once

#include <string>
#include <string_view>

// Reading one value of an INI text the way the Windows profile routines do:
// section and key names match without regard to letter case, the value loses
// its surrounding blanks and one pair of matching quotes, lines starting with
// ";" are comments, and the first matching key wins. A missing section or key
// reads as the empty text. Bytes throughout; a UTF-8 byte order mark at the
// start is skipped.
std::string iniValue(std::string_view text, std::string_view section, std::string_view key);
