#include "crypto/Aes.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct AppendixCase {
    uint32_t keyBytes;
    uint32_t rounds;
    const char* ciphertext;
};

const AppendixCase appendixC[] = {
    {16, 10, "69c4e0d86a7b0430d8cdb78070b4c55a"},
    {24, 12, "dda97ca4864cdfe06eaf70a0ec0d7191"},
    {32, 14, "8ea2b7ca516745bfeafc49904b496089"},
};

const Bytes plainBlock = fromHex("00112233445566778899aabbccddeeff");

// Encrypting with one context and decrypting with the other both fail and
// leave the output as it was.
void expectBlocksRefused(const AesContext& encryptWith, const AesContext& decryptWith) {
    uint8_t out[16];
    std::memset(out, 0x77, sizeof out);
    EXPECT_EQ(AesEncryptBlock(plainBlock.data(), out, &encryptWith), 0u);
    EXPECT_EQ(AesDecryptBlock(plainBlock.data(), out, &decryptWith), 0u);
    EXPECT_EQ(toHex(out, 16), std::string(32, '7'));
}

} // namespace

TEST(Aes, AppendixCVectorsBothWays) {
    for (const auto& c : appendixC) {
        SCOPED_TRACE(c.keyBytes);
        const Bytes key = sequence(c.keyBytes);
        AesContext enc, dec;
        ASSERT_EQ(AesSetEncryptKey(key.data(), c.keyBytes, &enc), 1u);
        EXPECT_EQ(enc.rounds, c.rounds);
        EXPECT_EQ(enc.flags, 17u);
        uint8_t out[16];
        ASSERT_EQ(AesEncryptBlock(plainBlock.data(), out, &enc), 1u);
        EXPECT_EQ(toHex(out, 16), c.ciphertext);

        ASSERT_EQ(AesSetDecryptKey(key.data(), c.keyBytes, &dec), 1u);
        EXPECT_EQ(dec.rounds, c.rounds);
        EXPECT_EQ(dec.flags, 18u);
        uint8_t back[16];
        ASSERT_EQ(AesDecryptBlock(out, back, &dec), 1u);
        EXPECT_EQ(toHex(back, 16), toHex(plainBlock));
    }
}

TEST(Aes, KeyScheduleMatchesPublishedRoundKeys) {
    const Bytes key = sequence(16);
    AesContext enc, dec;
    ASSERT_EQ(AesSetEncryptKey(key.data(), 16, &enc), 1u);
    ASSERT_EQ(AesSetDecryptKey(key.data(), 16, &dec), 1u);
    EXPECT_EQ(enc.roundKeys[36], 0x549932d1u); // round key 9
    EXPECT_EQ(enc.roundKeys[40], 0x13111d7fu); // round key 10
    EXPECT_EQ(enc.roundKeys[43], 0x4d2b30c5u);
    // The equivalent inverse cipher keeps round keys 0 and 10 and runs
    // InvMixColumns over the others: round key 9 is the first it uses.
    const uint32_t expected9[4] = {0x13aa29be, 0x9c8faff6, 0xf770f580, 0x00f7bf03};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(dec.roundKeys[36 + i], expected9[i]);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(dec.roundKeys[i], enc.roundKeys[i]);
        EXPECT_EQ(dec.roundKeys[40 + i], enc.roundKeys[40 + i]);
    }
}

TEST(Aes, KeyLengthInBitsEqualsLengthInBytes) {
    for (uint32_t bytes : {16u, 24u, 32u}) {
        const Bytes key = sequence(bytes, 0x5a);
        AesContext a, b;
        std::memset(&a, 0xAB, sizeof a);
        std::memset(&b, 0xCD, sizeof b);
        ASSERT_EQ(AesSetEncryptKey(key.data(), bytes, &a), 1u);
        ASSERT_EQ(AesSetEncryptKey(key.data(), bytes * 8, &b), 1u);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << bytes;
        ASSERT_EQ(AesSetDecryptKey(key.data(), bytes, &a), 1u);
        ASSERT_EQ(AesSetDecryptKey(key.data(), bytes * 8, &b), 1u);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << bytes;
    }
}

TEST(Aes, RejectedKeyLengthsLeaveAnUnusableContext) {
    const Bytes key = sequence(64);
    for (uint32_t length : {0u, 8u, 15u, 20u, 33u, 40u, 64u, 100u, 129u, 160u, 320u, 512u}) {
        SCOPED_TRACE(length);
        for (auto setUp : {AesSetEncryptKey, AesSetDecryptKey}) {
            AesContext context;
            ASSERT_EQ(AesSetEncryptKey(key.data(), 16, &context), 1u); // a working context first
            EXPECT_EQ(setUp(key.data(), length, &context), 0u);
            EXPECT_EQ(context.rounds, 0u);
            EXPECT_EQ(context.flags, 16u);
            expectBlocksRefused(context, context);
        }
    }
}

TEST(Aes, ContextServesOneDirectionOnly) {
    const Bytes key = sequence(16);
    AesContext enc, dec;
    ASSERT_EQ(AesSetEncryptKey(key.data(), 16, &enc), 1u);
    ASSERT_EQ(AesSetDecryptKey(key.data(), 16, &dec), 1u);
    expectBlocksRefused(dec, enc);
}

TEST(Aes, InPlaceEqualsSeparateBuffers) {
    for (uint32_t bytes : {16u, 24u, 32u}) {
        const Bytes key = sequence(bytes, 9);
        AesContext enc, dec;
        ASSERT_EQ(AesSetEncryptKey(key.data(), bytes, &enc), 1u);
        ASSERT_EQ(AesSetDecryptKey(key.data(), bytes, &dec), 1u);
        uint8_t separate[16], inPlace[16];
        std::memcpy(inPlace, plainBlock.data(), 16);
        ASSERT_EQ(AesEncryptBlock(plainBlock.data(), separate, &enc), 1u);
        ASSERT_EQ(AesEncryptBlock(inPlace, inPlace, &enc), 1u);
        EXPECT_EQ(toHex(inPlace, 16), toHex(separate, 16));
        ASSERT_EQ(AesDecryptBlock(inPlace, inPlace, &dec), 1u);
        EXPECT_EQ(toHex(inPlace, 16), toHex(plainBlock));
    }
}

TEST(Aes, LaterSetUpReplacesEarlierOne) {
    const Bytes key128 = sequence(16), key256 = sequence(32);
    AesContext context;
    ASSERT_EQ(AesSetEncryptKey(key256.data(), 32, &context), 1u);
    ASSERT_EQ(AesSetDecryptKey(key128.data(), 16, &context), 1u);
    AesContext fresh;
    ASSERT_EQ(AesSetDecryptKey(key128.data(), 16, &fresh), 1u);
    EXPECT_EQ(std::memcmp(&context, &fresh, sizeof context), 0);
}
