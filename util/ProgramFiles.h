#pragma once

#include <string_view>

// The files a copy of the program keeps in its own folder, beside the
// executable.

// The brand profile: the brander's settings, kept as a protected file.
inline constexpr std::string_view BrandProfileFileName = "dbsettings.dat";
