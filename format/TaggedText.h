#pragma once

#include <string>
#include <string_view>
#include <vector>

// Tagged text: the key-value text of configuration files, the brand profile
// and the remembered news id. The value of key K stands between "<%%K%%>" and
// "<%%/K%%>", one tag line per key, written raw (no escaping, no trimming).
//
// Readers do not work on lines: the file's lines are joined into one working
// text and the keys are taken from its front, one after the other, in the
// order the reader asks for them. Everything here works on bytes.

// "<%%" + key + "%%>" + value + "<%%/" + key + "%%>".
std::string MakeTagLine(std::string_view key, std::string_view value);

// Consuming extraction. Finds the first opening tag in the working text
// (letter case of A-Z ignored, every other byte exact) and drops everything up
// to and including it; then finds the first closing tag behind it, returns the
// text before it and drops that text, so the working text then begins with the
// closing tag. Without an opening tag the working text stays as it is; without
// a closing tag it stays just behind the opening tag. Both give the empty text.
// Shortening the view costs nothing: a pass over a file is linear in its size.
std::string ExtractTag(std::string_view& workingText, std::string_view openingTag,
                       std::string_view closingTag);

// Replaces the first line that holds the key's opening tag (exact letter case,
// anywhere in the line) by MakeTagLine(key, value), or appends that tag line
// when no line holds it.
void SetTagLine(std::vector<std::string>& lines, std::string_view key, std::string_view value);

namespace taggedtext {

std::string openingTag(std::string_view key);
std::string closingTag(std::string_view key);

// The lines of a text file: a line ends at CR, at LF or at CR LF; a NUL byte
// ends the text. An empty text has no lines; a last line without a line break
// still counts.
std::vector<std::string> splitLines(std::string_view bytes);

// Lines with CR LF after every line, the last included: how tagged text files
// are written and how the working text is built.
std::string joinLines(const std::vector<std::string>& lines);

// joinLines(splitLines(bytes)) in one pass: the file's bytes as a working
// text. Line breaks inside values come back as CR LF whatever form they had.
std::string toWorkingText(std::string_view bytes);

// Case-blind search (A-Z only) of `needle` in `text`; npos when absent.
size_t findCaseBlind(std::string_view text, std::string_view needle);

} // namespace taggedtext

// One reading pass over a working text, the text kept by the reader:
//
//     TagReader reader(taggedtext::toWorkingText(bytes));
//     const std::string border = reader.read("Border");
//     const std::string color = reader.read("BorderColor");
class TagReader {
public:
    explicit TagReader(std::string workingText);

    TagReader(const TagReader&) = delete;
    TagReader& operator=(const TagReader&) = delete;

    // ExtractTag with the tags of `key`.
    std::string read(std::string_view key);

    // What is left of the working text.
    std::string_view remaining() const { return m_remaining; }

private:
    std::string m_text;
    std::string_view m_remaining;     // a view into m_text; copying the reader would dangle
    std::string m_opening, m_closing; // reused so that a read allocates only its value
};
