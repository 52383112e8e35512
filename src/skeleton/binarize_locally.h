#pragma once

// Local binarisation of bright strokes: each 24 x 24 block of the image gets a threshold
// learned from the grey values near edges in the 48 x 48 windows that cover it.
//
//   vcPelBuffer<unsigned char> mask;
//   vc_skeleton::binarizeLocally(cleaned, 20, mask, 0.55, 200, 100);   // stroke pixels 255
//
// Steps: edge magnitude thinned across the edge (peaks of at least edgeThreshold), grown by
// one pixel with a 3 x 3 dilation; the input's grey values on that edge neighbourhood are
// histogrammed per window (windows of 48 pixels every 24 pixels, clipped to the image), and a
// window with at least minCount such pixels takes the grey level below which `fraction` of them
// lie (capped at `ceiling`); windows with fewer keep 255, "no edges here". Empty windows then
// take the smallest threshold of their 3 x 3 neighbours, sweep after sweep, until none changes,
// so that the inside of a wide stroke borrows the threshold of its edges. Finally each block is
// cut at the smallest threshold of the (up to) four windows covering it, capped at ceiling: a
// blank image is cut at the ceiling.

#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"

namespace vc_skeleton {

// Block size and window size of the threshold grid, in pixels.
inline constexpr long kBinarizeBlock = 24;
inline constexpr long kBinarizeWindow = 48;

// output := 255 where input is at least its block's threshold, else 0: a new image of input's
// size and offset (rows aligned to 32 bytes), identity transforms.
// edgeThreshold: edge peak magnitude, grey levels per pixel. fraction: in [0, 1]. ceiling: in
// [0, 255]. minCount: >= 0.
// Throws: vcBadParamsError when input is unbound or empty or a value is out of range (output is
// then unchanged).
TAVSHSL_API void binarizeLocally(const vcPelBuffer_const<unsigned char>& input,
                                 unsigned char edgeThreshold, vcPelBuffer<unsigned char>& output,
                                 double fraction, long ceiling, long minCount);

}  // namespace vc_skeleton
