// Writing the generated files and configuration files on a full disk: the
// write is reported and the earlier file stays whole, however small the new
// content (a small file is written out only when it is committed).

#include "util/SaveFile.h"
#include "util/UserError.h"
#include "wizard/Configuration.h"
#include "wizard/OutputWriter.h"

#include "tests/support/DiskRoom.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

class FullDisk : public ::testing::TestWithParam<DiskRoom::Kind> {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_disk = std::make_unique<DiskRoom>(GetParam(), m_dir.path());
        if (!m_disk->unavailable().empty())
            GTEST_SKIP() << m_disk->unavailable();
    }

    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    QStringList files() const {
        QStringList names = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        names.removeAll(QLatin1String(DiskRoom::kFillerName));
        return names;
    }

    // Runs `write` with `room` bytes left; it must fail with "Cannot create
    // file" naming `target`, which keeps its earlier content.
    void expectRefused(qint64 room, const QString& target, const std::function<void()>& write) {
        QFile earlier(target);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly | QIODevice::Truncate));
        earlier.write("earlier\r\n");
        earlier.close();
        const QStringList before = files();

        std::string error = "<no error>";
        ASSERT_TRUE(m_disk->limit(room));
        try {
            write();
        } catch (const UserError& e) {
            error = e.what();
        }
        m_disk->lift();
        EXPECT_EQ(error.rfind("Cannot create file \"" +
                                  QDir::toNativeSeparators(target).toStdString() + "\". ",
                              0),
                  0u)
            << error;
        EXPECT_EQ(readAll(target), "earlier\r\n");
        EXPECT_EQ(files(), before) << "nothing left behind";
    }

    QTemporaryDir m_dir;
    std::unique_ptr<DiskRoom> m_disk;
};

std::string kindName(const ::testing::TestParamInfo<DiskRoom::Kind>& info) {
    return info.param == DiskRoom::Kind::SmallTmpfs ? "SmallTmpfs" : "FileSizeLimit";
}

} // namespace

TEST_P(FullDisk, GeneratedFilesOfAnySizeAreReportedAndTheEarlierOneStays) {
    for (const int size : {1, 400, 2400, 16384, 50000}) {
        SCOPED_TRACE(size);
        const std::string content(static_cast<size_t>(size), 'x');
        expectRefused(0, path("info.js"), [&] { writeFileAtomically(path("info.js"), content); });
        // Cut off in the middle of the content.
        if (GetParam() == DiskRoom::Kind::FileSizeLimit && size > 1)
            expectRefused(size / 2, path("info.js"),
                          [&] { writeFileAtomically(path("info.js"), content); });
    }
}

TEST_P(FullDisk, AConfigurationOfUsualSizeIsReportedAndTheEarlierOneStays) {
    InfoBoxSettings settings;
    settings.HeaderText = "Tip";
    ASSERT_LT(configuration::toBytes(settings).size(), 2000u);
    expectRefused(0, path("box.set"), [&] { configuration::saveFile(settings, path("box.set")); });
    if (GetParam() == DiskRoom::Kind::FileSizeLimit)
        expectRefused(300, path("box.set"),
                      [&] { configuration::saveFile(settings, path("box.set")); });
}

INSTANTIATE_TEST_SUITE_P(Disks, FullDisk,
                         ::testing::Values(DiskRoom::Kind::SmallTmpfs,
                                           DiskRoom::Kind::FileSizeLimit),
                         kindName);
