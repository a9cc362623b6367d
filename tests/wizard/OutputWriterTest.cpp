#include "wizard/OutputWriter.h"
#include "util/UserError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(Stamp, ReplacesColonsSlashesAndBlanks) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QDateTime when(QDate(2008, 12, 25), QTime(14, 30, 5));
    EXPECT_EQ(output::makeStamp(when, "M/d/yyyy", "h:mm:ss AP", english), "12_25_2008_2_30_05_PM");
    // Other separators stay.
    EXPECT_EQ(output::makeStamp(when, "dd.MM.yyyy", "HH:mm:ss", english), "25.12.2008_14_30_05");
    EXPECT_EQ(output::makeStamp(when, "yyyy-MM-dd", "HH:mm:ss", english), "2008-12-25_14_30_05");
    // At exactly midnight the time is left out.
    EXPECT_EQ(output::makeStamp(QDateTime(QDate(2008, 12, 25), QTime(0, 0)), "M/d/yyyy",
                                "h:mm:ss AP", english),
              "12_25_2008");
    EXPECT_EQ(output::makeStamp(QDateTime(QDate(2008, 12, 25), QTime(0, 0, 1)), "M/d/yyyy",
                                "h:mm:ss AP", english),
              "12_25_2008_12_00_01_AM");
}

TEST(Stamp, LocaleFormatsGiveAFolderNameWithoutBlanksOrSeparators) {
    const QDateTime when(QDate(2008, 12, 25), QTime(14, 30, 5));
    for (const QLocale& locale :
         {QLocale(QLocale::English, QLocale::UnitedStates),
          QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::French, QLocale::France),
          QLocale::c(), QLocale::system()}) { // the regional settings on Windows
        const QString stamp = output::makeStamp(when, locale);
        EXPECT_FALSE(stamp.isEmpty());
        for (const QChar c : stamp)
            EXPECT_FALSE(c.isSpace() || c == u':' || c == u'/') << stamp.toStdString();
        EXPECT_TRUE(stamp.contains("30")) << stamp.toStdString(); // the time is in it
    }
}

TEST(OutputName, OnlyAFileOfItsOwnInTheOutputFolder) {
    using output::OutputNameProblem;
    const std::pair<std::string, OutputNameProblem> rows[] = {
        {"page.htm", OutputNameProblem::None},
        {"  page.htm", OutputNameProblem::None}, // used exactly as typed
        {"info.js.htm", OutputNameProblem::None},
        {"", OutputNameProblem::Blank},
        {" \t\r\n", OutputNameProblem::Blank},
        {"../../../../x.htm", OutputNameProblem::FolderPart},
        {"sub/x.htm", OutputNameProblem::FolderPart},
        {"/tmp/x.htm", OutputNameProblem::FolderPart},
        {"..", OutputNameProblem::FolderPart},
        {"info.js", OutputNameProblem::GeneratedFile},
        {"INFO.JS", OutputNameProblem::GeneratedFile},
        {"InfoStyle.Css", OutputNameProblem::GeneratedFile},
        {"infostyle.css. ", OutputNameProblem::GeneratedFile}, // the same file on Windows
        {"page\r\n.htm", OutputNameProblem::Control},
        {"page.htm\t", OutputNameProblem::Control},
        {std::string("pa\0ge.htm", 9), OutputNameProblem::Control},
        {"page\x7F.htm", OutputNameProblem::Control},
#ifdef Q_OS_WIN
        {"sub\\x.htm", OutputNameProblem::FolderPart},
        {"c:x.htm", OutputNameProblem::FolderPart},
#endif
    };
    for (const auto& [name, problem] : rows)
        EXPECT_EQ(output::checkOutputName(name), problem) << name;
}

TEST(GenerateCode, APictureCopyNeverReplacesAGeneratedFile) {
    QTemporaryDir dir;
    const QString out = dir.path() + "/out";
    InfoBoxSettings s;
    s.Target = TargetKind::Image;
    s.Output = "Photo.GIF";
    const auto picture = [&](const QString& name) {
        const QString path = dir.path() + "/pics/" + name;
        QDir().mkpath(dir.path() + "/pics");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("GIF89a");
        return path.toStdString();
    };
    const auto read = [&](const QString& name) {
        QFile file(out + '/' + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    };
    const std::pair<QString, QString> rows[] = {
        {"info.js", "picture-info.js"},
        {"INFOSTYLE.CSS", "picture-INFOSTYLE.CSS"},
        {"photo.gif", "picture-photo.gif"}, // the sample page's name
        {"tip.gif", "tip.gif"},
    };
    for (const auto& [name, copy] : rows) {
        s.Image = picture(name);
        const output::GenerateResult result = output::generateCode(s, out, out + "/", true);
        EXPECT_EQ(result.pictureCopy, copy);
        EXPECT_EQ(read(copy), "GIF89a") << name.toStdString();
        EXPECT_TRUE(read("info.js").startsWith("var ")) << name.toStdString();
        EXPECT_TRUE(read("infostyle.css").startsWith(".")) << name.toStdString();
        EXPECT_TRUE(read("Photo.GIF").startsWith("<html>")) << name.toStdString();
    }
    // A copy beside the output folder keeps its name.
    s.Image = picture("info.js");
    EXPECT_EQ(output::generateCode(s, out + "/Info_1", out, true).pictureCopy, "info.js");

    // The accessible page names its copy by file name alone, so the copy goes
    // into the output folder itself, whatever folder the caller names.
    s.ScriptStyle = ScriptChoice::Accessible;
    s.Image = picture("tip.gif");
    const auto accessible = output::generateCode(s, out + "/Info_2", out, true);
    EXPECT_EQ(accessible.pictureCopy, "tip.gif");
    EXPECT_EQ(read("Info_2/tip.gif"), "GIF89a");
    EXPECT_TRUE(read("Info_2/Photo.GIF").contains("<img src=\"tip.gif\""));

    // No copy made (a folder stands in its place), none reported: the page
    // then points at the original.
    ASSERT_TRUE(QDir().mkpath(out + "/Info_3/tip.gif"));
    const auto failed = output::generateCode(s, out + "/Info_3", out, true);
    EXPECT_EQ(failed.pictureCopy, "");
    EXPECT_TRUE(read("Info_3/Photo.GIF").contains("<img src=\"file://"));
}
