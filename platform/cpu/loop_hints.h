#pragma once

// VC_LOOP_INDEPENDENT, placed just before a loop, tells the compiler that no iteration of it
// reads what another writes (the arrays it writes never overlap those it reads), so that it
// vectorises the loop without run-time overlap checks. Each compiler has its own pragma for
// this; an unknown one would only warn.
#if defined(__clang__)
#define VC_LOOP_INDEPENDENT _Pragma("clang loop vectorize(assume_safety)")
#elif defined(__GNUC__)
#define VC_LOOP_INDEPENDENT _Pragma("GCC ivdep")
#else
#define VC_LOOP_INDEPENDENT
#endif
