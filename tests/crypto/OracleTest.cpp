// Our primitives and container against OpenSSL's libcrypto as an independent
// oracle, on random inputs.

#include "crypto/AesLib.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <memory>

namespace {

const EVP_CIPHER* ecbFor(size_t keyLength) {
    return keyLength == 16   ? EVP_aes_128_ecb()
           : keyLength == 24 ? EVP_aes_192_ecb()
                             : EVP_aes_256_ecb();
}

Bytes opensslAes(const Bytes& key, const Bytes& input, bool encrypt) {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    EXPECT_EQ(EVP_CipherInit_ex(ctx.get(), ecbFor(key.size()), nullptr, key.data(), nullptr,
                                encrypt ? 1 : 0),
              1);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    Bytes out(input.size() + 16);
    int n = 0, tail = 0;
    EXPECT_EQ(EVP_CipherUpdate(ctx.get(), out.data(), &n, input.data(), int(input.size())), 1);
    EXPECT_EQ(EVP_CipherFinal_ex(ctx.get(), out.data() + n, &tail), 1);
    out.resize(size_t(n + tail));
    return out;
}

Bytes opensslSha1(const Bytes& data) {
    Bytes out(20);
    unsigned length = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), out.data(), &length, EVP_sha1(), nullptr), 1);
    return out;
}

Bytes opensslHmac(const Bytes& key, const Bytes& data) {
    static const uint8_t none = 0;
    Bytes out(20);
    unsigned length = 0;
    HMAC(EVP_sha1(), key.empty() ? &none : key.data(), int(key.size()),
         data.empty() ? &none : data.data(), data.size(), out.data(), &length);
    EXPECT_EQ(length, 20u);
    return out;
}

Bytes opensslPbkdf2(const Bytes& pass, const Bytes& salt, int iterations, size_t length) {
    Bytes out(length);
    EXPECT_EQ(PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(pass.data()), int(pass.size()),
                                salt.data(), int(salt.size()), iterations, EVP_sha1(), int(length),
                                out.data()),
              1);
    return out;
}

// The counter-mode keystream: counter block k holds k little-endian in its
// first eight bytes, AES-ECB of each block in turn.
Bytes opensslKeystream(const Bytes& key, size_t length) {
    Bytes counters((length + 15) / 16 * 16, 0);
    for (size_t k = 1; k <= counters.size() / 16; ++k)
        for (int i = 0; i < 8; ++i)
            counters[16 * (k - 1) + i] = uint8_t(uint64_t(k) >> (8 * i));
    Bytes stream = opensslAes(key, counters, true);
    stream.resize(length);
    return stream;
}

struct Keys {
    Bytes aes, auth, verifier;
};

Keys opensslKeys(const std::string& pass, const Bytes& salt, size_t keyLength) {
    const Bytes derived = opensslPbkdf2(asBytes(pass), salt, 1000, 2 * keyLength + 2);
    return {Bytes(derived.begin(), derived.begin() + keyLength),
            Bytes(derived.begin() + keyLength, derived.begin() + 2 * keyLength),
            Bytes(derived.begin() + 2 * keyLength, derived.end())};
}

size_t keyLengthFor(const std::string& pass) {
    return pass.size() < 32 ? 16 : pass.size() < 48 ? 24 : 32;
}

// A container put together from OpenSSL primitives alone.
std::string opensslSeal(const std::string& pass, const Bytes& salt, const Bytes& plain) {
    const Keys keys = opensslKeys(pass, salt, keyLengthFor(pass));
    Bytes cipher = plain;
    const Bytes stream = opensslKeystream(keys.aes, plain.size());
    for (size_t i = 0; i < cipher.size(); ++i)
        cipher[i] ^= stream[i];
    Bytes code = opensslHmac(keys.auth, cipher);
    code.resize(10);
    return asString(salt) + asString(keys.verifier) + asString(cipher) + asString(code);
}

// Opens a container with OpenSSL primitives; false when a check fails.
bool opensslOpen(const std::string& pass, const std::string& container, Bytes& plain) {
    const size_t keyLength = keyLengthFor(pass);
    const size_t saltLength = keyLength / 2;
    if (container.size() < saltLength + 12)
        return false;
    const Bytes all = asBytes(container);
    const Bytes salt(all.begin(), all.begin() + saltLength);
    const Keys keys = opensslKeys(pass, salt, keyLength);
    if (Bytes(all.begin() + saltLength, all.begin() + saltLength + 2) != keys.verifier)
        return false;
    const Bytes cipher(all.begin() + saltLength + 2, all.end() - 10);
    Bytes code = opensslHmac(keys.auth, cipher);
    code.resize(10);
    if (Bytes(all.end() - 10, all.end()) != code)
        return false;
    plain = cipher;
    const Bytes stream = opensslKeystream(keys.aes, plain.size());
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] ^= stream[i];
    return true;
}

} // namespace

TEST(Oracle, AesBlocksBothWays) {
    std::mt19937 rng(1);
    for (size_t keyLength : {16u, 24u, 32u}) {
        for (int round = 0; round < 100; ++round) {
            const Bytes key = randomBytes(rng, keyLength);
            const Bytes blocks = randomBytes(rng, 16 * (1 + rng() % 4));
            AesContext enc, dec;
            ASSERT_EQ(AesSetEncryptKey(key.data(), uint32_t(keyLength), &enc), 1u);
            ASSERT_EQ(AesSetDecryptKey(key.data(), uint32_t(keyLength * 8), &dec), 1u);
            Bytes ours(blocks.size()), back(blocks.size());
            for (size_t at = 0; at < blocks.size(); at += 16) {
                ASSERT_EQ(AesEncryptBlock(blocks.data() + at, ours.data() + at, &enc), 1u);
                ASSERT_EQ(AesDecryptBlock(blocks.data() + at, back.data() + at, &dec), 1u);
            }
            ASSERT_EQ(toHex(ours), toHex(opensslAes(key, blocks, true)));
            ASSERT_EQ(toHex(back), toHex(opensslAes(key, blocks, false)));
        }
    }
}

TEST(Oracle, Sha1OfManyLengthsInRandomPieces) {
    std::mt19937 rng(2);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n)
        lengths.push_back(n);
    for (size_t n : {1000u, 4095u, 4096u, 100001u})
        lengths.push_back(n);
    for (size_t length : lengths) {
        const Bytes data = randomBytes(rng, length);
        Sha1Context context;
        Sha1Start(&context);
        for (size_t at = 0; at < length;) {
            const size_t piece = std::min<size_t>(length - at, rng() % 150);
            Sha1Add(data.data() + at, piece, &context);
            at += piece;
        }
        uint8_t digest[20];
        Sha1Finish(digest, &context);
        ASSERT_EQ(toHex(digest, 20), toHex(opensslSha1(data))) << length;
    }
}

TEST(Oracle, HmacWithKeysOfAllLengthsInPieces) {
    std::mt19937 rng(3);
    for (size_t keyLength = 0; keyLength <= 200; ++keyLength) {
        const Bytes key = randomBytes(rng, keyLength);
        const Bytes data = randomBytes(rng, rng() % 300);
        HmacContext context;
        HmacStart(&context);
        // The key arrives in up to five pieces of random lengths.
        size_t at = 0;
        for (int piece = 0; piece < 4 && at < keyLength; ++piece) {
            const size_t n = rng() % (keyLength - at + 1);
            ASSERT_EQ(HmacAddKey(key.data() + at, n, &context), 0);
            at += n;
        }
        ASSERT_EQ(HmacAddKey(key.data() + at, keyLength - at, &context), 0);
        HmacAddData(data.data(), data.size() / 2, &context);
        HmacAddData(data.data() + data.size() / 2, data.size() - data.size() / 2, &context);
        uint8_t code[20];
        HmacFinish(code, 20, &context);
        ASSERT_EQ(toHex(code, 20), toHex(opensslHmac(key, data))) << keyLength;
    }
}

TEST(Oracle, Pbkdf2ForTheThreeContainerLengths) {
    std::mt19937 rng(4);
    for (size_t length : {34u, 50u, 66u}) {
        for (int round = 0; round < 12; ++round) {
            const Bytes pass = randomBytes(rng, rng() % 129);
            const Bytes salt = randomBytes(rng, (length - 2) / 4);
            const int iterations = round < 3 ? 1000 : 1 + int(rng() % 5);
            Bytes ours(length);
            Pbkdf2Sha1(pass.data(), pass.size(), salt.data(), salt.size(), uint32_t(iterations),
                       ours.data(), length);
            ASSERT_EQ(toHex(ours), toHex(opensslPbkdf2(pass, salt, iterations, length)))
                << length << " " << pass.size() << " " << iterations;
        }
    }
}

TEST(Oracle, ContainersOpenBothWaysForAllStrengths) {
    std::mt19937 rng(5);
    for (size_t passLength : {0u, 10u, 31u, 32u, 40u, 47u, 48u, 60u, 128u}) {
        std::string pass;
        for (size_t i = 0; i < passLength; ++i)
            pass += char('!' + rng() % 90);
        for (size_t length : {0u, 1u, 15u, 16u, 17u, 4099u, 16u * 257 + 3}) {
            SCOPED_TRACE(testing::Message() << passLength << " " << length);
            const Bytes plain = randomBytes(rng, length);

            // OpenSSL's assembly, opened by ours.
            const Bytes salt = randomBytes(rng, keyLengthFor(pass) / 2);
            const std::string sealed = opensslSeal(pass, salt, plain);
            TEncryption crypt(pass, 1000);
            MemorySource source(sealed);
            std::string opened;
            MemorySink sink(opened);
            ASSERT_TRUE(crypt.Decrypt(source, &sink, int64_t(sealed.size())));
            ASSERT_EQ(opened, asString(plain));

            // Ours, opened by OpenSSL's assembly.
            const std::string plainText = asString(plain);
            MemorySource plainSource(plainText);
            std::string container;
            MemorySink containerSink(container);
            ASSERT_TRUE(crypt.Encrypt(plainSource, containerSink));
            Bytes back;
            ASSERT_TRUE(opensslOpen(pass, container, back));
            ASSERT_EQ(back, plain);
        }
    }
}
