#pragma once

// The distance look-up table of the distance transform (distance_transform.h): a 256 x 256
// image whose pixel at column x, row y holds twice the Euclidean length of the offset (x, y),
// rounded half away from zero and saturated at 255.
//
//   vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();   // once, when the tool is trained
//   lut.get(1, 1);     // 3: 2 * sqrt(2) = 2.83
//   lut.get(100, 0);   // 200
//
// Twice the distance keeps half-pixel steps in an 8-bit value, so a stroke pixel's value at the
// centre of a stroke reads as the stroke's width in pixels.

#include "platform/base/pel_buffer.h"
#include "tavshsl/export.h"

// The table as a new 256 x 256 image, rows aligned to 32 bytes, offset (0, 0), identity
// transforms. Throws only std::bad_alloc.
TAVSHSL_API vcPelBuffer<unsigned char> vfMakeDistanceLut();

namespace vc_skeleton {

// Side of the table: offsets are clamped to 0..kDistanceLutSize - 1 before the look-up.
inline constexpr long kDistanceLutSize = 256;

// Throws vcBadParamsError unless lut is bound and 256 x 256 pixels; what names the caller.
void requireDistanceLut(const vcPelBuffer_const<unsigned char>& lut, const wchar_t* what);

}  // namespace vc_skeleton
