// AES with the x86-64 AES instructions. Only reached after the processor has
// been found to have them; elsewhere the portable code runs.

#include "crypto/Aes.h"
#include "crypto/CpuX86.h"
#include "crypto/CryptoPath.h"

namespace cryptopath {

#if TIPSMITH_HAVE_X86

#define TIPSMITH_AES_TARGET __attribute__((target("aes,ssse3,sse4.1")))

namespace {

// The schedule keeps each column as a word with the row-0 byte on top; the
// instructions want the round key as the 16 bytes in block order.
TIPSMITH_AES_TARGET inline void loadRoundKeys(const uint32_t* words, uint32_t count,
                                              __m128i* keys) {
    const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    keys[0] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words)), swap);
    for (uint32_t i = 1; i < count; ++i)
        keys[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words + 4 * i)),
                                   swap);
}

} // namespace

TIPSMITH_AES_TARGET void aesEncryptBlockAesNi(const AesContext& context, const uint8_t* input,
                                              uint8_t* output) {
    const uint32_t rounds = context.rounds;
    __m128i keys[15];
    loadRoundKeys(context.roundKeys, rounds + 1, keys);
    __m128i x = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(input)), keys[0]);
    for (uint32_t r = 1; r < rounds; ++r)
        x = _mm_aesenc_si128(x, keys[r]);
    x = _mm_aesenclast_si128(x, keys[rounds]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output), x);
}

// The decryption schedule is already the equivalent inverse cipher's, which
// is the form the instructions expect.
TIPSMITH_AES_TARGET void aesDecryptBlockAesNi(const AesContext& context, const uint8_t* input,
                                              uint8_t* output) {
    const uint32_t rounds = context.rounds;
    __m128i keys[15];
    loadRoundKeys(context.roundKeys, rounds + 1, keys);
    __m128i x =
        _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(input)), keys[rounds]);
    for (uint32_t r = rounds - 1; r > 0; --r)
        x = _mm_aesdec_si128(x, keys[r]);
    x = _mm_aesdeclast_si128(x, keys[0]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(output), x);
}

namespace {

// One round over eight blocks held in registers (separate variables, so the
// compiler does not keep them in memory).
struct EightBlocks {
    __m128i b0, b1, b2, b3, b4, b5, b6, b7;
};

TIPSMITH_AES_TARGET inline void roundOfEight(EightBlocks& x, __m128i key) {
    x.b0 = _mm_aesenc_si128(x.b0, key);
    x.b1 = _mm_aesenc_si128(x.b1, key);
    x.b2 = _mm_aesenc_si128(x.b2, key);
    x.b3 = _mm_aesenc_si128(x.b3, key);
    x.b4 = _mm_aesenc_si128(x.b4, key);
    x.b5 = _mm_aesenc_si128(x.b5, key);
    x.b6 = _mm_aesenc_si128(x.b6, key);
    x.b7 = _mm_aesenc_si128(x.b7, key);
}

TIPSMITH_AES_TARGET inline __m128i lastRoundXor(__m128i block, __m128i key, __m128i* data) {
    return _mm_xor_si128(_mm_loadu_si128(data), _mm_aesenclast_si128(block, key));
}

} // namespace

// Eight blocks in flight keep the AES units busy. The counter's first eight
// bytes, little-endian, are exactly the low 64-bit lane, so the increment
// with its dropped carry is a 64-bit lane addition.
TIPSMITH_AES_TARGET void aesCtrXorAesNi(const AesContext& context, uint8_t* counter, uint8_t* data,
                                        size_t blocks) {
    const uint32_t rounds = context.rounds;
    __m128i keys[15];
    loadRoundKeys(context.roundKeys, rounds + 1, keys);
    const __m128i first = keys[0], last = keys[rounds];
    __m128i ctr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counter));
    const __m128i one = _mm_set_epi64x(0, 1);
    __m128i* p = reinterpret_cast<__m128i*>(data);
    for (; blocks >= 8; blocks -= 8, p += 8) {
        EightBlocks x;
        x.b0 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b1 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b2 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b3 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b4 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b5 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b6 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        x.b7 = _mm_xor_si128(ctr = _mm_add_epi64(ctr, one), first);
        for (uint32_t r = 1; r < rounds; ++r)
            roundOfEight(x, keys[r]);
        _mm_storeu_si128(p, lastRoundXor(x.b0, last, p));
        _mm_storeu_si128(p + 1, lastRoundXor(x.b1, last, p + 1));
        _mm_storeu_si128(p + 2, lastRoundXor(x.b2, last, p + 2));
        _mm_storeu_si128(p + 3, lastRoundXor(x.b3, last, p + 3));
        _mm_storeu_si128(p + 4, lastRoundXor(x.b4, last, p + 4));
        _mm_storeu_si128(p + 5, lastRoundXor(x.b5, last, p + 5));
        _mm_storeu_si128(p + 6, lastRoundXor(x.b6, last, p + 6));
        _mm_storeu_si128(p + 7, lastRoundXor(x.b7, last, p + 7));
    }
    for (; blocks; --blocks, ++p) {
        ctr = _mm_add_epi64(ctr, one);
        __m128i x = _mm_xor_si128(ctr, first);
        for (uint32_t r = 1; r < rounds; ++r)
            x = _mm_aesenc_si128(x, keys[r]);
        _mm_storeu_si128(p, lastRoundXor(x, last, p));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(counter), ctr);
}

#else

void aesEncryptBlockAesNi(const AesContext& context, const uint8_t* input, uint8_t* output) {
    aesEncryptBlockPortable(context, input, output);
}
void aesDecryptBlockAesNi(const AesContext& context, const uint8_t* input, uint8_t* output) {
    aesDecryptBlockPortable(context, input, output);
}
void aesCtrXorAesNi(const AesContext& context, uint8_t* counter, uint8_t* data, size_t blocks) {
    aesCtrXorPortable(context, counter, data, blocks);
}

#endif

} // namespace cryptopath
