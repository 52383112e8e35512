#pragma once

// Small images for the skeleton tests: masks and grey images with axis-aligned rectangles.

#include "platform/base/pel_buffer.h"

// A w x h image of grey level `background`.
inline vcPelBuffer<unsigned char> flatImage(long w, long h, unsigned char background) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, background);
  return image;
}

// Fills columns x0 .. x0 + w - 1, rows y0 .. y0 + h - 1 with value.
inline void fillRect(const vcPelBuffer<unsigned char>& image, long x0, long y0, long w, long h,
                     unsigned char value) {
  for (long y = y0; y < y0 + h; ++y)
    for (long x = x0; x < x0 + w; ++x) image.put(x, y, value);
}
