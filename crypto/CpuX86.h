#pragma once

// Whether this build carries the x86-64 instruction paths: an x86-64 target
// and a compiler with per-function target attributes and the intrinsics.
// Elsewhere the kernels of those paths fall back to the portable code and
// the processor is never asked.

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TIPSMITH_HAVE_X86 1
#include <immintrin.h>
#else
#define TIPSMITH_HAVE_X86 0
#endif
