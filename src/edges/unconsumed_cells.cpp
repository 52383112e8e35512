#include "edges/unconsumed_cells.h"

#include <algorithm>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/cpu/avx2.h"

namespace vc_tracker_detail {

void throwBadCell(const wchar_t* tool, long x, long y, std::int32_t v) {
  throw vcBadParamsError(std::wstring(tool) + L": map cell (" + vfStr(x) + L", " + vfStr(y) +
                         L") holds " + vfStr(v) + L", which is not the index of the edgelet there");
}

namespace {

// Bits of the cells [x, x + n) of a row that are not negative, n <= 64.
std::uint64_t heldBits(const std::int32_t* row, long x, long n) {
  std::uint64_t bits = 0;
  for (long c = 0; c < n; ++c) bits |= std::uint64_t(row[x + c] >= 0) << c;
  return bits;
}

void readRowsPortable(const std::int32_t* origin, long stride, long w, long h, long words,
                      std::uint64_t* bits) {
  for (long y = 0; y < h; ++y)
    for (long k = 0; k < words; ++k)
      bits[y * words + k] = heldBits(origin + y * stride, 64 * k, std::min(64L, w - 64 * k));
}

#if VC_AVX2

// Whole words of 64 cells eight cells at a time (their sign bits), the rest of a row as above.
[[gnu::target("avx2")]] void readRowsAvx2(const std::int32_t* origin, long stride, long w, long h,
                                          long words, std::uint64_t* bits) {
  const long whole = w / 64;
  for (long y = 0; y < h; ++y) {
    const std::int32_t* row = origin + y * stride;
    std::uint64_t* out = bits + y * words;
    for (long k = 0; k < whole; ++k) {
      std::uint64_t negative = 0;
      for (long g = 0; g < 8; ++g) {
        const __m256 cells = _mm256_castsi256_ps(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 64 * k + 8 * g)));
        negative |= std::uint64_t(unsigned(_mm256_movemask_ps(cells))) << (8 * g);
      }
      out[k] = ~negative;
    }
    if (whole < words) out[whole] = heldBits(row, 64 * whole, w - 64 * whole);
  }
}

#endif

}  // namespace

UnconsumedCells::UnconsumedCells(const std::int32_t* origin, long stride, long w, long h,
                                 const std::vector<vcEdgelet>& edges, vcPair<long> offset)
    : edges_(edges),
      offset_(offset),
      origin_(origin),
      stride_(stride),
      h_(h),
      words_((w + 63) / 64),
      bits_(std::size_t(h * words_)) {
  if (bits_.empty()) return;
  // Reading every cell costs a sixteenth of an edgelet's visit per cell.
  if (long(edges.size()) * 16 < w * h) {
    for (const vcEdgelet& e : edges) {
      const long x = long(e.get_i()) - offset.x(), y = long(e.get_j()) - offset.y();
      if (static_cast<unsigned long>(x) < static_cast<unsigned long>(w) &&
          static_cast<unsigned long>(y) < static_cast<unsigned long>(h) &&
          origin[y * stride + x] >= 0)
        bits_[std::size_t(y * words_ + (x >> 6))] |= std::uint64_t(1) << (x & 63);
    }
    return;
  }
#if VC_AVX2
  if (vfUseAvx2()) {
    readRowsAvx2(origin, stride, w, h, words_, bits_.data());
    return;
  }
#endif
  readRowsPortable(origin, stride, w, h, words_, bits_.data());
}

}  // namespace vc_tracker_detail
