#pragma once

#include <cstdint>

// AES (Rijndael with 128-bit blocks) for 128-, 192- and 256-bit keys.
// Plain functions over a caller-owned context: nothing is allocated and the
// only shared data are constant tables. Results: 1 success, 0 failure.

// Flags of a context: the block length with the direction in bits 0 and 1.
inline constexpr uint32_t AesBlockLength = 16;
inline constexpr uint32_t AesFlagEncrypt = 0x01;
inline constexpr uint32_t AesFlagDecrypt = 0x02;

struct AesContext {
    // The key schedule, one word per column, row-0 byte in the top bits;
    // 4 x (rounds + 1) words are used.
    uint32_t roundKeys[64];
    // 10, 12 or 14; 0 after a rejected key.
    uint32_t rounds;
    // 17 for an encryption schedule, 18 for a decryption schedule, 16 after a rejected key.
    uint32_t flags;
};

// The key length may be given in bytes (16, 24, 32) or in bits (128, 192, 256).
[[nodiscard]] unsigned AesSetEncryptKey(const uint8_t* key, uint32_t keyLength,
                                        AesContext* context);
// Builds the schedule of the equivalent inverse cipher.
[[nodiscard]] unsigned AesSetDecryptKey(const uint8_t* key, uint32_t keyLength,
                                        AesContext* context);

// One 16-byte block; input and output may be the same buffer. A context of
// the other direction (or without a key) gives 0 and leaves the output as it was.
[[nodiscard]] unsigned AesEncryptBlock(const uint8_t* input, uint8_t* output,
                                       const AesContext* context);
[[nodiscard]] unsigned AesDecryptBlock(const uint8_t* input, uint8_t* output,
                                       const AesContext* context);
