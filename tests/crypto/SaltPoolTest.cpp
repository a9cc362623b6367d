#include "crypto/SaltPool.h"
#include "tests/crypto/CryptoTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

// Entropy sources are plain function pointers, so their state lives here.
int readings = 0;
uint8_t nextByte = 0;

uint32_t countingClock(uint8_t* destination, uint32_t count) {
    ++readings;
    return ReadPerformanceCounter(destination, count);
}

// A reproducible source: 3 bytes per call from a running counter.
uint32_t steadySource(uint8_t* destination, uint32_t count) {
    ++readings;
    const uint32_t n = count < 3 ? count : 3;
    for (uint32_t i = 0; i < n; ++i)
        destination[i] = nextByte++;
    return n;
}

uint32_t brokenSilentSource(uint8_t*, uint32_t) {
    ++readings;
    return 0;
}

uint32_t brokenBoastingSource(uint8_t* destination, uint32_t) {
    ++readings;
    destination[0] = 0x42;
    return 100000;
}

Bytes draw(SaltPool& pool, size_t count) {
    Bytes out(count);
    SaltPoolRead(out.data(), count, &pool);
    return out;
}

} // namespace

TEST(SaltPool, ClockGivesUpToEightBytesAndNeverNone) {
    for (uint32_t count = 1; count <= 20; ++count) {
        uint8_t buffer[24];
        std::memset(buffer, 0xEE, sizeof buffer);
        const uint32_t n = ReadPerformanceCounter(buffer, count);
        EXPECT_EQ(n, count < 8 ? count : 8u);
        for (uint32_t i = n; i < sizeof buffer; ++i)
            EXPECT_EQ(buffer[i], 0xEE) << count;
    }
    // Least significant byte first, from a clock that does not run backwards.
    uint8_t a[8], b[8];
    ReadPerformanceCounter(a, 8);
    ReadPerformanceCounter(b, 8);
    uint64_t first = 0, second = 0;
    for (int i = 7; i >= 0; --i) {
        first = first << 8 | a[i];
        second = second << 8 | b[i];
    }
    EXPECT_NE(first, 0u);
    EXPECT_LE(first, second);
}

TEST(SaltPool, StartAndRefillTakeTheExpectedReadings) {
    SaltPool pool;
    readings = 0;
    SaltPoolStart(countingClock, &pool);
    EXPECT_EQ(readings, 66); // two refills of 32 eight-byte readings and one of four
    EXPECT_EQ(pool.position, 0u);
    readings = 0;
    draw(pool, 259);
    EXPECT_EQ(readings, 0);
    draw(pool, 1);
    EXPECT_EQ(readings, 33);
    SaltPoolWipe(&pool);
}

TEST(SaltPool, EightThenTwoHundredFiftyTwoBytesEmptyTheOutputExactly) {
    SaltPool pool;
    SaltPoolStart(countingClock, &pool);
    const Bytes firstOutput(pool.output, pool.output + SaltPoolLength);
    const Bytes eight = draw(pool, 8);
    EXPECT_EQ(toHex(eight), toHex(firstOutput.data(), 8));
    readings = 0;
    const Bytes rest = draw(pool, 252);
    EXPECT_EQ(toHex(rest), toHex(firstOutput.data() + 8, 252));
    EXPECT_EQ(readings, 33); // exactly one refill
    EXPECT_EQ(pool.position, 0u);
    const Bytes refreshed(pool.output, pool.output + SaltPoolLength);
    EXPECT_NE(toHex(refreshed), toHex(firstOutput));
    EXPECT_EQ(toHex(draw(pool, 16)), toHex(refreshed.data(), 16));
    EXPECT_EQ(pool.position, 16u);
}

TEST(SaltPool, SameEntropyGivesSameBytesAndReadsDoNotRepeat) {
    SaltPool a, b;
    nextByte = 0;
    SaltPoolStart(steadySource, &a);
    nextByte = 0;
    SaltPoolStart(steadySource, &b);
    nextByte = 100;
    const Bytes fromA = draw(a, 1000);
    nextByte = 100;
    const Bytes fromB = draw(b, 1000);
    EXPECT_EQ(fromA, fromB);
    // Salts of eight bytes drawn in a row are all different.
    std::set<std::string> salts;
    for (size_t i = 0; i + 8 <= fromA.size(); i += 8)
        salts.insert(toHex(fromA.data() + i, 8));
    EXPECT_EQ(salts.size(), fromA.size() / 8);
    SaltPoolWipe(&a);
    SaltPoolWipe(&b);
}

TEST(SaltPool, SourceThatBreaksItsPromiseCannotStallOrOverrun) {
    for (EntropySource source : {brokenSilentSource, brokenBoastingSource}) {
        SaltPool pool;
        readings = 0;
        SaltPoolStart(source, &pool);
        EXPECT_GT(readings, 0);
        EXPECT_LE(readings, 2 * 260);
        EXPECT_EQ(draw(pool, 600).size(), 600u);
    }
}

TEST(SaltPool, WipeClearsEverything) {
    SaltPool pool;
    SaltPoolStart(countingClock, &pool);
    draw(pool, 5);
    SaltPoolWipe(&pool);
    const Bytes zeros(sizeof pool, 0);
    EXPECT_EQ(std::memcmp(&pool, zeros.data(), sizeof pool), 0);
    EXPECT_EQ(pool.entropySource, nullptr);
}
