#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a brander sees before packing a profile: every value the program will
// read, in its order, and every way the text loses data without a word.
struct BrandProfileReport {
    // Key and the value the program will get, in reading order (numbered
    // entries up to the first empty one).
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> problems;
    bool newsButton = false;
};

// Checks a plain profile text; banner pictures are looked for in `folder`
// (with a trailing separator), where the program will find them.
[[nodiscard]] BrandProfileReport checkBrandProfile(std::string_view plainBytes,
                                                   const QString& folder);
