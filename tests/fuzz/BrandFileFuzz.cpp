// The brand profile behind its container, on any dbsettings.dat: nothing
// but authentic data is taken, a file that is not authentic is never
// rewritten, and storing the news id read last keeps every other value.
//
// The first byte chooses what the rest is:
//   even  a profile text, sealed into dbsettings.dat with the program's
//         writer, read back through the program's file reader and then given
//         a news id by SaveLastNewsId
//   odd   dbsettings.dat itself, as it would lie beside the program
// Whatever profile text comes out is read, checked and chosen from.

#include "BrandFuzzSupport.h"

#include "NewsProtocol.h"
#include "ProtectedFile.h"
#include "TaggedText.h"

using namespace brandfuzz;

namespace {

constexpr std::string_view kStoredId = "4711";

// Sealed by the writer, the text comes back whole through the file reader;
// storing a news id then changes nothing else.
void checkSealed(std::string_view plain) {
    writeProtectedFile(folders().container,
                       QByteArray(plain.data(), static_cast<qsizetype>(plain.size())));
    const ProfileBytes read = readBrandProfileFile(folders().exeFolder);
    FUZZ_REQUIRE(read.state == ProfileFile::Authentic);
    FUZZ_REQUIRE(viewOf(read.plain) == plain);

    const std::string working = taggedtext::toWorkingText(plain);
    std::string_view reference = working;
    const std::string storedId =
        fuzzref::extractTag(reference, "<%%LastNewsId%%>", "<%%/LastNewsId%%>");
    FUZZ_REQUIRE(news::LoadLastNewsId(folders().container) == storedId);

    // A line that already holds the id's tag is replaced whole, with whatever
    // else stood on it; without one, the id line is added and nothing is lost.
    if (fuzzref::findCaseBlind(plain, "<%%LastNewsId%%>") != std::string_view::npos)
        return;
    FUZZ_REQUIRE(news::SaveLastNewsId(folders().container, kStoredId));
    const ProfileBytes after = readBrandProfileFile(folders().exeFolder);
    FUZZ_REQUIRE(after.state == ProfileFile::Authentic);
    FUZZ_REQUIRE(news::LoadLastNewsId(folders().container) == kStoredId);
    FUZZ_REQUIRE(sameText(parseBrandProfile(viewOf(after.plain)), parseBrandProfile(plain)));
}

// A file as found: only authentic data is taken, and a file that is not
// authentic is never rewritten.
std::string checkFound(std::string_view bytes) {
    const QByteArray file(bytes.data(), static_cast<qsizetype>(bytes.size()));
    writeFile(folders().container, file);
    const ProfileBytes read = readBrandProfileFile(folders().exeFolder);
    FUZZ_REQUIRE(read.state != ProfileFile::Missing);
    if (read.state == ProfileFile::Authentic)
        return read.plain.toStdString();
    FUZZ_REQUIRE(read.plain.isEmpty());
    FUZZ_REQUIRE(news::LoadLastNewsId(folders().container).empty());
    FUZZ_REQUIRE(!news::SaveLastNewsId(folders().container, kStoredId));
    FUZZ_REQUIRE(readFile(folders().container) == file);
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFolders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string_view rest = fuzzref::bytesOf(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        checkSealed(rest);
        checkProfileText(rest);
    } else {
        checkProfileText(checkFound(rest));
    }
    return 0;
}
