#include "brand/BrandProfileReader.h"
#include "util/ProtectedFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <set>

namespace {

std::string tag(const std::string& key, const std::string& value) {
    return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
}

// A complete profile in the order the program reads it.
std::string fullProfile() {
    std::string text;
    text += tag("ApplicationName", "Box Maker");
    text += tag("BranderCode", "B-17");
    text += tag("BranderType", "Gold");
    text += tag("AffiliateURL",
                "http://shop/?id=%%AFFILIATEID%%&again=%%AFFILIATEID%%&no=%%affiliateid%%");
    text += tag("AffiliateTYPE", "cpc");
    text += tag("AffiliateID", "42");
    text += tag("MasterNewsBaseURL", "http://master/");
    text += tag("PlatinumNewsBaseURL", "http://platinum/");
    text += tag("GoldNewsBaseURL", "http://gold/");
    text += tag("MasterPublID", "m1");
    text += tag("PlatinumPublID", "p1");
    text += tag("GoldPublID", "g1");
    text += tag("MakeMoneyButton", "Earn");
    text += tag("AppHelpURL", "http://help/");
    text += tag("CopyrightYears", "2001-2009");
    text += tag("CopyrightCompany", "Brander Ltd");
    text += tag("AboutText", "line one\r\nline two");
    text += tag("Welcome1", "<p>one</p>");
    text += tag("Welcome2", "<p>two</p>");
    text += tag("Banner1", "pics/first.gif^http://banner1/");
    text += tag("Banner2", "second.jpg^http://banner2/");
    text += tag("Link1", "First^http://link1/");
    text += tag("Link2", "Second^http://link2/");
    text += tag("Link3", "Third^http://link3/");
    return text;
}

} // namespace

TEST(BrandProfileText, ReadsEveryKeyInOrder) {
    const BrandProfileText t = parseBrandProfile(fullProfile());
    EXPECT_EQ(t.values.ApplicationName, "Box Maker");
    EXPECT_EQ(t.values.BranderCode, "B-17");
    EXPECT_EQ(t.values.BranderType, "Gold");
    EXPECT_EQ(t.values.AffiliateID, "42");
    // Both placeholders replaced; one in small letters is not the placeholder.
    EXPECT_EQ(t.values.AffiliateURL, "http://shop/?id=42&again=42&no=%%affiliateid%%");
    EXPECT_EQ(t.values.MasterNewsBaseURL, "http://master/");
    EXPECT_EQ(t.values.PlatinumNewsBaseURL, "http://platinum/");
    EXPECT_EQ(t.values.GoldNewsBaseURL, "http://gold/");
    EXPECT_EQ(t.values.MasterPublID, "m1");
    EXPECT_EQ(t.values.PlatinumPublID, "p1");
    EXPECT_EQ(t.values.GoldPublID, "g1");
    EXPECT_EQ(t.MakeMoneyButton, "Earn");
    EXPECT_EQ(t.values.AppHelpURL, "http://help/");
    EXPECT_EQ(t.values.CopyrightYears, "2001-2009");
    EXPECT_EQ(t.values.CopyrightCompany, "Brander Ltd");
    EXPECT_EQ(t.values.AboutText, "line one\r\nline two");
    EXPECT_EQ(t.welcomes, (std::vector<std::string>{"<p>one</p>", "<p>two</p>"}));
    EXPECT_EQ(t.banners.size(), 2u);
    EXPECT_EQ(t.links.size(), 3u);
}

TEST(BrandProfileText, AKeyBeforeOneReadEarlierReadsEmpty) {
    std::string text = tag("AppHelpURL", "http://help/") + tag("BranderType", "Gold");
    const BrandProfileText t = parseBrandProfile(text);
    EXPECT_EQ(t.values.BranderType, "Gold");
    EXPECT_EQ(t.values.AppHelpURL, "");
}

TEST(BrandProfileText, FamiliesStopAtTheFirstGapAndAtSixteen) {
    std::string text = tag("Welcome1", "") + tag("Welcome2", "<p>two</p>");
    for (int n = 1; n <= 17; ++n)
        text += tag("Banner" + std::to_string(n), "b" + std::to_string(n) + ".gif^http://x/");
    text += tag("Link1", "one^http://1/") + tag("Link3", "three^http://3/");
    const BrandProfileText t = parseBrandProfile(text);
    EXPECT_TRUE(t.welcomes.empty());
    ASSERT_EQ(t.banners.size(), 16u);
    EXPECT_EQ(t.banners.back(), "b16.gif^http://x/");
    EXPECT_EQ(t.links.size(), 1u);
}

TEST(BrandProfileText, LinesAndCharacterSets) {
    // Lone LF inside a value comes back as CR LF; a NUL ends the text;
    // Windows-1252 texts are read with their accents.
    std::string text = "<%%ApplicationName%%>Caf\xE9<%%/ApplicationName%%>\n"
                       "<%%BranderCode%%>x<%%/BranderCode%%>\n"
                       "<%%AboutText%%>one\ntwo<%%/AboutText%%>\n";
    text.push_back('\0');
    text += tag("Welcome1", "after the end");
    const BrandProfileText t = parseBrandProfile(text);
    EXPECT_EQ(t.values.ApplicationName, "Caf\xC3\xA9");
    EXPECT_EQ(t.values.AboutText, "one\r\ntwo");
    EXPECT_TRUE(t.welcomes.empty());
    // Tags in another letter case are found.
    EXPECT_EQ(
        parseBrandProfile("<%%APPLICATIONNAME%%>Up<%%/applicationname%%>").values.ApplicationName,
        "Up");
}

TEST(BrandEntries, SplitAtTheCaret) {
    EXPECT_EQ(splitEntry("pic.gif^http://x/"),
              std::make_pair(std::string("pic.gif"), std::string("http://x/")));
    EXPECT_EQ(splitEntry("^http://x/"), std::make_pair(std::string(), std::string("http://x/")));
    EXPECT_EQ(splitEntry("pic.gif"), std::make_pair(std::string("pic.gif"), std::string()));
    EXPECT_EQ(splitEntry("pic.gif^"), std::make_pair(std::string("pic.gif"), std::string()));
    EXPECT_EQ(splitEntry("a^b^c"), std::make_pair(std::string("a"), std::string("b")));
    EXPECT_EQ(imageFileNamePart("C:\\pics\\banner.GIF"), "banner.GIF");
    EXPECT_EQ(imageFileNamePart("d:x.jpg"), "x.jpg");
    EXPECT_EQ(imageFileNamePart("web/pics/y.png"), "y.png");
    EXPECT_EQ(imageFileNamePart("plain.bmp"), "plain.bmp");
}

TEST(BrandChoice, PicksOneOfEachAndTwoDifferentLinks) {
    const BrandProfileText t = parseBrandProfile(fullProfile());
    std::set<std::string> welcomes, banners, firstLinks;
    for (std::uint32_t seed = 0; seed < 200; ++seed) {
        const BrandChoice c = chooseBrand(t, seed);
        welcomes.insert(c.profile.WelcomeText);
        banners.insert(c.profile.BannerImage);
        firstLinks.insert(c.profile.Link1Caption);
        EXPECT_NE(c.profile.Link1Caption, c.profile.Link2Caption);
        EXPECT_FALSE(c.profile.Link2Caption.empty());
        ASSERT_GE(c.bannerNumber, 1);
        ASSERT_LE(c.bannerNumber, 2);
        const auto [image, url] = splitEntry(t.banners[static_cast<size_t>(c.bannerNumber - 1)]);
        EXPECT_EQ(c.profile.BannerImage, image);
        EXPECT_EQ(c.profile.BannerURL, url);
        EXPECT_EQ(c.profile.ApplicationName, "Box Maker");
    }
    // Over many runs every entry comes up.
    EXPECT_EQ(welcomes.size(), 2u);
    EXPECT_EQ(banners.size(), 2u);
    EXPECT_EQ(firstLinks.size(), 3u);
    // The same seed gives the same choice.
    EXPECT_EQ(chooseBrand(t, 7).profile.Link1Caption, chooseBrand(t, 7).profile.Link1Caption);
}

TEST(BrandChoice, EmptyListsChooseNothing) {
    const BrandChoice c = chooseBrand(parseBrandProfile(tag("Link1", "Only^http://only/")), 1);
    EXPECT_EQ(c.profile.WelcomeText, "");
    EXPECT_EQ(c.bannerNumber, 0);
    EXPECT_EQ(c.profile.Link1Caption, "Only");
    EXPECT_EQ(c.profile.Link2Caption, "");
    EXPECT_EQ(c.profile.Link2URL, "");
}

TEST(NewsButton, TierRuleIsExactAndFreeUsesMaster) {
    BrandProfileRecord p;
    p.MasterPublID = "m";
    p.MasterNewsBaseURL = "http://m/";
    p.GoldPublID = "g";
    p.GoldNewsBaseURL = "http://g/";
    for (const auto& [type, visible] :
         std::vector<std::pair<std::string, bool>>{{"Master", true},
                                                   {"Free", true},
                                                   {"Gold", true},
                                                   {"gold", false},
                                                   {"Platinum", false},
                                                   {"", false},
                                                   {"Other", false}}) {
        p.BranderType = type;
        EXPECT_EQ(newsButtonVisible(p), visible) << type;
    }
    p.BranderType = "Gold";
    p.GoldPublID.clear();
    EXPECT_FALSE(newsButtonVisible(p));
}

TEST(Caption, NameAndVersionOrTheDesignedCaption) {
    BrandProfileRecord p;
    EXPECT_EQ(brandedCaption(p, "Tipsmith"), "Tipsmith");
    p.ApplicationName = "Box Maker";
    EXPECT_EQ(brandedCaption(p, "Tipsmith"), "Box Maker v2.0");
}

TEST(ProfileFile, OnlyAnAuthenticContainerCounts) {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    EXPECT_EQ(readBrandProfileFile(folder).state, ProfileFile::Missing);

    writeProtectedFile(folder + "dbsettings.dat", QByteArray::fromStdString(fullProfile()));
    const ProfileBytes good = readBrandProfileFile(folder);
    EXPECT_EQ(good.state, ProfileFile::Authentic);
    EXPECT_EQ(good.plain.toStdString(), fullProfile());

    // One flipped byte in the middle: the code no longer matches, nothing is used.
    QFile file(folder + "dbsettings.dat");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
    file.seek(0);
    file.write(bytes);
    file.close();
    const ProfileBytes damaged = readBrandProfileFile(folder);
    EXPECT_EQ(damaged.state, ProfileFile::NotAuthentic);
    EXPECT_TRUE(damaged.plain.isEmpty());

    // Reading never leaves a plain copy beside the program.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"dbsettings.dat"});
}
