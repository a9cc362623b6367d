#pragma once

#include <string>
#include <string_view>

class QString;
class QByteArray;

// Texts read from files or servers arrive as bytes. Files written by earlier
// copies of the program are Windows-1252; everything written now is UTF-8.
// The rule everywhere: valid UTF-8 is taken as UTF-8, anything else as
// Windows-1252.
namespace textcodec {

bool isValidUtf8(std::string_view bytes);

// Every byte becomes the character Windows-1252 gives it; the five codes the
// code page leaves undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of
// the same value, so no byte is lost.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 when the bytes are valid UTF-8, otherwise Windows-1252 converted to UTF-8.
std::string decodeToUtf8(std::string_view bytes);

QString decodeToQString(std::string_view bytes);
QString decodeToQString(const QByteArray& bytes);

// Reads the code point at `pos` of UTF-8 text and moves `pos` past it. A
// malformed sequence yields U+FFFD and consumes one byte.
char32_t nextCodePoint(std::string_view utf8, size_t& pos);

// The UTF-8 bytes of a QString as a byte string.
std::string toUtf8(const QString& text);
QString fromUtf8(std::string_view utf8);

} // namespace textcodec
