// The brand profile behind its container, on any dbsettings.dat: nothing
// but authentic data is taken, a file that is not authentic is never
// rewritten, and storing the id of the news item read last either keeps every
// other value or, for an id that cannot stand on its line, changes nothing.
//
// The first byte chooses what the rest is:
//   even  a profile text, sealed into dbsettings.dat with the program's
//         writer, read back through the program's file reader and then given
//         a news id by SaveLastNewsId
//   odd   dbsettings.dat itself, as it would lie beside the program
// The second byte gives the length (modulo 32) of the news id that follows;
// the rest is the text or the file. Whatever profile text comes out is read,
// checked and chosen from.

#include "tests/fuzz/BrandFuzzSupport.h"

#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "net/NewsProtocol.h"
#include "util/ProtectedFile.h"

using namespace brandfuzz;

namespace {

bool fitsOnItsLine(std::string_view id) {
    return id.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           id.find("<%%") == std::string_view::npos && textcodec::isValidUtf8(id);
}

// Sealed by the writer, the text comes back whole through the file reader;
// storing a news id then changes nothing else.
void checkSealed(std::string_view plain, std::string_view id) {
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

    if (!fitsOnItsLine(id)) {
        const QByteArray before = readFile(folders().container);
        FUZZ_REQUIRE(!news::SaveLastNewsId(folders().container, id));
        FUZZ_REQUIRE(readFile(folders().container) == before);
        return;
    }
    // A line that already holds the id's tag is replaced whole, with whatever
    // else stood on it; without one, the id's line is added and nothing is lost.
    const bool hadId = fuzzref::findCaseBlind(plain, "<%%LastNewsId%%>") != std::string_view::npos;
    FUZZ_REQUIRE(news::SaveLastNewsId(folders().container, id));
    if (hadId)
        return;
    const ProfileBytes after = readBrandProfileFile(folders().exeFolder);
    FUZZ_REQUIRE(after.state == ProfileFile::Authentic);
    FUZZ_REQUIRE(news::LoadLastNewsId(folders().container) == id);
    FUZZ_REQUIRE(sameText(parseBrandProfile(viewOf(after.plain)), parseBrandProfile(plain)));
}

// A file as found: only authentic data is taken, and a file that is not
// authentic is never rewritten.
std::string checkFound(std::string_view bytes, std::string_view id) {
    const QByteArray file(bytes.data(), static_cast<qsizetype>(bytes.size()));
    writeFile(folders().container, file);
    const ProfileBytes read = readBrandProfileFile(folders().exeFolder);
    FUZZ_REQUIRE(read.state != ProfileFile::Missing);
    if (read.state == ProfileFile::Authentic)
        return read.plain.toStdString();
    FUZZ_REQUIRE(read.plain.isEmpty());
    FUZZ_REQUIRE(news::LoadLastNewsId(folders().container).empty());
    FUZZ_REQUIRE(!news::SaveLastNewsId(folders().container, id));
    FUZZ_REQUIRE(readFile(folders().container) == file);
    return {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFolders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string_view rest = fuzzref::bytesOf(data + 2, size - 2);
    const std::string_view id = rest.substr(0, data[1] % 32);
    const std::string_view text = rest.substr(id.size());
    if (data[0] % 2 == 0) {
        checkSealed(text, id);
        checkProfileText(text);
    } else {
        checkProfileText(checkFound(text, id));
    }
    return 0;
}
