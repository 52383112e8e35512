#pragma once

// Whether the library's vectorised steps use the processor's vector instructions (AVX2) or
// their portable twins, with identical results either way: vfSetSimdCap(vcSimdLevel::portable)
// turns the vector instructions off for every later call, from any thread.
#include "platform/cpu/simd.h"
