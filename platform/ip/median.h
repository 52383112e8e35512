#pragma once

// Median filtering of 8-bit images.
//
//   vcPelBuffer<unsigned char> cleaned =
//       vfPelMedian(image, vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(0, 255), false));
//
// Every output pixel is the median of the w x h window of input pixels around it: columns
// x - (w - 1) / 2 ... x + w / 2 and rows y - (h - 1) / 2 ... y + h / 2. For an even count the
// upper median (element count / 2 of the sorted window, counting from 0) is taken.
//
// Border: pixels outside the input are replicated from its nearest border pixel, so the output
// has the input's size. With shrinkToValid the output keeps only the pixels whose window lies
// wholly inside the input.
//
// A 9 x 9 window runs through shared min/max merge networks (platform/ip/median_9x9.h), with
// AVX2 when the processor has it. Other windows keep a histogram per column and counts per
// 16-level band, so their cost per pixel does not grow with the window height and grows only
// mildly with its width.

#include "platform/base/pair.h"
#include "platform/base/pel_buffer.h"

class vcPelMedianParams {
 public:
  // size: window width and height in pixels, each in [1, 255].
  // valueRange: (low, high) with 0 <= low <= high <= 255; input grey levels are clamped into
  // it before filtering, so every output value lies in it ((0, 255) leaves the image as is).
  // shrinkToValid: false gives an output of the input's size with replicated borders; true
  // keeps only the pixels whose whole window lies inside the input.
  // Throws: vcBadParamsError when a value is out of range.
  explicit vcPelMedianParams(vcPair<long> size = vcPair<long>(3, 3),
                             vcPair<long> valueRange = vcPair<long>(0, 255),
                             bool shrinkToValid = false);

  vcPair<long> size() const { return size_; }
  // Throws: vcBadParamsError unless both sides are in [1, 255]; the params are then unchanged.
  void size(vcPair<long> size);

  vcPair<long> valueRange() const { return valueRange_; }
  // Throws: vcBadParamsError unless 0 <= low <= high <= 255.
  void valueRange(vcPair<long> valueRange);

  bool shrinkToValid() const { return shrinkToValid_; }
  void shrinkToValid(bool shrinkToValid) { shrinkToValid_ = shrinkToValid; }

 private:
  vcPair<long> size_{3, 3};
  vcPair<long> valueRange_{0, 255};
  bool shrinkToValid_ = false;
};

// The median-filtered image: a new root (rows aligned to 32 bytes) with the input's client
// transform. Without shrinkToValid it has the input's size and offset; with it, it is
// (w - 1) x (h - 1) pixels smaller and its offset is moved by ((w - 1) / 2, (h - 1) / 2), so
// every pixel keeps its image coordinates.
// Throws: vcBadParamsError when image is unbound or empty, or, with shrinkToValid, smaller
// than the window.
vcPelBuffer<unsigned char> vfPelMedian(const vcPelBuffer_const<unsigned char>& image,
                                       const vcPelMedianParams& params);
