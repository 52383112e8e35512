#include "platform/ip/edge_sobel.h"

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

// A pass over every pixel of every row: also built for AVX2 (twice the lanes), chosen per
// call by vfUseAvx2().
[[gnu::always_inline]] inline void sobelRowPass(const std::uint8_t* up, const std::uint8_t* mid,
                                                const std::uint8_t* down, long width,
                                                std::int16_t* vs, std::int16_t* vd,
                                                std::int16_t* g, std::int32_t* q) {
  // Vertical pass: smoothing (1 2 1) and difference (-1 0 1) down each column, entry x + 1
  // for column x, with the border columns repeated at both ends.
  for (long x = 0; x < width; ++x) {
    vs[x + 1] = std::int16_t(up[x] + 2 * mid[x] + down[x]);
    vd[x + 1] = std::int16_t(down[x] - up[x]);
  }
  vs[0] = vs[1];
  vd[0] = vd[1];
  vs[width + 1] = vs[width];
  vd[width + 1] = vd[width];
  // Horizontal pass: difference of the smoothed columns, smoothing of the differences.
  for (long x = 0; x < width; ++x) {
    const std::int16_t dx = std::int16_t(vs[x + 2] - vs[x]);
    const std::int16_t dy = std::int16_t(vd[x] + 2 * vd[x + 1] + vd[x + 2]);
    g[2 * x] = dx;
    g[2 * x + 1] = dy;
    q[x] = std::int32_t(dx) * dx + std::int32_t(dy) * dy;
  }
}

#if VC_EDGE_AVX2
[[gnu::target("avx2")]] void sobelRowAvx2(const std::uint8_t* up, const std::uint8_t* mid,
                                          const std::uint8_t* down, long width, std::int16_t* vs,
                                          std::int16_t* vd, std::int16_t* g, std::int32_t* q) {
  sobelRowPass(up, mid, down, width, vs, vd, g, q);
}
#endif

}  // namespace

void sobelRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, long width,
              std::int16_t* vs, std::int16_t* vd, std::int16_t* g, std::int32_t* q) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return sobelRowAvx2(up, mid, down, width, vs, vd, g, q);
#endif
  sobelRowPass(up, mid, down, width, vs, vd, g, q);
}

}  // namespace vc_edge_detail
