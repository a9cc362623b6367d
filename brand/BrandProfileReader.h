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

// The keys read one after the other; the numbered families follow.
const std::vector<std::string_view>& brandProfileKeys();

inline constexpr int kMaxBrandEntries = 16;

// Everything the profile text holds, as read (UTF-8).
struct BrandProfileText {
    BrandProfileRecord values;   // keys 1 to 17 (AffiliateURL with the id put in)
    std::string MakeMoneyButton; // the caption of the Make Money button, as read
    std::vector<std::string> welcomes, banners, links;
};

// The profile text from the decrypted bytes: read as lines (a NUL ends the
// text), rejoined with CR LF, decoded as UTF-8 when valid and Windows-1252
// otherwise; then the keys are extracted in order. Each numbered family is
// read from 1 and stops at its first empty value, at most 16 entries.
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
ProfileBytes readBrandProfileFile(const QString& exeFolder);

// The banner picture file of entry N beside the program.
QString bannerFileName(const QString& exeFolder, int number);

// The file-name part of a banner's image name (after the last "/", "\" or ":").
std::string imageFileNamePart(std::string_view imageName);
