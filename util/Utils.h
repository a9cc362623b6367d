#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Small routines shared by the brand profile, the promotional actions and the
// news client. Texts are byte strings, compared byte by byte.

// Cuts `text` at every `delimiter` into `list`, which is cleared first. An
// empty piece before the first delimiter or between two delimiters is kept;
// an empty piece after the last delimiter is dropped, so "a^" gives one piece
// and the empty text gives none.
void SplitByChar(char delimiter, std::string_view text, std::vector<std::string>& list);
std::vector<std::string> SplitByChar(char delimiter, std::string_view text);

// Decodes a text in which "$" followed by one or two hexadecimal digits stands
// for the byte of that value ("$20" is a blank, "$4" at the very end is byte
// 4). Any malformed escape (a "$" at the end, or followed by anything but
// hexadecimal digits) makes the whole result empty.
std::string DecodeDollarEscapes(std::string_view text);

// Turns a browser command line as the Windows registry stores it into the
// path of the executable: ASCII letters lower-cased, everything from the end
// of the first ".exe" on dropped, double quotes removed. A command without
// ".exe" gives just ".exe". Bytes outside ASCII are kept, so UTF-8 survives.
std::string browserPathFromCommand(std::string_view command);

// Whether an address from outside the program (a brand profile, a welcome
// page, a news item) may be opened, and as what. It is judged as a browser
// reads it: C0 controls and blanks around it dropped, tabs and line breaks
// within it removed. http, https and mailto addresses are opened as they
// stand; an address without a scheme names a web address ("www.example.com",
// "example.com:8080/x" is a host and its port) and is opened as http; the
// empty address stays empty (the browser's own start page). Any other scheme
// (javascript:, file:, data:, a drive letter, ...) gives nothing, and so does
// a reference that names no web address ("#top", "/x", "?q", a network share). So whatever
// is opened begins with one of those three schemes, never with "-".
std::optional<std::string> browsableAddress(std::string_view address);

// `address` with the bytes a URL may not hold raw percent-encoded where a
// command line would read them (controls, blanks, double quotes), so that it
// stays one argument of a command line that the started program splits itself.
std::string addressForCommandLine(std::string_view address);

// The program of the web browser the desktop registers for http addresses, or
// empty when none is registered. On Windows the registry's http open command
// reduced by browserPathFromCommand; elsewhere the executable of the
// application GIO names as the default for http addresses (the first word of
// its Exec line, which may be a launcher such as "env"). UTF-8.
std::string registeredHttpBrowser();

// Starts `program` with `address` as its only argument, without waiting for
// it; true when the program was started.
using ProgramStarter = std::function<bool(const std::string& program, const std::string& address)>;

// Opens `address`, as browsableAddress gives it, in the browser registered
// for http; an address it refuses starts nothing. On Windows the registered
// program is started through the shell; elsewhere GIO starts the desktop's
// default application for http with its whole Exec line, and when there is
// none, or it cannot be started, xdg-open is asked. False only when nothing
// could be started.
[[nodiscard]] bool OpenInBrowser(std::string_view address);
// Starts registeredHttpBrowser() through `start` with the address as
// browsableAddress gives it, the way of Windows; false when the address is
// refused, no browser is registered or it could not be started.
[[nodiscard]] bool OpenInBrowser(std::string_view address, const ProgramStarter& start);
