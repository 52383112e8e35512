#pragma once

// The walk around a stroke figure that gives the skeleton model its outline.
//
// Each stroke is the rectangle of its centre-line widened by half its width on each side and
// extended at each end by half its width, or by half the width of another stroke whose end
// it meets. The walk keeps the figure on the +90 degree side of its direction: it runs along
// the current stroke's offset line, turns onto the nearest other centre-line it crosses, and
// caps a stroke's end and turns back when it crosses none, until it is back at its first
// corner.

#include <optional>
#include <vector>

#include "tavshsl/segments.h"
#include "tavshsl/skeleton_model.h"

// One emitted outline segment with its type and the skeleton end point it was heading for
// (for an end segment, the end it closes).
struct vsOutlinePiece {
  vcModelSegment segment;
  vcSegmentCorresponderSkeletonModel::veBoundarySegmentType type;
  vcVector<2> point;
};

// The outline per stroke, in emission order, of the walk that starts at end point `fromP2`
// (false: p1, true: p2) of stroke `start`; nothing when the walk does not close within
// 2n^2 + 4n + 1 steps. Every segment gets its stroke's weight and `polarity`.
// Requires: widths.size() == skeleton.size(), widths > 0, no zero-length centre-line.
std::optional<std::vector<std::vector<vsOutlinePiece>>> vfWalkStrokeOutline(
    const std::vector<vcModelSegment>& skeleton, const std::vector<double>& widths,
    std::size_t start, bool fromP2, vcSegmentDefs::veSegmentPolarity polarity);
