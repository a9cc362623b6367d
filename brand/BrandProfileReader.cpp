#include "brand/BrandProfileReader.h"

#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "util/AppVersion.h"
#include "util/ProtectedFile.h"
#include "util/Utils.h"

#include <QFileInfo>

#include <random>

const std::vector<std::string_view>& brandProfileKeys() {
    static const std::vector<std::string_view> keys = {
        "ApplicationName", "BranderCode",  "BranderType",       "AffiliateURL",
        "AffiliateTYPE",   "AffiliateID",  "MasterNewsBaseURL", "PlatinumNewsBaseURL",
        "GoldNewsBaseURL", "MasterPublID", "PlatinumPublID",    "GoldPublID",
        "MakeMoneyButton", "AppHelpURL",   "CopyrightYears",    "CopyrightCompany",
        "AboutText",
    };
    return keys;
}

std::string substituteAffiliateId(std::string_view url, std::string_view affiliateId) {
    static constexpr std::string_view placeholder = "%%AFFILIATEID%%";
    std::string out;
    out.reserve(url.size());
    size_t from = 0;
    for (size_t at; (at = url.find(placeholder, from)) != std::string_view::npos;
         from = at + placeholder.size()) {
        out.append(url.substr(from, at - from));
        out.append(affiliateId);
    }
    out.append(url.substr(from));
    return out;
}

BrandProfileText parseBrandProfile(std::string_view plainBytes) {
    TagReader reader(textcodec::decodeToUtf8(taggedtext::toWorkingText(plainBytes)));
    BrandProfileText text;
    BrandProfileRecord& v = text.values;
    v.ApplicationName = reader.read("ApplicationName");
    v.BranderCode = reader.read("BranderCode");
    v.BranderType = reader.read("BranderType");
    v.AffiliateURL = reader.read("AffiliateURL");
    reader.read("AffiliateTYPE"); // not used, but its place in the order counts
    v.AffiliateID = reader.read("AffiliateID");
    v.AffiliateURL = substituteAffiliateId(v.AffiliateURL, v.AffiliateID);
    v.MasterNewsBaseURL = reader.read("MasterNewsBaseURL");
    v.PlatinumNewsBaseURL = reader.read("PlatinumNewsBaseURL");
    v.GoldNewsBaseURL = reader.read("GoldNewsBaseURL");
    v.MasterPublID = reader.read("MasterPublID");
    v.PlatinumPublID = reader.read("PlatinumPublID");
    v.GoldPublID = reader.read("GoldPublID");
    text.MakeMoneyButton = reader.read("MakeMoneyButton");
    v.AppHelpURL = reader.read("AppHelpURL");
    v.CopyrightYears = reader.read("CopyrightYears");
    v.CopyrightCompany = reader.read("CopyrightCompany");
    v.AboutText = reader.read("AboutText");

    const auto family = [&reader](const char* name, std::vector<std::string>& list) {
        for (int n = 1; n <= kMaxBrandEntries; ++n) {
            std::string entry = reader.read(std::string(name) + std::to_string(n));
            if (entry.empty())
                break;
            list.push_back(std::move(entry));
        }
    };
    family("Welcome", text.welcomes);
    family("Banner", text.banners);
    family("Link", text.links);
    return text;
}

std::pair<std::string, std::string> splitEntry(std::string_view entry) {
    const std::vector<std::string> pieces = SplitByChar('^', entry);
    return {pieces.size() > 0 ? pieces[0] : std::string(),
            pieces.size() > 1 ? pieces[1] : std::string()};
}

BrandChoice chooseBrand(const BrandProfileText& text, std::uint32_t seed) {
    BrandChoice choice;
    choice.profile = text.values;
    std::mt19937 random(seed);
    const auto pick = [&random](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };

    if (!text.welcomes.empty())
        choice.profile.WelcomeText = text.welcomes[pick(text.welcomes.size())];
    if (!text.banners.empty()) {
        const size_t i = pick(text.banners.size());
        std::tie(choice.profile.BannerImage, choice.profile.BannerURL) =
            splitEntry(text.banners[i]);
        choice.bannerNumber = static_cast<int>(i) + 1;
    }
    // Two different entries: the first is taken out before the second is drawn.
    std::vector<std::string> links = text.links;
    if (!links.empty()) {
        const size_t i = pick(links.size());
        std::tie(choice.profile.Link1Caption, choice.profile.Link1URL) = splitEntry(links[i]);
        links.erase(links.begin() + static_cast<std::ptrdiff_t>(i));
        if (!links.empty()) {
            std::tie(choice.profile.Link2Caption, choice.profile.Link2URL) =
                splitEntry(links[pick(links.size())]);
        }
    }
    return choice;
}

bool newsButtonVisible(const BrandProfileRecord& p) {
    const auto set = [](const std::string& id, const std::string& url) {
        return !id.empty() && !url.empty();
    };
    if (p.BranderType == "Master" || p.BranderType == "Free")
        return set(p.MasterPublID, p.MasterNewsBaseURL);
    if (p.BranderType == "Platinum")
        return set(p.PlatinumPublID, p.PlatinumNewsBaseURL);
    if (p.BranderType == "Gold")
        return set(p.GoldPublID, p.GoldNewsBaseURL);
    return false;
}

QString brandedCaption(const BrandProfileRecord& profile, const QString& designedCaption) {
    if (profile.ApplicationName.empty())
        return designedCaption;
    return textcodec::fromUtf8(profile.ApplicationName) + QStringLiteral(" v") +
           textcodec::fromUtf8(AppVersion);
}

ProfileBytes readBrandProfileFile(const QString& exeFolder) {
    ProfileBytes result;
    const QString container = exeFolder + QStringLiteral("dbsettings.dat");
    if (!QFileInfo::exists(container))
        return result;
    // Only authentic data counts: a wrong verifier or code gives an empty profile.
    result.state = readProtectedFile(container, result.plain) == ProtectedFileResult::Ok
                       ? ProfileFile::Authentic
                       : ProfileFile::NotAuthentic;
    if (result.state != ProfileFile::Authentic)
        result.plain.clear();
    return result;
}

QString bannerFileName(const QString& exeFolder, int number) {
    return exeFolder + QStringLiteral("banner%1.dat").arg(number);
}

std::string imageFileNamePart(std::string_view imageName) {
    const size_t cut = imageName.find_last_of("/\\:");
    return std::string(cut == std::string_view::npos ? imageName : imageName.substr(cut + 1));
}
