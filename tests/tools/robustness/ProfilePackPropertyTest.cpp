// Random brand profiles, written in the key order the way a brander writes
// them (UTF-8, or Windows-1252 as older editors save), packed with the built
// tipsmith-brand and read back by the program's reader: every value comes
// back, with its line breaks as CR LF (the profile is read as lines), the
// affiliate id put into the affiliate address, and at most 16 entries of each
// numbered family. Storing the last news id afterwards changes none of them.

#include "brand/BrandProfileReader.h"
#include "format/TaggedText.h"
#include "net/NewsProtocol.h"
#include "tests/support/ToolRun.h"
#include "tests/wizard/PropertySupport.h"
#include "util/ProtectedFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr int kProfiles = 24;

// A text piece in UTF-8 and, where Windows-1252 holds it, its byte there.
struct Piece {
    std::string utf8;
    std::string cp1252;
};

// Characters of Windows-1252 whose byte can never stand in valid UTF-8 (a
// lone continuation byte or an impossible lead byte), so a profile holding
// one is always read as Windows-1252.
const std::vector<Piece>& pieces1252() {
    static const std::vector<Piece> list = {
        {"\xE2\x82\xAC", "\x80"}, {"\xE2\x80\x9C", "\x93"}, {"\xE2\x80\x9D", "\x94"},
        {"\xE2\x84\xA2", "\x99"}, {"\xC2\xA9", "\xA9"},     {"\xC2\xB0", "\xB0"},
        {"\xC2\xBD", "\xBD"},     {"\xC3\x80", "\xC0"},     {"\xC3\xB6", "\xF6"},
        {"\xC3\xBC", "\xFC"},     {"\xC3\xBF", "\xFF"}};
    return list;
}

const std::vector<std::string>& asciiPieces() {
    static const std::vector<std::string> list = {" ",
                                                  "\t",
                                                  "\r\n",
                                                  "\r",
                                                  "\n",
                                                  "\"",
                                                  "'",
                                                  "\\",
                                                  "<",
                                                  ">",
                                                  "&",
                                                  "^",
                                                  "^^",
                                                  "%",
                                                  "%%>",
                                                  "<%%",
                                                  "$",
                                                  "#",
                                                  "/",
                                                  ":",
                                                  "<b>",
                                                  "</b>",
                                                  "<%%Link1%%>",
                                                  "<%%/Banner16%%>",
                                                  "<%%/APPLICATIONNAME%%>",
                                                  "%%AFFILIATEID%%",
                                                  "%%affiliateid%%",
                                                  "http://x.example/?a=1&b=2"};
    return list;
}

const std::vector<std::string>& utf8Pieces() {
    static const std::vector<std::string> list = {"\xC3\xA9", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                                  "\xF0\x9F\x98\x80", "\xC2\xA0"};
    return list;
}

class RandomProfile {
public:
    explicit RandomProfile(std::uint32_t seed) : m_engine(seed) {}

    int between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(m_engine);
    }

    // A value in both encodings; `in1252` chooses the other alphabet.
    Piece text(bool in1252, int maxPieces = 20) {
        static constexpr std::string_view letters =
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        Piece out;
        const int count = between(0, maxPieces);
        for (int i = 0; i < count; ++i) {
            const int kind = between(0, 3);
            if (kind <= 1) {
                const char c = letters[static_cast<size_t>(between(0, letters.size() - 1))];
                out.utf8 += c;
                out.cp1252 += c;
            } else if (kind == 2) {
                const auto& p =
                    asciiPieces()[static_cast<size_t>(between(0, asciiPieces().size() - 1))];
                out.utf8 += p;
                out.cp1252 += p;
            } else if (in1252) {
                const auto& p =
                    pieces1252()[static_cast<size_t>(between(0, pieces1252().size() - 1))];
                out.utf8 += p.utf8;
                out.cp1252 += p.cp1252;
            } else {
                const auto& p =
                    utf8Pieces()[static_cast<size_t>(between(0, utf8Pieces().size() - 1))];
                out.utf8 += p;
                out.cp1252 += p;
            }
        }
        return out;
    }

private:
    std::mt19937 m_engine;
};

std::string replaceAll(std::string_view text, std::string_view what, std::string_view with) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(what, from)) != std::string_view::npos; from = at + what.size())
        out.append(text.substr(from, at - from)).append(with);
    return out.append(text.substr(from));
}

struct Profile {
    std::string file;                     // the plain text as written
    std::vector<std::string> keys;        // keys 1 to 17
    std::vector<std::string> values;      // their values as read, UTF-8
    std::vector<std::string> families[3]; // Welcome, Banner, Link entries as read
};

const char* const kFamilies[3] = {"Welcome", "Banner", "Link"};

// A value for `key` that holds no closing tag of its own (which would cut it)
// and, for a numbered entry, is not empty (which would end its family).
Piece valueFor(RandomProfile& random, const std::string& key, bool in1252, bool entry) {
    for (;;) {
        Piece p = random.text(in1252, random.between(0, 9) == 0 ? 400 : 20);
        if (entry && p.utf8.empty())
            continue;
        if (taggedtext::findCaseBlind(p.cp1252, taggedtext::closingTag(key)) == std::string::npos)
            return p;
    }
}

Profile makeProfile(RandomProfile& random) {
    Profile profile;
    const bool in1252 = random.between(0, 3) == 0;
    const auto add = [&](const std::string& key, const Piece& value) {
        profile.file += MakeTagLine(key, in1252 ? value.cp1252 : value.utf8) + "\r\n";
    };
    for (const auto key : brandProfileKeys()) {
        Piece value = valueFor(random, std::string(key), in1252, false);
        // One character only Windows-1252 has makes the whole text Windows-1252.
        if (in1252 && key == "ApplicationName") {
            value.utf8 += pieces1252()[0].utf8;
            value.cp1252 += pieces1252()[0].cp1252;
        }
        add(std::string(key), value);
        profile.keys.emplace_back(key);
        profile.values.push_back(property::lineBreaksAsCrLf(value.utf8));
    }
    for (int f = 0; f < 3; ++f) {
        // Sometimes a 17th entry, which is never read.
        const int count = random.between(0, 2) == 0 ? random.between(16, 17) : random.between(0, 5);
        for (int n = 1; n <= count; ++n) {
            const std::string key = kFamilies[f] + std::to_string(n);
            // An entry the reader never reaches stays in the text it searches
            // next: a tag in it would be found there, so the 17th holds none.
            const Piece value = n <= kMaxBrandEntries ? valueFor(random, key, in1252, true)
                                                      : Piece{"unread", "unread"};
            add(key, value);
            if (n <= kMaxBrandEntries)
                profile.families[f].push_back(property::lineBreaksAsCrLf(value.utf8));
        }
    }
    return profile;
}

// What the reader must give for the profile: each value of the fixed part
// where the program keeps it (that every key has a place of its own, the
// reader test checks), then the families.
void expectRead(const Profile& p, const BrandProfileText& read, const std::string& where) {
    const auto value = [&](std::string_view key) {
        for (size_t i = 0; i < p.keys.size(); ++i)
            if (p.keys[i] == key)
                return p.values[i];
        return std::string("<no such key>");
    };
    for (const BrandProfileKey& key : brandProfileFields()) {
        const std::string* kept = keptValue(read, key);
        if (!kept)
            continue; // read for its place in the order only
        const std::string expected =
            key.withAffiliateId
                ? replaceAll(value(key.key), "%%AFFILIATEID%%", value("AffiliateID"))
                : value(key.key);
        EXPECT_EQ(*kept, expected) << key.key << ", " << where;
    }
    EXPECT_EQ(read.welcomes, p.families[0]) << where;
    EXPECT_EQ(read.banners, p.families[1]) << where;
    EXPECT_EQ(read.links, p.families[2]) << where;
}

} // namespace

TEST(ProfileProperty, PackedByTheToolEveryValueReadsBack) {
    RandomProfile random(kSeed);
    for (int i = 0; i < kProfiles; ++i) {
        const std::string where =
            "seed " + std::to_string(kSeed) + ", profile " + std::to_string(i);
        SCOPED_TRACE(where);
        const Profile profile = makeProfile(random);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        {
            QFile plain(dir.filePath(QStringLiteral("profile.txt")));
            ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
            ASSERT_EQ(plain.write(profile.file.data(), static_cast<qint64>(profile.file.size())),
                      static_cast<qint64>(profile.file.size()));
        }
        const ToolRun packed = runTool(QStringLiteral(TIPSMITH_BRAND),
                                       {QStringLiteral("pack"), QStringLiteral("profile.txt"),
                                        QStringLiteral("dbsettings.dat")},
                                       dir.path());
        ASSERT_EQ(packed.exitCode, 0) << packed.err;

        const ProfileBytes bytes = readBrandProfileFile(dir.path() + u'/');
        ASSERT_EQ(bytes.state, ProfileFile::Authentic);
        EXPECT_EQ(bytes.plain.toStdString(), profile.file)
            << "the container holds the text as written";
        expectRead(profile,
                   parseBrandProfile(std::string_view(bytes.plain.constData(),
                                                      static_cast<size_t>(bytes.plain.size()))),
                   where);

        // Remembering the news item read last leaves every brand value as it was.
        const QString container = dir.filePath(QStringLiteral("dbsettings.dat"));
        const std::string id = std::to_string(random.between(0, 1 << 30));
        ASSERT_TRUE(news::SaveLastNewsId(container, id));
        EXPECT_EQ(news::LoadLastNewsId(container), id);
        const ProfileBytes after = readBrandProfileFile(dir.path() + u'/');
        ASSERT_EQ(after.state, ProfileFile::Authentic);
        expectRead(profile,
                   parseBrandProfile(std::string_view(after.plain.constData(),
                                                      static_cast<size_t>(after.plain.size()))),
                   where + ", after SaveLastNewsId");
        if (::testing::Test::HasFailure())
            return;
    }
}
