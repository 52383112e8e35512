#pragma once

// Edge segments whose ends reach the corners of the shape they bound.
//
//   std::vector<vcFoundSegment> cornered = vc_shapeselect::edgesToCorners(image, edges);
//
// The line tracker stops a line a few pixels short of a corner, where the blurred corner
// bends the gradient away from the line. A stroke end that no end segment was found for is
// placed from its sides' outermost end points, so those gaps would pull every such stroke end
// inward and shrink the figure. Along a straight edge the grey step across the line falls to
// half its full height exactly at a right-angled corner, convex or concave, whatever the
// blur (for a symmetric blur); so each end is moved along its line to where the step, measured
// on the full-resolution image, falls to half the step along the middle of the segment.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"

namespace vc_shapeselect {

// The edges, in the same order, with each end moved along its segment's line to where the
// step across the line falls to half (searched from a few pixels inside the end to 40 pixels
// beyond it, so that a side the tracker found in pieces still reaches its corner). An end stays where it is when the step does not fall to half within that reach,
// when the reach leaves the image, or when the segment is shorter than 4 pixels or carries no
// clear step along its middle. Magnitude, polarity and width are kept. Segments and image share
// the image's client coordinates. Only the edges whose entry in `which` is true are moved; an
// empty `which` moves all.
// Throws: vcBadParamsError for an unbound image, or for `which` neither empty nor of the edges'
// size.
TAVSHSL_API std::vector<vcFoundSegment> edgesToCorners(const vcPelBuffer_const<unsigned char>& image,
                                                       const std::vector<vcFoundSegment>& edges,
                                                       const std::vector<bool>& which = {});

}  // namespace vc_shapeselect
