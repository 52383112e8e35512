#pragma once

// The 3x3 Sobel gradient, by rows for both forms of the edge detector and at single pixels
// for the gap bridging after detection.
//
//   gx = [-1 0 1; -2 0 2; -1 0 1] * image,  gy = its transpose * image
//
// on an 8-bit image whose rows and columns beyond the border repeat the border. gx and gy are
// 8 times the slope in grey levels per pixel (a ramp of slope 1 gives 8), at most 1020 in
// magnitude, and q = gx^2 + gy^2 (at most 2080800) is the squared magnitude that peak
// detection compares.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vc_edge_detail {

// Fills g (2 * width entries: gx and gy of pixel x at 2x and 2x + 1, interleaved for the
// peak test's multiply-adds) and q (width entries) for the image row mid, with up and down the
// rows above and below (mid itself at the top or bottom border). vs and vd are scratch rows of
// width + 2 entries. Requires width >= 1.
void sobelRow(const std::uint8_t* up, const std::uint8_t* mid, const std::uint8_t* down, long width,
              std::int16_t* vs, std::int16_t* vd, std::int16_t* g, std::int32_t* q);

// The gradient of pixel (x, y) alone, equal to entry x of sobelRow for row y. row0 points to
// row 0 of an image of width w and height h with rows `stride` apart; (x, y) inside it.
inline void sobelAt(const std::uint8_t* row0, long stride, long w, long h, long x, long y,
                    std::int32_t& gx, std::int32_t& gy) {
  const std::uint8_t* up = row0 + std::max(y - 1, 0L) * stride;
  const std::uint8_t* mid = row0 + y * stride;
  const std::uint8_t* down = row0 + std::min(y + 1, h - 1) * stride;
  const long l = std::max(x - 1, 0L), r = std::min(x + 1, w - 1);
  const auto vs = [&](long c) { return std::int32_t(up[c] + 2 * mid[c] + down[c]); };
  const auto vd = [&](long c) { return std::int32_t(down[c] - up[c]); };
  gx = vs(r) - vs(l);
  gy = vd(l) + 2 * vd(x) + vd(r);
}

// Magnitude times magScale (scale = magScale / 8, times the detector's contrast factor) from the
// Sobel magnitude sqrt(q), rounded and saturated at limit.
inline long scaledMagnitude(float sobelMagnitude, float scale, float limit) {
  return long(std::min(limit, sobelMagnitude * scale + 0.5f));
}

// The same from the squared Sobel magnitude q.
inline long scaledMagnitude(std::int32_t q, float scale, float limit) {
  return scaledMagnitude(std::sqrt(float(q)), scale, limit);
}

}  // namespace vc_edge_detail
