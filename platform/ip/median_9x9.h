#pragma once

// The 9 x 9 median of an 8-bit image by min/max networks, many pixels at a time.
//
//   median9x9(padded, stride, width, height, out, outStride);
//
// Sorting networks beat running histograms for a window this small: every row of 9 pixels is
// sorted once and shared by the 9 windows that contain it, pairs and quadruples of sorted rows
// are merged once and shared too, two output rows above each other share the merge of their 8
// common rows, and only the comparators that can reach the median (rank 40 of 81) are
// evaluated.

#include <cstdint>

namespace vc_ip_detail {

// Bytes the filter may read past the last pixel of the padded input (whose content does not
// matter); the caller allocates them.
inline constexpr long kMedian9x9Slack = 64;

// out(x, y) = median of padded rows y .. y + 8, columns x .. x + 8, for 0 <= x < width and
// 0 <= y < height.
// Requires: padded has height + 8 rows of at least width + 8 pixels at the given stride,
// followed by kMedian9x9Slack readable bytes; out has height rows of width pixels.
void median9x9(const uint8_t* padded, long stride, long width, long height, uint8_t* out,
               long outStride);

}  // namespace vc_ip_detail
