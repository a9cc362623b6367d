#pragma once

#include <cstddef>
#include <cstdint>

// SHA-1 with an incremental interface and direct access to its compression
// function. The context is a plain value: copying it forks the computation.

inline constexpr size_t Sha1DigestLength = 20;
inline constexpr size_t Sha1BlockLength = 64;

struct Sha1Context {
    // Message bytes absorbed so far, low word first.
    uint32_t byteCount[2];
    // The chaining words H0 to H4.
    uint32_t chaining[5];
    // Bytes not yet compressed, in message order.
    uint8_t block[64];
};

void Sha1Start(Sha1Context* context);
void Sha1Add(const uint8_t* data, size_t length, Sha1Context* context);
// Pads, compresses the last block(s) and writes the 20-byte digest; the
// context is spent afterwards.
void Sha1Finish(uint8_t* digest, Sha1Context* context);
// One run of the compression function over the block buffer, added into the
// chaining words; the byte count is not touched.
void Sha1Compress(Sha1Context* context);
