#pragma once

// Exact anti-aliasing: the share of a pixel square covered by a shape.
//
// A pixel (i, j) is the square [i, i + 1) x [j, j + 1) of image coordinates. The canvas
// (scenes/canvas.h) blends each shape into a pixel in proportion to the area it covers, so a
// rendered scene is the box-filtered ideal scene and every boundary sits exactly where its
// ground truth says, to within the 8-bit rounding of the output.
//
//   double a = vfDiscSquareArea(center, 10.0, 3.0, 4.0);   // disc against pixel (3, 4)
//
//   vcPolygonCoverage cover(x0, y0, w, h);                 // a pixel box of the image
//   cover.addPolygon(vertices);
//   double c = cover.at(i, j);                             // coverage of pixel (x0+i, y0+j)

#include <span>
#include <vector>

#include "platform/base/vector.h"

// The area of the disc (center, radius) inside the unit square [x0, x0 + 1) x [y0, y0 + 1),
// exactly (closed-form integral of the circle's chord length), in [0, 1].
// Requires: radius >= 0 (not checked: callers validate).
double vfDiscSquareArea(const vcVector<2>& center, double radius, double x0, double y0);

// Coverage of the pixels of a box by polygons, by signed area accumulation: every directed
// edge adds, to each pixel row it crosses, the area between itself and the row's right end;
// a running sum along the row then gives each pixel's covered area. Exact for any simple
// polygon, either orientation; overlapping polygons add up (clamped to 1).
class vcPolygonCoverage {
 public:
  // An empty coverage of the pixels [x0, x0 + width) x [y0, y0 + height).
  // Requires: width, height >= 1.
  vcPolygonCoverage(long x0, long y0, long width, long height);

  // Adds the closed polygon through the vertices (image coordinates). Parts outside the box
  // are handled exactly: they still decide the coverage of the box's pixels.
  // Requires: at least three vertices, all finite.
  void addPolygon(std::span<const vcVector<2>> vertices);

  // Turns the accumulated edge areas into pixel coverages in [0, 1]; call once, after the
  // last addPolygon, before at().
  void finish();

  // The coverage of pixel (x0 + i, y0 + j), in [0, 1], after finish().
  double at(long i, long j) const { return cells_[static_cast<std::size_t>(j * stride_ + i)]; }

  // Row j's coverages, width() of them, after finish().
  const double* row(long j) const { return cells_.data() + j * stride_; }

  long width() const { return width_; }
  long height() const { return height_; }

 private:
  void addEdge_(vcVector<2> a, vcVector<2> b);
  void addRowPiece_(long row, double xa, double ya, double xb, double yb);
  void addCellPiece_(long row, double xa, double ya, double xb, double yb);

  long x0_, y0_, width_, height_, stride_;
  std::vector<double> cells_;
};
