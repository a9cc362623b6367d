#include "crypto/Encryption.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string programPass = "rqtnvwhzep";
constexpr int32_t programBuffer = 262144;

// A source over bytes that can hand out short pieces, count its reads and
// fail after a number of bytes.
class TestSource : public CryptStream {
public:
    explicit TestSource(std::string bytes, int64_t piece = 1 << 30)
        : m_bytes(std::move(bytes)), m_piece(piece) {}
    int64_t read(uint8_t* buffer, int64_t count) override {
        ++reads;
        if (m_position >= failAfter)
            throw CryptStreamError("read error");
        const int64_t n = std::min(
            {count, m_piece, int64_t(m_bytes.size()) - m_position, failAfter - m_position});
        std::memcpy(buffer, m_bytes.data() + m_position, size_t(std::max<int64_t>(n, 0)));
        m_position += std::max<int64_t>(n, 0);
        return std::max<int64_t>(n, 0);
    }
    void write(const uint8_t*, int64_t) override { throw CryptStreamError("read only"); }
    int64_t size() override { return int64_t(m_bytes.size()); }

    int reads = 0;
    int64_t failAfter = INT64_MAX;

private:
    std::string m_bytes;
    int64_t m_piece;
    int64_t m_position = 0;
};

class TestSink : public CryptStream {
public:
    int64_t read(uint8_t*, int64_t) override { throw CryptStreamError("write only"); }
    void write(const uint8_t* buffer, int64_t count) override {
        ++writes;
        if (int64_t(bytes.size()) + count > failAfter)
            throw CryptStreamError("disk full");
        bytes.append(reinterpret_cast<const char*>(buffer), size_t(count));
    }
    int64_t size() override { return int64_t(bytes.size()); }

    std::string bytes;
    int writes = 0;
    int64_t failAfter = INT64_MAX;
};

std::string encrypt(const std::string& plain, const std::string& pass = programPass,
                    int32_t buffer = programBuffer) {
    TEncryption crypt(pass, buffer);
    MemorySource source(plain);
    std::string out;
    MemorySink sink(out);
    EXPECT_TRUE(crypt.Encrypt(source, sink));
    return out;
}

struct Opened {
    bool ok;
    CryptFailure failure;
    std::string plain;
};

Opened decrypt(const std::string& container, const std::string& pass = programPass,
               int32_t buffer = programBuffer) {
    TEncryption crypt(pass, buffer);
    MemorySource source(container);
    Opened result;
    MemorySink sink(result.plain);
    result.ok = crypt.Decrypt(source, &sink, int64_t(container.size()));
    result.failure = crypt.lastFailure();
    return result;
}

Bytes verifierOf(const std::string& pass, const Bytes& salt) {
    FileCipherContext context;
    Bytes verifier(2);
    EXPECT_EQ(FileCipherStart(1, reinterpret_cast<const uint8_t*>(pass.data()), pass.size(),
                              salt.data(), verifier.data(), &context),
              0);
    return verifier;
}

// The container layout put together by hand from the per-file cipher.
std::string containerWithSalt(const std::string& plain, const std::string& pass,
                              const Bytes& salt) {
    FileCipherContext context;
    uint8_t verifier[2];
    EXPECT_EQ(FileCipherStart(1, reinterpret_cast<const uint8_t*>(pass.data()), pass.size(),
                              salt.data(), verifier, &context),
              0);
    std::string data = plain;
    FileCipherEncrypt(reinterpret_cast<uint8_t*>(data.data()), data.size(), &context);
    uint8_t code[10];
    FileCipherFinish(code, &context);
    return asString(salt) + std::string(reinterpret_cast<char*>(verifier), 2) + data +
           std::string(reinterpret_cast<char*>(code), 10);
}

std::string text(size_t length, uint8_t seed = 1) {
    std::mt19937 rng(seed);
    return asString(randomBytes(rng, length));
}

} // namespace

TEST(Container, EmptyDataGivesTwentyBytes) {
    const std::string container = encrypt("");
    EXPECT_EQ(container.size(), 20u);
    const Opened opened = decrypt(container);
    EXPECT_TRUE(opened.ok);
    EXPECT_EQ(opened.failure, CryptFailure::None);
    EXPECT_EQ(opened.plain, "");
}

TEST(Container, RoundTripsAcrossLengthsAndBufferSizes) {
    for (int32_t buffer : {1, 7, 16, 100, programBuffer}) {
        for (size_t length : {1u, 15u, 16u, 17u, 99u, 100u, 101u, 1000u}) {
            const std::string plain = text(length, uint8_t(length));
            const std::string container = encrypt(plain, programPass, buffer);
            ASSERT_EQ(container.size(), length + 20);
            // Written with one buffer size, read with another.
            const Opened opened = decrypt(container, programPass, buffer == 1 ? 64 : 1);
            ASSERT_TRUE(opened.ok) << buffer << " " << length;
            ASSERT_EQ(opened.plain, plain);
        }
    }
}

TEST(Container, BufferSizedPlainEndsWithAnEmptyRead) {
    const std::string plain = text(programBuffer);
    TEncryption crypt(programPass, programBuffer);
    TestSource source(plain);
    TestSink sink;
    ASSERT_TRUE(crypt.Encrypt(source, sink));
    EXPECT_EQ(source.reads, 2);
    EXPECT_EQ(sink.bytes.size(), 262164u);
    EXPECT_EQ(decrypt(sink.bytes).plain, plain);
}

TEST(Container, ShortReadsDoNotCutTheDataShort) {
    // A stream handing out 3 bytes at a time before its end.
    const std::string plain = text(5000);
    TEncryption crypt(programPass, 1024);
    TestSource source(plain, 3);
    TestSink sink;
    ASSERT_TRUE(crypt.Encrypt(source, sink));
    ASSERT_EQ(sink.bytes.size(), plain.size() + 20);
    TEncryption reader(programPass, 1024);
    TestSource containerSource(sink.bytes, 5);
    TestSink plainSink;
    EXPECT_TRUE(reader.Decrypt(containerSource, &plainSink, int64_t(sink.bytes.size())));
    EXPECT_EQ(plainSink.bytes, plain);
}

TEST(Container, SameDataTwiceGivesDifferentContainers) {
    const std::string plain = "<%%ApplicationName%%>Tipsmith<%%/ApplicationName%%>";
    TEncryption crypt(programPass, programBuffer);
    std::string first, second;
    MemorySource a(plain), b(plain);
    MemorySink sa(first), sb(second);
    ASSERT_TRUE(crypt.Encrypt(a, sa));
    ASSERT_TRUE(crypt.Encrypt(b, sb));
    EXPECT_NE(first.substr(0, 8), second.substr(0, 8));
    EXPECT_NE(first, second);
    EXPECT_EQ(decrypt(first).plain, plain);
    EXPECT_EQ(decrypt(second).plain, plain);
}

TEST(Container, StrengthFollowsPassPhraseLength) {
    const struct {
        size_t length;
        int32_t strength;
        size_t overhead;
    } cases[] = {{0, 1, 20},  {10, 1, 20}, {31, 1, 20}, {32, 2, 24},
                 {47, 2, 24}, {48, 3, 28}, {128, 3, 28}};
    for (const auto& c : cases) {
        const std::string pass(c.length, 'p');
        TEncryption crypt(pass, 64);
        EXPECT_EQ(crypt.strength(), c.strength) << c.length;
        const std::string container = encrypt("abc", pass);
        EXPECT_EQ(container.size(), 3 + c.overhead) << c.length;
        EXPECT_EQ(decrypt(container, pass).plain, "abc");
    }
}

TEST(Container, WrongPassPhraseWritesNothing) {
    // A fixed salt keeps the test reproducible: a wrong pass phrase passes the
    // 2-byte verifier once in 65,536 salts, and these ones are checked to differ.
    const Bytes salt = fromHex("0011223344556677");
    const std::string container = containerWithSalt(text(300), programPass, salt);
    for (const std::string pass : {"rqtnvwhzeq", "password", ""}) {
        ASSERT_NE(verifierOf(pass, salt), verifierOf(programPass, salt)) << pass;
        const Opened opened = decrypt(container, pass);
        EXPECT_FALSE(opened.ok) << pass;
        EXPECT_EQ(opened.failure, CryptFailure::Header);
        EXPECT_EQ(opened.plain, "");
    }
    EXPECT_TRUE(decrypt(container).ok);
}

TEST(Container, FlippedCiphertextByteChangesThatByteAndFails) {
    const std::string plain = text(1000);
    const std::string container = encrypt(plain);
    for (size_t at : {10u, 11u, 500u, 1009u}) {
        std::string damaged = container;
        damaged[at] ^= 0x20;
        const Opened opened = decrypt(damaged);
        EXPECT_FALSE(opened.ok);
        EXPECT_EQ(opened.failure, CryptFailure::AuthCode);
        ASSERT_EQ(opened.plain.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i)
            ASSERT_EQ(opened.plain[i], i + 10 == at ? char(plain[i] ^ 0x20) : plain[i]) << i;
    }
}

TEST(Container, FlippedCodeByteFailsWithCorrectPlainData) {
    const std::string plain = text(100);
    const std::string container = encrypt(plain);
    for (size_t k = 0; k < 10; ++k) {
        std::string damaged = container;
        damaged[container.size() - 10 + k] ^= 0x01;
        const Opened opened = decrypt(damaged);
        EXPECT_FALSE(opened.ok) << k;
        EXPECT_EQ(opened.failure, CryptFailure::AuthCode);
        EXPECT_EQ(opened.plain, plain);
    }
}

TEST(Container, CheckWithoutDestination) {
    const std::string container = encrypt(text(3000));
    TEncryption crypt(programPass, 1000);
    MemorySource source(container);
    EXPECT_TRUE(crypt.Decrypt(source, nullptr, int64_t(container.size())));
    std::string damaged = container;
    damaged[100] ^= 1;
    MemorySource damagedSource(damaged);
    EXPECT_FALSE(crypt.Decrypt(damagedSource, nullptr, int64_t(damaged.size())));
}

TEST(Container, TruncatedContainersNeverPass) {
    const std::string container = encrypt("0123456789abcdef0123");
    for (size_t length = 0; length < container.size(); ++length) {
        const Opened opened = decrypt(container.substr(0, length));
        EXPECT_FALSE(opened.ok) << length;
        // Too short for salt and verifier: refused before anything is written.
        if (length < 10) {
            EXPECT_EQ(opened.failure, CryptFailure::Header) << length;
            EXPECT_EQ(opened.plain, "");
        }
    }
    // The code of an empty container, with some of its bytes missing.
    const std::string empty = encrypt("");
    for (size_t length = 10; length < 20; ++length)
        EXPECT_FALSE(decrypt(empty.substr(0, length)).ok) << length;
}

TEST(Container, SourceEndingBeforeTheGivenSizeEndsWithFalse) {
    const std::string container = encrypt(text(5000));
    for (int64_t extra : {1, 10, 11, 100, 1 << 20}) {
        TEncryption crypt(programPass, 256);
        TestSource source(container);
        TestSink sink;
        EXPECT_FALSE(crypt.Decrypt(source, &sink, int64_t(container.size()) + extra));
        // Up to ten bytes short, the shortage falls into the code.
        EXPECT_EQ(crypt.lastFailure(),
                  extra > 10 ? CryptFailure::SourceEnded : CryptFailure::AuthCode);
        EXPECT_LT(source.reads, 100);
    }
}

TEST(Container, StreamErrorsBecomeFalse) {
    const std::string plain = text(10000);
    const std::string container = encrypt(plain);
    for (int64_t failAt : {0, 5, 9000}) {
        TEncryption crypt(programPass, 1024);
        TestSource source(plain);
        source.failAfter = failAt;
        TestSink sink;
        EXPECT_FALSE(crypt.Encrypt(source, sink)) << failAt;
        EXPECT_EQ(crypt.lastFailure(), CryptFailure::Stream);

        TestSource containerSource(container);
        containerSource.failAfter = failAt;
        TestSink plainSink;
        EXPECT_FALSE(crypt.Decrypt(containerSource, &plainSink, int64_t(container.size())));
        EXPECT_EQ(crypt.lastFailure(), CryptFailure::Stream);
    }
    for (int64_t failAt : {0, 9, 10, 5000, 10010}) {
        TEncryption crypt(programPass, 1024);
        MemorySource source(plain);
        TestSink sink;
        sink.failAfter = failAt;
        EXPECT_FALSE(crypt.Encrypt(source, sink)) << failAt;
        EXPECT_LE(int64_t(sink.bytes.size()), failAt);
    }
}

TEST(Container, OverlongPassPhraseProducesAndAcceptsNothing) {
    const std::string pass(129, 'k');
    TEncryption crypt(pass, 64);
    MemorySource source(std::string_view("secret"));
    TestSink sink;
    EXPECT_FALSE(crypt.Encrypt(source, sink));
    EXPECT_EQ(crypt.lastFailure(), CryptFailure::PassPhraseTooLong);
    EXPECT_EQ(sink.writes, 0);

    // Even a container whose salt and verifier would fit such a phrase.
    std::string fake(28 + 6, '\0');
    MemorySource fakeSource(fake);
    TestSink plainSink;
    EXPECT_FALSE(crypt.Decrypt(fakeSource, &plainSink, int64_t(fake.size())));
    EXPECT_EQ(crypt.lastFailure(), CryptFailure::PassPhraseTooLong);
    EXPECT_EQ(plainSink.writes, 0);
}

TEST(Container, ReportsProgressStages) {
    const std::string plain = text(250);
    TEncryption crypt(programPass, 100);
    std::vector<std::pair<int, int64_t>> seen;
    crypt.OnProgress = [&](TEncryption& sender, uint8_t stage, int64_t count) {
        EXPECT_EQ(&sender, &crypt);
        seen.emplace_back(stage, count);
    };
    MemorySource source(plain);
    std::string container;
    MemorySink sink(container);
    ASSERT_TRUE(crypt.Encrypt(source, sink));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int64_t>>{{4, 100}, {4, 200}, {4, 250}}));

    seen.clear();
    MemorySource containerSource(container);
    ASSERT_TRUE(crypt.Decrypt(containerSource, nullptr, int64_t(container.size())));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int64_t>>{{1, -270}, {5, 100}, {5, 100}, {5, 50}}));

    // A handler that throws ends the operation with false.
    crypt.OnProgress = [](TEncryption&, uint8_t, int64_t) { throw std::runtime_error("cancel"); };
    MemorySource again(plain);
    std::string ignored;
    MemorySink ignoredSink(ignored);
    EXPECT_FALSE(crypt.Encrypt(again, ignoredSink));
}

TEST(Container, ContainerStartsAtTheStreamPosition) {
    // The reader consumes exactly one container: what follows stays unread.
    const std::string plain = text(333);
    const std::string container = encrypt(plain);
    const std::string stream = "HEAD" + container + "TAIL";
    MemorySource source(stream);
    uint8_t head[4];
    source.read(head, 4);
    TEncryption crypt(programPass, 64);
    std::string out;
    MemorySink sink(out);
    EXPECT_TRUE(crypt.Decrypt(source, &sink, int64_t(container.size())));
    EXPECT_EQ(out, plain);
    EXPECT_EQ(source.position(), int64_t(4 + container.size()));
}

TEST(Container, ZeroBufferSizeIsTakenAsOne) {
    TEncryption crypt(programPass, 0);
    EXPECT_EQ(crypt.bufferSize(), 1);
    MemorySource source(std::string_view("abc"));
    std::string container;
    MemorySink sink(container);
    ASSERT_TRUE(crypt.Encrypt(source, sink));
    EXPECT_EQ(decrypt(container, programPass, -5).plain, "abc");
}

TEST(Container, LayoutIsSaltVerifierCiphertextCode) {
    const std::string plain = text(77);
    const std::string container = encrypt(plain);
    const Bytes salt(container.begin(), container.begin() + 8);
    EXPECT_EQ(container, containerWithSalt(plain, programPass, salt));
}
