#pragma once

// Generated scenes for the skeletal extraction benchmarks and the peer comparison: stroke
// figures (letters and symbols of two to four thick straight strokes) for speed, and single
// bars with known axes for accuracy. Header-only so that bench/peers can use it too.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "platform/base/vector.h"
#include "scenes/canvas.h"
#include "scenes/random.h"

namespace skeleton_bench {

// The stroke figures, as polylines in a unit box (x right, y down); each polyline is drawn as
// connected strokes.
inline const std::vector<std::vector<vcVector<2>>>& figureShapes() {
  static const std::vector<std::vector<vcVector<2>>> shapes = {
      {{0.1, 0.0}, {0.1, 1.0}, {0.8, 1.0}},                            // L
      {{0.0, 0.0}, {1.0, 0.0}, {0.5, 0.0}, {0.5, 1.0}},                // T
      {{0.0, 0.0}, {1.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}},                // Z
      {{0.0, 1.0}, {0.0, 0.0}, {1.0, 1.0}, {1.0, 0.0}},                // N
      {{0.0, 0.0}, {0.5, 1.0}, {1.0, 0.0}},                            // V
      {{0.0, 0.3}, {1.0, 0.3}, {1.0, 1.0}},                            // angle
      {{0.5, 0.0}, {0.5, 1.0}, {0.5, 0.5}, {0.0, 0.5}, {1.0, 0.5}},    // cross
      {{0.0, 1.0}, {0.5, 0.0}, {1.0, 1.0}, {0.25, 0.5}, {0.75, 0.5}},  // A
  };
  return shapes;
}

// A scene of stroke figures on a dark background: ten per 640 x 480 pixels, one per cell of a
// grid, each of size 70 to 110 pixels, stroke width 8 to 16, turned by up to 30 degrees,
// contrast 80 to 120, blur 1, noise 3.
inline vcPelBuffer<unsigned char> strokeFigureScene(long width, long height, std::uint32_t seed) {
  vcSceneCanvas canvas(width, height, 40.0);
  vcSceneRandom random(seed);
  const long count = std::max(1L, 10 * width * height / (640 * 480));
  const long columns = std::max(1L, long(std::lround(std::sqrt(double(count) * width / height))));
  const long rows = (count + columns - 1) / columns;
  const double cellW = double(width) / double(columns), cellH = double(height) / double(rows);
  const double cell = std::min(cellW, cellH);
  const auto& shapes = figureShapes();
  for (long k = 0; k < count; ++k) {
    const vcVector<2> centre((double(k % columns) + 0.5) * cellW,
                             (double(k / columns) + 0.5) * cellH);
    const double size = std::min(random.uniform(70.0, 110.0), 0.6 * cell);
    const double turn = random.uniform(-30.0, 30.0) * std::numbers::pi / 180.0;
    const double strokeWidth = std::min(random.uniform(8.0, 16.0), 0.2 * size);
    const double grey = 40.0 + random.uniform(80.0, 120.0);
    const std::vector<vcVector<2>>& shape = shapes[std::size_t(k) % shapes.size()];
    const double c = std::cos(turn), s = std::sin(turn);
    auto place = [&](const vcVector<2>& p) {
      const vcVector<2> q = (p - vcVector<2>(0.5, 0.5)) * size;
      return centre + vcVector<2>(c * q.x() - s * q.y(), s * q.x() + c * q.y());
    };
    for (std::size_t i = 0; i + 1 < shape.size(); ++i)
      canvas.drawStroke(place(shape[i]), place(shape[i + 1]), strokeWidth, grey);
  }
  canvas.blur(1.0);
  canvas.addNoise(3.0, random);
  return canvas.image();
}

// One straight bar of light grey on a darker background, centred in a square image with room
// for its whole length, and the truth the extraction should find.
struct vsBarCase {
  double width = 10.0;     // pixels
  double length = 100.0;   // pixels
  double angle = 0.0;      // radians, from +x towards +y
  double contrast = 80.0;  // grey levels above the background
  double blur = 1.0;       // pixels
  double noise = 2.0;      // grey levels
};

struct vsBarScene {
  vcPelBuffer<unsigned char> image;
  vcVector<2> centre;  // of the bar, image coordinates
  vcVector<2> axis;    // unit vector along the bar
};

inline vsBarScene barScene(const vsBarCase& bar, double background, std::uint32_t seed) {
  const long size = long(bar.length + bar.width) + 40;
  vcSceneCanvas canvas(size, size, background);
  vcSceneRandom random(seed);
  vsBarScene scene;
  scene.centre =
      vcVector<2>(size / 2.0 + random.uniform(-0.5, 0.5), size / 2.0 + random.uniform(-0.5, 0.5));
  scene.axis = vcVector<2>(std::cos(bar.angle), std::sin(bar.angle));
  canvas.drawStroke(scene.centre - scene.axis * (bar.length / 2),
                    scene.centre + scene.axis * (bar.length / 2), bar.width,
                    background + bar.contrast);
  canvas.blur(bar.blur);
  canvas.addNoise(bar.noise, random);
  scene.image = canvas.image();
  return scene;
}

}  // namespace skeleton_bench
