// What the processor offers the x86-64 instruction paths, asked through CPUID.

#include "crypto/CpuX86.h"
#include "crypto/CryptoPath.h"

#if TIPSMITH_HAVE_X86
#include <cpuid.h>
#endif

namespace cryptopath {

#if TIPSMITH_HAVE_X86

namespace {

// Leaf 1, ECX. Both paths shuffle and extract bytes, so both need SSSE3 and
// SSE4.1 beside their own instructions.
constexpr unsigned kSsse3 = 1u << 9;
constexpr unsigned kSse41 = 1u << 19;
constexpr unsigned kAes = 1u << 25;
// Leaf 7, subleaf 0, EBX.
constexpr unsigned kSha = 1u << 29;

// True when leaf 1 is answered and its ECX has every bit of `bits`.
bool leaf1Has(unsigned bits) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    return (c & bits) == bits;
}

} // namespace

bool cpuHasAesNi() {
    return leaf1Has(kAes | kSsse3 | kSse41);
}

bool cpuHasShaNi() {
    if (!leaf1Has(kSsse3 | kSse41))
        return false;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    return b & kSha;
}

#else

bool cpuHasAesNi() {
    return false;
}

bool cpuHasShaNi() {
    return false;
}

#endif

} // namespace cryptopath
