#pragma once

// The checks the two brand profile targets share: the profile text read by
// the program, by the brander's checker and by this run's choice, and the
// folders the program and the checker look into.

#include "tests/fuzz/FuzzSupport.h"

#include "brand/BrandProfileCheck.h"
#include "brand/BrandProfileReader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brandfuzz {

// The folders of a run, made once before the first input.
struct Folders {
    std::unique_ptr<QTemporaryDir> work;
    QString exeFolder;    // holds dbsettings.dat, with a trailing separator
    QString bannerFolder; // banner1.dat a picture, banner2.dat not one, no banner3.dat
    QString container;    // dbsettings.dat
};

inline Folders& folders() {
    static Folders f;
    return f;
}

inline std::string_view viewOf(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

inline void writeFile(const QString& name, const QByteArray& bytes) {
    QFile file(name);
    FUZZ_REQUIRE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_REQUIRE(file.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString& name) {
    QFile file(name);
    FUZZ_REQUIRE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

inline bool sameText(const BrandProfileText& a, const BrandProfileText& b) {
    for (const BrandProfileKey& key : brandProfileFields()) {
        const std::string* x = keptValue(a, key);
        if (x && *x != *keptValue(b, key))
            return false;
    }
    for (const BrandProfileFamily& family : brandProfileFamilies()) {
        if (a.*family.entries != b.*family.entries)
            return false;
    }
    return true;
}

inline std::pair<std::string, std::string> referenceEntry(std::string_view entry) {
    const std::vector<std::string> pieces = fuzzref::splitByChar('^', entry);
    return {pieces.size() > 0 ? pieces[0] : std::string(),
            pieces.size() > 1 ? pieces[1] : std::string()};
}

inline void checkChoice(const BrandProfileText& text, std::uint32_t seed) {
    const BrandChoice choice = chooseBrand(text, seed);
    const BrandProfileRecord& p = choice.profile;
    FUZZ_REQUIRE(p.ApplicationName == text.values.ApplicationName);
    FUZZ_REQUIRE(p.AffiliateURL == text.values.AffiliateURL);

    FUZZ_REQUIRE(text.welcomes.empty() == p.WelcomeText.empty());
    FUZZ_REQUIRE(text.welcomes.empty() || std::find(text.welcomes.begin(), text.welcomes.end(),
                                                    p.WelcomeText) != text.welcomes.end());

    if (text.banners.empty()) {
        FUZZ_REQUIRE(choice.bannerNumber == 0 && p.BannerImage.empty() && p.BannerURL.empty());
    } else {
        FUZZ_REQUIRE(choice.bannerNumber >= 1 &&
                     choice.bannerNumber <= static_cast<int>(text.banners.size()));
        const auto expected = referenceEntry(text.banners[choice.bannerNumber - 1]);
        FUZZ_REQUIRE(p.BannerImage == expected.first && p.BannerURL == expected.second);
        const std::string part = imageFileNamePart(p.BannerImage);
        FUZZ_REQUIRE(part.find_first_of("/\\:") == std::string::npos);
    }

    // The two links are two different entries (equal texts may stand twice).
    const auto first = std::make_pair(p.Link1Caption, p.Link1URL);
    const auto second = std::make_pair(p.Link2Caption, p.Link2URL);
    const std::pair<std::string, std::string> none;
    bool found = false;
    for (size_t i = 0; i < text.links.size() && !found; ++i) {
        if (referenceEntry(text.links[i]) != first)
            continue;
        if (text.links.size() == 1) {
            found = second == none;
            continue;
        }
        for (size_t j = 0; j < text.links.size() && !found; ++j)
            found = j != i && referenceEntry(text.links[j]) == second;
    }
    FUZZ_REQUIRE(text.links.empty() ? first == none && second == none : found);
    (void)brandedCaption(p, QStringLiteral("Tipsmith"));
}

inline void checkProfileText(std::string_view plain) {
    const BrandProfileText text = parseBrandProfile(plain);
    for (const BrandProfileFamily& family : brandProfileFamilies()) {
        FUZZ_REQUIRE((text.*family.entries).size() <= static_cast<size_t>(kMaxBrandEntries));
        for (const std::string& entry : text.*family.entries)
            FUZZ_REQUIRE(!entry.empty());
    }

    // The checker reads every value the program reads, in the same order.
    const BrandProfileReport report = checkBrandProfile(plain, folders().bannerFolder);
    size_t expectedValues = brandProfileFields().size();
    for (const BrandProfileFamily& family : brandProfileFamilies())
        expectedValues += (text.*family.entries).size();
    FUZZ_REQUIRE(report.values.size() == expectedValues);
    size_t at = 0;
    for (const BrandProfileKey& key : brandProfileFields()) {
        FUZZ_REQUIRE(report.values[at].first == key.key);
        if (const std::string* kept = keptValue(text, key))
            FUZZ_REQUIRE(report.values[at].second == *kept);
        ++at;
    }
    for (const BrandProfileFamily& family : brandProfileFamilies()) {
        const std::vector<std::string>& entries = text.*family.entries;
        for (size_t n = 0; n < entries.size(); ++n, ++at) {
            FUZZ_REQUIRE(report.values[at].first ==
                         std::string(family.name) + std::to_string(n + 1));
            FUZZ_REQUIRE(report.values[at].second == entries[n]);
        }
    }
    FUZZ_REQUIRE(report.newsButton == newsButtonVisible(text.values));

    checkChoice(text, static_cast<std::uint32_t>(std::hash<std::string_view>()(plain)));
}

inline void makeFolders() {
    Folders& f = folders();
    f.work = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                             QStringLiteral("/tipsmith-brand-fuzz-XXXXXX"));
    FUZZ_REQUIRE(f.work->isValid());
    f.exeFolder = f.work->path() + QStringLiteral("/program/");
    f.bannerFolder = f.work->path() + QStringLiteral("/banners/");
    f.container = f.exeFolder + QStringLiteral("dbsettings.dat");
    FUZZ_REQUIRE(QDir().mkpath(f.exeFolder) && QDir().mkpath(f.bannerFolder));

    QImage picture(24, 12, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    FUZZ_REQUIRE(picture.save(f.bannerFolder + QStringLiteral("banner1.dat"), "BMP"));
    writeFile(f.bannerFolder + QStringLiteral("banner2.dat"), "not a picture");
}

} // namespace brandfuzz
