#include "crypto/SaltPool.h"

#include "crypto/CryptoMemory.h"
#include "crypto/Sha1.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/time.h>
#include <time.h>
#endif

namespace {

uint32_t loadLittleEndian(const uint8_t* buffer, uint32_t offset) {
    uint32_t v = 0;
    for (uint32_t k = 0; k < 4; ++k)
        v |= uint32_t(buffer[(offset + k) % SaltPoolLength]) << (8 * k);
    return v;
}

// Each 20-byte stretch is replaced by the compression of the 64 bytes from
// there on, chained from the 20 bytes before it; every step sees the bytes
// the step before wrote.
void mixPool(uint8_t* buffer) {
    Sha1Context scratch;
    for (uint32_t i = 0; i < SaltPoolLength; i += Sha1DigestLength) {
        const uint32_t before = (i + SaltPoolLength - Sha1DigestLength) % SaltPoolLength;
        for (uint32_t w = 0; w < 5; ++w)
            scratch.chaining[w] = loadLittleEndian(buffer, before + 4 * w);
        for (uint32_t k = 0; k < Sha1BlockLength; ++k)
            scratch.block[k] = buffer[(i + k) % SaltPoolLength];
        Sha1Compress(&scratch);
        for (uint32_t w = 0; w < 5; ++w)
            for (uint32_t k = 0; k < 4; ++k)
                buffer[i + 4 * w + k] = uint8_t(scratch.chaining[w] >> (8 * k));
    }
    CryptoWipe(&scratch, sizeof(scratch));
}

void refreshPool(SaltPool* pool) {
    std::memcpy(pool->output, pool->pool, SaltPoolLength);
    const EntropySource source = pool->entropySource ? pool->entropySource : ReadPerformanceCounter;
    for (uint32_t filled = 0; filled < SaltPoolLength;) {
        const uint32_t wanted = SaltPoolLength - filled;
        uint32_t got = source(pool->pool + filled, wanted);
        // A source that breaks its promise must not stall or overrun the pool.
        if (got == 0)
            got = 1;
        if (got > wanted)
            got = wanted;
        filled += got;
    }
    for (uint32_t k = 0; k < SaltPoolLength; ++k)
        pool->pool[k] ^= uint8_t(~pool->output[k]);
    mixPool(pool->pool);
    mixPool(pool->output);
}

} // namespace

void SaltPoolStart(EntropySource source, SaltPool* pool) {
    std::memset(pool, 0, sizeof(*pool));
    pool->entropySource = source;
    refreshPool(pool);
    for (int i = 0; i < 20; ++i)
        mixPool(pool->pool);
    refreshPool(pool);
    pool->position = 0;
}

void SaltPoolRead(uint8_t* destination, size_t count, SaltPool* pool) {
    while (count) {
        const size_t available = SaltPoolLength - pool->position;
        const size_t take = count < available ? count : available;
        std::memcpy(destination, pool->output + pool->position, take);
        pool->position += uint32_t(take);
        destination += take;
        count -= take;
        if (pool->position >= SaltPoolLength) {
            refreshPool(pool);
            pool->position = 0;
        }
    }
}

void SaltPoolWipe(SaltPool* pool) {
    CryptoWipe(pool, sizeof(*pool));
}

uint32_t ReadPerformanceCounter(uint8_t* destination, uint32_t count) {
    uint64_t value = 0;
#if defined(_WIN32)
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter))
        value = uint64_t(counter.QuadPart);
    else
        value = GetTickCount();
#else
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
        value = uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
    } else {
        // The coarser wall clock, in microseconds, when the fine one is missing.
        timeval coarse{};
        gettimeofday(&coarse, nullptr);
        value = uint64_t(coarse.tv_sec) * 1000000u + uint64_t(coarse.tv_usec);
    }
#endif
    const uint32_t n = count < 8 ? count : 8;
    for (uint32_t k = 0; k < n; ++k)
        destination[k] = uint8_t(value >> (8 * k));
    return n;
}
