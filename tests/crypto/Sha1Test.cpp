#include "crypto/Sha1.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string sha1Hex(const Bytes& message) {
    Sha1Context context;
    Sha1Start(&context);
    Sha1Add(message.data(), message.size(), &context);
    uint8_t digest[20];
    Sha1Finish(digest, &context);
    return toHex(digest, 20);
}

} // namespace

TEST(Sha1, PublishedDigests) {
    const struct {
        std::string message;
        const char* digest;
    } cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        // 56 bytes: the padding needs a second block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        // Exactly one block: the padding fills a block of its own.
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno",
         "b85d6468bd3a73794bceaf812239cc1fe460ab95"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sha1Hex(asBytes(c.message)), c.digest) << c.message.size();
}

TEST(Sha1, OneMillionLetters) {
    Sha1Context context;
    Sha1Start(&context);
    const Bytes thousand(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        Sha1Add(thousand.data(), thousand.size(), &context);
    EXPECT_EQ(context.byteCount[0], 1000000u);
    uint8_t digest[20];
    Sha1Finish(digest, &context);
    EXPECT_EQ(toHex(digest, 20), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, IncrementalEqualsOneShotAtEverySplit) {
    std::mt19937 rng(7);
    const Bytes message = randomBytes(rng, 300);
    const std::string whole = sha1Hex(message);
    for (size_t a = 0; a <= message.size(); ++a) {
        for (size_t b : {a, a + 1, a + 63, a + 64, a + 65, message.size()}) {
            if (b > message.size())
                continue;
            Sha1Context context;
            Sha1Start(&context);
            Sha1Add(message.data(), a, &context);
            Sha1Add(message.data() + a, b - a, &context);
            Sha1Add(message.data() + b, message.size() - b, &context);
            uint8_t digest[20];
            Sha1Finish(digest, &context);
            ASSERT_EQ(toHex(digest, 20), whole) << a << " " << b;
        }
    }
}

TEST(Sha1, CopiedContextForksTheComputation) {
    Sha1Context context;
    Sha1Start(&context);
    Sha1Add(reinterpret_cast<const uint8_t*>("ab"), 2, &context);
    Sha1Context fork = context;
    Sha1Add(reinterpret_cast<const uint8_t*>("c"), 1, &context);
    Sha1Add(reinterpret_cast<const uint8_t*>("c"), 1, &fork);
    uint8_t a[20], b[20];
    Sha1Finish(a, &context);
    Sha1Finish(b, &fork);
    EXPECT_EQ(toHex(a, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(toHex(b, 20), toHex(a, 20));
}

TEST(Sha1, ByteCountCarriesIntoHighWord) {
    Sha1Context context;
    Sha1Start(&context);
    context.byteCount[0] = 0xFFFFFFF0u;
    const Bytes data(0x20, 0);
    Sha1Add(data.data(), data.size(), &context);
    EXPECT_EQ(context.byteCount[0], 0x10u);
    EXPECT_EQ(context.byteCount[1], 1u);
}

TEST(Sha1, CompressRunsOnTheBlockBufferAlone) {
    // "abc" padded by hand into one block gives the digest through Sha1Compress.
    Sha1Context context;
    Sha1Start(&context);
    std::memset(context.block, 0, 64);
    std::memcpy(context.block, "abc", 3);
    context.block[3] = 0x80;
    context.block[63] = 24;
    Sha1Compress(&context);
    EXPECT_EQ(context.byteCount[0], 0u);
    EXPECT_EQ(context.chaining[0], 0xa9993e36u);
    EXPECT_EQ(context.chaining[4], 0x9cd0d89du);
}
