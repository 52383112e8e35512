#include "platform/ip/edge_noise.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/cpu/loop_hints.h"

namespace vc_edge_detail {

double noiseSigma(const vcPelBuffer_const<unsigned char>& image) {
  const long w = image.width(), h = image.height();
  if (w < 3 || h < 3) return 0.0;
  // Histogram of the absolute filter responses (at most 16 x 255); responses above the last
  // bin are edges, counted in it.
  constexpr long kBins = 1024;
  // Every second pixel of every eighth row: on 800 x 600 pixels 30000 samples, plenty for a
  // median, at a small part of the detector's time.
  constexpr long kRowStep = 8;
  std::array<std::uint32_t, kBins> counts{};
  long total = 0;
  // Each sampled row's responses are computed for every pixel in one pass the compiler
  // vectorises (exact in 16 bits), then every second one is counted.
  std::vector<std::uint16_t> bin(std::size_t(w), 0);
  for (long y = 1; y + 1 < h; y += kRowStep) {
    const unsigned char* up = image.pointToRow(y - 1);
    const unsigned char* mid = image.pointToRow(y);
    const unsigned char* down = image.pointToRow(y + 1);
    std::uint16_t* b = bin.data();
    VC_LOOP_INDEPENDENT
    for (long x = 1; x + 1 < w; ++x) {
      const std::int16_t corners = std::int16_t(up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1]);
      const std::int16_t sides = std::int16_t(up[x] + down[x] + mid[x - 1] + mid[x + 1]);
      const std::int16_t response = std::int16_t(corners - 2 * sides + 4 * mid[x]);
      const std::int16_t size = response < 0 ? std::int16_t(-response) : response;
      b[x] = std::uint16_t(std::min<std::int16_t>(size, kBins - 1));
    }
    for (long x = 1; x + 1 < w; x += 2) ++counts[b[x]];
    total += (w - 1) / 2;
  }
  // The median, interpolated within its bin so that small sigmas do not jump by whole levels.
  const double half = 0.5 * double(total);
  double below = 0.0;
  for (long b = 0; b < kBins; ++b) {
    const double next = below + double(counts[std::size_t(b)]);
    if (next >= half) {
      const double median = double(b) + (half - below) / double(counts[std::size_t(b)]) - 0.5;
      return std::max(0.0, median) / (0.6745 * 6.0);
    }
    below = next;
  }
  return double(kBins) / (0.6745 * 6.0);
}

}  // namespace vc_edge_detail
