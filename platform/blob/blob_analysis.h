#pragma once

// Blob analysis: splits an image into connected regions and reports each with its label,
// area and run-length region.
//
//   vcBlobParams params;
//   params.setSegmentationNone(255);       // 255 is foreground, every other value background
//   vcBlobResults results;
//   vfBlobAnalysis(mask, params, results);
//   for (const vcBlob* blob : results.connectedBlobs()->allBlobs(false)) ...
//
// Segmentation "none": the image is taken as already labelled: pixels equal to the foreground
// value get label 1, all others label 0. Foreground regions are 8-connected and background
// regions 4-connected, so that the two never cross each other: a ring's hole is a region of
// its own, and two foreground pixels touching at a corner belong to one blob. Both kinds of
// region are reported, the background touching the image border included.
//
// Cost: one pass over the pixels into runs, a union-find over the runs of adjacent rows, one
// pass over the runs to collect the blobs.

#include "platform/base/pel_buffer.h"
#include "platform/blob/blob.h"

class vcBlobParams {
 public:
  // Segmentation none with foreground value 255.
  vcBlobParams() = default;

  // Takes the image as labelled: pixels equal to foregroundValue are foreground.
  // Throws: vcBadParamsError unless 0 <= foregroundValue <= 255 (the params are then
  // unchanged).
  void setSegmentationNone(long foregroundValue);
  long foregroundValue() const { return foregroundValue_; }

 private:
  long foregroundValue_ = 255;
};

class vcBlobResults {
 public:
  // The blobs of the last analysis; an empty description before the first. Never null; the
  // pointer stays valid as long as these results are neither changed nor destroyed.
  const vcBlobSceneDescription* connectedBlobs() const { return &connected_; }
  void connectedBlobs(vcBlobSceneDescription connected) { connected_ = std::move(connected); }

 private:
  vcBlobSceneDescription connected_;
};

// Replaces results by the blobs of image under params. Regions are in image's image
// coordinates.
// Throws: vcBadParamsError when image is unbound or empty (results are then unchanged).
void vfBlobAnalysis(const vcPelBuffer_const<unsigned char>& image, const vcBlobParams& params,
                    vcBlobResults& results);
