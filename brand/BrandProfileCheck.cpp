#include "brand/BrandProfileCheck.h"

#include "brand/BrandProfileReader.h"
#include "brand/JpegDecoder.h"
#include "format/TaggedText.h"
#include "format/TextCodec.h"

#include <QFile>

#include <algorithm>

namespace {

// Reads keys the way the program does, but notices why a value is empty and
// lists every value it hands over.
class CheckingReader : public BrandProfileReading {
public:
    CheckingReader(std::string text, BrandProfileReport& report)
        : m_text(std::move(text)), m_remaining(m_text), m_report(report) {}

    bool present(std::string_view key) const {
        return taggedtext::findCaseBlind(m_text, taggedtext::openingTag(key)) !=
               std::string_view::npos;
    }

    std::string read(const std::string& key) override {
        const std::string open = taggedtext::openingTag(key);
        const std::string close = taggedtext::closingTag(key);
        const size_t at = taggedtext::findCaseBlind(m_remaining, open);
        if (at == std::string_view::npos) {
            if (present(key))
                problem(key + " stands before a key read earlier, so it reads as empty");
            return std::string();
        }
        m_remaining.remove_prefix(at + open.size());
        const size_t end = taggedtext::findCaseBlind(m_remaining, close);
        if (end == std::string_view::npos) {
            problem(key + " has no closing tag " + close + ", so it reads as empty");
            return std::string();
        }
        std::string value(m_remaining.substr(0, end));
        m_remaining.remove_prefix(end);
        return value;
    }

    void valueRead(const std::string& key, const std::string& value) override {
        m_report.values.emplace_back(key, value);
    }

    // Entries after the first empty number, or after the 16th, are never read.
    void familyRead(std::string_view familyName, int count) override {
        const std::string name(familyName);
        const int n = count + 1; // the number reading stopped at
        if (n <= kMaxBrandEntries) {
            for (int later = n + 1; later <= kMaxBrandEntries + 1; ++later) {
                if (present(name + std::to_string(later))) {
                    problem(name + std::to_string(later) + " is never read: " + name +
                            std::to_string(n) + " is missing or empty, and numbering stops there");
                    break;
                }
            }
        } else if (present(name + std::to_string(kMaxBrandEntries + 1))) {
            problem("more than 16 " + name + " entries: " + name +
                    std::to_string(kMaxBrandEntries + 1) + " and after are ignored");
        }
    }

private:
    void problem(std::string text) { m_report.problems.push_back(std::move(text)); }

    std::string m_text;
    std::string_view m_remaining;
    BrandProfileReport& m_report;
};

bool sameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && taggedtext::findCaseBlind(a, b) == 0;
}

bool isKnownKey(std::string_view name) {
    if (sameKey(name, kLastNewsIdKey))
        return true;
    for (const std::string_view key : brandProfileKeys()) {
        if (sameKey(name, key))
            return true;
    }
    // A family's entries of any number: those past 16 have a problem of their own.
    for (const BrandProfileFamily& family : brandProfileFamilies()) {
        const size_t length = family.name.size();
        if (name.size() <= length || !sameKey(name.substr(0, length), family.name))
            continue;
        const std::string_view number = name.substr(length);
        if (number[0] != '0' && number.find_first_not_of("0123456789") == std::string_view::npos)
            return true;
    }
    return false;
}

// Every opening tag whose key the program never asks for: its value is lost.
void reportUnknownKeys(std::string_view text, std::vector<std::string>& problems) {
    std::vector<std::string> seen;
    for (size_t at = text.find("<%%"); at != std::string_view::npos;
         at = text.find("<%%", at + 3)) {
        const size_t end = text.find("%%>", at + 3);
        if (end == std::string_view::npos)
            break;
        const std::string_view name = text.substr(at + 3, end - at - 3);
        const bool word = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        });
        if (!word || isKnownKey(name) || std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.emplace_back(name);
        problems.push_back(std::string(name) +
                           " is not a key the program reads, so its value is lost");
    }
}

} // namespace

BrandProfileReport checkBrandProfile(std::string_view plainBytes, const QString& folder) {
    BrandProfileReport report;
    auto& problems = report.problems;
    const std::string working = textcodec::decodeToUtf8(taggedtext::toWorkingText(plainBytes));
    CheckingReader reader(working, report);
    const BrandProfileText text = readBrandProfile(reader);
    const std::vector<std::string>& banners = text.banners;
    const std::vector<std::string>& links = text.links;

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

    const std::string& type = text.values.BranderType;
    if (type != "Master" && type != "Platinum" && type != "Gold" && type != "Free")
        problems.push_back("BranderType \"" + type +
                           "\" is not one of Master, Platinum, Gold or Free (letter case counts)");
    reportUnknownKeys(working, problems);
    report.newsButton = newsButtonVisible(text.values);
    return report;
}
