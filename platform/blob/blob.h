#pragma once

// Blobs: connected regions of a labelled image, as blob analysis reports them.
//
//   for (const vcBlob* blob : results.connectedBlobs()->allBlobs(false))
//     if (blob->label() == 1 && blob->area() < 1000)
//       blob->region().setRegion(mask, 0, vcPair<long>(0, 0), false);
//
// Label 1 marks a foreground region, label 0 a background region (see blob_analysis.h).

#include <vector>

#include "platform/blob/rle_buffer.h"

class vcBlob {
 public:
  vcBlob() = default;
  // A blob of the given label (0 or 1) covering region.
  vcBlob(long label, vcRLEBuffer region) : label_(label), region_(std::move(region)) {}

  // Number of pixels.
  long area() const { return region_.area(); }
  // 1 for a foreground region, 0 for a background region.
  long label() const { return label_; }
  // The pixels, run-length encoded in image coordinates.
  const vcRLEBuffer& region() const { return region_; }

 private:
  long label_ = 0;
  vcRLEBuffer region_;
};

// All blobs of one analysed image, in raster order of their first pixel (top-most row, then
// left-most column).
class vcBlobSceneDescription {
 public:
  vcBlobSceneDescription() = default;
  explicit vcBlobSceneDescription(std::vector<vcBlob> blobs) : blobs_(std::move(blobs)) {}

  long numBlobs() const { return static_cast<long>(blobs_.size()); }

  // The blobs in raster order of their first pixel; with foregroundOnly only those of label 1.
  // The pointers stay valid as long as this description is neither changed nor destroyed.
  std::vector<const vcBlob*> allBlobs(bool foregroundOnly) const {
    std::vector<const vcBlob*> list;
    list.reserve(blobs_.size());
    for (const vcBlob& blob : blobs_)
      if (!foregroundOnly || blob.label() == 1) list.push_back(&blob);
    return list;
  }

 private:
  std::vector<vcBlob> blobs_;
};
