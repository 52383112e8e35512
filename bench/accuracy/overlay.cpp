#include "overlay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

void writeCircleOverlay(const std::string& path, const vsAccuracyScene& scene, std::size_t truth,
                        const std::vector<vsCircle>& found) {
  const vsSceneCircle& c = scene.circles[truth].circle;
  const double half = c.radius + 12.0;
  const long zoom = std::clamp(long(300.0 / (2.0 * half)), 1L, 8L);
  const long x0 = std::max(0L, long(std::floor(c.center.x() - half)));
  const long y0 = std::max(0L, long(std::floor(c.center.y() - half)));
  const long x1 = std::min(scene.image.width(), long(std::ceil(c.center.x() + half)));
  const long y1 = std::min(scene.image.height(), long(std::ceil(c.center.y() + half)));
  vcRgbImage picture = vfGreyToRgb(scene.image.window(x0, y0, x1 - x0, y1 - y0), zoom);
  const vcVector<2> origin{double(x0), double(y0)};
  const auto rim = [&](const vcVector<2>& centre, double r, const vcColor& colour, bool dotted) {
    const long n = std::max(16L, long(r * double(zoom)));
    for (long k = 0; k < n; ++k) {
      const double a = 2.0 * std::numbers::pi * double(k) / double(n),
                   b = 2.0 * std::numbers::pi * double(k + 1) / double(n);
      paintSegment(picture, zoom, centre - origin + vcVector<2>(r * std::cos(a), r * std::sin(a)),
                   centre - origin + vcVector<2>(r * std::cos(b), r * std::sin(b)), colour, dotted);
    }
  };
  for (const vsCircle& f : found)
    if (f.center.distance(c.center) < half + f.radius)
      rim(f.center, f.radius, vcColor::green(), false);
  rim(c.center, c.radius, vcColor::red(), true);
  vfWriteRgbPng(path, picture);
}

}  // namespace accuracy
