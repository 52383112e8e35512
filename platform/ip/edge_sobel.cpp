#include "platform/ip/edge_sobel.h"

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

// Vertical pass: smoothing (1 2 1) and difference (-1 0 1) down each column, entry x + 1 for
// column x, pixels [from, width).
[[gnu::always_inline]] inline void columnPass(const std::uint8_t* up, const std::uint8_t* mid,
                                              const std::uint8_t* down, long from, long width,
                                              std::int16_t* vs, std::int16_t* vd) {
  for (long x = from; x < width; ++x) {
    vs[x + 1] = std::int16_t(up[x] + 2 * mid[x] + down[x]);
    vd[x + 1] = std::int16_t(down[x] - up[x]);
  }
}

// The border columns repeated at both ends of the vertical pass.
inline void repeatBorder(long width, std::int16_t* vs, std::int16_t* vd) {
  vs[0] = vs[1];
  vd[0] = vd[1];
  vs[width + 1] = vs[width];
  vd[width + 1] = vd[width];
}

// Horizontal pass, pixels [from, width): difference of the smoothed columns, smoothing of the
// differences.
[[gnu::always_inline]] inline void rowPass(const std::int16_t* vs, const std::int16_t* vd,
                                           long from, long width, std::int16_t* g,
                                           std::int32_t* q) {
  for (long x = from; x < width; ++x) {
    const std::int16_t dx = std::int16_t(vs[x + 2] - vs[x]);
    const std::int16_t dy = std::int16_t(vd[x] + 2 * vd[x + 1] + vd[x + 2]);
    g[2 * x] = dx;
    g[2 * x + 1] = dy;
    q[x] = std::int32_t(dx) * dx + std::int32_t(dy) * dy;
  }
}

#if VC_EDGE_AVX2
// Sixteen 16-bit values from p on.
VC_EDGE_AVX2_INLINE __m256i load16(const std::int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
VC_EDGE_AVX2_INLINE __m256i pels16(const std::uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
VC_EDGE_AVX2_INLINE void store(void* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Both passes 16 pixels at a time; the horizontal one interleaves gx and gy and squares and
// adds them with one multiply-add per 8 pixels.
[[gnu::target("avx2")]] void sobelRowAvx2(const std::uint8_t* up, const std::uint8_t* mid,
                                          const std::uint8_t* down, long width, std::int16_t* vs,
                                          std::int16_t* vd, std::int16_t* g, std::int32_t* q) {
  long x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m256i u = pels16(up + x), m = pels16(mid + x), d = pels16(down + x);
    store(vs + x + 1, _mm256_add_epi16(_mm256_add_epi16(u, d), _mm256_add_epi16(m, m)));
    store(vd + x + 1, _mm256_sub_epi16(d, u));
  }
  columnPass(up, mid, down, x, width, vs, vd);
  repeatBorder(width, vs, vd);
  for (x = 0; x + 16 <= width; x += 16) {
    const __m256i dx = _mm256_sub_epi16(load16(vs + x + 2), load16(vs + x));
    const __m256i centre = load16(vd + x + 1);
    const __m256i dy = _mm256_add_epi16(_mm256_add_epi16(load16(vd + x), load16(vd + x + 2)),
                                        _mm256_add_epi16(centre, centre));
    // Pixels 0-3 and 8-11, 4-7 and 12-15 of the unpacked halves, put back in order.
    const __m256i low = _mm256_unpacklo_epi16(dx, dy), high = _mm256_unpackhi_epi16(dx, dy);
    const __m256i first = _mm256_permute2x128_si256(low, high, 0x20);
    const __m256i second = _mm256_permute2x128_si256(low, high, 0x31);
    store(g + 2 * x, first);
    store(g + 2 * x + 16, second);
    store(q + x, _mm256_madd_epi16(first, first));
    store(q + x + 8, _mm256_madd_epi16(second, second));
  }
  rowPass(vs, vd, x, width, g, q);
}
#endif

}  // namespace

void sobelRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, long width,
              std::int16_t* vs, std::int16_t* vd, std::int16_t* g, std::int32_t* q) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return sobelRowAvx2(up, mid, down, width, vs, vd, g, q);
#endif
  columnPass(up, mid, down, 0, width, vs, vd);
  repeatBorder(width, vs, vd);
  rowPass(vs, vd, 0, width, g, q);
}

}  // namespace vc_edge_detail
