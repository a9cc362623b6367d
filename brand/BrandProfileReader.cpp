#include "brand/BrandProfileReader.h"

#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "util/AppVersion.h"
#include "util/ProtectedFile.h"
#include "util/Utils.h"

#include <QFileInfo>

#include <random>

namespace {

using Record = BrandProfileRecord;

// The program's own pass: each key extracted from the text left behind the key before it.
class TagReading : public BrandProfileReading {
public:
    explicit TagReading(std::string workingText) : m_reader(std::move(workingText)) {}
    std::string read(const std::string& key) override { return m_reader.read(key); }

private:
    TagReader m_reader;
};

} // namespace

const std::vector<BrandProfileKey>& brandProfileFields() {
    static const std::vector<BrandProfileKey> fields = {
        {"ApplicationName", &Record::ApplicationName},
        {"BranderCode", &Record::BranderCode},
        {"BranderType", &Record::BranderType},
        {.key = "AffiliateURL", .field = &Record::AffiliateURL, .withAffiliateId = true},
        {.key = "AffiliateTYPE"}, // not used, but its place in the order counts
        {"AffiliateID", &Record::AffiliateID},
        {"MasterNewsBaseURL", &Record::MasterNewsBaseURL},
        {"PlatinumNewsBaseURL", &Record::PlatinumNewsBaseURL},
        {"GoldNewsBaseURL", &Record::GoldNewsBaseURL},
        {"MasterPublID", &Record::MasterPublID},
        {"PlatinumPublID", &Record::PlatinumPublID},
        {"GoldPublID", &Record::GoldPublID},
        {.key = "MakeMoneyButton", .besideRecord = &BrandProfileText::MakeMoneyButton},
        {"AppHelpURL", &Record::AppHelpURL},
        {"CopyrightYears", &Record::CopyrightYears},
        {"CopyrightCompany", &Record::CopyrightCompany},
        {"AboutText", &Record::AboutText},
    };
    return fields;
}

const std::vector<BrandProfileFamily>& brandProfileFamilies() {
    static const std::vector<BrandProfileFamily> families = {
        {"Welcome", &BrandProfileText::welcomes},
        {"Banner", &BrandProfileText::banners},
        {"Link", &BrandProfileText::links},
    };
    return families;
}

const std::vector<std::string_view>& brandProfileKeys() {
    static const std::vector<std::string_view> keys = [] {
        std::vector<std::string_view> out;
        for (const BrandProfileKey& field : brandProfileFields())
            out.push_back(field.key);
        return out;
    }();
    return keys;
}

namespace {

template <class Text> auto keptIn(Text& text, const BrandProfileKey& key) {
    if (key.field)
        return &(text.values.*key.field);
    return key.besideRecord ? &(text.*key.besideRecord) : nullptr;
}

} // namespace

std::string* keptValue(BrandProfileText& text, const BrandProfileKey& key) {
    return keptIn(text, key);
}

const std::string* keptValue(const BrandProfileText& text, const BrandProfileKey& key) {
    return keptIn(text, key);
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

BrandProfileText readBrandProfile(BrandProfileReading& reading) {
    BrandProfileText text;
    const std::vector<BrandProfileKey>& fields = brandProfileFields();
    std::vector<std::string> asRead;
    asRead.reserve(fields.size());
    for (const BrandProfileKey& field : fields) {
        asRead.push_back(reading.read(std::string(field.key)));
        if (std::string* kept = keptValue(text, field))
            *kept = asRead.back();
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        std::string* kept = keptValue(text, fields[i]);
        if (kept && fields[i].withAffiliateId)
            *kept = substituteAffiliateId(*kept, text.values.AffiliateID);
        reading.valueRead(std::string(fields[i].key), kept ? *kept : asRead[i]);
    }

    for (const BrandProfileFamily& family : brandProfileFamilies()) {
        std::vector<std::string>& entries = text.*family.entries;
        for (int n = 1; n <= kMaxBrandEntries; ++n) {
            const std::string key = std::string(family.name) + std::to_string(n);
            std::string entry = reading.read(key);
            if (entry.empty())
                break;
            reading.valueRead(key, entry);
            entries.push_back(std::move(entry));
        }
        reading.familyRead(family.name, static_cast<int>(entries.size()));
    }
    return text;
}

BrandProfileText parseBrandProfile(std::string_view plainBytes) {
    TagReading reading(textcodec::decodeToUtf8(taggedtext::toWorkingText(plainBytes)));
    return readBrandProfile(reading);
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
