#include "crypto/Sha1.h"

#include "crypto/CryptoPath.h"

#include <cstring>

namespace {

inline uint32_t rotl(uint32_t v, unsigned n) {
    return (v << n) | (v >> (32 - n));
}

inline uint32_t loadBigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace

void Sha1Start(Sha1Context* context) {
    context->byteCount[0] = 0;
    context->byteCount[1] = 0;
    context->chaining[0] = 0x67452301;
    context->chaining[1] = 0xEFCDAB89;
    context->chaining[2] = 0x98BADCFE;
    context->chaining[3] = 0x10325476;
    context->chaining[4] = 0xC3D2E1F0;
    std::memset(context->block, 0, sizeof(context->block));
}

void Sha1Add(const uint8_t* data, size_t length, Sha1Context* context) {
    if (length == 0)
        return;
    size_t used = context->byteCount[0] % Sha1BlockLength;
    const uint64_t count =
        ((uint64_t(context->byteCount[1]) << 32) | context->byteCount[0]) + uint64_t(length);
    context->byteCount[0] = uint32_t(count);
    context->byteCount[1] = uint32_t(count >> 32);

    const auto& k = cryptopath::kernels();
    if (used) {
        const size_t take = length < Sha1BlockLength - used ? length : Sha1BlockLength - used;
        std::memcpy(context->block + used, data, take);
        data += take;
        length -= take;
        used += take;
        if (used < Sha1BlockLength)
            return;
        k.sha1Blocks(context->chaining, context->block, 1);
    }
    // Whole blocks are compressed straight from the caller's data.
    if (const size_t blocks = length / Sha1BlockLength) {
        k.sha1Blocks(context->chaining, data, blocks);
        data += blocks * Sha1BlockLength;
        length -= blocks * Sha1BlockLength;
    }
    if (length)
        std::memcpy(context->block, data, length);
}

void Sha1Finish(uint8_t* digest, Sha1Context* context) {
    const auto& k = cryptopath::kernels();
    const size_t used = context->byteCount[0] % Sha1BlockLength;
    const uint64_t bits = ((uint64_t(context->byteCount[1]) << 32) | context->byteCount[0]) << 3;
    context->block[used] = 0x80;
    if (used + 1 > Sha1BlockLength - 8) {
        // Fewer than nine bytes were free: the length goes into a block of its own.
        std::memset(context->block + used + 1, 0, Sha1BlockLength - used - 1);
        k.sha1Blocks(context->chaining, context->block, 1);
        std::memset(context->block, 0, Sha1BlockLength - 8);
    } else {
        std::memset(context->block + used + 1, 0, Sha1BlockLength - 8 - used - 1);
    }
    for (int i = 0; i < 8; ++i)
        context->block[Sha1BlockLength - 1 - i] = uint8_t(bits >> (8 * i));
    k.sha1Blocks(context->chaining, context->block, 1);
    for (int i = 0; i < 5; ++i) {
        digest[4 * i] = uint8_t(context->chaining[i] >> 24);
        digest[4 * i + 1] = uint8_t(context->chaining[i] >> 16);
        digest[4 * i + 2] = uint8_t(context->chaining[i] >> 8);
        digest[4 * i + 3] = uint8_t(context->chaining[i]);
    }
}

void Sha1Compress(Sha1Context* context) {
    cryptopath::kernels().sha1Blocks(context->chaining, context->block, 1);
}

namespace cryptopath {

namespace {

// One step of SHA-1 for function group F. The five words change roles from
// step to step instead of being moved, so five steps bring them back.
template <int F>
inline void step(uint32_t a, uint32_t& b, uint32_t c, uint32_t d, uint32_t& e, uint32_t w) {
    uint32_t f, k;
    if constexpr (F == 0) {
        f = d ^ (b & (c ^ d));
        k = 0x5A827999;
    } else if constexpr (F == 1) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
    } else if constexpr (F == 2) {
        f = (b & c) | (d & (b | c));
        k = 0x8F1BBCDC;
    } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
    }
    e += rotl(a, 5) + f + k + w;
    b = rotl(b, 30);
}

// Message word t from a 16-word ring: the first sixteen are the block's
// own, later ones are made as they are needed.
inline uint32_t messageWord(uint32_t* w, int t) {
    if (t < 16)
        return w[t];
    const uint32_t v = rotl(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
    w[t & 15] = v;
    return v;
}

template <int F>
inline void twentySteps(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                        uint32_t* w) {
    for (int t = 20 * F; t < 20 * F + 20; t += 5) {
        step<F>(a, b, c, d, e, messageWord(w, t));
        step<F>(e, a, b, c, d, messageWord(w, t + 1));
        step<F>(d, e, a, b, c, messageWord(w, t + 2));
        step<F>(c, d, e, a, b, messageWord(w, t + 3));
        step<F>(b, c, d, e, a, messageWord(w, t + 4));
    }
}

} // namespace

void sha1BlocksPortable(uint32_t* state, const uint8_t* data, size_t blocks) {
    for (; blocks; --blocks, data += Sha1BlockLength) {
        uint32_t w[16];
        for (int t = 0; t < 16; ++t)
            w[t] = loadBigEndian(data + 4 * t);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        twentySteps<0>(a, b, c, d, e, w);
        twentySteps<1>(a, b, c, d, e, w);
        twentySteps<2>(a, b, c, d, e, w);
        twentySteps<3>(a, b, c, d, e, w);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

} // namespace cryptopath
