#include "crypto/Hmac.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

Bytes hmac(const Bytes& key, const Bytes& data, size_t codeLength = 20) {
    HmacContext context;
    HmacStart(&context);
    EXPECT_EQ(HmacAddKey(key.data(), key.size(), &context), 0);
    HmacAddData(data.data(), data.size(), &context);
    Bytes code(codeLength);
    HmacFinish(code.data(), codeLength, &context);
    return code;
}

// PBKDF2 written straight from its definition, one full HMAC per step.
Bytes pbkdf2Reference(const Bytes& pass, const Bytes& salt, uint32_t iterations, size_t length) {
    Bytes out;
    for (uint32_t i = 1; out.size() < length; ++i) {
        Bytes message = salt;
        for (int shift = 24; shift >= 0; shift -= 8)
            message.push_back(uint8_t(i >> shift));
        Bytes accumulator(20, 0);
        for (uint32_t j = 0; j < iterations; ++j) {
            message = hmac(pass, message);
            for (int k = 0; k < 20; ++k)
                accumulator[k] ^= message[k];
        }
        out.insert(out.end(), accumulator.begin(), accumulator.end());
    }
    out.resize(length);
    return out;
}

Bytes pbkdf2(const Bytes& pass, const Bytes& salt, uint32_t iterations, size_t length) {
    Bytes out(length);
    Pbkdf2Sha1(pass.data(), pass.size(), salt.data(), salt.size(), iterations, out.data(), length);
    return out;
}

} // namespace

TEST(Hmac, Rfc2202Cases) {
    const struct {
        Bytes key;
        Bytes data;
        size_t codeLength;
        const char* code;
    } cases[] = {
        {Bytes(20, 0x0b), asBytes("Hi There"), 20, "b617318655057264e28bc0b6fb378c8ef146be00"},
        {asBytes("Jefe"), asBytes("what do ya want for nothing?"), 20,
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {Bytes(20, 0xaa), Bytes(50, 0xdd), 20, "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {sequence(25, 1), Bytes(50, 0xcd), 20, "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {Bytes(20, 0x0c), asBytes("Test With Truncation"), 12, "4c1a03424b55e07fe7f27be1"},
        {Bytes(80, 0xaa), asBytes("Test Using Larger Than Block-Size Key - Hash Key First"), 20,
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {Bytes(80, 0xaa),
         asBytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"), 20,
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    int number = 1;
    for (const auto& c : cases)
        EXPECT_EQ(toHex(hmac(c.key, c.data, c.codeLength)), c.code) << "case " << number++;
}

TEST(Hmac, KeyInPiecesEqualsKeyAtOnce) {
    std::mt19937 rng(3);
    for (size_t keyLength : {0u, 1u, 20u, 63u, 64u, 65u, 100u, 150u}) {
        const Bytes key = randomBytes(rng, keyLength);
        const Bytes data = randomBytes(rng, 77);
        const Bytes expected = hmac(key, data);
        // Every split into three pieces, including those that cross 64 bytes
        // in the middle of a call.
        for (size_t a = 0; a <= keyLength; a += (keyLength > 70 ? 7 : 1)) {
            for (size_t b = a; b <= keyLength; b += (keyLength > 70 ? 11 : 1)) {
                HmacContext context;
                HmacStart(&context);
                ASSERT_EQ(HmacAddKey(key.data(), a, &context), 0);
                ASSERT_EQ(HmacAddKey(key.data() + a, b - a, &context), 0);
                ASSERT_EQ(HmacAddKey(key.data() + b, keyLength - b, &context), 0);
                HmacAddData(data.data(), data.size(), &context);
                Bytes code(20);
                HmacFinish(code.data(), 20, &context);
                ASSERT_EQ(toHex(code), toHex(expected)) << keyLength << " " << a << " " << b;
            }
        }
    }
}

TEST(Hmac, DataInPiecesAndFinishWithoutData) {
    const Bytes key = asBytes("key");
    const Bytes data = asBytes("The quick brown fox jumps over the lazy dog");
    HmacContext context;
    HmacStart(&context);
    ASSERT_EQ(HmacAddKey(key.data(), key.size(), &context), 0);
    HmacAddData(data.data(), 10, &context);
    HmacAddData(nullptr, 0, &context);
    HmacAddData(data.data() + 10, data.size() - 10, &context);
    Bytes code(20);
    HmacFinish(code.data(), 20, &context);
    EXPECT_EQ(toHex(code), "de7c9b85b8b78aa6bc8a7a36f70a90701c9db4d9");

    // No data at all: HmacFinish enters the data phase itself.
    EXPECT_EQ(toHex(hmac(key, {})), "f42bb0eeb018ebbd4597ae7213711ec60760843f");
}

TEST(Hmac, KeyAfterDataIsRefusedAndChangesNothing) {
    HmacContext context;
    HmacStart(&context);
    ASSERT_EQ(HmacAddKey(reinterpret_cast<const uint8_t*>("key"), 3, &context), 0);
    HmacAddData(reinterpret_cast<const uint8_t*>("ab"), 2, &context);
    HmacContext before = context;
    EXPECT_EQ(HmacAddKey(reinterpret_cast<const uint8_t*>("more"), 4, &context), -1);
    EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
}

TEST(Hmac, CopiedContextForksAndCodeLengthIsBounded) {
    HmacContext context;
    HmacStart(&context);
    ASSERT_EQ(HmacAddKey(reinterpret_cast<const uint8_t*>("Jefe"), 4, &context), 0);
    HmacContext fork = context;
    const Bytes data = asBytes("what do ya want for nothing?");
    HmacAddData(data.data(), data.size(), &fork);
    // Asking for more than 20 bytes writes 20 and no more.
    uint8_t code[32];
    std::memset(code, 0xEE, sizeof code);
    EXPECT_EQ(HmacFinish(code, 32, &fork), 20u);
    EXPECT_EQ(toHex(code, 20), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(toHex(code + 20, 12), std::string(24, 'e'));
    // The original is untouched by the fork's work.
    HmacAddData(data.data(), data.size(), &context);
    EXPECT_EQ(HmacFinish(code, 10, &context), 10u);
    EXPECT_EQ(toHex(code, 10), "effcdf6ae5eb2fa2d274");
}

TEST(Pbkdf2, Rfc6070Vectors) {
    const struct {
        std::string pass;
        std::string salt;
        uint32_t iterations;
        const char* key;
    } cases[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096,
         "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const auto& c : cases) {
        const size_t length = std::strlen(c.key) / 2;
        EXPECT_EQ(toHex(pbkdf2(asBytes(c.pass), asBytes(c.salt), c.iterations, length)), c.key)
            << c.pass << " " << c.iterations;
    }
}

// About sixteen million iterations: run with TIPSMITH_SLOW_TESTS=1.
TEST(Pbkdf2, Rfc6070SixteenMillionIterations) {
    if (!std::getenv("TIPSMITH_SLOW_TESTS"))
        GTEST_SKIP() << "set TIPSMITH_SLOW_TESTS=1 to run";
    EXPECT_EQ(toHex(pbkdf2(asBytes("password"), asBytes("salt"), 16777216, 20)),
              "eefe3d61cd4da4e4e9945b3d6ba2158c2634e984");
}

TEST(Pbkdf2, EqualsTheDefinitionForAllShapes) {
    std::mt19937 rng(11);
    for (size_t passLength : {0u, 10u, 64u, 65u, 129u}) {
        for (uint32_t iterations : {0u, 1u, 2u, 3u, 17u}) {
            for (size_t length : {1u, 19u, 20u, 21u, 34u, 50u, 66u}) {
                const Bytes pass = randomBytes(rng, passLength);
                const Bytes salt = randomBytes(rng, 8 + length % 9);
                ASSERT_EQ(toHex(pbkdf2(pass, salt, iterations, length)),
                          toHex(pbkdf2Reference(pass, salt, iterations, length)))
                    << passLength << " " << iterations << " " << length;
            }
        }
    }
}

TEST(Pbkdf2, WritesExactlyTheAskedLength) {
    Bytes out(40, 0xEE);
    Pbkdf2Sha1(reinterpret_cast<const uint8_t*>("p"), 1, reinterpret_cast<const uint8_t*>("s"), 1,
               5, out.data(), 25);
    for (size_t i = 25; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xEE) << i;
}
