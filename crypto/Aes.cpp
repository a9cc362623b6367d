#include "crypto/Aes.h"

#include "crypto/AesTables.h"
#include "crypto/CryptoPath.h"

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
    return te4[0][byte0(w)] | te4[1][byte1(w)] | te4[2][byte2(w)] | te4[3][byte3(w)];
}

// Shared by both directions: checks the length and expands the key forwards.
[[nodiscard]] unsigned expandKey(const uint8_t* key, uint32_t keyLength, AesContext* context,
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
        w[i] =
            imc[0][byte0(w[i])] ^ imc[1][byte1(w[i])] ^ imc[2][byte2(w[i])] ^ imc[3][byte3(w[i])];
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
namespace {

// The state as four column words, row-0 byte on top.
struct State {
    uint32_t c0, c1, c2, c3;
};

inline State loadState(const uint8_t* in, const uint32_t* rk) {
    return {loadBigEndian(in) ^ rk[0], loadBigEndian(in + 4) ^ rk[1], loadBigEndian(in + 8) ^ rk[2],
            loadBigEndian(in + 12) ^ rk[3]};
}

inline void storeState(uint8_t* out, const State& s) {
    storeBigEndian(out, s.c0);
    storeBigEndian(out + 4, s.c1);
    storeBigEndian(out + 8, s.c2);
    storeBigEndian(out + 12, s.c3);
}

// One output column: each row's table looks up that row's byte of the input
// column given for it, and the round key word is added.
inline uint32_t column(const RowTables& t, uint32_t row0, uint32_t row1, uint32_t row2,
                       uint32_t row3, uint32_t key) {
    return t[0][byte0(row0)] ^ t[1][byte1(row1)] ^ t[2][byte2(row2)] ^ t[3][byte3(row3)] ^ key;
}

// Row r of output column c comes from input column c + r (ShiftRows). With
// te a full round, with te4 the last.
inline State encryptRound(const RowTables& t, const State& s, const uint32_t* rk) {
    return {column(t, s.c0, s.c1, s.c2, s.c3, rk[0]), column(t, s.c1, s.c2, s.c3, s.c0, rk[1]),
            column(t, s.c2, s.c3, s.c0, s.c1, rk[2]), column(t, s.c3, s.c0, s.c1, s.c2, rk[3])};
}

// Row r of output column c comes from input column c - r (InvShiftRows). With
// td a full round, with td4 the last.
inline State decryptRound(const RowTables& t, const State& s, const uint32_t* rk) {
    return {column(t, s.c0, s.c3, s.c2, s.c1, rk[0]), column(t, s.c1, s.c0, s.c3, s.c2, rk[1]),
            column(t, s.c2, s.c1, s.c0, s.c3, rk[2]), column(t, s.c3, s.c2, s.c1, s.c0, rk[3])};
}

inline void nextCounter(uint8_t* counter) {
    // Little-endian over the first eight bytes; a carry out of byte 7 is dropped.
    for (int i = 0; i < 8 && ++counter[i] == 0; ++i) {
    }
}

inline void xorBlock(uint8_t* data, const State& keystream) {
    uint8_t bytes[16];
    storeState(bytes, keystream);
    for (int i = 0; i < 16; ++i)
        data[i] ^= bytes[i];
}

} // namespace

void aesEncryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output) {
    const uint32_t* rk = context.roundKeys;
    State s = loadState(input, rk);
    for (uint32_t round = 1; round < context.rounds; ++round)
        s = encryptRound(te, s, rk += 4);
    storeState(output, encryptRound(te4, s, rk + 4));
}

void aesDecryptBlockPortable(const AesContext& context, const uint8_t* input, uint8_t* output) {
    const uint32_t* rk = context.roundKeys + 4 * context.rounds;
    State s = loadState(input, rk);
    for (uint32_t round = 1; round < context.rounds; ++round)
        s = decryptRound(td, s, rk -= 4);
    storeState(output, decryptRound(td4, s, rk - 4));
}

// Two counter blocks at a time: their table look-ups are independent, so
// one block's memory latency hides behind the other's.
void aesCtrXorPortable(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks) {
    const uint32_t* keys = context.roundKeys;
    const uint32_t rounds = context.rounds;
    for (; blocks >= 2; blocks -= 2, data += 32) {
        nextCounter(counter);
        State a = loadState(counter, keys);
        nextCounter(counter);
        State b = loadState(counter, keys);
        const uint32_t* rk = keys;
        for (uint32_t round = 1; round < rounds; ++round) {
            rk += 4;
            a = encryptRound(te, a, rk);
            b = encryptRound(te, b, rk);
        }
        xorBlock(data, encryptRound(te4, a, rk + 4));
        xorBlock(data + 16, encryptRound(te4, b, rk + 4));
    }
    if (blocks) {
        nextCounter(counter);
        uint8_t keystream[16];
        aesEncryptBlockPortable(context, counter, keystream);
        for (int i = 0; i < 16; ++i)
            data[i] ^= keystream[i];
    }
}

} // namespace cryptopath
