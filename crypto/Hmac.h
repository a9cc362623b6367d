#pragma once

#include "crypto/Sha1.h"

#include <cstddef>
#include <cstdint>

// HMAC-SHA1 with an incremental interface, and PBKDF2 over it.
//
// Calling order: HmacStart, any number of HmacAddKey, any number of
// HmacAddData, one HmacFinish. The context holds no pointers: copying it
// forks the computation, which is how a prepared key is reused.

// The key length that marks the data phase.
inline constexpr uint32_t HmacDataPhase = 0xFFFFFFFF;

struct HmacContext {
    // The zero-padded key while the key is collected; afterwards the key XOR the inner pad.
    uint8_t keyBlock[64];
    // The inner hash, or the hash of an over-long key while the key is collected.
    Sha1Context hash;
    // Key bytes absorbed so far, or HmacDataPhase.
    uint32_t keyLength;
};

// Zeroes the whole context.
void HmacStart(HmacContext* context);
// 0, or -1 when the context is already in its data phase (nothing changes then).
[[nodiscard]] int HmacAddKey(const uint8_t* key, size_t length, HmacContext* context);
void HmacAddData(const uint8_t* data, size_t length, HmacContext* context);
// Writes the first codeLength bytes (at most 20) of the code and returns how
// many were written; the context is spent afterwards.
size_t HmacFinish(uint8_t* code, size_t codeLength, HmacContext* context);

// PBKDF2 with HMAC-SHA1: keyLength bytes of output into key.
void Pbkdf2Sha1(const uint8_t* passPhrase, size_t passPhraseLength, const uint8_t* salt,
                size_t saltLength, uint32_t iterations, uint8_t* key, size_t keyLength);
