#include "platform/cpu/simd.h"

#include <algorithm>
#include <atomic>

#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/cpu/avx2.h"

namespace {

vcSimdLevel detect() {
#if VC_AVX2
  // Also checks that the operating system saves the 256-bit registers.
  if (__builtin_cpu_supports("avx2")) return vcSimdLevel::avx2;
#endif
  return vcSimdLevel::portable;
}

std::atomic<int> cap{int(vcSimdLevel::avx2)};

}  // namespace

vcSimdLevel vfSimdSupported() {
  static const vcSimdLevel supported = detect();
  return supported;
}

vcSimdLevel vfSimdLevel() {
  return vcSimdLevel(std::min(int(vfSimdSupported()), cap.load(std::memory_order_relaxed)));
}

vcSimdLevel vfSimdCap() { return vcSimdLevel(cap.load(std::memory_order_relaxed)); }

vcSimdLevel vfSetSimdCap(vcSimdLevel level) {
  const int value = int(level);
  if (value < int(vcSimdLevel::portable) || value > int(vcSimdLevel::avx2))
    throw vcBadParamsError(L"vfSetSimdCap: the level must be portable (0) or avx2 (1), got " +
                           vfStr(value));
  return vcSimdLevel(cap.exchange(value, std::memory_order_relaxed));
}
