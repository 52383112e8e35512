#pragma once

// Scenes for measuring what the edge tools find over the whole range a user meets: light and
// dark objects of contrast 20 to 120 grey levels, blur up to 1.5 pixel sigma, noise up to 12
// grey levels sigma, discs and rings of radius 6 to 126, some discs partly hidden (up to 30 %
// of the rim) by a bar laid across their rim, and bars, rectangles and polygons as clutter
// whose straight sides are the truth for lines.
//
//   vsAccuracySceneParams params;
//   params.seed = 7;
//   vsAccuracyScene scene = scenes::accuracyScene(params);
//   for (const vsAccuracyCircle& c : scene.circles) ...   // c.contrast, c.hidden, c.circle
//
// Every scene draws its own blur and noise (uniform over the range) and every object its own
// polarity and contrast around a mid-grey background. Circle radii go through the radius
// buckets 6-12, 12-20, 20-40, 40-80 and 80-126 in turn, so every bucket gets its share.
// Objects keep clear of each other and of the border by two pixels plus three blur sigmas,
// so every true boundary is isolated, apart from the bars that hide rims (their sides are
// truth for lines but are not counted as sides to find, since their contrast changes where
// they cross a disc). Equal parameters give equal scenes on every platform.
//
// Throws: vcBadParamsError, naming the field and its valid range, for invalid parameters.

#include <cstdint>
#include <vector>

#include "scenes/truth.h"

struct vsAccuracySceneParams {
  long width = 800;  // image size, each in [300, 32768]
  long height = 600;
  std::uint32_t seed = 1;  // any value; equal seeds give equal scenes
  long circles = 5;        // discs and rings to place, in [0, 100]
  long clutter = 8;        // bars, rectangles and polygons to place, in [0, 1000]
};

// A true circle with what makes it easy or hard to find.
struct vsAccuracyCircle {
  vsSceneCircle circle;
  double contrast = 0.0;  // grey levels between the object and the background
  double hidden = 0.0;    // share of the rim under an occluding bar, in [0, 0.3]
};

// A true straight side.
struct vsAccuracySide {
  vsSceneEdge edge;
  double contrast = 0.0;  // grey levels across it (of the object against the background)
  bool counted = true;    // false for the sides of the bars that hide rims
};

struct vsAccuracyScene {
  vcPelBuffer<unsigned char> image;
  double blur = 0.0;   // pixels sigma
  double noise = 0.0;  // grey levels sigma
  std::vector<vsAccuracyCircle> circles;
  std::vector<vsAccuracySide> sides;
  std::vector<vcVector<2>> corners;  // every polygon vertex, bar corners included
};

namespace scenes {

// The radius buckets, pixels: bucket k spans [kRadiusBuckets[k], kRadiusBuckets[k + 1]].
inline constexpr double kRadiusBuckets[] = {6.0, 12.0, 20.0, 40.0, 80.0, 126.0};

vsAccuracyScene accuracyScene(const vsAccuracySceneParams& params);

}  // namespace scenes
