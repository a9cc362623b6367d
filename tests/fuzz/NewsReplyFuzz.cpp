// The news replies on any body a server may send: no crash, and the list,
// latest and details readers, SplitByChar and DecodeDollarEscapes giving what
// a byte-by-byte reading of the reply grammar gives. Replies that the news
// server's own writers make from the same bytes (item texts, titles and
// dates) must read back as what was put in.
//
// The input is the response body, before trimming.

#include "tests/fuzz/FuzzSupport.h"

#include "net/NewsProtocol.h"
#include "tools/newsd/NewsServer.h"
#include "util/Utils.h"

#include <QByteArray>

#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string kEndMark = std::string(1, news::UnitSeparator) + "OK";

std::string referenceTrim(std::string_view body) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!body.empty() && blank(body.front()))
        body.remove_prefix(1);
    while (!body.empty() && blank(body.back()))
        body.remove_suffix(1);
    return std::string(body);
}

std::string referenceWithoutEndMarks(std::string_view reply) {
    std::string rest;
    for (size_t i = 0; i < reply.size();) {
        if (reply.substr(i, kEndMark.size()) == kEndMark) {
            i += kEndMark.size();
        } else {
            rest += reply[i++];
        }
    }
    return rest;
}

void checkRoutines(std::string_view text) {
    const char delimiters[] = {news::FieldSeparator, news::UnitSeparator,
                               text.empty() ? '\0' : text.front()};
    for (const char delimiter : delimiters) {
        const std::vector<std::string> expected = fuzzref::splitByChar(delimiter, text);
        FUZZ_REQUIRE(SplitByChar(delimiter, text) == expected);
        std::vector<std::string> list = {"left over", ""};
        SplitByChar(delimiter, text, list);
        FUZZ_REQUIRE(list == expected);
    }
    FUZZ_REQUIRE(DecodeDollarEscapes(text) == fuzzref::decodeDollarEscapes(text));
}

void checkReply(std::string_view body) {
    const std::string reply = news::trimReply(body);
    FUZZ_REQUIRE(reply == referenceTrim(body));
    const bool success = news::isSuccess(reply);
    FUZZ_REQUIRE(success == (reply.find("OK") != std::string::npos));
    if (!success) {
        for (const news::Request request :
             {news::Request::List, news::Request::Latest, news::Request::Details})
            (void)news::failureMessage(request, reply);
    }

    std::vector<std::string> entries;
    for (std::string& unit : fuzzref::splitByChar(news::UnitSeparator, reply)) {
        if (!unit.empty() && unit != "OK")
            entries.push_back(std::move(unit));
    }
    FUZZ_REQUIRE(news::listEntries(reply) == entries);
    for (const std::string& entry : entries) {
        const std::string id = SplitByChar(news::FieldSeparator, entry).front();
        FUZZ_REQUIRE(news::idValue(id) == fuzzref::decimalId(id));
    }

    const std::string rest = referenceWithoutEndMarks(reply);
    FUZZ_REQUIRE(news::withoutEndMarks(reply) == rest);

    const news::Latest latest = news::parseLatest(reply);
    FUZZ_REQUIRE(latest.hasItem == (rest != "OK"));
    if (latest.hasItem) {
        const std::vector<std::string> fields = fuzzref::splitByChar(news::FieldSeparator, rest);
        FUZZ_REQUIRE(latest.id == (fields.size() > 0 ? fields[0] : std::string()));
        FUZZ_REQUIRE(latest.title == (fields.size() > 1 ? fields[1] : std::string()));
    } else {
        FUZZ_REQUIRE(latest.id.empty() && latest.title.empty());
    }
    FUZZ_REQUIRE(news::idValue(latest.id) == fuzzref::decimalId(latest.id));

    FUZZ_REQUIRE(news::detailsText(reply) == fuzzref::decodeDollarEscapes(rest));
}

std::string toStd(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The server's writers and the program's readers agree on any text.
void checkServerGrammar(std::string_view text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));

    // Details: the escaped text survives trimming and the end mark.
    const std::string details = news::trimReply(toStd(NewsServer::dollarEscape(bytes)) + kEndMark);
    FUZZ_REQUIRE(news::isSuccess(details));
    FUZZ_REQUIRE(news::detailsText(details) == text);

    // List and latest: the input's lines as titles and dates of items 1, 2, ...
    const std::vector<std::string> lines = SplitByChar('\n', text);
    std::vector<std::string> units;
    std::string list;
    for (size_t i = 0; i < lines.size() && i < 8; ++i) {
        const QByteArray title = QByteArray::fromStdString(lines[i]);
        const QByteArray date = QByteArray::fromStdString(i + 1 < lines.size() ? lines[i + 1] : "");
        units.push_back(std::to_string(i + 1) + news::FieldSeparator +
                        toStd(NewsServer::fieldText(title)) + news::FieldSeparator +
                        toStd(NewsServer::fieldText(date)));
        list += units.back() + news::UnitSeparator;
    }
    list += "OK";
    FUZZ_REQUIRE(news::listEntries(news::trimReply(list)) == units);

    if (!lines.empty()) {
        const std::string title = toStd(NewsServer::fieldText(QByteArray::fromStdString(lines[0])));
        const news::Latest latest = news::parseLatest(
            news::trimReply("17" + std::string(1, news::FieldSeparator) + title + kEndMark));
        FUZZ_REQUIRE(latest.hasItem && latest.id == "17" && latest.title == title);
        FUZZ_REQUIRE(news::idValue(latest.id) == 17);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view body = fuzzref::bytesOf(data, size);
    checkRoutines(body);
    checkReply(body);
    checkServerGrammar(body);
    return 0;
}
