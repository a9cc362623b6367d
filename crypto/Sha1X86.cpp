// SHA-1 compression with the x86-64 SHA instructions. Only reached after the
// processor has been found to have them.

#include "crypto/CpuX86.h"
#include "crypto/CryptoPath.h"

namespace cryptopath {

#if TIPSMITH_HAVE_X86

#define TIPSMITH_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))

namespace {

// Four rounds. The E value for them is the A of four rounds earlier, turned
// by 30 bits, added into the first message word.
template <int Function>
TIPSMITH_SHA_TARGET inline void fourRounds(__m128i& abcd, __m128i& earlier, __m128i message) {
    const __m128i e = _mm_sha1nexte_epu32(earlier, message);
    earlier = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, Function);
}

// The next four schedule words W[t..t+3] from the four groups before them.
TIPSMITH_SHA_TARGET inline __m128i nextMessage(__m128i back4, __m128i back3, __m128i back2,
                                               __m128i back1) {
    return _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(back4, back3), back2), back1);
}

} // namespace

TIPSMITH_SHA_TARGET void sha1BlocksShaNi(uint32_t* state, const uint8_t* data, size_t blocks) {
    // Message words are big-endian and the instructions want W[t] in the top lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(state[4]), 0, 0, 0);

    for (; blocks; --blocks, data += 64) {
        const __m128i abcdSaved = abcd;
        const __m128i eSaved = e0;
        const __m128i* p = reinterpret_cast<const __m128i*>(data);
        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(p), reverse);
        __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(p + 1), reverse);
        __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(p + 2), reverse);
        __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(p + 3), reverse);

        __m128i earlier = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e0, m0), 0);
        fourRounds<0>(abcd, earlier, m1);
        fourRounds<0>(abcd, earlier, m2);
        fourRounds<0>(abcd, earlier, m3);
        m0 = nextMessage(m0, m1, m2, m3);
        fourRounds<0>(abcd, earlier, m0);
        m1 = nextMessage(m1, m2, m3, m0);
        fourRounds<1>(abcd, earlier, m1);
        m2 = nextMessage(m2, m3, m0, m1);
        fourRounds<1>(abcd, earlier, m2);
        m3 = nextMessage(m3, m0, m1, m2);
        fourRounds<1>(abcd, earlier, m3);
        m0 = nextMessage(m0, m1, m2, m3);
        fourRounds<1>(abcd, earlier, m0);
        m1 = nextMessage(m1, m2, m3, m0);
        fourRounds<1>(abcd, earlier, m1);
        m2 = nextMessage(m2, m3, m0, m1);
        fourRounds<2>(abcd, earlier, m2);
        m3 = nextMessage(m3, m0, m1, m2);
        fourRounds<2>(abcd, earlier, m3);
        m0 = nextMessage(m0, m1, m2, m3);
        fourRounds<2>(abcd, earlier, m0);
        m1 = nextMessage(m1, m2, m3, m0);
        fourRounds<2>(abcd, earlier, m1);
        m2 = nextMessage(m2, m3, m0, m1);
        fourRounds<2>(abcd, earlier, m2);
        m3 = nextMessage(m3, m0, m1, m2);
        fourRounds<3>(abcd, earlier, m3);
        m0 = nextMessage(m0, m1, m2, m3);
        fourRounds<3>(abcd, earlier, m0);
        m1 = nextMessage(m1, m2, m3, m0);
        fourRounds<3>(abcd, earlier, m1);
        m2 = nextMessage(m2, m3, m0, m1);
        fourRounds<3>(abcd, earlier, m2);
        m3 = nextMessage(m3, m0, m1, m2);
        fourRounds<3>(abcd, earlier, m3);

        e0 = _mm_sha1nexte_epu32(earlier, eSaved);
        abcd = _mm_add_epi32(abcd, abcdSaved);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = uint32_t(_mm_extract_epi32(e0, 3));
}

#else

void sha1BlocksShaNi(uint32_t* state, const uint8_t* data, size_t blocks) {
    sha1BlocksPortable(state, data, blocks);
}

#endif

} // namespace cryptopath
