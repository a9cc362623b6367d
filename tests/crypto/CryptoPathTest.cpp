#include "crypto/AesLib.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// The suite runs once per path; this checks that the path asked for is the
// one that runs, so a forced portable run really exercises the portable code.
TEST(CryptoPath, RunsThePathAskedFor) {
    const char* wanted = std::getenv(CryptoPathVariable);
    const std::string name = CryptoPathName();
    const bool aes = cryptopath::cpuHasAesNi();
    const bool sha = cryptopath::cpuHasShaNi();
    const std::string w = wanted ? wanted : "";
    if (w == "portable")
        EXPECT_EQ(name, "portable");
    else if (w == "aesni")
        EXPECT_EQ(name, aes ? "aes-ni" : "portable");
    else if (w == "shani")
        EXPECT_EQ(name, sha ? "sha-ni" : "portable");
    else
        EXPECT_EQ(name, aes && sha ? "aes-ni+sha-ni"
                        : aes      ? "aes-ni"
                        : sha      ? "sha-ni"
                                   : "portable");
    std::cout << "crypto path: " << name << "\n";
}

// Every kernel against the portable one, whatever path is active, so a run on
// any machine compares all the code it can execute.
TEST(CryptoPath, InstructionKernelsEqualPortableOnes) {
    std::mt19937 rng(21);
    if (cryptopath::cpuHasAesNi()) {
        for (uint32_t keyLength : {16u, 24u, 32u}) {
            const Bytes key = randomBytes(rng, keyLength);
            AesContext enc, dec;
            ASSERT_EQ(AesSetEncryptKey(key.data(), keyLength, &enc), 1u);
            ASSERT_EQ(AesSetDecryptKey(key.data(), keyLength, &dec), 1u);
            for (int i = 0; i < 50; ++i) {
                const Bytes block = randomBytes(rng, 16);
                uint8_t a[16], b[16];
                cryptopath::aesEncryptBlockPortable(enc, block.data(), a);
                cryptopath::aesEncryptBlockAesNi(enc, block.data(), b);
                ASSERT_EQ(toHex(a, 16), toHex(b, 16));
                cryptopath::aesDecryptBlockPortable(dec, block.data(), a);
                cryptopath::aesDecryptBlockAesNi(dec, block.data(), b);
                ASSERT_EQ(toHex(a, 16), toHex(b, 16));
            }
            for (size_t blocks : {0u, 1u, 7u, 8u, 9u, 17u, 300u}) {
                Bytes counterA = randomBytes(rng, 16);
                // Start near the wrap of the 64-bit counter now and then.
                if (blocks == 9)
                    for (int i = 0; i < 8; ++i)
                        counterA[i] = 0xFF;
                Bytes counterB = counterA;
                Bytes dataA = randomBytes(rng, blocks * 16);
                Bytes dataB = dataA;
                cryptopath::aesCtrXorPortable(enc, counterA.data(), dataA.data(), blocks);
                cryptopath::aesCtrXorAesNi(enc, counterB.data(), dataB.data(), blocks);
                ASSERT_EQ(dataA, dataB) << blocks;
                ASSERT_EQ(counterA, counterB) << blocks;
            }
        }
    }
    if (cryptopath::cpuHasShaNi()) {
        for (size_t blocks : {1u, 2u, 5u, 64u}) {
            const Bytes data = randomBytes(rng, blocks * 64);
            uint32_t a[5], b[5];
            for (int i = 0; i < 5; ++i)
                a[i] = b[i] = uint32_t(rng());
            cryptopath::sha1BlocksPortable(a, data.data(), blocks);
            cryptopath::sha1BlocksShaNi(b, data.data(), blocks);
            for (int i = 0; i < 5; ++i)
                ASSERT_EQ(a[i], b[i]) << blocks;
        }
    }
    if (!cryptopath::cpuHasAesNi() && !cryptopath::cpuHasShaNi())
        GTEST_SKIP() << "no AES or SHA instructions on this processor";
}
