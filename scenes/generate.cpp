#include "scenes/generate.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "scenes/canvas.h"
#include "scenes/check.h"
#include "scenes/placement.h"
#include "scenes/random.h"

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kTriesPerShape = 200;

void requireRange(const wchar_t* field, double value, double low, double high) {
  if (!(value >= low && value <= high))
    vfSceneRefuse(L"vsSceneParams", std::wstring(field) + L" must be in [" + vfSceneText(low) +
                                        L", " + vfSceneText(high) + L"], got " +
                                        vfSceneText(value));
}

void validate(const vsSceneParams& p) {
  requireRange(L"width", static_cast<double>(p.width), 8.0, 32768.0);
  requireRange(L"height", static_cast<double>(p.height), 8.0, 32768.0);
  requireRange(L"count", static_cast<double>(p.count), 0.0, 1000.0);
  requireRange(L"minSize", p.minSize, 0.5, 32768.0);
  requireRange(L"maxSize", p.maxSize, p.minSize, 32768.0);
  requireRange(L"minWidth", p.minWidth, 0.5, 32768.0);
  requireRange(L"maxWidth", p.maxWidth, p.minWidth, 32768.0);
  requireRange(L"ringFraction", p.ringFraction, 0.0, 1.0);
  requireRange(L"background", p.background, 0.0, 255.0);
  requireRange(L"foreground", p.foreground, 0.0, 255.0);
  requireRange(L"blurSigma", p.blurSigma, 0.0, 100.0);
  requireRange(L"noiseSigma", p.noiseSigma, 0.0, 255.0);
  if (p.foreground == p.background)
    vfSceneRefuse(L"vsSceneParams",
                  L"foreground must differ from background, both are " + vfSceneText(p.background));
}

// The sides of a polygon as edges, each with its normal turned towards the lighter side.
void appendEdges(const std::vector<vcVector<2>>& vertices, bool lightInside,
                 std::vector<vsSceneEdge>& edges) {
  // With a positive shoelace sum the interior lies on the side of each edge direction d
  // that d.perp() points to; the outward normal is then -d.perp().
  double twiceArea = 0.0;
  for (std::size_t k = 0; k < vertices.size(); ++k)
    twiceArea += vertices[k].cross(vertices[(k + 1) % vertices.size()]);
  const double towardsLight = (twiceArea > 0.0) == lightInside ? 1.0 : -1.0;
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    const vcVector<2>& a = vertices[k];
    const vcVector<2>& b = vertices[(k + 1) % vertices.size()];
    edges.push_back({a, b, (b - a).unit().perp() * towardsLight});
  }
}

// Places shapes one by one on a canvas, keeping them apart, and records their truth.
class SceneBuilder {
 public:
  explicit SceneBuilder(const vsSceneParams& params)
      : params_(params),
        random_(params.seed),
        canvas_(params.width, params.height, params.background),
        lightInside_(params.foreground > params.background),
        placement_(double(params.width), double(params.height), 2.0 + 3.0 * params.blurSigma) {
    scene_.background = params.background;
    scene_.foreground = params.foreground;
  }

  // Tries up to kTriesPerShape times to place one shape with the given placer.
  template <class Placer>
  void place(Placer placer) {
    for (int t = 0; t < kTriesPerShape; ++t)
      if ((this->*placer)()) return;
  }

  bool placeCircle() {
    const double radius = random_.uniform(params_.minSize, params_.maxSize);
    const bool ring = random_.uniform() < params_.ringFraction;
    const double inner = radius - random_.uniform(params_.minWidth, params_.maxWidth);
    vcVector<2> center;
    if (!findCenter_(radius, center)) return false;
    const veScenePolarity polarity = polarity_(lightInside_);
    scene_.circles.push_back({center, radius, polarity});
    if (ring && inner >= 2.0) {
      canvas_.drawRing(center, radius, inner, params_.foreground);
      scene_.circles.push_back({center, inner, polarity_(!lightInside_)});
    } else {
      canvas_.drawDisc(center, radius, params_.foreground);
    }
    return true;
  }

  bool placeBar() {
    const double length = random_.uniform(params_.minSize, params_.maxSize);
    const double thickness = random_.uniform(params_.minWidth, params_.maxWidth);
    const vcVector<2> along(1.0, vcRadian(random_.uniform(0.0, kTwoPi)));
    vcVector<2> center;
    if (!findCenter_(0.5 * std::hypot(length, thickness), center)) return false;
    const vcVector<2> u = along * (0.5 * length), n = along.perp() * (0.5 * thickness);
    const std::vector<vcVector<2>> corners = {center - u - n, center + u - n, center + u + n,
                                              center - u + n};
    canvas_.drawPolygon(corners, params_.foreground);
    appendEdges(corners, lightInside_, scene_.edges);
    scene_.polygons.push_back({corners, polarity_(lightInside_)});
    return true;
  }

  bool placePolygon() {
    // Vertices at increasing angles about the centre make a simple, star-shaped polygon.
    const long n = random_.integer(3, 8);
    const double size = random_.uniform(params_.minSize, params_.maxSize);
    const double turn = random_.uniform(0.0, kTwoPi);
    std::vector<vcVector<2>> offsets;
    for (long k = 0; k < n; ++k) {
      const double angle = turn + kTwoPi * (k + random_.uniform(-0.3, 0.3)) / n;
      offsets.push_back(vcVector<2>(size * random_.uniform(0.6, 1.0), vcRadian(angle)));
    }
    vcVector<2> center;
    if (!findCenter_(size, center)) return false;
    for (vcVector<2>& v : offsets) v += center;
    canvas_.drawPolygon(offsets, params_.foreground);
    appendEdges(offsets, lightInside_, scene_.edges);
    scene_.polygons.push_back({offsets, polarity_(lightInside_)});
    return true;
  }

  bool placeStroke() {
    const double length = random_.uniform(params_.minSize, params_.maxSize);
    const double width = random_.uniform(params_.minWidth, params_.maxWidth);
    const vcVector<2> half(0.5 * length, vcRadian(random_.uniform(0.0, kTwoPi)));
    vcVector<2> center;
    if (!findCenter_(0.5 * std::hypot(length, width), center)) return false;
    canvas_.drawStroke(center - half, center + half, width, params_.foreground);
    scene_.strokes.push_back({center - half, center + half, width, polarity_(lightInside_)});
    return true;
  }

  // Blurs, adds noise and hands over the image with its truth.
  vsScene finish() {
    canvas_.blur(params_.blurSigma);
    canvas_.addNoise(params_.noiseSigma, random_);
    scene_.image = canvas_.image();
    return std::move(scene_);
  }

 private:
  static veScenePolarity polarity_(bool light) {
    return light ? veScenePolarity::eLightOnDark : veScenePolarity::eDarkOnLight;
  }

  bool findCenter_(double extent, vcVector<2>& center) {
    return placement_.find(random_, extent, center);
  }

  const vsSceneParams& params_;
  vcSceneRandom random_;
  vcSceneCanvas canvas_;
  bool lightInside_;
  vcScenePlacement placement_;
  vsScene scene_;
};

using Placer = bool (SceneBuilder::*)();

// A scene whose shape k is placed by placers[k % n].
template <std::size_t N>
vsScene generate(const vsSceneParams& params, const Placer (&placers)[N]) {
  validate(params);
  SceneBuilder builder(params);
  for (long k = 0; k < params.count; ++k) builder.place(placers[static_cast<std::size_t>(k) % N]);
  return builder.finish();
}

}  // namespace

namespace scenes {

vsScene circles(const vsSceneParams& params) {
  return generate(params, {&SceneBuilder::placeCircle});
}

vsScene lines(const vsSceneParams& params) { return generate(params, {&SceneBuilder::placeBar}); }

vsScene polygons(const vsSceneParams& params) {
  return generate(params, {&SceneBuilder::placePolygon});
}

vsScene strokes(const vsSceneParams& params) {
  return generate(params, {&SceneBuilder::placeStroke});
}

vsScene mixed(const vsSceneParams& params) {
  return generate(params, {&SceneBuilder::placeCircle, &SceneBuilder::placeBar});
}

vsScene edgeDensityScene(long width, long height) {
  vsSceneParams params;
  params.width = width;
  params.height = height;
  params.seed = 17;
  params.count = std::min(1000L, 20 * width * height / (640 * 480));
  params.minSize = 12.0;
  params.maxSize = 50.0;
  return mixed(params);
}

}  // namespace scenes
