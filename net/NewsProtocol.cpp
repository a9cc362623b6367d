#include "net/NewsProtocol.h"

#include "brand/BrandProfileReader.h"
#include "format/TaggedText.h"
#include "format/TextCodec.h"
#include "util/ProtectedFile.h"
#include "util/Utils.h"

#include <QFileInfo>

#include <charconv>
#include <limits>

namespace news {

namespace {

std::string endMark() {
    return std::string(1, UnitSeparator) + "OK";
}

} // namespace

std::optional<Tier> tierOf(const BrandProfileRecord& profile) {
    Tier tier;
    if (profile.BranderType == "Master")
        tier = {profile.MasterPublID, "BM"};
    else if (profile.BranderType == "Platinum")
        tier = {profile.PlatinumPublID, "BP"};
    else if (profile.BranderType == "Gold")
        tier = {profile.GoldPublID, "BG"};
    else
        return std::nullopt;
    if (tier.publisherId.empty())
        return std::nullopt;
    return tier;
}

std::string baseAddressOf(std::string_view tierCode, const BrandProfileRecord& profile) {
    if (tierCode == "BM")
        return profile.MasterNewsBaseURL;
    if (tierCode == "BP")
        return profile.PlatinumNewsBaseURL;
    if (tierCode == "BG")
        return profile.GoldNewsBaseURL;
    return {};
}

std::string requestAddress(std::string_view base, std::string_view script) {
    std::string address(base);
    if (address.empty() || address.back() != '/')
        address += '/';
    address += script;
    return address;
}

std::vector<FormField> requestFields(Request request, std::string_view publisherId,
                                     std::string_view branderCode, std::string_view tierCode,
                                     std::string_view newsTarget, std::string_view newsId) {
    std::vector<FormField> fields;
    fields.push_back({"memusername", std::string(publisherId)});
    fields.push_back({"prodcode", std::string(branderCode)});
    fields.push_back({"prodtype", std::string(tierCode)});
    switch (request) {
    case Request::List:
        fields.push_back({"conttype", "all"});
        break;
    case Request::Latest:
        fields.push_back({"conttype", "lastcode"});
        break;
    case Request::Details:
        fields.push_back({"newsid", std::string(newsId)});
        break;
    }
    fields.push_back({"newstarget", std::string(newsTarget)});
    fields.push_back({"something", std::string()});
    return fields;
}

std::string trimReply(std::string_view body) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t begin = 0;
    size_t end = body.size();
    while (begin < end && blank(body[begin]))
        ++begin;
    while (end > begin && blank(body[end - 1]))
        --end;
    return std::string(body.substr(begin, end - begin));
}

bool isSuccess(std::string_view reply) {
    return reply.find("OK") != std::string_view::npos;
}

std::string_view failureMessage(Request request, std::string_view reply) {
    if (reply.empty())
        return NoAnswerMessage;
    if (reply == "CONNECTIONFAIL")
        return ConnectionFailMessage;
    if (reply == "INVALIDUSER")
        return InvalidUserMessage;
    if (reply == "INVALIDPRODUCT")
        return InvalidProductMessage;
    if (reply == "INVALIDNEWS" && request == Request::Details)
        return InvalidNewsMessage;
    return {};
}

std::vector<std::string> listEntries(std::string_view reply) {
    std::vector<std::string> entries;
    for (std::string& unit : SplitByChar(UnitSeparator, reply)) {
        if (!unit.empty() && unit != "OK")
            entries.push_back(std::move(unit));
    }
    return entries;
}

std::string withoutEndMarks(std::string_view reply) {
    const std::string mark = endMark();
    std::string result;
    result.reserve(reply.size());
    size_t from = 0;
    for (size_t at = reply.find(mark); at != std::string_view::npos; at = reply.find(mark, from)) {
        result.append(reply.substr(from, at - from));
        from = at + mark.size();
    }
    result.append(reply.substr(from));
    return result;
}

Latest parseLatest(std::string_view reply) {
    Latest latest;
    const std::string rest = withoutEndMarks(reply);
    if (rest == "OK")
        return latest;
    latest.hasItem = true;
    const std::vector<std::string> fields = SplitByChar(FieldSeparator, rest);
    if (!fields.empty())
        latest.id = fields[0];
    if (fields.size() > 1)
        latest.title = fields[1];
    return latest;
}

std::string detailsText(std::string_view reply) {
    return DecodeDollarEscapes(withoutEndMarks(reply));
}

std::int32_t idValue(std::string_view id) {
    // from_chars takes a minus sign but not a plus sign.
    std::string_view digits = id;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-')
            return 0;
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return 0;
    return value;
}

std::string post(HttpClient& http, const std::string& address, const std::vector<FormField>& fields,
                 std::chrono::milliseconds overall) {
    const std::optional<QByteArray> body =
        http.postForm(QString::fromUtf8(address), fields, RequestLimits{MaxReplyBytes, overall});
    if (!body)
        return {};
    return trimReply(std::string_view(body->constData(), static_cast<size_t>(body->size())));
}

namespace {

std::string ask(HttpClient& http, const BrandProfileRecord& profile, Request request,
                std::string_view publisherId, std::string_view branderCode,
                std::string_view tierCode, std::string_view newsTarget,
                std::string_view newsId = {},
                std::chrono::milliseconds overall = std::chrono::milliseconds::zero()) {
    const std::string_view script = request == Request::Details ? DetailsScript : ListScript;
    return post(http, requestAddress(baseAddressOf(tierCode, profile), script),
                requestFields(request, publisherId, branderCode, tierCode, newsTarget, newsId),
                overall);
}

[[nodiscard]] bool judge(Request request, std::string_view reply, const Warn& warn) {
    if (isSuccess(reply))
        return true;
    const std::string_view message = failureMessage(request, reply);
    if (warn && !message.empty())
        warn(message);
    return false;
}

} // namespace

bool GetNewsList(HttpClient& http, const BrandProfileRecord& profile, std::string_view publisherId,
                 std::string_view branderCode, std::string_view tierCode,
                 std::string_view newsTarget, std::vector<std::string>& list, const Warn& warn) {
    const std::string reply =
        ask(http, profile, Request::List, publisherId, branderCode, tierCode, newsTarget);
    if (!judge(Request::List, reply, warn))
        return false;
    for (std::string& entry : listEntries(reply))
        list.push_back(std::move(entry));
    return true;
}

bool GetLastNews(HttpClient& http, const BrandProfileRecord& profile, std::string_view publisherId,
                 std::string_view branderCode, std::string_view tierCode,
                 std::string_view newsTarget, std::string& latestId, std::string& latestTitle,
                 const Warn& warn, std::chrono::milliseconds overall) {
    latestId.clear();
    const std::string reply = ask(http, profile, Request::Latest, publisherId, branderCode,
                                  tierCode, newsTarget, {}, overall);
    if (!judge(Request::Latest, reply, warn))
        return false;
    Latest latest = parseLatest(reply);
    if (latest.hasItem) {
        latestId = std::move(latest.id);
        latestTitle = std::move(latest.title);
    }
    return true;
}

bool GetNewsDetails(HttpClient& http, const BrandProfileRecord& profile,
                    std::string_view publisherId, std::string_view branderCode,
                    std::string_view tierCode, std::string_view newsTarget, std::string_view newsId,
                    std::string& details, const Warn& warn) {
    details.clear();
    const std::string reply = ask(http, profile, Request::Details, publisherId, branderCode,
                                  tierCode, newsTarget, newsId);
    if (!judge(Request::Details, reply, warn))
        return false;
    details = detailsText(reply);
    return true;
}

std::string LoadLastNewsId(const QString& profileFile) {
    if (!QFileInfo::exists(profileFile))
        return {};
    QByteArray plain;
    if (readProtectedFile(profileFile, plain) != ProtectedFileResult::Ok)
        return {};
    const std::string text = taggedtext::toWorkingText(
        std::string_view(plain.constData(), static_cast<size_t>(plain.size())));
    std::string_view working = text;
    return ExtractTag(working, taggedtext::openingTag(kLastNewsIdKey),
                      taggedtext::closingTag(kLastNewsIdKey));
}

namespace {

// An id from a reply is written raw into the profile's text, so it must stand
// on its one tag line without touching the rest: a line break would split the
// line, a NUL would end the text there, a tag would be read as a brand value,
// and bytes that are not UTF-8 would turn the whole text into Windows-1252.
bool fitsOnItsLine(std::string_view newsId) {
    return newsId.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
           newsId.find("<%%") == std::string_view::npos && textcodec::isValidUtf8(newsId);
}

} // namespace

bool SaveLastNewsId(const QString& profileFile, std::string_view newsId) {
    if (!fitsOnItsLine(newsId) || !QFileInfo::exists(profileFile))
        return false;
    QByteArray plain;
    // A profile that does not decrypt to authentic data would come back as
    // nothing but the id line: it is kept as it is instead.
    if (readProtectedFile(profileFile, plain) != ProtectedFileResult::Ok)
        return false;
    std::vector<std::string> lines = taggedtext::splitLines(
        std::string_view(plain.constData(), static_cast<size_t>(plain.size())));
    SetTagLine(lines, kLastNewsIdKey, newsId);
    writeProtectedFile(profileFile, QByteArray::fromStdString(taggedtext::joinLines(lines)));
    return true;
}

} // namespace news
