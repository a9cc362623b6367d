#include "net/NewsProtocol.h"
#include "util/ProtectedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LastNewsId : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        // The plain copy must never be written: a folder in its place makes
        // every attempt fail loudly.
        ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("dbsettings.sim")));
    }
    void TearDown() override {
        EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("dbsettings.sim"))).isDir());
        EXPECT_TRUE(QDir(folder.filePath(QStringLiteral("dbsettings.sim"))).isEmpty());
        // Nothing but the profile and the trap: no temporary file left behind.
        QStringList names = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("dbsettings.sim"));
        names.removeAll(QStringLiteral("dbsettings.dat"));
        EXPECT_TRUE(names.isEmpty()) << names.join(u' ').toStdString();
    }

    QString profile() const { return folder.filePath(QStringLiteral("dbsettings.dat")); }
    void write(const QByteArray& plain) { writeProtectedFile(profile(), plain); }
    QByteArray plain() const {
        QByteArray bytes;
        EXPECT_EQ(readProtectedFile(profile(), bytes), ProtectedFileResult::Ok);
        return bytes;
    }
    QByteArray raw() const {
        QFile file(profile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
};

const QByteArray kProfile = "<%%ApplicationName%%>Box Maker<%%/ApplicationName%%>\r\n"
                            "<%%BranderType%%>Gold<%%/BranderType%%>\r\n"
                            "<%%AboutText%%>two\r\nlines<%%/AboutText%%>\r\n";

} // namespace

TEST_F(LastNewsId, WithoutAProfileNothingIsReadOrWritten) {
    EXPECT_EQ(news::LoadLastNewsId(profile()), "");
    EXPECT_FALSE(news::SaveLastNewsId(profile(), "7"));
    EXPECT_FALSE(QFile::exists(profile()));
}

TEST_F(LastNewsId, TheFirstSaveAppendsTheLineAndTheNextReplacesIt) {
    write(kProfile);
    EXPECT_EQ(news::LoadLastNewsId(profile()), "");

    ASSERT_TRUE(news::SaveLastNewsId(profile(), "12"));
    EXPECT_EQ(plain(), kProfile + "<%%LastNewsId%%>12<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(news::LoadLastNewsId(profile()), "12");

    // A lower id is stored too: it is the item read last.
    ASSERT_TRUE(news::SaveLastNewsId(profile(), "3"));
    EXPECT_EQ(plain(), kProfile + "<%%LastNewsId%%>3<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(news::LoadLastNewsId(profile()), "3");
}

TEST_F(LastNewsId, TheWholeLineHoldingTheTagIsReplacedAndOtherLinesKept) {
    write("first\nbefore <%%LastNewsId%%>4<%%/LastNewsId%%> after\rlast");
    ASSERT_TRUE(news::SaveLastNewsId(profile(), "5"));
    // Every line now ends in CR LF, as the profile is always written.
    EXPECT_EQ(plain(), "first\r\n<%%LastNewsId%%>5<%%/LastNewsId%%>\r\nlast\r\n");
}

TEST_F(LastNewsId, SmallLetterTagsAreReadButNotReplaced) {
    write(kProfile + "<%%lastnewsid%%>6<%%/lastnewsid%%>\r\n");
    EXPECT_EQ(news::LoadLastNewsId(profile()), "6");
    ASSERT_TRUE(news::SaveLastNewsId(profile(), "9"));
    EXPECT_EQ(plain(), kProfile + "<%%lastnewsid%%>6<%%/lastnewsid%%>\r\n"
                                  "<%%LastNewsId%%>9<%%/LastNewsId%%>\r\n");
    EXPECT_EQ(news::LoadLastNewsId(profile()), "6");
}

TEST_F(LastNewsId, ADamagedProfileIsLeftByteForByte) {
    write(kProfile + "<%%LastNewsId%%>4<%%/LastNewsId%%>\r\n");
    QByteArray damaged = raw();
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x20);
    for (const QByteArray& bytes :
         {damaged, QByteArray("not a protected file at all"), QByteArray()}) {
        QFile file(profile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_EQ(news::LoadLastNewsId(profile()), "");
        EXPECT_FALSE(news::SaveLastNewsId(profile(), "8"));
        EXPECT_EQ(raw(), bytes);
    }
}
