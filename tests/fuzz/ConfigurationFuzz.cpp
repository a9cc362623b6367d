// Load Configuration on any file: no crash, no exception but the conversion
// errors it defines, and whatever it loaded (in full or up to a bad value)
// saves and loads back unchanged. The tagged text underneath is compared with
// a byte-by-byte reading of the same rules.
//
// The input is the file's bytes. Its first byte also sizes a search text and
// two tags cut from the input itself, for the search and extraction with
// needles the configuration keys never produce.

#include "tests/fuzz/FuzzSupport.h"
#include "tests/wizard/SettingsSupport.h"

#include "format/TaggedText.h"
#include "util/UserError.h"
#include "wizard/Configuration.h"
#include "wizard/SettingFields.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

void checkTaggedText(std::string_view bytes) {
    const std::vector<std::string> lines = taggedtext::splitLines(bytes);
    FUZZ_REQUIRE(lines == fuzzref::splitLines(bytes));
    const std::string working = taggedtext::toWorkingText(bytes);
    FUZZ_REQUIRE(working == taggedtext::joinLines(lines));

    // A reading pass with the configuration's keys, beside the reference.
    TagReader reader(working);
    std::string_view reference = working;
    for (const std::string_view key : configuration::keys()) {
        const std::string value = reader.read(key);
        FUZZ_REQUIRE(value == fuzzref::extractTag(reference, taggedtext::openingTag(key),
                                                  taggedtext::closingTag(key)));
        FUZZ_REQUIRE(reader.remaining() == reference);
    }

    // Needles cut from the input: the search starts with a letter or not,
    // may be longer than the text, may hold any byte.
    if (bytes.size() < 2)
        return;
    const size_t length = 1 + static_cast<unsigned char>(bytes[0]) % 16;
    const std::string_view opening = bytes.substr(1, length);
    const std::string_view closing = bytes.substr(std::min(bytes.size(), 1 + length), length);
    const std::string_view text = bytes.substr(std::min(bytes.size(), 1 + 2 * length));
    FUZZ_REQUIRE(taggedtext::findCaseBlind(text, opening) == fuzzref::findCaseBlind(text, opening));
    std::string_view ours = text;
    std::string_view theirs = text;
    FUZZ_REQUIRE(ExtractTag(ours, opening, closing) ==
                 fuzzref::extractTag(theirs, opening, closing));
    FUZZ_REQUIRE(ours == theirs);
}

void checkLoad(std::string_view bytes) {
    InfoBoxSettings loaded;
    loaded.BoxWidth = 321;
    loaded.BoldText = "not in the file";
    SettingsTarget target(loaded);
    try {
        configuration::load(bytes, target);
    } catch (const UserError& error) {
        FUZZ_REQUIRE(*error.what() != '\0');
    }
    FUZZ_REQUIRE(loaded.BoxWidth == 321 && loaded.BoldText == "not in the file");
    for (const SettingField& field : kSettingFields) {
        if (field.kind == FieldKind::Number) {
            const int number = std::get<int>(field.get(loaded));
            FUZZ_REQUIRE(number >= field.low && number <= field.high);
        }
    }

    // Saved and loaded again over settings unlike them in every field, every
    // saved field comes back; only the body text loses one trailing line
    // break, as saving always does. A key the second load fails to apply shows
    // as a difference.
    const std::string saved = configuration::toBytes(loaded);
    const InfoBoxSettings before = settingstest::everyFieldChangedFrom(loaded);
    InfoBoxSettings again = before;
    SettingsTarget againTarget(again);
    try {
        configuration::load(saved, againTarget);
    } catch (const UserError& error) {
        std::fprintf(stderr, "a saved file does not load: %s\n", error.what());
        FUZZ_REQUIRE(false);
    }
    const std::string differing =
        settingstest::differingFields(again, settingstest::afterSaveAndLoad(loaded, before));
    if (!differing.empty())
        std::fprintf(stderr, "saved and loaded again:\n%s", differing.c_str());
    FUZZ_REQUIRE(differing.empty());
    FUZZ_REQUIRE(configuration::toBytes(again) == saved);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes = fuzzref::bytesOf(data, size);
    checkTaggedText(bytes);
    checkLoad(bytes);
    return 0;
}
