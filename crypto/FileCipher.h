#pragma once

#include "crypto/Aes.h"
#include "crypto/Hmac.h"

#include <cstddef>
#include <cstdint>

// The per-file cipher of the protected-file container: key derivation from a
// pass phrase and salt, AES in counter mode, and an HMAC-SHA1 code over the
// ciphertext. Works in place on memory pieces of any length.
//
// Strength s (1 to 3) sets the AES key length 8s + 8 and the salt length
// 4s + 4. PBKDF2 with 1000 iterations gives 2K + 2 bytes: the AES key, the
// authentication key and the 2-byte pass-phrase verifier.

inline constexpr int PassPhraseTooLong = -100;
inline constexpr int BadStrength = -101;

inline constexpr size_t FileCipherMaxPassPhrase = 128;
inline constexpr size_t FileCipherVerifierLength = 2;
inline constexpr size_t FileCipherCodeLength = 10;
inline constexpr uint32_t FileCipherIterations = 1000;
inline constexpr size_t FileCipherMaxSaltLength = 16;

constexpr size_t FileCipherKeyLength(uint32_t strength) {
    return 8 * strength + 8;
}
constexpr size_t FileCipherSaltLength(uint32_t strength) {
    return 4 * strength + 4;
}
// Salt, verifier and code: the bytes a container adds to its data.
constexpr size_t FileCipherOverhead(uint32_t strength) {
    return FileCipherSaltLength(strength) + FileCipherVerifierLength + FileCipherCodeLength;
}

struct FileCipherContext {
    // Incremented before each keystream block: a little-endian number in the
    // first eight bytes, the other eight stay zero.
    uint8_t counter[16];
    // AES of the counter.
    uint8_t keystream[16];
    AesContext cipher;
    HmacContext authenticator;
    // Next unused keystream byte, 0 to 16; 16 means a new block is needed.
    uint32_t keystreamPosition;
    uint32_t passPhraseLength;
    uint32_t strength;
};

// 0 on success, PassPhraseTooLong (pass phrase over 128 bytes) or
// BadStrength (strength outside 1 to 3); on an error nothing is written.
// salt holds FileCipherSaltLength(strength) bytes; the 2-byte verifier is
// written to verifier.
[[nodiscard]] int FileCipherStart(uint32_t strength, const uint8_t* passPhrase,
                                  size_t passPhraseLength, const uint8_t* salt, uint8_t* verifier,
                                  FileCipherContext* context);
// In place: keystream XOR, then the ciphertext into the code.
void FileCipherEncrypt(uint8_t* data, size_t length, FileCipherContext* context);
// In place: the ciphertext into the code, then keystream XOR.
void FileCipherDecrypt(uint8_t* data, size_t length, FileCipherContext* context);
// Writes the 10-byte authentication code; returns 10.
size_t FileCipherFinish(uint8_t* code, FileCipherContext* context);
