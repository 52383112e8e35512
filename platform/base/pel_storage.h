#pragma once

// Row layout, allocation and argument checks behind vcPelBuffer
// (pel_buffer.h) and the pixel operations (pel_ops.h). Not part of the
// interface: each check throws vcBadParamsError whose message names the
// operation, the offending values and the valid range, so that the image
// classes stay short and their hot paths inline.

#include <cstddef>
#include <memory>

#include "platform/base/xform.h"

namespace vc_pel_detail {

// Row stride in pixels for rows of width pixels of pelSize bytes each, every
// row starting on an alignment-byte boundary. Throws vcBadParamsError for a
// negative width or height, an alignment that is not a power of two in
// [1, 4096], or more than 2^39 bytes of pixels.
long rowStride(long width, long height, long alignment, std::size_t pelSize);

// Storage of stride * height pixels of pelSize bytes, starting on an
// alignment-byte boundary (at least pelSize), zeroed unless zeroed is false.
// Never null.
std::shared_ptr<void> allocatePels(long stride, long height, long alignment, std::size_t pelSize,
                                   bool zeroed = true);

// Throws vcBadParamsError unless a view onto the caller's pixels is well formed: pixels not
// null, width and height within the limits of rowStride, rowUpdate >= width.
void requireCallerPels(bool nonNull, long width, long height, long rowUpdate);

// Throws vcBadParamsError naming the operation when the image is unbound.
void requireBound(bool bound, const char* operation);

// Throws vcBadParamsError naming the operation unless 0 <= x < width and
// 0 <= y < height.
void requireInside(long x, long y, long width, long height, const char* operation);

// Throws vcBadParamsError naming the operation unless window row y (or
// column x) of a window whose origin lies at row (column) origin of the root
// is a row (column) of the root.
void requireRowInRoot(long y, long origin, long rootHeight, const char* operation);
void requireColumnInRoot(long x, long origin, long rootWidth, const char* operation);

// Throws vcBadParamsError naming the operation unless the window at (x, y) of
// size (w, h) lies inside a root of size (rootWidth, rootHeight) and w, h >= 0.
void requireWindowInRoot(long x, long y, long w, long h, long rootWidth, long rootHeight,
                         const char* operation);

// Throws vcBadParamsError naming the operation unless the sizes (w1, h1) and
// (w2, h2) are equal.
void requireSameSize(long w1, long h1, long w2, long h2, const char* operation);

// Throws vcBadParamsError naming the operation unless every element of both
// transforms (a client transform and its inverse) is finite: a transform that
// is not would turn every result into a number that is not one.
void requireFiniteXforms(const vcXform<2>& a, const vcXform<2>& b, const char* operation);

// a + b - c, throwing vcBadParamsError naming the operation on overflow.
long checkedShift(long a, long b, long c, const char* operation);

}  // namespace vc_pel_detail
