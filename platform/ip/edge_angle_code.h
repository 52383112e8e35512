#pragma once

// Gradient direction codes from integer gradients, through a small arctangent table instead of
// atan2 per pixel.
//
//   const vc_edge_detail::AngleCoder& coder = vc_edge_detail::AngleCoder::instance();
//   std::uint8_t code = coder.code(gx, gy);   // nearest of 256 codes per turn
//
// The table holds the arctangent of the ratio of the smaller to the larger gradient component,
// quantised to 1/1024, in 1/256ths of a code; symmetries give the other seven octants. The
// ratio quantisation costs at most 0.03 degrees, far below the code step of 1.4 degrees.

#include <cstdint>
#include <cstdlib>

namespace vc_edge_detail {

class AngleCoder {
 public:
  // The shared table, built on first use.
  static const AngleCoder& instance();

  // The code nearest to the direction of (gx, gy): 0 along +x, 64 along +y. 0 for a zero
  // gradient.
  std::uint8_t code(int gx, int gy) const {
    const unsigned ax = unsigned(std::abs(gx));
    const unsigned ay = unsigned(std::abs(gy));
    if (ax == 0 && ay == 0) return 0;
    const bool steep = ay > ax;
    const unsigned lo = steep ? ax : ay;
    const unsigned hi = steep ? ay : ax;
    int t =
        octant_[unsigned(float(lo) * (float(kSteps) / float(hi)) + 0.5f)];  // from the major axis
    if (steep) t = kQuarter - t;  // angle from +x in the first quadrant
    if (gx < 0) t = 2 * kQuarter - t;
    if (gy < 0) t = 4 * kQuarter - t;
    return std::uint8_t((t + 128) >> 8);  // round to the nearest code, modulo 256
  }

 private:
  AngleCoder();

  static constexpr unsigned kSteps = 1024;   // ratio steps in [0, 1]
  static constexpr int kQuarter = 64 * 256;  // a quarter turn in 1/256ths of a code
  std::uint16_t octant_[kSteps + 1];
};

}  // namespace vc_edge_detail
