#pragma once

// Distance transform of a stroke mask by a propagating wave, with the distance table of
// distance_lut.h in place of square roots.
//
//   vcPelBuffer<unsigned char> distance(mask.width(), mask.height(), 32);
//   vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
//
// Sources are the background pixels (0) off the outermost rows and columns that touch a stroke
// pixel (non-zero) through a side. From all of them at once a wave spreads over the stroke
// pixels through their sides; each pixel keeps the smallest table value among the sources that
// reached it, and only a pixel that was improved passes its source on. The result is close to,
// not always equal to, twice the exact Euclidean distance to the background: a pixel can be
// shadowed from its true nearest source by a neighbour that another source improved first.
// Cost: linear in the number of stroke pixels (each is improved a few times at most).

#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"

namespace vc_skeleton {

// distance := for every stroke pixel of mask, twice its distance in pixels to the nearest
// source, saturated at 255 (0 for background pixels and stroke pixels no wave reaches).
// mask: any bound image; non-zero pixels are stroke pixels. lut: the 256 x 256 distance table.
// distance: a bound image of mask's size; it takes mask's offset, its pixels are overwritten.
// Throws: vcBadParamsError when an image is unbound, the table is not 256 x 256 or the sizes
// differ (distance is then unchanged).
TAVSHSL_API void distanceTransform(const vcPelBuffer_const<unsigned char>& mask,
                                   const vcPelBuffer_const<unsigned char>& lut,
                                   vcPelBuffer<unsigned char>& distance);

}  // namespace vc_skeleton
