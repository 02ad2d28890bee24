#include "engine/Sha1Chains.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <cstring>
#include <utility>

#define SHA_TARGET __attribute__((target("sha,ssse3,sse4.1")))
#define INLINE_ALWAYS inline __attribute__((always_inline))

namespace {

// A state in the layout of the SHA instructions: A in the top lane of Abcd, E in the
// top lane of E and zeros below it. A digest read as a message block has the same
// layout: its first four words in Abcd, the fifth on top of E.
struct TState
{
    __m128i Abcd;
    __m128i E;
};

// Output blocks worked on side by side: two chains fill the latency gaps, more run out
// of registers.
constexpr size_t MaxChains = 2;
// The bit length of a digest after the pad block: (64 + 20) * 8.
constexpr int DigestMessageBits = 672;

SHA_TARGET __m128i ByteReverse(__m128i value)
{
    return _mm_shuffle_epi8(value, _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL));
}

SHA_TARGET TState FromWords(const uint32_t* words)
{
    return {_mm_set_epi32(static_cast<int>(words[0]), static_cast<int>(words[1]), static_cast<int>(words[2]),
                          static_cast<int>(words[3])),
            _mm_set_epi32(static_cast<int>(words[4]), 0, 0, 0)};
}

SHA_TARGET TState FromDigest(const uint8_t* digest)
{
    uint32_t e;
    std::memcpy(&e, digest + 16, 4);
    return {ByteReverse(_mm_loadu_si128(reinterpret_cast<const __m128i*>(digest))),
            _mm_set_epi32(static_cast<int>(__builtin_bswap32(e)), 0, 0, 0)};
}

SHA_TARGET void ToDigest(const TState& state, uint8_t* digest)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(digest), ByteReverse(state.Abcd));
    const uint32_t e = __builtin_bswap32(static_cast<uint32_t>(_mm_extract_epi32(state.E, 3)));
    std::memcpy(digest + 16, &e, 4);
}

// The working registers of N chains during one compression.
template <size_t N> struct TRounds
{
    __m128i W[N][4]; // the last four groups of message words
    __m128i Abcd[N];
    __m128i Before[N]; // Abcd before the last four rounds
    __m128i E[N];
};

// Four rounds (group G of twenty) of each chain; the chains are interleaved
// instruction by instruction.
template <size_t N, int G> SHA_TARGET INLINE_ALWAYS void FourRounds(TRounds<N>& r)
{
#pragma GCC unroll 2
    for (size_t c = 0; c < N; ++c) {
        __m128i* ring = r.W[c];
        if constexpr (G >= 4) {
            // w[t] = rol1(w[t-3] ^ w[t-8] ^ w[t-14] ^ w[t-16]), four words at a time.
            const __m128i mixed = _mm_xor_si128(_mm_sha1msg1_epu32(ring[G % 4], ring[(G + 1) % 4]), ring[(G + 2) % 4]);
            ring[G % 4] = _mm_sha1msg2_epu32(mixed, ring[(G + 3) % 4]);
        }
        r.E[c] = _mm_sha1nexte_epu32(r.Before[c], ring[G % 4]);
        r.Before[c] = r.Abcd[c];
        r.Abcd[c] = _mm_sha1rnds4_epu32(r.Abcd[c], r.E[c], G / 5);
    }
}

template <size_t N, int... G> SHA_TARGET INLINE_ALWAYS void LaterRounds(TRounds<N>& r, std::integer_sequence<int, G...>)
{
    (FourRounds<N, G + 1>(r), ...);
}

// One compression of start with the message of a digest (as padded after the pad
// block) for each of N chains.
template <size_t N> SHA_TARGET INLINE_ALWAYS void CompressDigests(const TState& start, TState* states)
{
    const __m128i endMark = _mm_set_epi32(0, static_cast<int>(0x80000000U), 0, 0);
    TRounds<N> r;
#pragma GCC unroll 2
    for (size_t c = 0; c < N; ++c) {
        r.W[c][0] = states[c].Abcd;
        r.W[c][1] = _mm_or_si128(states[c].E, endMark);
        r.W[c][2] = _mm_setzero_si128();
        r.W[c][3] = _mm_set_epi32(0, 0, 0, DigestMessageBits);
        r.E[c] = _mm_add_epi32(start.E, r.W[c][0]);
        r.Before[c] = start.Abcd;
        r.Abcd[c] = _mm_sha1rnds4_epu32(start.Abcd, r.E[c], 0);
    }
    LaterRounds<N>(r, std::make_integer_sequence<int, 19>());
#pragma GCC unroll 2
    for (size_t c = 0; c < N; ++c) {
        states[c].E = _mm_sha1nexte_epu32(r.Before[c], start.E);
        states[c].Abcd = _mm_add_epi32(r.Abcd[c], start.Abcd);
    }
}

template <size_t N>
SHA_TARGET void XorChains(const TState& inner, const TState& outer, const uint8_t* first, uint8_t* sums, int iterations)
{
    TState u[N];
    TState sum[N];
    for (size_t c = 0; c < N; ++c) {
        sum[c] = u[c] = FromDigest(first + 20 * c);
    }
    for (int round = 1; round < iterations; ++round) {
        CompressDigests<N>(inner, u);
        CompressDigests<N>(outer, u);
        for (size_t c = 0; c < N; ++c) {
            sum[c].Abcd = _mm_xor_si128(sum[c].Abcd, u[c].Abcd);
            sum[c].E = _mm_xor_si128(sum[c].E, u[c].E);
        }
    }
    for (size_t c = 0; c < N; ++c) {
        ToDigest(sum[c], sums + 20 * c);
    }
}

bool DetectSha1Instructions()
{
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    const bool ssse3 = (ecx & bit_SSSE3) != 0;
    const bool sse41 = (ecx & bit_SSE4_1) != 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    return ssse3 && sse41 && (ebx & bit_SHA) != 0;
}

} // namespace

bool HasSha1Instructions()
{
    static const bool has = DetectSha1Instructions();
    return has;
}

bool XorHmacSha1Chains(const uint32_t* inner, const uint32_t* outer, const uint8_t* first, uint8_t* sums, size_t count,
                       int iterations)
{
    if (!HasSha1Instructions()) {
        return false;
    }
    const TState innerState = FromWords(inner);
    const TState outerState = FromWords(outer);
    for (size_t done = 0; done < count; done += MaxChains) {
        if (count - done >= MaxChains) {
            XorChains<MaxChains>(innerState, outerState, first + 20 * done, sums + 20 * done, iterations);
        } else {
            XorChains<1>(innerState, outerState, first + 20 * done, sums + 20 * done, iterations);
        }
    }
    return true;
}

#else

bool HasSha1Instructions()
{
    return false;
}

bool XorHmacSha1Chains(const uint32_t*, const uint32_t*, const uint8_t*, uint8_t*, size_t, int)
{
    return false;
}

#endif
