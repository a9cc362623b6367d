#pragma once

#include <string>

// The brand profile's values and the welcome page, banner and links chosen
// for this run. Texts are UTF-8. Empty at program start, written once while
// the main window is created, read-only afterwards.
struct BrandProfileRecord {
    std::string ApplicationName;
    std::string BranderCode;
    std::string BranderType;
    std::string AffiliateURL;
    std::string AffiliateID;
    std::string MasterNewsBaseURL;
    std::string PlatinumNewsBaseURL;
    std::string GoldNewsBaseURL;
    std::string MasterPublID;
    std::string PlatinumPublID;
    std::string GoldPublID;
    std::string AppHelpURL;
    std::string CopyrightYears;
    std::string CopyrightCompany;
    std::string AboutText;

    std::string WelcomeText;
    std::string BannerImage;
    std::string BannerURL;
    std::string Link1Caption;
    std::string Link1URL;
    std::string Link2Caption;
    std::string Link2URL;
};

// The one record of the running program.
inline BrandProfileRecord BrandProfile;
