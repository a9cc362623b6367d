#pragma once

#include <cstddef>
#include <cstdint>

// Comparing secrets and clearing them.

// True when the two byte ranges are equal. The time taken depends on the
// length only, never on where the first difference lies.
bool CryptoEqual(const uint8_t* a, const uint8_t* b, size_t length);

// Zeroes memory in a way the compiler cannot drop as a dead store.
void CryptoWipe(void* memory, size_t length);
