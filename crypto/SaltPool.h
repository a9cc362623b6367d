#pragma once

#include <cstddef>
#include <cstdint>

// A generator of random salt bytes: a pool stirred with the SHA-1
// compression function and fed from an entropy callback.

// Writes between 1 and count bytes (count at least 1) at the start of
// destination and returns how many.
using EntropySource = uint32_t (*)(uint8_t* destination, uint32_t count);

inline constexpr uint32_t SaltPoolLength = 260; // thirteen SHA-1 digests

struct SaltPool {
    uint8_t pool[SaltPoolLength];
    // The bytes handed out to callers.
    uint8_t output[SaltPoolLength];
    // Next unread byte of output.
    uint32_t position;
    EntropySource entropySource;
};

void SaltPoolStart(EntropySource source, SaltPool* pool);
void SaltPoolRead(uint8_t* destination, size_t count, SaltPool* pool);
// Zeroes the whole record, the entropy source included.
void SaltPoolWipe(SaltPool* pool);

// The program's entropy source: the finest clock the system offers, its
// first min(count, 8) bytes, least significant first.
uint32_t ReadPerformanceCounter(uint8_t* destination, uint32_t count);
