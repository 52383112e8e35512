#include "overlay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "edges/circle_fit.h"
#include "io/render_png.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"

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

namespace {

// A picture of the scene around a circle, enlarged so that the circle spans about 300 screen
// pixels (at most 8 times), and how to paint rims and points onto it.
class CircleWindow {
 public:
  CircleWindow(const vsAccuracyScene& scene, const vcVector<2>& centre, double radius)
      : half_(radius + 12.0), centre_(centre) {
    zoom_ = std::clamp(long(300.0 / (2.0 * half_)), 1L, 8L);
    const long x0 = std::max(0L, long(std::floor(centre.x() - half_)));
    const long y0 = std::max(0L, long(std::floor(centre.y() - half_)));
    const long x1 = std::min(scene.image.width(), long(std::ceil(centre.x() + half_)));
    const long y1 = std::min(scene.image.height(), long(std::ceil(centre.y() + half_)));
    picture_ = vfGreyToRgb(scene.image.window(x0, y0, x1 - x0, y1 - y0), zoom_);
    origin_ = vcVector<2>{double(x0), double(y0)};
  }

  bool near(const vcVector<2>& centre, double radius) const {
    return centre.distance(centre_) < half_ + radius;
  }

  void rim(const vcVector<2>& centre, double r, const vcColor& colour, bool dotted) {
    const long n = std::max(16L, long(r * double(zoom_)));
    for (long k = 0; k < n; ++k) {
      const double a = 2.0 * std::numbers::pi * double(k) / double(n),
                   b = 2.0 * std::numbers::pi * double(k + 1) / double(n);
      paintSegment(
          picture_, zoom_, centre - origin_ + vcVector<2>(r * std::cos(a), r * std::sin(a)),
          centre - origin_ + vcVector<2>(r * std::cos(b), r * std::sin(b)), colour, dotted);
    }
  }

  // A square of about a third of a pixel at p, or of two thirds when large.
  void point(const vcVector<2>& p, const vcColor& colour, bool large) {
    const vcVector<2> q = (p - origin_) * double(zoom_);
    const long reach = std::max(large ? 1L : 0L, zoom_ / (large ? 3 : 6));
    for (long dy = -reach; dy <= reach; ++dy)
      for (long dx = -reach; dx <= reach; ++dx)
        picture_.set(long(std::floor(q.x())) + dx, long(std::floor(q.y())) + dy, colour);
  }

  void write(const std::string& path) const { vfWriteRgbPng(path, picture_); }

 private:
  double half_;
  vcVector<2> centre_, origin_;
  long zoom_ = 1;
  vcRgbImage picture_;
};

// Whether a circle fitted to the chain alone covers at least coverageInitialFit of it with a
// radius the finder would keep (half the smallest radius to 1.5 times the largest searched):
// whether the chain can seed a candidate.
bool seedsCircle(const vcChainTrackerResultSet& chains, const vcChainTrackerResult& chain) {
  if (chain.numEdgelets() < 4) return false;
  // Points about the chain's first edgelet, for well-conditioned sums.
  const vcEdgelet& origin = chains.edges()[std::size_t(chain.edgeletIndexes()[0])];
  vc_circle_detail::FitSums sums;
  for (long k = 0; k < chain.numEdgelets(); ++k) {
    const vcEdgelet& e = chains.edges()[std::size_t(chain.edgeletIndexes()[k])];
    sums.addPoint(e.posQuickX() - origin.posQuickX(), e.posQuickY() - origin.posQuickY(), 0.0);
  }
  vc_circle_detail::CircleFit fit;
  if (!sums.fit(fit)) return false;
  const double r = std::sqrt(fit.radiusSqr);
  const double lo = 0.5 * scenes::kRadiusBuckets[0], hi = 1.5 * scenes::kRadiusBuckets[5];
  return r >= lo && r <= hi &&
         sums.n / (2.0 * std::numbers::pi * r) >= vcCircleFinderRunParams().coverageInitialFit();
}

}  // namespace

void writeCircleOverlay(const std::string& path, const vsAccuracyScene& scene, std::size_t truth,
                        const std::vector<vsCircle>& found) {
  const vsSceneCircle& c = scene.circles[truth].circle;
  CircleWindow window(scene, c.center, c.radius);
  for (const vsCircle& f : found)
    if (window.near(f.center, f.radius)) window.rim(f.center, f.radius, vcColor::green(), false);
  window.rim(c.center, c.radius, vcColor::red(), true);
  window.write(path);
}

void writeFalseCircleOverlay(const std::string& path, const vsAccuracyScene& scene,
                             const std::vector<vsCircle>& found, std::size_t f) {
  CircleWindow window(scene, found[f].center, found[f].radius);
  // The chains as the circle finder links them.
  vcChainTrackerRunParams params(3, vcCircleFinderRunParams().magThresh(), vcDegree(45.0), false,
                                 vcChainTrackerDefs::eSortByLength, vcDegree(45.0), 10, 10);
  vcChainTrackerResultSet chains;
  vfChainTracker(scene.image, params, chains, nullptr, 0);
  const vcColor palette[] = {vcColor(0, 200, 255), vcColor(255, 0, 255), vcColor(0, 90, 255),
                             vcColor(255, 128, 0), vcColor(0, 255, 128), vcColor(160, 80, 255)};
  std::size_t colour = 0;
  for (const vcChainTrackerResult& chain : chains.results()) {
    const bool seeds = seedsCircle(chains, chain);
    for (long k = 0; k < chain.numEdgelets(); ++k) {
      const vcEdgelet& e = chains.edges()[std::size_t(chain.edgeletIndexes()[k])];
      window.point(vcVector<2>(e.posQuickX(), e.posQuickY()), palette[colour % 6], seeds);
    }
    ++colour;
  }
  for (const vsAccuracyCircle& c : scene.circles)
    if (window.near(c.circle.center, c.circle.radius))
      window.rim(c.circle.center, c.circle.radius, vcColor::red(), true);
  for (std::size_t k = 0; k < found.size(); ++k)
    if (window.near(found[k].center, found[k].radius))
      window.rim(found[k].center, found[k].radius, k == f ? vcColor::yellow() : vcColor::green(),
                 false);
  window.write(path);
}

}  // namespace accuracy
