#pragma once

#include <string_view>

// The program's version: shown in the caption and the About window, and
// compared with the update server's.
inline constexpr std::string_view AppVersion = "2.0";
