#pragma once

// A canvas for synthetic scenes: shapes drawn with exact anti-aliasing on a flat background,
// then Gaussian blur and Gaussian noise, then rounding to an 8-bit image.
//
// The canvas keeps its values as floats, so blur and noise work on the ideal grey levels and
// the only rounding is the final one. Coordinates are image coordinates: pixel (i, j) is the
// square [i, i + 1) x [j, j + 1), its centre at (i + 0.5, j + 0.5). A shape of grey level g
// covering a share c of a pixel turns its value v into v + (g - v) c, so a pixel wholly inside
// gets g and a boundary pixel the area-weighted mix (scenes/coverage.h).
//
//   vcSceneCanvas canvas(640, 480, 40.0);                 // width, height, background grey
//   canvas.drawDisc(vcVector<2>(320.0, 240.0), 50.0, 200.0);
//   canvas.drawHalfPlane(vcVector<2>(100.0, 0.0), vcVector<2>(-1.0, 0.2), 200.0);
//   canvas.blur(1.0);                                     // sigma in pixels
//   vcSceneRandom random(7);
//   canvas.addNoise(2.0, random);                         // sigma in grey levels
//   vcPelBuffer<unsigned char> image = canvas.image();
//
// Every drawing call checks its arguments and throws vcBadParamsError, naming the argument and
// its valid range, before it changes anything. Positions and lengths are in pixels and must lie
// within +-1e7 ("finite" below means that). Shapes may extend past the canvas; only the part
// inside is drawn. Each shape is drawn within its bounding box only.

#include <span>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "scenes/random.h"

class vcSceneCanvas {
 public:
  // A width x height canvas filled with the background grey level.
  // Requires: 1 <= width, height <= 32768; background in [0, 255].
  // Throws: vcBadParamsError otherwise.
  vcSceneCanvas(long width, long height, double background);

  long width() const { return width_; }
  long height() const { return height_; }

  // The value of pixel (x, y), before rounding: a grey level, not clamped.
  // Throws: vcBadParamsError for a pixel outside the canvas.
  double value(long x, long y) const;

  // The disc of the given centre and radius (pixels), filled with grey.
  // Requires: centre finite; radius > 0; grey in [0, 255].
  void drawDisc(const vcVector<2>& center, double radius, double grey);

  // The ring between the two radii (pixels) around centre, filled with grey; the hole keeps
  // what was there.
  // Requires: centre finite; 0 <= innerRadius < outerRadius; grey in [0, 255].
  void drawRing(const vcVector<2>& center, double outerRadius, double innerRadius, double grey);

  // The polygon through the vertices (either orientation; simple, that is not crossing
  // itself, for exact coverage), filled with grey.
  // Requires: at least 3 finite vertices; grey in [0, 255].
  void drawPolygon(std::span<const vcVector<2>> vertices, double grey);

  // A straight stroke of the given width (pixels) along the centre line p1-p2, with square
  // ends cut across the line at p1 and p2 (a rotated rectangle), filled with grey.
  // Requires: p1, p2 finite and distinct; width > 0; grey in [0, 255].
  void drawStroke(const vcVector<2>& p1, const vcVector<2>& p2, double width, double grey);

  // The half-plane of the points p with (p - point) . normal >= 0, filled with grey. Its
  // boundary is the straight edge through point across normal; normal points into the
  // filled side (towards the light side when grey is the lighter level).
  // Requires: point finite; normal finite and not null; grey in [0, 255].
  void drawHalfPlane(const vcVector<2>& point, const vcVector<2>& normal, double grey);

  // Separable Gaussian blur with standard deviation sigma (pixels); 0 leaves the canvas as
  // it is. Each kernel weight is the Gaussian's integral over one pixel, so small sigmas stay
  // well-behaved (the effective variance is sigma^2 + 1/12). The kernel reaches 4 sigma;
  // pixels past the canvas border repeat the border pixel.
  // Requires: 0 <= sigma <= 100. Throws: vcBadParamsError otherwise.
  void blur(double sigma);

  // Adds independent Gaussian noise of standard deviation sigma (grey levels) to every
  // pixel, in raster order from random. Rounding and clamping happen in image().
  // Requires: 0 <= sigma <= 255. Throws: vcBadParamsError otherwise.
  void addNoise(double sigma, vcSceneRandom& random);

  // The canvas as an 8-bit image (rows aligned to 32 bytes): every value rounded to the
  // nearest integer and clamped to [0, 255]. The image has offset (0, 0) and the identity
  // client-from-image transform.
  vcPelBuffer<unsigned char> image() const;

 private:
  float* row_(long y) { return values_.data() + y * width_; }
  const float* row_(long y) const { return values_.data() + y * width_; }
  void fillPolygon_(std::span<const vcVector<2>> vertices, double grey);

  long width_;
  long height_;
  std::vector<float> values_;
};
