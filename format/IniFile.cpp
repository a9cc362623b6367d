#include "format/IniFile.h"

#include "format/TaggedText.h"

#include <algorithm>

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::string iniValue(std::string_view text, std::string_view section, std::string_view key) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    bool inSection = false;
    for (const std::string& rawLine : taggedtext::splitLines(text)) {
        const std::string_view line = trimmed(rawLine);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.find(']');
            const std::string_view name = trimmed(
                line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
            inSection = sameName(name, section);
            continue;
        }
        if (!inSection)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || !sameName(trimmed(line.substr(0, equals)), key))
            continue;
        std::string_view value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return {};
}
