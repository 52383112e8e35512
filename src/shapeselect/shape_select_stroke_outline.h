#pragma once

// The outline of a stroke figure: one walk around the union of its strokes.
//
//   std::vector<vcLineSeg> outline = vfTraceStrokeOutline(skeleton, widths);
//
// Each stroke is the rectangle of its skeletal segment widened by half its width on each side
// and lengthened at each end: by half its own width at a free end, by half the width of the
// other stroke at an end that meets another stroke's end. The walk starts at the first end
// point (in stroke order, p1 before p2) that lies inside no other stroke, runs along the
// offset lines, turns onto a crossing stroke at the nearest crossing ahead, and caps the free
// ends, until it is back at its start. It is the skeleton model's walk, with a crossing that
// rounding puts up to 1e-6 behind the walk position taken as at it, and a turn onto a crossing
// stroke that heads away from the infinite line of the stroke being left.

#include <vector>

#include "platform/base/line_seg.h"

// The closed, connected chain of outline segments of the figure, in walk order, with the
// figure on the side of each segment's direction turned by +90 degrees.
// Requires: skeleton and widths of equal, non-zero size; widths > 0; no zero-length segment
// (the stroke template checks these).
// Throws: vcShapeSelectDefs::BadParams "Skeleton has no free end point: Model is degenerate."
// when every end point lies inside another stroke; BadParams "Invalid stroke width: Model is
// degenerate." when the walk does not close within n (2n + 4) + 1 steps for n strokes.
std::vector<vcLineSeg> vfTraceStrokeOutline(const std::vector<vcLineSeg>& skeleton,
                                            const std::vector<double>& widths);

// Refuses, for training, a stroke figure whose matching outline could never be fitted: the
// outline of the skeleton model (the same walk without the rounding allowance, turning away
// from a crossed stroke only when the stroke left reaches it) must close, and every stroke
// must own at least one side of it, since a stroke's pose is fitted from its sides alone; a walk
// that starts on the inner side of a joint closes at once and is refused too.
// `templateIndex` only names the template in the message.
// Throws: vcShapeSelectDefs::BadParams "Stroke template N: ..." naming the fault (and the
// stroke, when one has no side).
void vfCheckStrokeModelOutline(const std::vector<vcLineSeg>& skeleton,
                               const std::vector<double>& widths, long templateIndex);
