#pragma once

#include "brand/BrandProfile.h"
#include "net/HttpClient.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The news service of a brander's tier: three multipart/form-data POSTs, the
// replies' grammar and error words, and the id of the item read last, kept in
// the brand profile. Everything is bytes: replies are cut at their separators
// before any decoding, and the windows decode each field.
namespace news {

// Between the units of a reply (the macron sign of Windows-1252) and between
// the fields of one unit.
inline constexpr char UnitSeparator = '\xAF';
inline constexpr char FieldSeparator = '^';
// Every request asks for the news meant for the application.
inline constexpr std::string_view NewsTarget = "UA";
inline constexpr std::string_view ListScript = "getlastnews.php";
inline constexpr std::string_view DetailsScript = "getnewsdetails.php";
// A reply longer than this fails as an unreachable server does: no news list
// or item is anywhere near it, and the reply is held in memory whole.
inline constexpr qint64 MaxReplyBytes = 16 * 1024 * 1024;

inline constexpr std::string_view NoAnswerMessage =
    "There is a trouble accessing the news site. Contact your provider.";
inline constexpr std::string_view ConnectionFailMessage =
    "There is a trouble in the settings file on the news site.";
inline constexpr std::string_view InvalidUserMessage =
    "There is a trouble with the Publisher Id. Contact your provider.";
inline constexpr std::string_view InvalidProductMessage =
    "There is a trouble with the product validation. Contact your provider.";
inline constexpr std::string_view InvalidNewsMessage =
    "There is a trouble with this news. Contact your provider.";

enum class Request { List, Latest, Details };

// A brander's tier as the requests name it.
struct Tier {
    std::string publisherId; // sent as memusername
    std::string code;        // "BM", "BP" or "BG", sent as prodtype
};

// The tier of the profile's BranderType ("Master", "Platinum", "Gold"; letter
// case counts) when its publisher id is set; otherwise no news is asked for.
std::optional<Tier> tierOf(const BrandProfileRecord& profile);

// The news server of a tier code; empty for an unknown code.
std::string baseAddressOf(std::string_view tierCode, const BrandProfileRecord& profile);

// The base address and the script, with one "/" between them unless the base
// already ends in one.
std::string requestAddress(std::string_view base, std::string_view script);

// The six fields of a request, in the order the servers read them. The fourth
// is conttype "all" (list), conttype "lastcode" (latest) or the news id.
std::vector<FormField> requestFields(Request request, std::string_view publisherId,
                                     std::string_view branderCode, std::string_view tierCode,
                                     std::string_view newsTarget, std::string_view newsId = {});

// The body without leading and trailing bytes of code 0x20 or less.
std::string trimReply(std::string_view body);

// A reply succeeds exactly when it holds "OK" anywhere (letter case counts).
bool isSuccess(std::string_view reply);

// The warning a failed reply gets, empty when it gets none: the empty reply
// and the error words, compared whole. "INVALIDNEWS" means something to the
// details request only.
std::string_view failureMessage(Request request, std::string_view reply);

// The entries of a successful list reply: its units except empty ones and "OK".
std::vector<std::string> listEntries(std::string_view reply);

// The reply with every 0xAF "OK" taken out, in one pass from the left.
std::string withoutEndMarks(std::string_view reply);

// A successful latest reply: "OK" alone carries no item; otherwise the id and
// the title are the first two fields (missing ones read as empty).
struct Latest {
    bool hasItem = false;
    std::string id;
    std::string title;
};
Latest parseLatest(std::string_view reply);

// A successful details reply: the dollar-escaped text decoded. A malformed
// escape gives the empty text.
std::string detailsText(std::string_view reply);

// An id as a signed 32-bit decimal number; anything else (the empty text, a
// text with letters, a value out of range) counts as 0.
std::int32_t idValue(std::string_view id);

// Shows a warning to the user.
using Warn = std::function<void(std::string_view message)>;

// Posts the fields and gives the trimmed reply; every failure is the empty
// reply. A reply over MaxReplyBytes, or one still arriving after `overall`
// (when it is not zero), is a failure.
std::string post(HttpClient& http, const std::string& address, const std::vector<FormField>& fields,
                 std::chrono::milliseconds overall = std::chrono::milliseconds::zero());

// The three requests. Each is true for a successful reply and warns about a
// failed one through `warn` (never when it is empty).
// GetNewsList appends the entries to `list`, which it does not clear.
[[nodiscard]] bool GetNewsList(HttpClient& http, const BrandProfileRecord& profile,
                               std::string_view publisherId, std::string_view branderCode,
                               std::string_view tierCode, std::string_view newsTarget,
                               std::vector<std::string>& list, const Warn& warn);
// GetLastNews clears `latestId`; a reply without an item leaves `latestTitle`
// as it was. A request that has not ended after `overall` (when it is not
// zero) fails: the start-up check must end even when a server trickles.
[[nodiscard]] bool
GetLastNews(HttpClient& http, const BrandProfileRecord& profile, std::string_view publisherId,
            std::string_view branderCode, std::string_view tierCode, std::string_view newsTarget,
            std::string& latestId, std::string& latestTitle, const Warn& warn,
            std::chrono::milliseconds overall = std::chrono::milliseconds::zero());
[[nodiscard]] bool GetNewsDetails(HttpClient& http, const BrandProfileRecord& profile,
                                  std::string_view publisherId, std::string_view branderCode,
                                  std::string_view tierCode, std::string_view newsTarget,
                                  std::string_view newsId, std::string& details, const Warn& warn);

// The id of the item read last, kept as a tagged line in the encrypted brand
// profile. The profile is decrypted in memory only; one that is not authentic
// counts as holding no id.
std::string LoadLastNewsId(const QString& profileFile);

// Stores the id: the first line holding "<%%LastNewsId%%>" (exact letter
// case) is replaced, otherwise the line is appended. The profile is written
// atomically, so a crash leaves the old or the new one whole. A missing
// profile, or one that is not authentic, is left untouched: false. So is the
// profile when the id holds a line break, a NUL, the start of a tag ("<%%") or
// bytes that are not UTF-8: written raw, such an id would change the values
// around it.
bool SaveLastNewsId(const QString& profileFile, std::string_view newsId);

} // namespace news
