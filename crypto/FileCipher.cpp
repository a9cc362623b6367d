#include "crypto/FileCipher.h"

#include "crypto/CryptoMemory.h"
#include "crypto/CryptoPath.h"

#include <cstring>

namespace {

// The keystream XOR and the code run over pieces of this size, so the bytes
// are still in the first-level cache when the code reads them.
constexpr size_t PieceLength = 16 * 1024;

void incrementCounter(uint8_t* counter) {
    // Little-endian over the first eight bytes; a carry out of byte 7 is dropped.
    for (int i = 0; i < 8 && ++counter[i] == 0; ++i) {
    }
}

void applyKeystream(uint8_t* data, size_t length, FileCipherContext* context) {
    size_t i = 0;
    while (context->keystreamPosition < 16 && i < length)
        data[i++] ^= context->keystream[context->keystreamPosition++];
    if (i == length)
        return;
    const auto& k = cryptopath::kernels();
    if (const size_t blocks = (length - i) / 16) {
        k.aesCtrXor(context->cipher, context->counter, data + i, blocks);
        i += blocks * 16;
    }
    if (i < length) {
        incrementCounter(context->counter);
        k.aesEncryptBlock(context->cipher, context->counter, context->keystream);
        context->keystreamPosition = 0;
        while (i < length)
            data[i++] ^= context->keystream[context->keystreamPosition++];
    }
}

} // namespace

int FileCipherStart(uint32_t strength, const uint8_t* passPhrase, size_t passPhraseLength,
                    const uint8_t* salt, uint8_t* verifier, FileCipherContext* context) {
    if (passPhraseLength > FileCipherMaxPassPhrase)
        return PassPhraseTooLong;
    if (strength < 1 || strength > 3)
        return BadStrength;
    const size_t keyLength = FileCipherKeyLength(strength);
    uint8_t derived[2 * 32 + FileCipherVerifierLength];
    const size_t derivedLength = 2 * keyLength + FileCipherVerifierLength;
    Pbkdf2Sha1(passPhrase, passPhraseLength, salt, FileCipherSaltLength(strength),
               FileCipherIterations, derived, derivedLength);

    context->strength = strength;
    context->passPhraseLength = uint32_t(passPhraseLength);
    context->keystreamPosition = 16;
    std::memset(context->counter, 0, sizeof(context->counter));
    std::memset(context->keystream, 0, sizeof(context->keystream));
    // Neither can fail: the strength was checked, so the key is 16, 24 or 32
    // bytes, and a context just started takes key bytes.
    (void)AesSetEncryptKey(derived, uint32_t(keyLength), &context->cipher);
    HmacStart(&context->authenticator);
    (void)HmacAddKey(derived + keyLength, keyLength, &context->authenticator);
    std::memcpy(verifier, derived + 2 * keyLength, FileCipherVerifierLength);
    CryptoWipe(derived, sizeof(derived));
    return 0;
}

void FileCipherEncrypt(uint8_t* data, size_t length, FileCipherContext* context) {
    while (length) {
        const size_t piece = length < PieceLength ? length : PieceLength;
        applyKeystream(data, piece, context);
        HmacAddData(data, piece, &context->authenticator);
        data += piece;
        length -= piece;
    }
}

void FileCipherDecrypt(uint8_t* data, size_t length, FileCipherContext* context) {
    while (length) {
        const size_t piece = length < PieceLength ? length : PieceLength;
        HmacAddData(data, piece, &context->authenticator);
        applyKeystream(data, piece, context);
        data += piece;
        length -= piece;
    }
}

size_t FileCipherFinish(uint8_t* code, FileCipherContext* context) {
    return HmacFinish(code, FileCipherCodeLength, &context->authenticator);
}
