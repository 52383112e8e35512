#include "overlay.h"

#include <algorithm>
#include <cmath>

#include "io/render_png.h"

namespace accuracy {

namespace {

constexpr long kZoom = 2;

}  // namespace

void paintSegment(vcRgbImage& picture, long zoom, const vcVector<2>& a, const vcVector<2>& b,
                  const vcColor& c, bool dotted) {
  const vcVector<2> d = (b - a) * double(zoom);
  const long steps = std::max(1L, long(std::ceil(4.0 * d.len())));
  for (long k = 0; k <= steps; ++k) {
    if (dotted && k % 8 >= 2) continue;
    const vcVector<2> p = a * double(zoom) + d * (double(k) / double(steps));
    picture.set(long(std::floor(p.x())), long(std::floor(p.y())), c);
  }
}

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
    paintSegment(picture, kZoom, found[k].p1, found[k].p2, colour);
  }
  for (std::size_t k : misses.brokenSides)
    paintSegment(picture, kZoom, scene.sides[k].edge.p1, scene.sides[k].edge.p2, vcColor::red(),
                 true);
  vfWriteRgbPng(path, picture);
}

}  // namespace accuracy
