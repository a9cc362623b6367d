#pragma once

#include "wizard/InfoBoxSettings.h"

#include <string>

// The numbered versions tipsmith-save-loop writes one after the other, and
// that the kill test expects to find. Both are large enough that a save takes
// many writes, so a kill can land in the middle of one.
namespace save_versions {

inline std::string bigText(int version, const char* what) {
    std::string text;
    for (int line = 0; line < 3000; ++line)
        text += std::string(what) + " line " + std::to_string(line) + " of version " +
                std::to_string(version) + "\r\n";
    return text;
}

inline InfoBoxSettings configuration(int version) {
    InfoBoxSettings s;
    s.Border = 1 + version % 10;
    s.BorderColor = static_cast<Color>(version) & 0xFFFFFF;
    s.HSize = 9 + version % 22;
    s.HBold = version % 2 == 1;
    s.Target = static_cast<TargetKind>(1 + version % 4);
    s.HeaderText = "version " + std::to_string(version);
    s.BodyText = bigText(version, "body") + "end";
    s.Output = "v" + std::to_string(version) + ".htm";
    return s;
}

inline std::string tagLine(const std::string& key, const std::string& value) {
    return "<%%" + key + "%%>" + value + "<%%/" + key + "%%>\r\n";
}

// The plain brand profile holding `lastNewsId`: every key in its order, a long
// About text, and the LastNewsId line last, where saving it keeps it.
inline std::string profile(int lastNewsId) {
    return tagLine("ApplicationName", "Kill Test Maker") + tagLine("BranderCode", "KT-1") +
           tagLine("BranderType", "Gold") + tagLine("AffiliateURL", "http://a.example/?id=") +
           tagLine("AffiliateTYPE", "") + tagLine("AffiliateID", "7") +
           tagLine("MasterNewsBaseURL", "") + tagLine("PlatinumNewsBaseURL", "") +
           tagLine("GoldNewsBaseURL", "http://news.example/") + tagLine("MasterPublID", "") +
           tagLine("PlatinumPublID", "") + tagLine("GoldPublID", "G-9") +
           tagLine("MakeMoneyButton", "Earn") + tagLine("AppHelpURL", "http://help.example/") +
           tagLine("CopyrightYears", "2008") + tagLine("CopyrightCompany", "Kill Test Ltd") +
           tagLine("AboutText", bigText(0, "about") + "end") +
           tagLine("Welcome1", "<html><body>Welcome</body></html>") +
           tagLine("LastNewsId", std::to_string(lastNewsId));
}

} // namespace save_versions
