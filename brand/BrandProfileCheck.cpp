#include "brand/BrandProfileCheck.h"

#include "brand/BrandProfileReader.h"
#include "brand/JpegDecoder.h"
#include "format/TaggedText.h"
#include "format/TextCodec.h"

#include <QFile>

namespace {

// Reads keys the way the program does, but notices why a value is empty.
class CheckingReader {
public:
    CheckingReader(std::string text, std::vector<std::string>& problems)
        : m_text(std::move(text)), m_remaining(m_text), m_problems(problems) {}

    bool present(std::string_view key) const {
        return taggedtext::findCaseBlind(m_text, taggedtext::openingTag(key)) !=
               std::string_view::npos;
    }

    std::string read(const std::string& key) {
        const std::string open = taggedtext::openingTag(key);
        const std::string close = taggedtext::closingTag(key);
        const size_t at = taggedtext::findCaseBlind(m_remaining, open);
        if (at == std::string_view::npos) {
            if (present(key))
                m_problems.push_back(key +
                                     " stands before a key read earlier, so it reads as empty");
            return std::string();
        }
        m_remaining.remove_prefix(at + open.size());
        const size_t end = taggedtext::findCaseBlind(m_remaining, close);
        if (end == std::string_view::npos) {
            m_problems.push_back(key + " has no closing tag " + close + ", so it reads as empty");
            return std::string();
        }
        std::string value(m_remaining.substr(0, end));
        m_remaining.remove_prefix(end);
        return value;
    }

private:
    std::string m_text;
    std::string_view m_remaining;
    std::vector<std::string>& m_problems;
};

} // namespace

BrandProfileReport checkBrandProfile(std::string_view plainBytes, const QString& folder) {
    BrandProfileReport report;
    auto& problems = report.problems;
    CheckingReader reader(textcodec::decodeToUtf8(taggedtext::toWorkingText(plainBytes)), problems);

    BrandProfileRecord profile;
    for (const std::string_view keyView : brandProfileKeys()) {
        const std::string key(keyView);
        std::string value = reader.read(key);
        if (key == "ApplicationName")
            profile.ApplicationName = value;
        else if (key == "BranderType")
            profile.BranderType = value;
        else if (key == "AffiliateID")
            profile.AffiliateID = value;
        else if (key == "MasterNewsBaseURL")
            profile.MasterNewsBaseURL = value;
        else if (key == "PlatinumNewsBaseURL")
            profile.PlatinumNewsBaseURL = value;
        else if (key == "GoldNewsBaseURL")
            profile.GoldNewsBaseURL = value;
        else if (key == "MasterPublID")
            profile.MasterPublID = value;
        else if (key == "PlatinumPublID")
            profile.PlatinumPublID = value;
        else if (key == "GoldPublID")
            profile.GoldPublID = value;
        report.values.emplace_back(key, std::move(value));
    }
    // The address as the program uses it, with the affiliate id put in.
    for (auto& [key, value] : report.values) {
        if (key == "AffiliateURL")
            value = substituteAffiliateId(value, profile.AffiliateID);
    }

    const auto family = [&](const std::string& name) {
        std::vector<std::string> entries;
        int n = 1;
        for (; n <= kMaxBrandEntries; ++n) {
            std::string entry = reader.read(name + std::to_string(n));
            if (entry.empty())
                break;
            report.values.emplace_back(name + std::to_string(n), entry);
            entries.push_back(std::move(entry));
        }
        if (n <= kMaxBrandEntries) {
            // Entries after the first empty number are never read.
            for (int later = n + 1; later <= kMaxBrandEntries + 1; ++later) {
                if (reader.present(name + std::to_string(later))) {
                    problems.push_back(name + std::to_string(later) + " is never read: " + name +
                                       std::to_string(n) +
                                       " is missing or empty, and numbering stops there");
                    break;
                }
            }
        } else if (reader.present(name + std::to_string(kMaxBrandEntries + 1))) {
            problems.push_back("more than 16 " + name + " entries: " + name +
                               std::to_string(kMaxBrandEntries + 1) + " and after are ignored");
        }
        return entries;
    };
    family("Welcome");
    const std::vector<std::string> banners = family("Banner");
    const std::vector<std::string> links = family("Link");

    for (size_t i = 0; i < banners.size(); ++i) {
        const std::string key = "Banner" + std::to_string(i + 1);
        if (banners[i].find('^') == std::string::npos)
            problems.push_back(key + " has no \"^\": it has no address to open");
        const std::string image = imageFileNamePart(splitEntry(banners[i]).first);
        const QString file = bannerFileName(folder, static_cast<int>(i) + 1);
        const std::string fileText = "banner" + std::to_string(i + 1) + ".dat";
        QFile picture(file);
        if (!picture.exists()) {
            problems.push_back(key + ": its picture " + fileText + " is missing");
        } else if (!picture.open(QIODevice::ReadOnly) ||
                   decodeStillPicture(picture.readAll(), image).isNull()) {
            problems.push_back(key + ": its picture " + fileText + " cannot be decoded as " +
                               (image.empty() ? std::string("a picture") : image));
        }
    }
    for (size_t i = 0; i < links.size(); ++i) {
        if (links[i].find('^') == std::string::npos)
            problems.push_back("Link" + std::to_string(i + 1) +
                               " has no \"^\": it has no address to open");
    }

    const std::string& type = profile.BranderType;
    if (type != "Master" && type != "Platinum" && type != "Gold" && type != "Free")
        problems.push_back("BranderType \"" + type +
                           "\" is not one of Master, Platinum, Gold or Free (letter case counts)");
    report.newsButton = newsButtonVisible(profile);
    return report;
}
