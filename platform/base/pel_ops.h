#pragma once

// Whole-image pixel operations: fill, deep copy, pixel-wise minimum and
// table mapping.
//
//   vcPelBuffer<unsigned char> work = vfPelCopy(image);      // own pixels
//   vfPelSet(work.window(0, 0, 10, 10), 255);                // fill a corner
//   vcPelBuffer<unsigned char> low = vfPelMin(work, other);  // same size
//   std::array<unsigned char, 256> table = ...;              // e.g. a threshold
//   vcPelBuffer<unsigned char> binary;                       // unbound: allocated
//   vfPelMap(work, table, binary);
//
// Every operation works on the window of its images, row by row. Results that
// are new images have rows aligned to 32 bytes and carry the offset and client
// transform of the (first) input. Errors throw vcBadParamsError before any
// pixel or image is changed.

#include <algorithm>
#include <cstring>
#include <span>
#include <type_traits>

#include "platform/base/pel_buffer.h"

// Sets every pixel of the window of image to value. The pixels are shared, so
// passing a window writes into the image it was taken from.
// Throws: vcBadParamsError when image is unbound.
template <class T>
void vfPelSet(const vcPelBuffer<T>& image, std::type_identity_t<T> value) {
  vc_pel_detail::requireBound(image.isBound(), "vfPelSet");
  for (long y = 0; y < image.height(); ++y) std::fill_n(image.pointToRow(y), image.width(), value);
}

// A deep copy of the window of image: new pixels of the same values, the same
// offset and the same client transform; later writes to either image do not
// reach the other. The copy of an unbound image is unbound (with the same
// transforms).
template <class T>
vcPelBuffer<T> vfPelCopy(const vcPelBuffer_const<T>& image) {
  vcPelBuffer<T> copy;
  if (image.isBound()) {
    copy = vcPelBuffer<T>(image.width(), image.height(), 32);
    for (long y = 0; y < image.height(); ++y)
      std::memcpy(copy.pointToRow(y), image.pointToRow(y), sizeof(T) * image.width());
  }
  copy.offset(image.offset());
  copy.copyXforms(image);
  return copy;
}

// The pixel-wise minimum of a and b, as a new image with a's offset and
// client transform.
// Throws: vcBadParamsError when a or b is unbound or their sizes differ.
template <class T>
vcPelBuffer<T> vfPelMin(const vcPelBuffer_const<T>& a, const vcPelBuffer_const<T>& b) {
  vc_pel_detail::requireBound(a.isBound() && b.isBound(), "vfPelMin");
  vc_pel_detail::requireSameSize(a.width(), a.height(), b.width(), b.height(), "vfPelMin");
  vcPelBuffer<T> result(a.width(), a.height(), 32);
  result.offset(a.offset());
  result.copyXforms(a);
  for (long y = 0; y < a.height(); ++y) {
    const T* rowA = a.pointToRow(y);
    const T* rowB = b.pointToRow(y);
    T* out = result.pointToRow(y);
    for (long x = 0; x < a.width(); ++x) out[x] = std::min(rowA[x], rowB[x]);
  }
  return result;
}

// Replaces every pixel value v of image by table[v], writing into output.
// table has exactly 256 entries. When output is unbound it becomes a new image
// of image's size, offset and client transform; when bound it must have
// image's size and only its pixels change. output may be image itself (or
// another view of the same window); it must not partly overlap it.
// Throws: vcBadParamsError when image is unbound, the table does not have 256
// entries, a bound output differs in size, or output partly overlaps image.
void vfPelMap(const vcPelBuffer_const<unsigned char>& image, std::span<const unsigned char> table,
              vcPelBuffer<unsigned char>& output);
