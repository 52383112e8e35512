#pragma once

// A run-length encoded pixel region: the shape of one blob.
//
//   const vcRLEBuffer& region = blob->region();
//   region.setRegion(mask, 255, vcPair<long>(0, 0), false);   // paint the blob into mask
//
// Runs are in the image coordinates of the image the region was found in (a window's offset
// included), in raster order: by row, then by first column. A region is a plain value.

#include <vector>

#include "platform/base/pair.h"
#include "platform/base/pel_buffer.h"

// One run: pixels x, x + 1, ..., x + length - 1 of row y, in image coordinates.
struct vsRLERun {
  long x = 0;
  long y = 0;
  long length = 0;
};

class vcRLEBuffer {
 public:
  vcRLEBuffer() = default;

  // Adds a run after the ones held; length >= 1.
  // Throws: vcBadParamsError for a length below 1 (the region is then unchanged).
  void append(long x, long y, long length);

  const std::vector<vsRLERun>& runs() const { return runs_; }
  // Number of pixels in the region.
  long area() const { return area_; }

  // Writes value into every pixel of image that the region covers, shifted by offset: region
  // pixel (x, y) is image pixel (x + offset.x, y + offset.y) in image's image coordinates.
  // value: grey level in [0, 255]. clip: true skips the parts of runs outside image; false
  // requires every shifted run to lie inside it.
  // Throws: vcBadParamsError when image is unbound, value is out of range, or, without clip,
  // a run falls outside image (image is then unchanged).
  void setRegion(const vcPelBuffer<unsigned char>& image, long value, vcPair<long> offset,
                 bool clip) const;

 private:
  std::vector<vsRLERun> runs_;
  long area_ = 0;
};
