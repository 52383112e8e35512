#pragma once

// Which vector instructions the vectorised steps of the library use.
//
// The steps that have a vectorised path (the edge detector's gradient, peak and sub-pixel
// passes, gap bridging, the 9x9 median, writing edgelet map rows, and the trackers' scan for
// unconsumed cells) each keep a portable twin next to it, and ask vfSimdLevel() per call
// which one to run. Both give identical results; the vectorised one is only faster.
//
// The level in use is what the processor supports (detected once, on first use) capped by
// vfSetSimdCap(). The cap is the only setting the library keeps across calls. It is an
// atomic value: any thread may change it at any time, and a call running on another thread
// at that moment may finish some of its steps on either level, with the same results.
//
//   vfSetSimdCap(vcSimdLevel::portable);  // from now on every step runs its portable twin
//   ...                                    // (to compare, or on a processor that misbehaves)
//   vfSetSimdCap(vcSimdLevel::avx2);       // back to the default: the best the processor has
//
// "Portable" is plain C++ built for the baseline of the target; on x86-64 the compiler may
// still use the SSE2 instructions every such processor has.

enum class vcSimdLevel : int {
  portable = 0,  // no instruction beyond the build target's baseline
  avx2 = 1,      // 256-bit integer vectors (x86-64 processors since about 2013)
};

// The widest level both this build and this processor support.
vcSimdLevel vfSimdSupported();

// The level the vectorised steps use now: vfSimdSupported() capped by vfSimdCap().
vcSimdLevel vfSimdLevel();

// The cap on the level in use; vcSimdLevel::avx2 (no cap) until set.
vcSimdLevel vfSimdCap();

// Caps the level in use at `cap`: a level above what the processor supports is allowed and
// means "the best it supports". Returns the previous cap, so that a caller can restore it.
// Throws: vcBadParamsError for a value that is not one of vcSimdLevel's, and the cap stays.
vcSimdLevel vfSetSimdCap(vcSimdLevel cap);

// Whether the vectorised steps take their AVX2 path now.
inline bool vfUseAvx2() { return vfSimdLevel() >= vcSimdLevel::avx2; }
