#include "crypto/CryptoMemory.h"

#include <cstring>

bool CryptoEqual(const uint8_t* a, const uint8_t* b, size_t length) {
    uint8_t difference = 0;
    for (size_t i = 0; i < length; ++i)
        difference |= uint8_t(a[i] ^ b[i]);
    // Reading the accumulated value through a volatile keeps the loop from
    // being turned into an early exit.
    volatile uint8_t result = difference;
    return result == 0;
}

void CryptoWipe(void* memory, size_t length) {
    if (length == 0)
        return;
    std::memset(memory, 0, length);
    // An empty assembly statement that may read the memory: the stores above must happen.
#if defined(__GNUC__) || defined(__clang__)
    __asm__ __volatile__("" : : "r"(memory) : "memory");
#else
    volatile uint8_t* p = static_cast<volatile uint8_t*>(memory);
    for (size_t i = 0; i < length; ++i)
        p[i] = 0;
#endif
}
