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

// The value the program keeps for a key of the fixed part.
inline const std::string* keptValue(const BrandProfileText& text, std::string_view key) {
    const BrandProfileRecord& v = text.values;
    const std::pair<std::string_view, const std::string*> fields[] = {
        {"ApplicationName", &v.ApplicationName},
        {"BranderCode", &v.BranderCode},
        {"BranderType", &v.BranderType},
        {"AffiliateURL", &v.AffiliateURL},
        {"AffiliateID", &v.AffiliateID},
        {"MasterNewsBaseURL", &v.MasterNewsBaseURL},
        {"PlatinumNewsBaseURL", &v.PlatinumNewsBaseURL},
        {"GoldNewsBaseURL", &v.GoldNewsBaseURL},
        {"MasterPublID", &v.MasterPublID},
        {"PlatinumPublID", &v.PlatinumPublID},
        {"GoldPublID", &v.GoldPublID},
        {"MakeMoneyButton", &text.MakeMoneyButton},
        {"AppHelpURL", &v.AppHelpURL},
        {"CopyrightYears", &v.CopyrightYears},
        {"CopyrightCompany", &v.CopyrightCompany},
        {"AboutText", &v.AboutText},
    };
    for (const auto& [name, value] : fields) {
        if (name == key)
            return value;
    }
    return nullptr; // AffiliateTYPE: read for its place, not kept
}

inline bool sameText(const BrandProfileText& a, const BrandProfileText& b) {
    for (const std::string_view key : brandProfileKeys()) {
        const std::string* x = keptValue(a, key);
        const std::string* y = keptValue(b, key);
        if (x && *x != *y)
            return false;
    }
    return a.welcomes == b.welcomes && a.banners == b.banners && a.links == b.links;
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
    for (const auto* family : {&text.welcomes, &text.banners, &text.links}) {
        FUZZ_REQUIRE(family->size() <= static_cast<size_t>(kMaxBrandEntries));
        for (const std::string& entry : *family)
            FUZZ_REQUIRE(!entry.empty());
    }

    // The checker reads every value the program reads, in the same order.
    const BrandProfileReport report = checkBrandProfile(plain, folders().bannerFolder);
    const std::vector<std::string_view>& keys = brandProfileKeys();
    FUZZ_REQUIRE(report.values.size() ==
                 keys.size() + text.welcomes.size() + text.banners.size() + text.links.size());
    size_t at = 0;
    for (const std::string_view key : keys) {
        FUZZ_REQUIRE(report.values[at].first == key);
        if (const std::string* kept = keptValue(text, key))
            FUZZ_REQUIRE(report.values[at].second == *kept);
        ++at;
    }
    for (const auto& [name, family] :
         {std::pair{"Welcome", &text.welcomes}, std::pair{"Banner", &text.banners},
          std::pair{"Link", &text.links}}) {
        for (size_t n = 0; n < family->size(); ++n, ++at) {
            FUZZ_REQUIRE(report.values[at].first == name + std::to_string(n + 1));
            FUZZ_REQUIRE(report.values[at].second == (*family)[n]);
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
