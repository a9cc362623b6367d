// The update information on any downloaded mainappupdate.inf: no crash, a
// version read the same whatever the letter case of the names asked for, a
// number that is 0 unless the text is a plain decimal number within the
// single-precision range, and an update exactly when that number is above the
// program's own version.
//
// The input is the file's bytes.

#include "tests/fuzz/FuzzSupport.h"

#include "format/IniFile.h"
#include "format/TextCodec.h"
#include "net/UpdateCheck.h"
#include "util/AppVersion.h"

#include <cerrno>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// What the C library makes of the same text as a number, for a text that is
// only a decimal number: digits, at most one point, an exponent.
float referenceNumber(std::string_view version) {
    while (!version.empty() && (version.front() == ' ' || version.front() == '\t'))
        version.remove_prefix(1);
    while (!version.empty() && (version.back() == ' ' || version.back() == '\t'))
        version.remove_suffix(1);
    if (version.empty() || version.find_first_not_of("0123456789.eE+-") != std::string_view::npos)
        return 0;
    const std::string text(version);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE || std::fabs(value) > FLT_MAX)
        return 0;
    return static_cast<float>(value);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The C library's reading must not depend on the machine's locale.
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file = fuzzref::bytesOf(data, size);
    const std::string version = update::versionOf(file);
    FUZZ_REQUIRE(version.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    FUZZ_REQUIRE(iniValue(file, "application", "VERSION") == version);

    const float number = update::versionNumber(version);
    FUZZ_REQUIRE(std::isfinite(number));
    FUZZ_REQUIRE(number == referenceNumber(version));
    FUZZ_REQUIRE(update::isNewer(version) == (std::strtod(AppVersion.data(), nullptr) < number));

    // The question shows the version as written, in whatever encoding it came.
    const std::string question = update::newUpdateQuestion(version);
    FUZZ_REQUIRE(textcodec::toUtf8(textcodec::decodeToQString(question)) ==
                 textcodec::decodeToUtf8(question));

    // Any other section and key are read without trouble.
    const size_t cut = file.find('\n');
    if (cut != std::string_view::npos) {
        const std::string_view names = file.substr(0, cut);
        (void)iniValue(file.substr(cut + 1), names.substr(0, names.size() / 2),
                       names.substr(names.size() / 2));
    }
    return 0;
}
