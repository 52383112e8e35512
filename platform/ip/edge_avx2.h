#pragma once

// The AVX2 paths of the edge detector's hottest steps: compiled on x86 only, next to a portable
// path, and chosen per call with __builtin_cpu_supports("avx2").
//
//   #if VC_EDGE_AVX2
//   VC_EDGE_AVX2_INLINE __m256i step(...);            // helpers, inlined into...
//   [[gnu::target("avx2")]] void passAvx2(...);       // ...the AVX2 function that calls them
//   #endif

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VC_EDGE_AVX2 1
// A helper of an AVX2 function: built for AVX2 too, and inlined into it.
#define VC_EDGE_AVX2_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline
#endif
