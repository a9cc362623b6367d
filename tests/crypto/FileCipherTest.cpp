#include "crypto/FileCipher.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const std::string passPhrase = "rqtnvwhzep";

struct Started {
    FileCipherContext context;
    uint8_t verifier[2];
};

Started start(uint32_t strength, const std::string& pass, const Bytes& salt) {
    Started s;
    EXPECT_EQ(FileCipherStart(strength, reinterpret_cast<const uint8_t*>(pass.data()), pass.size(),
                              salt.data(), s.verifier, &s.context),
              0);
    return s;
}

Bytes derive(uint32_t strength, const std::string& pass, const Bytes& salt) {
    Bytes derived(2 * FileCipherKeyLength(strength) + 2);
    Pbkdf2Sha1(reinterpret_cast<const uint8_t*>(pass.data()), pass.size(), salt.data(), salt.size(),
               1000, derived.data(), derived.size());
    return derived;
}

// Keystream block k: AES of the counter block holding k, little-endian, in its first eight bytes.
Bytes keystreamBlock(const Bytes& aesKey, uint64_t k) {
    AesContext aes;
    EXPECT_EQ(AesSetEncryptKey(aesKey.data(), uint32_t(aesKey.size()), &aes), 1u);
    uint8_t counter[16] = {};
    for (int i = 0; i < 8; ++i)
        counter[i] = uint8_t(k >> (8 * i));
    Bytes out(16);
    EXPECT_EQ(AesEncryptBlock(counter, out.data(), &aes), 1u);
    return out;
}

} // namespace

TEST(FileCipher, RefusesLongPassPhraseAndBadStrengthWithoutWriting) {
    const std::string tooLong(129, 'x');
    const Bytes salt(16, 1);
    FileCipherContext context;
    std::memset(&context, 0x5A, sizeof context);
    const FileCipherContext before = context;
    uint8_t verifier[2] = {0x11, 0x22};
    EXPECT_EQ(FileCipherStart(1, reinterpret_cast<const uint8_t*>(tooLong.data()), tooLong.size(),
                              salt.data(), verifier, &context),
              PassPhraseTooLong);
    // The length is checked before the strength.
    EXPECT_EQ(FileCipherStart(0, reinterpret_cast<const uint8_t*>(tooLong.data()), tooLong.size(),
                              salt.data(), verifier, &context),
              PassPhraseTooLong);
    for (uint32_t strength : {0u, 4u, 0xFFFFFFFFu})
        EXPECT_EQ(FileCipherStart(strength, reinterpret_cast<const uint8_t*>(passPhrase.data()),
                                  passPhrase.size(), salt.data(), verifier, &context),
                  BadStrength);
    EXPECT_EQ(std::memcmp(&context, &before, sizeof context), 0);
    EXPECT_EQ(verifier[0], 0x11);
    EXPECT_EQ(verifier[1], 0x22);

    const std::string longest(128, 'x');
    EXPECT_EQ(FileCipherStart(3, reinterpret_cast<const uint8_t*>(longest.data()), longest.size(),
                              salt.data(), verifier, &context),
              0);
    EXPECT_EQ(context.passPhraseLength, 128u);
    EXPECT_EQ(context.strength, 3u);
}

TEST(FileCipher, DerivedBytesSetKeysAndVerifierForEachStrength) {
    for (uint32_t strength = 1; strength <= 3; ++strength) {
        SCOPED_TRACE(strength);
        const Bytes salt = sequence(FileCipherSaltLength(strength), 0x30);
        const size_t k = FileCipherKeyLength(strength);
        const Bytes derived = derive(strength, passPhrase, salt);
        Started s = start(strength, passPhrase, salt);
        EXPECT_EQ(s.context.cipher.rounds, 6 + k / 4);
        EXPECT_EQ(s.verifier[0], derived[2 * k]);
        EXPECT_EQ(s.verifier[1], derived[2 * k + 1]);
        EXPECT_EQ(s.context.keystreamPosition, 16u);

        // Ciphertext = data XOR keystream; code = HMAC with the second key part.
        Bytes data(40, 0);
        FileCipherEncrypt(data.data(), data.size(), &s.context);
        const Bytes aesKey(derived.begin(), derived.begin() + k);
        EXPECT_EQ(toHex(data.data(), 16), toHex(keystreamBlock(aesKey, 1)));
        EXPECT_EQ(toHex(data.data() + 16, 16), toHex(keystreamBlock(aesKey, 2)));
        EXPECT_EQ(toHex(data.data() + 32, 8), toHex(keystreamBlock(aesKey, 3).data(), 8));
        uint8_t code[10];
        EXPECT_EQ(FileCipherFinish(code, &s.context), 10u);
        HmacContext hmac;
        HmacStart(&hmac);
        ASSERT_EQ(HmacAddKey(derived.data() + k, k, &hmac), 0);
        HmacAddData(data.data(), data.size(), &hmac);
        uint8_t expected[10];
        HmacFinish(expected, 10, &hmac);
        EXPECT_EQ(toHex(code, 10), toHex(expected, 10));
    }
}

TEST(FileCipher, CounterCarriesIntoTheSecondByte) {
    const Bytes salt(8, 7);
    const Bytes derived = derive(1, passPhrase, salt);
    const Bytes aesKey(derived.begin(), derived.begin() + 16);
    Started s = start(1, passPhrase, salt);
    Bytes data(16 * 257, 0);
    FileCipherEncrypt(data.data(), data.size(), &s.context);
    // Block 256 encrypts 00 01 00 ..., block 257 encrypts 01 01 00 ...
    EXPECT_EQ(toHex(data.data() + 16 * 255, 16), toHex(keystreamBlock(aesKey, 256)));
    EXPECT_EQ(toHex(data.data() + 16 * 256, 16), toHex(keystreamBlock(aesKey, 257)));
    EXPECT_EQ(s.context.counter[0], 1);
    EXPECT_EQ(s.context.counter[1], 1);
    for (int i = 2; i < 16; ++i)
        EXPECT_EQ(s.context.counter[i], 0);
}

TEST(FileCipher, CounterCarryOutOfByteSevenIsDropped) {
    const Bytes salt(8, 9);
    const Bytes derived = derive(1, passPhrase, salt);
    const Bytes aesKey(derived.begin(), derived.begin() + 16);
    for (size_t length : {16u, 16u * 9, 16u * 9 + 5}) {
        Started s = start(1, passPhrase, salt);
        std::memset(s.context.counter, 0xFF, 8);
        Bytes data(length, 0);
        FileCipherEncrypt(data.data(), data.size(), &s.context);
        // The counter wraps to zero: the next block encrypts 00 ... 00.
        EXPECT_EQ(toHex(data.data(), 16), toHex(keystreamBlock(aesKey, 0))) << length;
        if (length > 16) {
            EXPECT_EQ(toHex(data.data() + 16, 16), toHex(keystreamBlock(aesKey, 1))) << length;
        }
        for (int i = 8; i < 16; ++i)
            EXPECT_EQ(s.context.counter[i], 0);
    }
}

TEST(FileCipher, PiecesOfAnyLengthEqualOneCall) {
    std::mt19937 rng(5);
    const Bytes salt = randomBytes(rng, 8);
    const Bytes plain = randomBytes(rng, 70000);
    Started whole = start(1, passPhrase, salt);
    Bytes expected = plain;
    FileCipherEncrypt(expected.data(), expected.size(), &whole.context);
    uint8_t expectedCode[10];
    FileCipherFinish(expectedCode, &whole.context);

    const std::vector<std::vector<size_t>> patterns = {
        {5, 20}, {1, 1, 1, 13, 16, 16, 17}, {15}, {16}, {17}, {0, 33, 0, 48}, {16384, 1}, {65535}};
    for (const auto& pattern : patterns) {
        Started s = start(1, passPhrase, salt);
        Bytes data = plain;
        size_t offset = 0;
        for (size_t piece : pattern) {
            FileCipherEncrypt(data.data() + offset, piece, &s.context);
            offset += piece;
        }
        FileCipherEncrypt(data.data() + offset, data.size() - offset, &s.context);
        uint8_t code[10];
        FileCipherFinish(code, &s.context);
        ASSERT_EQ(data, expected) << pattern.size();
        ASSERT_EQ(toHex(code, 10), toHex(expectedCode, 10));

        // Decrypting in other pieces gives the plain data and the same code.
        Started d = start(1, passPhrase, salt);
        for (size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 + 1)
            FileCipherDecrypt(data.data() + at, std::min(step, data.size() - at), &d.context);
        FileCipherFinish(code, &d.context);
        ASSERT_EQ(data, plain);
        ASSERT_EQ(toHex(code, 10), toHex(expectedCode, 10));
    }
}

TEST(FileCipher, FlippedCiphertextChangesOneByteAndTheCode) {
    const Bytes salt(8, 3);
    const Bytes plain = asBytes("tagged text of a brand profile, a bit longer than a block");
    Started e = start(1, passPhrase, salt);
    Bytes data = plain;
    FileCipherEncrypt(data.data(), data.size(), &e.context);
    uint8_t code[10];
    FileCipherFinish(code, &e.context);

    data[20] ^= 0x04;
    Started d = start(1, passPhrase, salt);
    FileCipherDecrypt(data.data(), data.size(), &d.context);
    uint8_t recomputed[10];
    FileCipherFinish(recomputed, &d.context);
    EXPECT_NE(toHex(recomputed, 10), toHex(code, 10));
    for (size_t i = 0; i < plain.size(); ++i)
        EXPECT_EQ(data[i], i == 20 ? plain[i] ^ 0x04 : plain[i]) << i;
}
