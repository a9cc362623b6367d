#include "tests/support/ToolRun.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string tag(const std::string& key, const std::string& value) {
    return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
}

QByteArray bmp(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

class BrandCheck : public ::testing::Test {
protected:
    ToolRun brand(const QStringList& args) {
        ToolRun run = runTool(QStringLiteral(TIPSMITH_BRAND), args, m_dir.path());
        run.out = withLfLineEnds(run.out); // its reports are text
        return run;
    }
    void put(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    static std::string head(const std::string& type = "Gold") {
        return tag("ApplicationName", "Box Maker") + tag("BranderCode", "B-1") +
               tag("BranderType", type) + tag("AffiliateURL", "http://shop/?id=%%AFFILIATEID%%") +
               tag("AffiliateTYPE", "") + tag("AffiliateID", "42") +
               tag("GoldNewsBaseURL", "http://news/") + tag("GoldPublID", "9") +
               tag("AboutText", "one\r\ntwo");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(BrandCheck, AGoodProfileListsItsValuesInReadingOrder) {
    put("profile.txt", QByteArray::fromStdString(
                           head() + tag("Welcome1", "<p>hi</p>") +
                           tag("Banner1", "a.bmp^http://b/") + tag("Link1", "One^http://1/") +
                           tag("Link2", "Two^http://2/") + tag("lastNewsID", "7")));
    put("banner1.dat", bmp(40, 10));
    const ToolRun run = brand({"check", "profile.txt"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("ApplicationName: Box Maker\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("AffiliateURL: http://shop/?id=42\n"), std::string::npos);
    EXPECT_NE(run.out.find("AboutText:\n    one\n    two\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Link2: Two^http://2/\n"), std::string::npos);
    EXPECT_LT(run.out.find("ApplicationName:"), run.out.find("BranderCode:"));
    EXPECT_LT(run.out.find("AboutText:"), run.out.find("Welcome1:"));
    EXPECT_NE(run.out.find("The news button shows."), std::string::npos);
    EXPECT_NE(run.out.find("No problems"), std::string::npos);
}

TEST_F(BrandCheck, ReportsEveryWayDataIsLostSilently) {
    std::string text = tag("AppHelpURL", "http://help/") + head("gold");
    text += tag("Welcome1", "<p>one</p>") + tag("Welcome3", "<p>three</p>") +
            tag("WelcomeText", "<p>lost</p>") + tag("Welcome0", "<p>lost</p>");
    text += tag("Banner1", "missing.jpg^http://b1/") + tag("Banner2", "broken.gif^http://b2/") +
            tag("Banner3", "noaddress.bmp");
    for (int n = 1; n <= 17; ++n)
        text += tag("Link" + std::to_string(n), n == 5 ? "Five" : "L^http://l/");
    put("profile.txt", QByteArray::fromStdString(text));
    put("banner2.dat", "this is no picture");
    put("banner3.dat", bmp(10, 10));

    const ToolRun run = brand({"check", "profile.txt"});
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    const auto says = [&run](const std::string& words) {
        return run.out.find(words) != std::string::npos;
    };
    EXPECT_TRUE(says("AppHelpURL stands before a key read earlier, so it reads as empty"))
        << run.out;
    EXPECT_TRUE(says("Welcome3 is never read: Welcome2 is missing or empty")) << run.out;
    EXPECT_TRUE(says("Banner1: its picture banner1.dat is missing")) << run.out;
    EXPECT_TRUE(says("Banner2: its picture banner2.dat cannot be decoded as broken.gif"))
        << run.out;
    EXPECT_TRUE(says("Banner3 has no \"^\"")) << run.out;
    EXPECT_TRUE(says("Link5 has no \"^\"")) << run.out;
    EXPECT_TRUE(says("more than 16 Link entries: Link17 and after are ignored")) << run.out;
    EXPECT_TRUE(says("BranderType \"gold\" is not one of Master, Platinum, Gold or Free"))
        << run.out;
    EXPECT_TRUE(says("WelcomeText is not a key the program reads, so its value is lost"))
        << run.out;
    EXPECT_TRUE(says("Welcome0 is not a key the program reads")) << run.out;
    EXPECT_TRUE(says("The news button is hidden.")) << run.out;
    EXPECT_TRUE(says("10 problems:")) << run.out;
}

TEST_F(BrandCheck, AnOpeningTagWithoutItsClosingTag) {
    put("profile.txt",
        QByteArray::fromStdString(tag("ApplicationName", "A") + "<%%BranderCode%%>B-1\r\n" +
                                  tag("BranderType", "Master")));
    const ToolRun run = brand({"check", "profile.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(
        run.out.find("BranderCode has no closing tag <%%/BranderCode%%>, so it reads as empty"),
        std::string::npos)
        << run.out;
    // The keys after it are still found.
    EXPECT_NE(run.out.find("BranderType: Master\n"), std::string::npos) << run.out;
}

TEST_F(BrandCheck, MissingProfileFileFails) {
    const ToolRun run = brand({"check", "none.txt"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Cannot open file"), std::string::npos) << run.err;
}

TEST_F(BrandCheck, SkinPacksAStyleSheetTheProgramUnpacks) {
    const QByteArray sheet = "QWidget#panLinks { background: #123456; }\n/* caf\xC3\xA9 */\n";
    put("style.qss", sheet);
    const ToolRun run = brand({"skin", "style.qss", "mainskin.dat"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    QFile packed(path("mainskin.dat"));
    ASSERT_TRUE(packed.open(QIODevice::ReadOnly));
    EXPECT_EQ(qUncompress(packed.readAll()), sheet);
    EXPECT_EQ(brand({"skin", "absent.qss", "mainskin2.dat"}).exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("mainskin2.dat")));
}
