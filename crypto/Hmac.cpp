#include "crypto/Hmac.h"

#include "crypto/CryptoMemory.h"
#include "crypto/CryptoPath.h"

#include <cstring>

namespace {

constexpr uint8_t InnerPad = 0x36;
// XOR of the inner and the outer pad (0x36 ^ 0x5C): turns one into the other.
constexpr uint8_t PadSwap = 0x6A;

void enterDataPhase(HmacContext* context) {
    if (context->keyLength > Sha1BlockLength) {
        Sha1Finish(context->keyBlock, &context->hash);
        context->keyLength = Sha1DigestLength;
    }
    std::memset(context->keyBlock + context->keyLength, 0, Sha1BlockLength - context->keyLength);
    for (auto& b : context->keyBlock)
        b ^= InnerPad;
    Sha1Start(&context->hash);
    Sha1Add(context->keyBlock, Sha1BlockLength, &context->hash);
    context->keyLength = HmacDataPhase;
}

void storeBigEndian(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// A block holding a 20-byte message after a 64-byte pad block: the message,
// the 0x80 end mark, zeros and the total length of 84 bytes in bits.
void preparePaddedDigestBlock(uint8_t* block) {
    std::memset(block, 0, Sha1BlockLength);
    block[Sha1DigestLength] = 0x80;
    const uint32_t bits = (Sha1BlockLength + Sha1DigestLength) * 8;
    storeBigEndian(block + Sha1BlockLength - 4, bits);
}

void storeDigest(uint8_t* block, const uint32_t* state) {
    for (int i = 0; i < 5; ++i)
        storeBigEndian(block + 4 * i, state[i]);
}

} // namespace

void HmacStart(HmacContext* context) {
    std::memset(context, 0, sizeof(*context));
}

int HmacAddKey(const uint8_t* key, size_t length, HmacContext* context) {
    if (context->keyLength == HmacDataPhase)
        return -1;
    const uint64_t total = uint64_t(context->keyLength) + length;
    if (total > Sha1BlockLength) {
        // Keys longer than a block are replaced by their hash.
        if (context->keyLength <= Sha1BlockLength) {
            Sha1Start(&context->hash);
            Sha1Add(context->keyBlock, context->keyLength, &context->hash);
        }
        Sha1Add(key, length, &context->hash);
    } else if (length) {
        std::memcpy(context->keyBlock + context->keyLength, key, length);
    }
    // Saturates below the data-phase mark; any value above 64 means "hashed".
    context->keyLength = total < HmacDataPhase ? uint32_t(total) : HmacDataPhase - 1;
    return 0;
}

void HmacAddData(const uint8_t* data, size_t length, HmacContext* context) {
    if (context->keyLength != HmacDataPhase)
        enterDataPhase(context);
    if (length)
        Sha1Add(data, length, &context->hash);
}

size_t HmacFinish(uint8_t* code, size_t codeLength, HmacContext* context) {
    if (context->keyLength != HmacDataPhase)
        enterDataPhase(context);
    uint8_t inner[Sha1DigestLength];
    Sha1Finish(inner, &context->hash);
    for (auto& b : context->keyBlock)
        b ^= PadSwap;
    Sha1Start(&context->hash);
    Sha1Add(context->keyBlock, Sha1BlockLength, &context->hash);
    Sha1Add(inner, sizeof(inner), &context->hash);
    uint8_t outer[Sha1DigestLength];
    Sha1Finish(outer, &context->hash);
    const size_t written = codeLength < Sha1DigestLength ? codeLength : Sha1DigestLength;
    std::memcpy(code, outer, written);
    CryptoWipe(inner, sizeof(inner));
    CryptoWipe(outer, sizeof(outer));
    return written;
}

// The same values as the plain definition (U1 = HMAC(P, S || i), Uj =
// HMAC(P, Uj-1)) with less work: the chaining values after the inner and the
// outer pad block are computed once, and each later iteration is then just
// two compressions of pre-padded blocks.
void Pbkdf2Sha1(const uint8_t* passPhrase, size_t passPhraseLength, const uint8_t* salt,
                size_t saltLength, uint32_t iterations, uint8_t* key, size_t keyLength) {
    HmacContext keyed;
    HmacStart(&keyed);
    (void)HmacAddKey(passPhrase, passPhraseLength, &keyed); // a started context takes key bytes
    HmacContext salted = keyed;
    HmacAddData(salt, saltLength, &salted);

    // Chaining words after absorbing key XOR inner pad, and key XOR outer pad.
    HmacContext padded = keyed;
    HmacAddData(nullptr, 0, &padded);
    uint32_t innerState[5];
    std::memcpy(innerState, padded.hash.chaining, sizeof(innerState));
    for (auto& b : padded.keyBlock)
        b ^= PadSwap;
    uint32_t outerState[5];
    {
        Sha1Context outer;
        Sha1Start(&outer);
        Sha1Add(padded.keyBlock, Sha1BlockLength, &outer);
        std::memcpy(outerState, outer.chaining, sizeof(outerState));
    }

    const auto compress = cryptopath::kernels().sha1Blocks;
    uint8_t innerBlock[Sha1BlockLength];
    uint8_t outerBlock[Sha1BlockLength];
    preparePaddedDigestBlock(innerBlock);
    preparePaddedDigestBlock(outerBlock);

    for (uint32_t blockIndex = 1; keyLength; ++blockIndex) {
        uint8_t accumulator[Sha1DigestLength] = {};
        if (iterations > 0) {
            HmacContext first = salted;
            uint8_t index[4];
            storeBigEndian(index, blockIndex);
            HmacAddData(index, sizeof(index), &first);
            HmacFinish(innerBlock, Sha1DigestLength, &first);
            std::memcpy(accumulator, innerBlock, Sha1DigestLength);
            CryptoWipe(&first, sizeof(first));
        }
        for (uint32_t j = 1; j < iterations; ++j) {
            // innerBlock holds U(j-1) followed by its padding.
            uint32_t state[5];
            std::memcpy(state, innerState, sizeof(state));
            compress(state, innerBlock, 1);
            storeDigest(outerBlock, state);
            std::memcpy(state, outerState, sizeof(state));
            compress(state, outerBlock, 1);
            storeDigest(innerBlock, state);
            for (size_t k = 0; k < Sha1DigestLength; ++k)
                accumulator[k] ^= innerBlock[k];
        }
        const size_t take = keyLength < Sha1DigestLength ? keyLength : Sha1DigestLength;
        std::memcpy(key, accumulator, take);
        key += take;
        keyLength -= take;
        CryptoWipe(accumulator, sizeof(accumulator));
    }

    CryptoWipe(&keyed, sizeof(keyed));
    CryptoWipe(&salted, sizeof(salted));
    CryptoWipe(&padded, sizeof(padded));
    CryptoWipe(innerState, sizeof(innerState));
    CryptoWipe(outerState, sizeof(outerState));
    CryptoWipe(innerBlock, sizeof(innerBlock));
    CryptoWipe(outerBlock, sizeof(outerBlock));
}
