#include "brand/BrandProfileReader.h"
#include "net/NewsProtocol.h"
#include "util/ProtectedFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

// The id of the news item read last comes from the news server's list reply
// and is written into the brand profile. An id that cannot stand on one tag
// line as it is would change the profile around it: it is not stored.

namespace {

const QByteArray kBrandValues =
    "<%%ApplicationName%%>Caf\xC3\xA9 Maker<%%/ApplicationName%%>\r\n"
    "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
    "<%%GoldNewsBaseURL%%>http://news.example/<%%/GoldNewsBaseURL%%>\r\n"
    "<%%GoldPublID%%>1001<%%/GoldPublID%%>\r\n";

// A profile without an id, which gets the id's line at its end, and one with
// the id's line first, as a brander may place it.
struct Profile {
    QByteArray plain;
    std::string id;
};
const Profile kProfiles[] = {
    {kBrandValues, ""},
    {"<%%LastNewsId%%>3<%%/LastNewsId%%>\r\n" + kBrandValues, "3"},
};

class StoredNewsId : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString profile() const { return folder.filePath(QStringLiteral("dbsettings.dat")); }
    QByteArray raw() const {
        QFile file(profile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    BrandProfileText brand() const {
        QByteArray plain;
        EXPECT_EQ(readProtectedFile(profile(), plain), ProtectedFileResult::Ok);
        return parseBrandProfile(std::string_view(plain.constData(), size_t(plain.size())));
    }
    static void expectBrandKept(const BrandProfileText& text, const std::string& where) {
        EXPECT_EQ(text.values.ApplicationName, "Caf\xC3\xA9 Maker") << where;
        EXPECT_EQ(text.values.BranderType, "Gold") << where;
        EXPECT_EQ(text.values.GoldNewsBaseURL, "http://news.example/") << where;
        EXPECT_EQ(text.values.GoldPublID, "1001") << where;
        EXPECT_TRUE(text.welcomes.empty()) << where;
        EXPECT_TRUE(text.links.empty()) << where;
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(StoredNewsId, AnIdThatWouldChangeTheProfileIsNotStored) {
    const std::string refused[] = {
        // Tags would be read as brand values: a welcome page or a link planted by a reply.
        "<%%Welcome1%%>Planted<%%/Welcome1%%>",
        "4<%%Link1%%>Prize^http://elsewhere.example/<%%/Link1%%>",
        // A NUL ends the profile text: every value after the id's line would be lost.
        std::string("4\0", 2),
        // A line break splits the id's line; the next save replaces only its first part.
        "4\r\n5",
        "4\n",
        "\r",
        // Not UTF-8: the whole profile would be read as Windows-1252 from then on.
        "4\xE9",
    };
    for (const Profile& start : kProfiles) {
        for (const std::string& id : refused) {
            writeProtectedFile(profile(), start.plain);
            const QByteArray before = raw();
            const std::string where = "id of " + std::to_string(id.size()) + " bytes: " + id +
                                      ", stored id before: " + start.id;
            EXPECT_FALSE(news::SaveLastNewsId(profile(), id)) << where;
            EXPECT_EQ(raw(), before) << where;
            EXPECT_EQ(news::LoadLastNewsId(profile()), start.id) << where;
            expectBrandKept(brand(), where);
        }
    }
}

TEST_F(StoredNewsId, AnyOtherIdIsStoredAsItCameAndTheProfileKept) {
    const std::string stored[] = {
        "12", "-7", "", "0012", "Caf\xC3\xA9", "%%>", "a<%b", "4<", "\t tab and blanks "};
    for (const Profile& start : kProfiles) {
        writeProtectedFile(profile(), start.plain);
        for (const std::string& id : stored) {
            EXPECT_TRUE(news::SaveLastNewsId(profile(), id)) << id;
            EXPECT_EQ(news::LoadLastNewsId(profile()), id);
            expectBrandKept(brand(), id);
        }
    }
}
