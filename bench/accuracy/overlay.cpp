#include "overlay.h"

#include <algorithm>
#include <cmath>

#include "io/render_png.h"
#include "io/render_raster.h"

namespace accuracy {

namespace {

constexpr long kZoom = 2;

// Stamps the segment a-b (image coordinates) every quarter of a screen pixel, or dotted, on
// every other screen pixel, so that what lies under it stays visible.
void stroke(vcRgbImage& picture, const vcVector<2>& a, const vcVector<2>& b, const vcColor& c,
            bool dotted = false) {
  const vcVector<2> d = (b - a) * double(kZoom);
  const long steps = std::max(1L, long(std::ceil(4.0 * d.len())));
  for (long k = 0; k <= steps; ++k) {
    if (dotted && k % 8 >= 2) continue;
    const vcVector<2> p = a * double(kZoom) + d * (double(k) / double(steps));
    picture.set(long(std::floor(p.x())), long(std::floor(p.y())), c);
  }
}

}  // namespace

void writeLineOverlay(const std::string& path, const vsAccuracyScene& scene,
                      const std::vector<vsSegment>& found, const vsLineMisses& misses) {
  vcRgbImage picture = vfGreyToRgb(scene.image, kZoom);
  std::vector<bool> isFalse(found.size(), false);
  for (std::size_t k : misses.falseSegments) isFalse[k] = true;
  for (std::size_t k = 0; k < found.size(); ++k) {
    const bool isShort = found[k].p1.distance(found[k].p2) < 10.0;
    const vcColor colour = isFalse[k] ? vcColor::yellow()
                           : isShort  ? vcColor(0, 110, 0)
                                      : vcColor::green();
    stroke(picture, found[k].p1, found[k].p2, colour);
  }
  for (std::size_t k : misses.brokenSides)
    stroke(picture, scene.sides[k].edge.p1, scene.sides[k].edge.p2, vcColor::red(), true);
  vfWriteRgbPng(path, picture);
}

}  // namespace accuracy
