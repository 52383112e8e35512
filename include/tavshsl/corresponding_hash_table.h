#pragma once

// vcCorrespondingHashTable: which found segments lie near a posed model segment.
//
// Built once per corresponder run over the found segments: every found segment is entered in
// the grid cells of a rectangle around it, widened by 2 distTol on every side. A query walks
// the cells under one model segment (already mapped into image coordinates) and lists each
// found segment met there once, when its direction is within 2 angleTol of the model
// segment's and the pairing scores above zero.
//
//   vcCorrespondingHashTable table(binSize, found, distTol, angleTol);   // found outlives it
//   std::vector<vcCorrespondingHashTableMatchData> matches;
//   for (long k = 0; k < n; ++k) table.match(matches, posedModel[k], k);
//
// Directions: two directed segments must point the same way; when either is undirected the
// two directions of a line count as one.

#include <cstdint>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/handle.h"
#include "platform/base/xform.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"
#include "tavshsl/tight_line_hash_table.h"

// One acceptable pairing of a model segment with a found segment.
struct vcCorrespondingHashTableMatchData {
  long foundIndex = 0;  // index into the table's found segments
  double score = 0.0;   // scoreSegmentPairing(model segment, found segment, distTol)
};

// The cells of the parallelogram with corner cells a, b, c and d = b + c - a (outline
// a -> b -> d -> c -> a), row by row from the lowest y up, each row from its least x to its
// greatest, keeping the cells inside a width x height grid. The outline is traced with the
// Bresenham line; rows holds the scratch row spans and is reused between calls.
class TAVSHSL_API vcGridQuadIterator {
 public:
  vcGridQuadIterator(long width, long height, long ax, long ay, long bx, long by, long cx, long cy,
                     std::vector<long>& rows);
  bool done() const { return y_ > yEnd_; }
  long x() const { return x_; }
  long y() const { return y_; }
  void next();

 private:
  void widen_(long x0, long y0, long x1, long y1);
  void startRow_();

  long width_, height_;
  long yMin_ = 0;
  long y_ = 0, yEnd_ = -1, x_ = 0, xEnd_ = -1;
  std::vector<long>& rows_;  // per row from yMin_: least x, greatest x
};

class TAVSHSL_API vcCorrespondingHashTable : public vcRepBase {
 public:
  // Largest number of grid cells.
  static constexpr double kMaxCells = 16777216.0;  // 2^24
  // Largest number of (cell, found segment) entries, over all cells.
  static constexpr std::size_t kMaxItems = std::size_t{1} << 32;

  // Sizes the grid to the found segments' end points widened by distTol, with cells of
  // binSize image units, and enters every found segment in the cells of its rectangle.
  // found is not copied: it must outlive the table and stay unchanged.
  // Throws: vcBadParamsError when found is empty, binSize or distTol is not > 0 and finite,
  // angleTol is not >= 0 and finite, an end point is not finite, or the grid would exceed
  // kMaxCells.
  vcCorrespondingHashTable(double binSize, const std::vector<vcFoundSegment>& found, double distTol,
                           vcRadian angleTol);

  // Replaces out with every found segment near modelSeg (in image coordinates) whose
  // direction differs from modelSeg's by at most 2 angleTol (folded for undirected segments)
  // and whose pairing score is > 0, each once, in the order the walk along modelSeg first
  // meets it. modelSegIndex does not influence the result.
  // Throws: vcBadParamsError when modelSeg's end points are not finite.
  void match(std::vector<vcCorrespondingHashTableMatchData>& out, const vcModelSegment& modelSeg,
             long modelSegIndex);
  // The same for a posed segment given by its end points and polarity, as a vcModelSegment of
  // them would be matched: its direction and line angles are worked out only once a found
  // segment comes to be judged or scored, which most posed segments of a run never need.
  // Throws: vcBadParamsError when seg's end points are not finite or polarity is no polarity.
  void match(std::vector<vcCorrespondingHashTableMatchData>& out, const vcLineSeg& seg,
             vcSegmentDefs::veSegmentPolarity polarity);

  // Image coordinates to grid coordinates.
  const vcXform<2>& toGrid() const { return toGrid_; }
  long width() const { return width_; }
  long height() const { return height_; }
  // The found segments entered in cell (x, y), in increasing index order.
  // Requires: the cell is inside the grid (not checked).
  std::vector<long> cell(long x, long y) const;

 private:
  // The grid of width_ x height_ cells, row by row: cell c lists the found segments
  // items_[start_[c]] .. items_[start_[c + 1] - 1], in increasing index order. One flat list
  // keeps the cells a query walks close together and costs no allocation per cell.
  long width_ = 0, height_ = 0;
  std::vector<std::uint32_t> start_;
  std::vector<std::uint32_t> items_;
  vcXform<2> toGrid_;
  double distTol_;
  vcRadian angleTol_;
  const std::vector<vcFoundSegment>* found_;
  // Scratch of the queries: a found segment was met in this query when its mark is mark_.
  std::vector<std::uint32_t> seen_;
  std::uint32_t mark_ = 0;
};
