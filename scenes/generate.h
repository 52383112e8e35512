#pragma once

// Whole random scenes with ground truth, from a seed and a size: for tests, benchmarks and the
// demo. Shapes do not overlap and keep clear of the image border (by 2 pixels plus three blur
// sigmas), so every boundary in the truth is a clean, isolated boundary in the image.
//
//   vsSceneParams params;
//   params.width = 640;  params.height = 480;  params.seed = 7;
//   params.minSize = 15.0;  params.maxSize = 40.0;
//   vsScene scene = scenes::circles(params);
//   for (const vsSceneCircle& c : scene.circles) ...  // compare with what a tool finds
//
// Each generator draws its shapes with the foreground grey level on the background, then
// blurs and adds noise (scenes/canvas.h). The same parameters give the same scene, pixel for
// pixel, on every platform. When the image has no room left, a generator places fewer than
// count shapes (the truth lists say how many); it gives up on a shape after 200 tries.
//
// Throws: vcBadParamsError, naming the field and its valid range, for invalid parameters.

#include <cstdint>

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
