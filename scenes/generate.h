#pragma once

// Whole random scenes with ground truth, from a seed and a size: for tests, benchmarks and the
// demo. Shapes do not overlap and keep clear of the image border (by 2 pixels plus three blur
// sigmas), so every boundary in the truth is a clean, isolated boundary in the image. The same
// parameters give the same scene, pixel for pixel, on every platform. When the image has no
// room left, a generator places fewer shapes than asked (the truth lists say how many).
//
//   vsSceneParams params;
//   params.width = 640;  params.height = 480;  params.seed = 7;
//   params.minSize = 15.0;  params.maxSize = 40.0;
//   vsScene scene = scenes::circles(params);
//   for (const vsSceneCircle& c : scene.circles) ...  // compare with what a tool finds
//
// Two families:
// - circles() to edgeDensityScene(): every shape drawn with one foreground grey level on the
//   background, then blurred and noised as the parameters say (scenes/canvas.h); a shape is
//   given up after 200 tries.
// - accuracyScene(): the scenes on which the edge tools' accuracy is measured over the whole
//   range a user meets, each drawing its own blur, noise, polarities and contrasts (below).
//
// Throws (every generator): vcBadParamsError, naming the field and its valid range, for
// invalid parameters.

#include <cstdint>
#include <vector>

#include "scenes/truth.h"

// The parameters of a generated scene. Sizes are in pixels, grey levels in [0, 255].
struct vsSceneParams {
  long width = 640;  // image size, each in [8, 32768]
  long height = 480;
  std::uint32_t seed = 1;  // any value; equal seeds give equal scenes
  long count = 6;          // number of shapes to place, in [0, 1000]
  double minSize = 10.0;   // circles: radius; bars and strokes: length;
  double maxSize = 60.0;   //   polygons: largest vertex distance from the centre
  double minWidth = 4.0;   // bars and strokes: thickness; rings: outer minus inner radius
  double maxWidth = 12.0;
  double ringFraction = 0.3;  // circles: the share of rings among them, in [0, 1]
  double background = 40.0;   // grey level around the shapes
  double foreground = 200.0;  // grey level of the shapes, different from the background
  double blurSigma = 1.0;     // Gaussian blur, pixels, in [0, 100]; 0 for none
  double noiseSigma = 2.0;    // Gaussian noise, grey levels, in [0, 255]; 0 for none
};

namespace scenes {

// Discs and rings of radius in [minSize, maxSize]. Truth: circles (two per ring).
// A ring narrower than 2 pixels would be drawn as a disc.
vsScene circles(const vsSceneParams& params);

// Bars (filled rectangles) at random angles, length in [minSize, maxSize] and thickness in
// [minWidth, maxWidth]. Truth: edges (the four sides of each bar) and polygons (the bars).
vsScene lines(const vsSceneParams& params);

// Simple polygons of 3 to 8 vertices, star-shaped about their centre, vertex distances from
// the centre in [0.6, 1] times a size in [minSize, maxSize]. Truth: polygons and their edges.
vsScene polygons(const vsSceneParams& params);

// Straight thick strokes at random angles, length in [minSize, maxSize] and width in
// [minWidth, maxWidth]. Truth: strokes.
vsScene strokes(const vsSceneParams& params);

// Circles (as circles()) and bars (as lines()), alternating, count in all. Truth: circles,
// edges and polygons.
vsScene mixed(const vsSceneParams& params);

// The edge benchmarks' scene: mixed() with 20 shapes of size 12 to 50 per 640 x 480 pixels
// (at most 1000), seed 17, so that the edgelet density - a few thousand per 640 x 480 - is the
// same at every size and costs per pixel compare across sizes.
vsScene edgeDensityScene(long width, long height);

}  // namespace scenes

// ---- Accuracy scenes --------------------------------------------------------------------
//
// Light and dark objects of contrast 20 to 120 grey levels around a mid-grey background, blur
// up to 1.5 pixel sigma, noise up to 12 grey levels sigma, discs and rings of radius 6 to 126,
// some discs partly hidden (up to 30 % of the rim) by a bar laid across their rim, and bars,
// rectangles and polygons as clutter whose straight sides are the truth for lines.
//
//   vsAccuracySceneParams params;
//   params.seed = 7;
//   vsAccuracyScene scene = scenes::accuracyScene(params);
//   for (const vsAccuracyCircle& c : scene.circles) ...   // c.contrast, c.hidden, c.circle
//
// Every scene draws its blur and noise uniformly over the range, and every object its own
// polarity and contrast. Circle radii go through the radius buckets 6-12, 12-20, 20-40, 40-80
// and 80-126 in turn, so every bucket gets its share. The bars that hide rims are the one
// exception to isolated boundaries: their sides are truth for lines but are not counted as
// sides to find, since their contrast changes where they cross a disc.

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
  double hidden = 0.0;    // share of the rim under whatever was drawn over it (measured)
  double crowded = 0.0;   // share hidden or within 2 pixels of the outline of what hides it
};

// A true straight side.
struct vsAccuracySide {
  vsSceneEdge edge;
  double contrast = 0.0;  // grey levels across it (of the object against the background)
  bool counted = true;    // false for the sides of the bars that hide rims
  long shape = 0;         // the polygon it belongs to: sides of one polygon share it
  double corner = 180.0;  // the smaller of the polygon's inner angles at its ends, degrees
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
