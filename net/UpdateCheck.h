#pragma once

#include "net/HttpClient.h"

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

// The update service: one INI file on the maker's server names the newest
// version; when it is above the program's own, the separate updater program
// beside the executable replaces the program's files.
namespace update {

inline constexpr std::string_view InfoFileName = "mainappupdate.inf";
inline constexpr std::string_view InfoSection = "APPLICATION";
inline constexpr std::string_view InfoKey = "Version";
// The information file is a few lines; a larger download fails, so a server
// cannot fill the disk beside the program.
inline constexpr qint64 MaxInfoFileBytes = 1024 * 1024;

inline constexpr std::string_view NoUpdateMessage = "There's no new updates for this application!";
inline constexpr std::string_view UpdaterMissingMessage =
    "The updater module is missing. Please reinstall again the current version!";
// The line break is LF CR, in that order, as the message has always shown it.
inline constexpr std::string_view CloseToUpdateQuestion =
    "To update your software the application will close to\n\r"
    "replace some files. Do you want to update now?";
// The question for a newer version, with the version as the file writes it.
std::string newUpdateQuestion(std::string_view version);
// What an installed copy says instead of starting an updater it has not got:
// the system's package manager installs its new versions.
std::string packageManagerMessage(std::string_view version);

// "http://" + the update host of this build + "/liveupdate/tipsmith/".
QString UpdateBaseAddress();

// "Updater.exe" on Windows, "Updater" elsewhere.
QString updaterFileName();

// The updater's command line: the base address, the program's version, "A".
QStringList updaterArguments(const QString& baseAddress);

// A version as one decimal number with "." whatever the locale, held in
// single precision; 0 when it does not convert (empty, not a number, beyond
// the single-precision range).
float versionNumber(std::string_view version);

// Whether `version` is above the program's own, compared as numbers (so
// 2.10 is 2.1, and 2.0000001 is 2.0 in single precision).
bool isNewer(std::string_view version);

// The Version of section APPLICATION in the file's bytes ("" when missing).
std::string versionOf(std::string_view infoFileText);

// Replaces `fileName` by the body of a GET of `address`, written as it
// arrives. True when the whole body was written within `limits` (by default
// the information file's size limit); otherwise the file is gone. Throws
// UserError when the file cannot be created.
[[nodiscard]] bool DownloadToFile(HttpClient& http, const QString& address, const QString& fileName,
                                  const RequestLimits& limits = RequestLimits{MaxInfoFileBytes});

} // namespace update
