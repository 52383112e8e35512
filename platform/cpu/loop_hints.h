#pragma once

// VC_LOOP_INDEPENDENT, placed just before a loop, tells the compiler that no iteration of it
// reads what another writes (the arrays it writes never overlap those it reads), so that it
// vectorises the loop without run-time overlap checks. GCC has a pragma for exactly this.
// Clang checks the overlap at run time instead: its nearest hint demands vectorisation and
// warns wherever a build does not vectorise (the sanitizer builds at -O1), so it gets none.
#if defined(__GNUC__) && !defined(__clang__)
#define VC_LOOP_INDEPENDENT _Pragma("GCC ivdep")
#else
#define VC_LOOP_INDEPENDENT
#endif
