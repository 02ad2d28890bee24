#pragma once

// The iterations of PBKDF2-HMAC-SHA1 on the processor's SHA instructions. A derivation
// is a chain of HMACs where each waits on the one before; the output blocks of one
// derivation are independent chains, so they run side by side and fill the gaps that
// each instruction's latency leaves.

#include <cstddef>
#include <cstdint>

// True when the processor has the SHA instructions this needs.
bool HasSha1Instructions();

// For each of count chains: first holds its U1 (20 bytes), sums receives U1 xor U2 ...
// xor U(iterations), where U(n+1) is the HMAC of U(n) under the key whose inner and
// outer pad states (the five state words after one block) are given. False, and
// nothing written, without the SHA instructions.
bool XorHmacSha1Chains(const uint32_t* inner, const uint32_t* outer, const uint8_t* first, uint8_t* sums, size_t count,
                       int iterations);
