#pragma once

// The walk around a stroke figure that gives the skeleton model and the stroke template their
// outline.
//
//   std::optional<vsStrokeEnd> start = vfStrokeWalkStart(centreLines);
//   if (!start) ...                               // every end lies inside another stroke
//   std::optional<std::vector<vsOutlinePiece>> outline =
//       vfWalkStrokeOutline(centreLines, widths, *start, rules);
//   if (!outline) ...                             // the walk did not close
//
// Each stroke is the rectangle of its centre-line widened by half its width on each side and
// extended at each end by half its width, or by half the width of another stroke whose end
// it meets. The walk keeps the figure on the +90 degree side of its direction: it runs along
// the current stroke's offset line, turns onto the nearest other centre-line it crosses, and
// caps a stroke's end and turns back when it crosses none, until it is back at its first
// corner.

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/base/line_seg.h"
#include "tavshsl/skeleton_model.h"

// One end point of a stroke: p1 (atP2 false) or p2 (atP2 true).
struct vsStrokeEnd {
  std::size_t stroke;
  bool atP2;
};

// The end the walk starts from: in stroke order, p1 before p2, the first end that lies inside
// no other stroke, whether or not it meets another stroke's end. A start at a joint whose
// first corner falls on the inner side of the joint closes at once around nothing; the shape
// tool's training refuses such a figure (see vfCheckStrokeModelOutline). Nothing when every
// end lies inside another stroke.
std::optional<vsStrokeEnd> vfStrokeWalkStart(const std::vector<vcLineSeg>& centreLines);

// One emitted outline segment: its type, its stroke, and the centre-line end point the walk
// was heading for (for an end segment, the end it closes).
struct vsOutlinePiece {
  vcLineSeg segment;
  vcSegmentCorresponderSkeletonModel::veBoundarySegmentType type;
  std::size_t stroke;
  vcVector<2> point;
};

// The two users of the walk round and turn differently at a crossing.
struct vsStrokeWalkRules {
  // A crossing found up to this far behind the walk position (along the unit walking
  // direction) counts as at the position: 0 takes the crossings ahead only.
  double behindTolerance = 0.0;
  // On turning onto a crossed stroke the walk heads away from the stroke it leaves. true: away
  // from that stroke's infinite centre-line, which also holds when the two centre-lines do
  // not touch. false: reverse the crossed stroke's p1 -> p2 direction only when the left
  // centre-line reaches the crossed stroke's line and lies ahead.
  bool awayFromLine = false;
};

// The outline in emission order of the walk from `start`; nothing when it does not close
// within 2n^2 + 4n + 1 steps (n strokes).
// Requires: widths.size() == centreLines.size(), widths > 0, no zero-length centre-line.
// Throws: vcAssertionFailure when the counts differ.
std::optional<std::vector<vsOutlinePiece>> vfWalkStrokeOutline(
    const std::vector<vcLineSeg>& centreLines, const std::vector<double>& widths,
    const vsStrokeEnd& start, const vsStrokeWalkRules& rules);
