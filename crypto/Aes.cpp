#include "Aes.h"

#include "AesTables.h"
#include "CryptoPath.h"

#include <cstring>

using namespace aestables;

namespace {

inline uint32_t loadBigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void storeBigEndian(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

inline uint8_t byte0(uint32_t w) {
    return uint8_t(w >> 24);
}
inline uint8_t byte1(uint32_t w) {
    return uint8_t(w >> 16);
}
inline uint8_t byte2(uint32_t w) {
    return uint8_t(w >> 8);
}
inline uint8_t byte3(uint32_t w) {
    return uint8_t(w);
}

// Validates the key length and turns it into Nk, the number of key words;
// 0 for a rejected length. Lengths are taken in bytes or in bits.
uint32_t keyWords(uint32_t keyLength) {
    if (keyLength >= 16 && keyLength <= 32 && keyLength % 8 == 0)
        return keyLength / 4;
    if (keyLength >= 128 && keyLength <= 256 && keyLength % 64 == 0)
        return keyLength / 32;
    return 0;
}

uint32_t subWord(uint32_t w) {
    return te4_0[byte0(w)] | te4_1[byte1(w)] | te4_2[byte2(w)] | te4_3[byte3(w)];
}

// Shared by both directions: checks the length and expands the key forwards.
unsigned expandKey(const uint8_t* key, uint32_t keyLength, AesContext* context,
                   uint32_t direction) {
    if (!context)
        return 0;
    context->flags = AesBlockLength;
    const uint32_t nk = key ? keyWords(keyLength) : 0;
    if (nk == 0) {
        context->rounds = 0;
        return 0;
    }
    const uint32_t rounds = nk + 6;
    const uint32_t total = 4 * (rounds + 1);
    uint32_t* w = context->roundKeys;
    for (uint32_t i = 0; i < nk; ++i)
        w[i] = loadBigEndian(key + 4 * i);
    for (uint32_t i = nk; i < total; ++i) {
        uint32_t temp = w[i - 1];
        if (i % nk == 0)
            temp = subWord((temp << 8) | (temp >> 24)) ^ rcon[i / nk - 1];
        else if (nk > 6 && i % nk == 4)
            temp = subWord(temp);
        w[i] = w[i - nk] ^ temp;
    }
    // Unused words are cleared so that a set-up defines the whole context.
    std::memset(w + total, 0, sizeof(context->roundKeys) - total * sizeof(uint32_t));
    context->rounds = rounds;
    context->flags = (context->flags & ~(AesFlagEncrypt | AesFlagDecrypt)) | direction;
    return 1;
}

} // namespace

unsigned AesSetEncryptKey(const uint8_t* key, uint32_t keyLength, AesContext* context) {
    return expandKey(key, keyLength, context, AesFlagEncrypt);
}

unsigned AesSetDecryptKey(const uint8_t* key, uint32_t keyLength, AesContext* context) {
    if (!expandKey(key, keyLength, context, AesFlagDecrypt))
        return 0;
    // Equivalent inverse cipher: InvMixColumns on the inner round keys, so
    // decryption rounds have the same shape as encryption rounds.
    uint32_t* w = context->roundKeys;
    for (uint32_t i = 4; i < 4 * context->rounds; ++i)
        w[i] = imc0[byte0(w[i])] ^ imc1[byte1(w[i])] ^ imc2[byte2(w[i])] ^ imc3[byte3(w[i])];
    return 1;
}

unsigned AesEncryptBlock(const uint8_t* input, uint8_t* output, const AesContext* context) {
    if (!context || !(context->flags & AesFlagEncrypt) || context->rounds == 0)
        return 0;
    cryptopath::kernels().aesEncryptBlock(*context, input, output);
    return 1;
}

unsigned AesDecryptBlock(const uint8_t* input, uint8_t* output, const AesContext* context) {
    if (!context || !(context->flags & AesFlagDecrypt) || context->rounds == 0)
        return 0;
    cryptopath::kernels().aesDecryptBlock(*context, input, output);
    return 1;
}

namespace cryptopath {

void aesEncryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output) {
    const uint32_t* rk = context.roundKeys;
    uint32_t s0 = loadBigEndian(input) ^ rk[0];
    uint32_t s1 = loadBigEndian(input + 4) ^ rk[1];
    uint32_t s2 = loadBigEndian(input + 8) ^ rk[2];
    uint32_t s3 = loadBigEndian(input + 12) ^ rk[3];
    // Row r of output column c comes from input column c + r (ShiftRows).
    for (uint32_t round = 1; round < context.rounds; ++round) {
        rk += 4;
        const uint32_t t0 =
            te0[byte0(s0)] ^ te1[byte1(s1)] ^ te2[byte2(s2)] ^ te3[byte3(s3)] ^ rk[0];
        const uint32_t t1 =
            te0[byte0(s1)] ^ te1[byte1(s2)] ^ te2[byte2(s3)] ^ te3[byte3(s0)] ^ rk[1];
        const uint32_t t2 =
            te0[byte0(s2)] ^ te1[byte1(s3)] ^ te2[byte2(s0)] ^ te3[byte3(s1)] ^ rk[2];
        const uint32_t t3 =
            te0[byte0(s3)] ^ te1[byte1(s0)] ^ te2[byte2(s1)] ^ te3[byte3(s2)] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    storeBigEndian(output, te4_0[byte0(s0)] ^ te4_1[byte1(s1)] ^ te4_2[byte2(s2)] ^
                               te4_3[byte3(s3)] ^ rk[0]);
    storeBigEndian(output + 4, te4_0[byte0(s1)] ^ te4_1[byte1(s2)] ^ te4_2[byte2(s3)] ^
                                   te4_3[byte3(s0)] ^ rk[1]);
    storeBigEndian(output + 8, te4_0[byte0(s2)] ^ te4_1[byte1(s3)] ^ te4_2[byte2(s0)] ^
                                   te4_3[byte3(s1)] ^ rk[2]);
    storeBigEndian(output + 12, te4_0[byte0(s3)] ^ te4_1[byte1(s0)] ^ te4_2[byte2(s1)] ^
                                    te4_3[byte3(s2)] ^ rk[3]);
}

void aesDecryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output) {
    const uint32_t* rk = context.roundKeys + 4 * context.rounds;
    uint32_t s0 = loadBigEndian(input) ^ rk[0];
    uint32_t s1 = loadBigEndian(input + 4) ^ rk[1];
    uint32_t s2 = loadBigEndian(input + 8) ^ rk[2];
    uint32_t s3 = loadBigEndian(input + 12) ^ rk[3];
    // Row r of output column c comes from input column c - r (InvShiftRows).
    for (uint32_t round = 1; round < context.rounds; ++round) {
        rk -= 4;
        const uint32_t t0 =
            td0[byte0(s0)] ^ td1[byte1(s3)] ^ td2[byte2(s2)] ^ td3[byte3(s1)] ^ rk[0];
        const uint32_t t1 =
            td0[byte0(s1)] ^ td1[byte1(s0)] ^ td2[byte2(s3)] ^ td3[byte3(s2)] ^ rk[1];
        const uint32_t t2 =
            td0[byte0(s2)] ^ td1[byte1(s1)] ^ td2[byte2(s0)] ^ td3[byte3(s3)] ^ rk[2];
        const uint32_t t3 =
            td0[byte0(s3)] ^ td1[byte1(s2)] ^ td2[byte2(s1)] ^ td3[byte3(s0)] ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk -= 4;
    storeBigEndian(output, td4_0[byte0(s0)] ^ td4_1[byte1(s3)] ^ td4_2[byte2(s2)] ^
                               td4_3[byte3(s1)] ^ rk[0]);
    storeBigEndian(output + 4, td4_0[byte0(s1)] ^ td4_1[byte1(s0)] ^ td4_2[byte2(s3)] ^
                                   td4_3[byte3(s2)] ^ rk[1]);
    storeBigEndian(output + 8, td4_0[byte0(s2)] ^ td4_1[byte1(s1)] ^ td4_2[byte2(s0)] ^
                                   td4_3[byte3(s3)] ^ rk[2]);
    storeBigEndian(output + 12, td4_0[byte0(s3)] ^ td4_1[byte1(s2)] ^ td4_2[byte2(s1)] ^
                                    td4_3[byte3(s0)] ^ rk[3]);
}

void aesCtrXorPortable(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks) {
    uint8_t keystream[16];
    for (; blocks; --blocks, data += 16) {
        for (int i = 0; i < 8 && ++counter[i] == 0; ++i) {
        }
        aesEncryptBlockPortable(context, counter, keystream);
        for (int i = 0; i < 16; ++i)
            data[i] ^= keystream[i];
    }
}

} // namespace cryptopath
