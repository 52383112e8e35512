#include "scenes/generate.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "scenes/canvas.h"
#include "scenes/check.h"
#include "scenes/placement.h"
#include "scenes/random.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int kTries = 300;
constexpr long kRadiusBucketCount = 5;
// A rim point this close to the outline of a polygon drawn over the circle counts as crowded,
// pixels.
constexpr double kCrowdedDistance = 2.0;

void requireRange(const wchar_t* field, long value, long low, long high) {
  if (value < low || value > high)
    vfSceneRefuse(L"vsAccuracySceneParams",
                  std::wstring(field) + L" must be in [" + std::to_wstring(low) + L", " +
                      std::to_wstring(high) + L"], got " + std::to_wstring(value));
}

class AccuracySceneBuilder {
 public:
  explicit AccuracySceneBuilder(const vsAccuracySceneParams& params)
      : params_(params),
        random_(params.seed),
        background_(random_.uniform(120.0, 135.0)),
        canvas_(params.width, params.height, background_) {
    scene_.blur = random_.uniform(0.0, 1.5);
    scene_.noise = random_.uniform(0.0, 12.0);
    placement_ = std::make_unique<vcScenePlacement>(double(params.width), double(params.height),
                                                    2.0 + 3.0 * scene_.blur);
  }

  // Circles first, largest first, so that the large ones find room.
  void placeCircles() {
    std::vector<double> radii;
    for (long k = 0; k < params_.circles; ++k) {
      const long bucket = long((params_.seed * 7u + std::uint32_t(k)) % kRadiusBucketCount);
      radii.push_back(
          random_.uniform(scenes::kRadiusBuckets[bucket], scenes::kRadiusBuckets[bucket + 1]));
    }
    std::sort(radii.rbegin(), radii.rend());
    for (double r : radii)
      for (int t = 0; t < kTries && !placeCircle_(r); ++t) {
      }
  }

  void placeClutter() {
    for (long k = 0; k < params_.clutter; ++k)
      for (int t = 0; t < kTries && !placeClutter_(k % 3); ++t) {
      }
  }

  vsAccuracyScene finish() {
    measureHidden_();
    canvas_.blur(scene_.blur);
    canvas_.addNoise(scene_.noise, random_);
    scene_.image = canvas_.image();
    return std::move(scene_);
  }

 private:
  struct Look {
    double contrast;
    double grey;
    bool light;
  };

  // A polarity and a contrast of 20 to 120 grey levels against the background.
  Look drawLook_() {
    const bool light = random_.uniform() < 0.5;
    const double contrast = random_.uniform(20.0, 120.0);
    return {contrast, background_ + (light ? contrast : -contrast), light};
  }

  static veScenePolarity polarity_(bool light) {
    return light ? veScenePolarity::eLightOnDark : veScenePolarity::eDarkOnLight;
  }

  bool placeCircle_(double radius) {
    // Half of the discs get a bar across their rim hiding a share of 0.02 to 0.3 of it; the
    // bar runs along a radius, from outside the disc to a depth where its width hides exactly
    // that share (half-angle pi x share, so width 2 r sin(pi share)).
    const bool ring = random_.uniform() < 0.3 && radius >= 14.0;
    const bool hide = !ring && random_.uniform() < 0.5;
    const double share = hide ? random_.uniform(0.02, 0.3) : 0.0;
    const double outside = hide ? 8.0 + 0.2 * radius : 0.0;
    vcVector<2> center;
    if (!findCenter_(radius + outside, center)) return false;
    const Look look = drawLook_();
    scene_.circles.push_back({{center, radius, polarity_(look.light)}, look.contrast, share});
    circlesDrawnAfter_.push_back(long(polygons_.size()));
    if (ring) {
      const double inner = radius - random_.uniform(5.0, std::max(6.0, 0.4 * radius));
      canvas_.drawRing(center, radius, inner, look.grey);
      scene_.circles.push_back({{center, inner, polarity_(!look.light)}, look.contrast, 0.0});
      circlesDrawnAfter_.push_back(long(polygons_.size()));
    } else {
      canvas_.drawDisc(center, radius, look.grey);
    }
    if (hide) {
      // The bar has the other polarity, so its grey differs from the disc's.
      const double contrast = random_.uniform(20.0, 120.0);
      const double grey = background_ + (look.light ? -contrast : contrast);
      const vcVector<2> u(1.0, vcRadian(random_.uniform(0.0, 2.0 * kPi)));
      const double halfWidth = radius * std::sin(kPi * share);
      const double depth =
          std::max(0.0, radius * std::cos(kPi * share) - std::max(3.0, 0.2 * radius));
      const vcVector<2> a = center + u * depth, b = center + u * (radius + outside);
      const vcVector<2> n = u.perp() * halfWidth;
      addPolygon_({a - n, b - n, b + n, a + n}, contrast, grey, !look.light, false);
    }
    return true;
  }

  bool placeClutter_(long kind) {
    const Look look = drawLook_();
    std::vector<vcVector<2>> offsets;
    const vcVector<2> u(1.0, vcRadian(random_.uniform(0.0, 2.0 * kPi)));
    if (kind == 0 || kind == 1) {
      // Bars: long and thin; rectangles: two sides of 40 to 160 pixels.
      const double length = random_.uniform(40.0, 200.0);
      const double width = kind == 0 ? random_.uniform(4.0, 16.0) : random_.uniform(40.0, 160.0);
      const vcVector<2> a = u * (0.5 * length), b = u.perp() * (0.5 * width);
      offsets = {-a - b, a - b, a + b, -a + b};
    } else {
      // Polygons of 3 to 8 vertices at increasing angles about the centre (simple,
      // star-shaped).
      const long n = random_.integer(3, 8);
      const double size = random_.uniform(30.0, 120.0);
      const double turn = random_.uniform(0.0, 2.0 * kPi);
      for (long k = 0; k < n; ++k) {
        const double angle =
            turn + 2.0 * kPi * (double(k) + random_.uniform(-0.3, 0.3)) / double(n);
        offsets.push_back(vcVector<2>(size * random_.uniform(0.6, 1.0), vcRadian(angle)));
      }
    }
    double extent = 0.0;
    for (const vcVector<2>& v : offsets) extent = std::max(extent, v.len());
    vcVector<2> center;
    if (!findCenter_(extent, center)) return false;
    for (vcVector<2>& v : offsets) v += center;
    addPolygon_(offsets, look.contrast, look.grey, look.light, true);
    return true;
  }

  // Draws a polygon and records its corners and its sides, each side's normal turned towards
  // the lighter side.
  void addPolygon_(const std::vector<vcVector<2>>& vertices, double contrast, double grey,
                   bool light, bool counted) {
    canvas_.drawPolygon(vertices, grey);
    polygons_.push_back(vertices);
    // With a positive shoelace sum the interior lies on the side that d.perp() points to.
    double twiceArea = 0.0;
    const std::size_t n = vertices.size();
    for (std::size_t k = 0; k < n; ++k) twiceArea += vertices[k].cross(vertices[(k + 1) % n]);
    const double towardsLight = (twiceArea > 0.0) == light ? 1.0 : -1.0;
    // The inner angle at vertex k: half a turn less the turn from the side before it to the
    // side after it, counted positive towards the interior.
    const double orientation = twiceArea > 0.0 ? 1.0 : -1.0;
    const auto innerAngle = [&](std::size_t k) {
      const vcVector<2> in = vertices[k] - vertices[(k + n - 1) % n];
      const vcVector<2> out = vertices[(k + 1) % n] - vertices[k];
      const double turn = std::atan2(in.cross(out), in * out) * orientation;
      return (kPi - turn) * 180.0 / kPi;
    };
    const long shape = long(polygons_.size()) - 1;
    for (std::size_t k = 0; k < n; ++k) {
      const vcVector<2>& a = vertices[k];
      const vcVector<2>& b = vertices[(k + 1) % n];
      const double corner = std::min(innerAngle(k), innerAngle((k + 1) % n));
      scene_.sides.push_back(
          {{a, b, (b - a).unit().perp() * towardsLight}, contrast, counted, shape, corner});
      scene_.corners.push_back(a);
    }
  }

  // The share of each circle's rim that polygons drawn after it cover, from 1440 points along
  // the rim: what a bar laid across it hides and whatever else was drawn over it; and the share
  // that is covered or lies within kCrowdedDistance of such a polygon's outline, where the
  // rim's edge and the polygon's merge under blur and smoothing.
  void measureHidden_() {
    constexpr long kRimPoints = 1440;
    for (std::size_t c = 0; c < scene_.circles.size(); ++c) {
      const vsSceneCircle& circle = scene_.circles[c].circle;
      long covered = 0, crowded = 0;
      for (long k = 0; k < kRimPoints; ++k) {
        const vcVector<2> p =
            circle.center +
            vcVector<2>(circle.radius, vcRadian(2.0 * kPi * (double(k) + 0.5) / kRimPoints));
        bool in = false, near = false;
        for (std::size_t q = std::size_t(circlesDrawnAfter_[c]); q < polygons_.size(); ++q) {
          in = in || inside_(polygons_[q], p);
          near = near || outlineDistance_(polygons_[q], p) <= kCrowdedDistance;
        }
        covered += in ? 1 : 0;
        crowded += in || near ? 1 : 0;
      }
      scene_.circles[c].hidden = double(covered) / double(kRimPoints);
      scene_.circles[c].crowded = double(crowded) / double(kRimPoints);
    }
  }

  // Distance from p to the outline of the polygon.
  static double outlineDistance_(const std::vector<vcVector<2>>& polygon, const vcVector<2>& p) {
    double nearest = 1e300;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
      const vcVector<2> d = polygon[i] - polygon[j];
      const double t = std::clamp(((p - polygon[j]) * d) / std::max(d * d, 1e-12), 0.0, 1.0);
      nearest = std::min(nearest, p.distance(polygon[j] + d * t));
    }
    return nearest;
  }

  // Whether p lies inside the simple polygon (even-odd crossings of a ray towards +x).
  static bool inside_(const std::vector<vcVector<2>>& polygon, const vcVector<2>& p) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
      const vcVector<2>& a = polygon[i];
      const vcVector<2>& b = polygon[j];
      if ((a.y() > p.y()) != (b.y() > p.y()) &&
          p.x() < a.x() + (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()))
        in = !in;
    }
    return in;
  }

  bool findCenter_(double extent, vcVector<2>& center) {
    return placement_->find(random_, extent, center);
  }

  const vsAccuracySceneParams& params_;
  vcSceneRandom random_;
  double background_;
  vcSceneCanvas canvas_;
  std::unique_ptr<vcScenePlacement> placement_;
  vsAccuracyScene scene_;
  // Every polygon drawn, in order, and for each circle how many had been drawn before it.
  std::vector<std::vector<vcVector<2>>> polygons_;
  std::vector<long> circlesDrawnAfter_;
};

}  // namespace

namespace scenes {

vsAccuracyScene accuracyScene(const vsAccuracySceneParams& params) {
  requireRange(L"width", params.width, 300, 32768);
  requireRange(L"height", params.height, 300, 32768);
  requireRange(L"circles", params.circles, 0, 100);
  requireRange(L"clutter", params.clutter, 0, 1000);
  AccuracySceneBuilder builder(params);
  builder.placeCircles();
  builder.placeClutter();
  return builder.finish();
}

}  // namespace scenes
