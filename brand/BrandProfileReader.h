#pragma once

#include "brand/BrandProfile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reading the brand profile: the decrypted text's keys in their fixed order,
// then this run's choice of welcome page, banner and links.

inline constexpr int kMaxBrandEntries = 16;

// The key the program adds to the profile for the news item read last.
inline constexpr std::string_view kLastNewsIdKey = "LastNewsId";

// Everything the profile text holds, as read (UTF-8).
struct BrandProfileText {
    BrandProfileRecord values;   // the fixed part (AffiliateURL with the id put in)
    std::string MakeMoneyButton; // the caption of the Make Money button, as read
    std::vector<std::string> welcomes, banners, links;
};

// A key of the profile text's fixed part and where the program keeps its
// value: a field of the profile record, or beside the record in the text, or
// nowhere for a key read only for its place in the order.
struct BrandProfileKey {
    std::string_view key;
    std::string BrandProfileRecord::*field = nullptr;
    std::string BrandProfileText::*besideRecord = nullptr;
    // Every "%%AFFILIATEID%%" in the value becomes the AffiliateID value.
    bool withAffiliateId = false;
};

// A numbered family: the keys NAME1 to NAME16, read after the fixed part.
struct BrandProfileFamily {
    std::string_view name;
    std::vector<std::string> BrandProfileText::*entries = nullptr;
};

// The fixed part in reading order; the families follow in their order.
const std::vector<BrandProfileKey>& brandProfileFields();
const std::vector<BrandProfileFamily>& brandProfileFamilies();

// The keys of the fixed part, in reading order.
const std::vector<std::string_view>& brandProfileKeys();

// Where the text keeps the key's value; nullptr for a key read only for its place.
std::string* keptValue(BrandProfileText& text, const BrandProfileKey& key);
const std::string* keptValue(const BrandProfileText& text, const BrandProfileKey& key);

// One reading pass over a profile text: where its values come from, and who
// hears of them.
class BrandProfileReading {
public:
    virtual ~BrandProfileReading() = default;
    // The value of `key`, taken from what is left of the text.
    virtual std::string read(const std::string& key) = 0;
    // Each value as the program keeps it, in reading order (a key read only
    // for its place: as read), and each family entry the program takes.
    virtual void valueRead(const std::string& /*key*/, const std::string& /*value*/) {}
    // A family has been read: `count` entries, ending before the first empty
    // one or at 16.
    virtual void familyRead(std::string_view /*name*/, int /*count*/) {}
};

// The fixed part, then each family from 1 up to its first empty value, at
// most 16 entries, through `reading`.
BrandProfileText readBrandProfile(BrandProfileReading& reading);

// The profile text from the decrypted bytes: read as lines (a NUL ends the
// text), rejoined with CR LF, decoded as UTF-8 when valid and Windows-1252
// otherwise; then read by readBrandProfile, each key extracted from the text
// left behind the key before it.
BrandProfileText parseBrandProfile(std::string_view plainBytes);

// Every "%%AFFILIATEID%%" (exact letter case) replaced by the id.
std::string substituteAffiliateId(std::string_view url, std::string_view affiliateId);

// Piece 1 and piece 2 of a banner or link entry cut at "^"; an entry without
// "^" has an empty second piece.
std::pair<std::string, std::string> splitEntry(std::string_view entry);

// This run's choice, made with a generator seeded once from `seed`.
struct BrandChoice {
    BrandProfileRecord profile; // values plus WelcomeText, BannerImage/URL, Link1/2
    int bannerNumber = 0;       // N of the chosen banner's "bannerN.dat", 0 when none
};
BrandChoice chooseBrand(const BrandProfileText& text, std::uint32_t seed);

// Whether the news button shows: the tier's publisher id and news server are
// both set ("Free" uses the Master tier's values). Letter case counts.
bool newsButtonVisible(const BrandProfileRecord& profile);

// The window caption: the application name and " v" + version; an empty name
// keeps the designed caption.
QString brandedCaption(const BrandProfileRecord& profile, const QString& designedCaption);

// The plain profile from dbsettings.dat in `exeFolder`, decrypted in memory.
enum class ProfileFile { Missing, Authentic, NotAuthentic };
struct ProfileBytes {
    ProfileFile state = ProfileFile::Missing;
    QByteArray plain; // empty unless Authentic
};
// Throws UserError when the file exists but cannot be read.
[[nodiscard]] ProfileBytes readBrandProfileFile(const QString& exeFolder);

// The banner picture file of entry N beside the program.
QString bannerFileName(const QString& exeFolder, int number);

// The file-name part of a banner's image name (after the last "/", "\" or ":").
std::string imageFileNamePart(std::string_view imageName);
