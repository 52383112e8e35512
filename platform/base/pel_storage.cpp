#include "platform/base/pel_storage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace vc_pel_detail {

namespace {

// The longest side an image may have: sides are longs, which the library
// treats as 32-bit values.
constexpr long kMaxSide = 0x7fffffffL;
constexpr long kMaxAlignment = 4096;
// The largest pixel block an image may own (512 GiB): far beyond any camera,
// and small enough that a size computed from bad input is refused with a clear
// message rather than left to the allocator.
constexpr std::size_t kMaxBytes = std::size_t(1) << 39;

std::wstring wide(const char* text) { return std::wstring(text, text + std::strlen(text)); }

std::wstring pair(long x, long y) { return L"(" + vfStr(x) + L", " + vfStr(y) + L")"; }

// Storage alignment actually used: the requested one, but at least the pixel
// size so that every row starts on a pixel boundary.
std::size_t effectiveAlignment(long alignment, std::size_t pelSize) {
  return std::max(static_cast<std::size_t>(alignment), pelSize);
}

}  // namespace

long rowStride(long width, long height, long alignment, std::size_t pelSize) {
  if (width < 0 || width > kMaxSide || height < 0 || height > kMaxSide)
    throw vcBadParamsError(L"vcPelBuffer: width and height must be in [0, " + vfStr(kMaxSide) +
                           L"], got " + vfStr(width) + L" x " + vfStr(height));
  if (alignment < 1 || alignment > kMaxAlignment || (alignment & (alignment - 1)) != 0)
    throw vcBadParamsError(L"vcPelBuffer: alignment must be a power of two in [1, " +
                           vfStr(kMaxAlignment) + L"], got " + vfStr(alignment));
  // Round the row's bytes up to the alignment; both are powers of two at
  // least as large as the pixel size, so the stride is a whole number of
  // pixels.
  const std::size_t align = effectiveAlignment(alignment, pelSize);
  const std::size_t rowBytes =
      (static_cast<std::size_t>(width) * pelSize + align - 1) & ~(align - 1);
  std::size_t total = 0;
  if (__builtin_mul_overflow(rowBytes, static_cast<std::size_t>(height), &total) ||
      total > kMaxBytes)
    throw vcBadParamsError(L"vcPelBuffer: an image of " + vfStr(width) + L" x " + vfStr(height) +
                           L" pixels is too large");
  return static_cast<long>(rowBytes / pelSize);
}

void requireCallerPels(bool nonNull, long width, long height, long rowUpdate) {
  if (!nonNull) throw vcBadParamsError(L"vcPelBuffer: the caller's pixels are null");
  if (width < 0 || width > kMaxSide || height < 0 || height > kMaxSide)
    throw vcBadParamsError(L"vcPelBuffer: width and height must be in [0, " + vfStr(kMaxSide) +
                           L"], got " + vfStr(width) + L" x " + vfStr(height));
  if (rowUpdate < width)
    throw vcBadParamsError(L"vcPelBuffer: rowUpdate must be at least the width " + vfStr(width) +
                           L", got " + vfStr(rowUpdate));
}

std::shared_ptr<void> allocatePels(long stride, long height, long alignment, std::size_t pelSize,
                                   bool zeroed) {
  const std::size_t align = effectiveAlignment(alignment, pelSize);
  // An empty image still gets a (tiny) block, so that bound means non-null.
  const std::size_t bytes = std::max(
      static_cast<std::size_t>(stride) * static_cast<std::size_t>(height) * pelSize, align);
  void* block = ::operator new(bytes, std::align_val_t(align));
  if (zeroed) std::memset(block, 0, bytes);
  return std::shared_ptr<void>(block,
                               [align](void* p) { ::operator delete(p, std::align_val_t(align)); });
}

void requireBound(bool bound, const char* operation) {
  if (!bound) throw vcBadParamsError(wide(operation) + L": the image is unbound");
}

void requireInside(long x, long y, long width, long height, const char* operation) {
  if (x < 0 || x >= width || y < 0 || y >= height)
    throw vcBadParamsError(wide(operation) + L": position " + pair(x, y) + L" is outside [0, " +
                           vfStr(width) + L") x [0, " + vfStr(height) + L")");
}

// Origins and root sizes lie in [0, kMaxSide], so the bounds below cannot
// overflow whatever the position.
void requireRowInRoot(long y, long origin, long rootHeight, const char* operation) {
  if (y < -origin || y >= rootHeight - origin)
    throw vcBadParamsError(wide(operation) + L": row " + vfStr(y) + L" is outside the root rows [" +
                           vfStr(-origin) + L", " + vfStr(rootHeight - origin) + L")");
}

void requireColumnInRoot(long x, long origin, long rootWidth, const char* operation) {
  if (x < -origin || x >= rootWidth - origin)
    throw vcBadParamsError(wide(operation) + L": column " + vfStr(x) +
                           L" is outside the root columns [" + vfStr(-origin) + L", " +
                           vfStr(rootWidth - origin) + L")");
}

void requireWindowInRoot(long x, long y, long w, long h, long rootWidth, long rootHeight,
                         const char* operation) {
  if (w < 0 || h < 0)
    throw vcBadParamsError(wide(operation) + L": window size must be >= 0, got " + vfStr(w) +
                           L" x " + vfStr(h));
  if (x < 0 || y < 0 || x > rootWidth - w || y > rootHeight - h)
    throw vcBadParamsError(wide(operation) + L": window of " + vfStr(w) + L" x " + vfStr(h) +
                           L" at root position " + pair(x, y) + L" reaches outside the root of " +
                           vfStr(rootWidth) + L" x " + vfStr(rootHeight) + L" pixels");
}

void requireSameSize(long w1, long h1, long w2, long h2, const char* operation) {
  if (w1 != w2 || h1 != h2)
    throw vcBadParamsError(wide(operation) + L": image sizes differ, " + vfStr(w1) + L" x " +
                           vfStr(h1) + L" against " + vfStr(w2) + L" x " + vfStr(h2));
}

void requireFiniteXforms(const vcXform<2>& a, const vcXform<2>& b, const char* operation) {
  bool finite = true;
  for (const vcXform<2>* x : {&a, &b}) {
    finite = finite && std::isfinite(x->trans().x()) && std::isfinite(x->trans().y());
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 2; ++c) finite = finite && std::isfinite(x->matrix().element(r, c));
  }
  if (!finite)
    throw vcBadParamsError(wide(operation) +
                           L": the transform and its inverse must have finite elements");
}

long checkedShift(long a, long b, long c, const char* operation) {
  long sum = 0;
  long result = 0;
  if (__builtin_add_overflow(a, b, &sum) || __builtin_sub_overflow(sum, c, &result))
    throw vcBadParamsError(wide(operation) + L": position out of the range of long");
  return result;
}

}  // namespace vc_pel_detail
