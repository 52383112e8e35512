#pragma once

// What a file with an AVX2 path includes: where the build can hold AVX2 code (x86), VC_AVX2
// is 1 and the intrinsics are declared. Whether the path runs is decided per call by
// vfUseAvx2(), which also honours the cap (simd.h).
//
//   #if VC_AVX2
//   VC_AVX2_INLINE __m256i step(...);              // helpers, inlined into...
//   [[gnu::target("avx2")]] void passAvx2(...);    // ...the AVX2 function that calls them
//   #endif
//   void pass(...) {
//   #if VC_AVX2
//     if (vfUseAvx2()) return passAvx2(...);
//   #endif
//     passPortable(...);
//   }

#include "platform/cpu/simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define VC_AVX2 1
// A helper of an AVX2 function: built for AVX2 too, and inlined into it.
#define VC_AVX2_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline
#endif
