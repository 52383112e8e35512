#include "platform/ip/edge_blur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace vc_edge_detail {

namespace {

// Reach of the step measurement each way from the steepest pixel: the step of a profile of
// sigma 1.8 (a step blurred by 1.5 pixels, after the narrow filter) is 97 % complete there.
constexpr long kReach = 4;
// Rows and columns searched: every fourth.
constexpr long kLineStep = 4;

// Ratios of step to slope along one line of pixels: p[k * along] for k in [0, n), with
// q[k * along] and r[k * along] the pixels of the lines on either side (one line across).
// Differences are taken over two pixels (twice the slope) and compared in integers.
void lineRatios(const unsigned char* p, const unsigned char* q, const unsigned char* r, long along,
                long n, double minSlope, std::vector<float>& ratios) {
  const auto at = [&](const unsigned char* line, long k) { return int(line[k * along]); };
  const auto rise = [&](long k) { return std::abs(at(p, k + 1) - at(p, k - 1)); };
  const int least = int(std::ceil(2.0 * minSlope));
  for (long k = kReach + 1; k + kReach + 1 < n; ++k) {
    const int d = at(p, k + 1) - at(p, k - 1), size = std::abs(d);
    if (size < least) continue;
    // The steepest pixel along the line, ties to the first.
    if (!(size > rise(k - 1) && size >= rise(k + 1))) continue;
    // Flat again at the reach on both sides (below 0.3 of the slope), and rising the same way
    // across the whole step.
    if (10 * rise(k - kReach) > 3 * size || 10 * rise(k + kReach) > 3 * size) continue;
    const int step = at(p, k + kReach) - at(p, k - kReach);
    if ((step > 0) != (d > 0) || step == 0) continue;
    // The rise across: the line crosses the edge at angle t, tan t = across / along, and the
    // profile along the line is 1 / cos t wider than across the edge. Lines more than 30
    // degrees off (cos^2 t below 3/4) are left out.
    const int across = at(r, k) - at(q, k);
    if (3 * across * across > d * d) continue;
    const double cosine = double(size) / std::hypot(double(d), double(across));
    ratios.push_back(float(2.0 * double(step) / double(d) * cosine));
  }
}

}  // namespace

double edgeWidth(const vcPelBuffer_const<unsigned char>& image, double minSlope) {
  const long w = image.width(), h = image.height();
  std::vector<float> ratios;
  if (w < 2 * kReach + 3 || h < 2 * kReach + 3) return 0.0;
  const long stride = image.rowUpdate();
  for (long y = 1; y + 1 < h; y += kLineStep)
    lineRatios(image.pointToRow(y), image.pointToRow(y - 1), image.pointToRow(y + 1), 1, w,
               minSlope, ratios);
  const unsigned char* top = image.pointToRow(0);
  for (long x = 1; x + 1 < w; x += kLineStep)
    lineRatios(top + x, top + x - 1, top + x + 1, stride, h, minSlope, ratios);
  if (long(ratios.size()) < kMinEdgeSamples) return 0.0;
  const auto middle = ratios.begin() + std::ptrdiff_t(ratios.size() / 2);
  std::nth_element(ratios.begin(), middle, ratios.end());
  return double(*middle) / std::sqrt(2.0 * std::numbers::pi);
}

}  // namespace vc_edge_detail
