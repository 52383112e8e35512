#include "platform/blob/blob_analysis.h"

#include <cstdint>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

// A run of equal labels within one row, in window columns.
struct Run {
  int32_t x;       // first column
  int32_t end;     // last column (inclusive)
  int32_t row;     // window row
  uint8_t label;   // 1 foreground, 0 background
};

// Root of run i, halving the path on the way.
int32_t findRoot(std::vector<int32_t>& parent, int32_t i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

// Joins the sets of runs a and b; the smaller index becomes the root, so every root is the
// first run of its region in raster order.
void join(std::vector<int32_t>& parent, int32_t a, int32_t b) {
  a = findRoot(parent, a);
  b = findRoot(parent, b);
  if (a < b)
    parent[b] = a;
  else if (b < a)
    parent[a] = b;
}

// Splits every row into runs of equal label; rowStart[y] is the index of row y's first run.
void encodeRuns(const vcPelBuffer_const<unsigned char>& image, unsigned char foreground,
                std::vector<Run>& runs, std::vector<int32_t>& rowStart) {
  const long width = image.width();
  for (long y = 0; y < image.height(); ++y) {
    rowStart[y] = static_cast<int32_t>(runs.size());
    const unsigned char* row = image.pointToRow(y);
    long x = 0;
    while (x < width) {
      const bool fg = row[x] == foreground;
      long end = x;
      while (end + 1 < width && (row[end + 1] == foreground) == fg) ++end;
      runs.push_back(Run{static_cast<int32_t>(x), static_cast<int32_t>(end),
                         static_cast<int32_t>(y), static_cast<uint8_t>(fg)});
      x = end + 1;
    }
  }
  rowStart[image.height()] = static_cast<int32_t>(runs.size());
}

// Joins each run with the touching runs of the same label in the row above: foreground runs
// touch across corners (8-connected), background runs only along edges (4-connected).
void joinAdjacentRows(const std::vector<Run>& runs, const std::vector<int32_t>& rowStart,
                      long height, std::vector<int32_t>& parent) {
  for (long y = 1; y < height; ++y) {
    int32_t above = rowStart[y - 1];
    const int32_t aboveEnd = rowStart[y];
    for (int32_t i = rowStart[y]; i < rowStart[y + 1]; ++i) {
      const Run& run = runs[i];
      const int32_t reach = run.label;  // one extra column each side for foreground
      // Runs above that end before this one's reach can touch no later run either.
      while (above < aboveEnd && runs[above].end < run.x - 1) ++above;
      for (int32_t j = above; j < aboveEnd && runs[j].x <= run.end + reach; ++j)
        if (runs[j].label == run.label && runs[j].end >= run.x - reach) join(parent, i, j);
    }
  }
}

}  // namespace

void vcBlobParams::setSegmentationNone(long foregroundValue) {
  if (foregroundValue < 0 || foregroundValue > 255)
    throw vcBadParamsError(L"vcBlobParams::setSegmentationNone: value must be in [0, 255], got " +
                           vfStr(foregroundValue));
  foregroundValue_ = foregroundValue;
}

void vfBlobAnalysis(const vcPelBuffer_const<unsigned char>& image, const vcBlobParams& params,
                    vcBlobResults& results) {
  // Check the input.
  if (!image.isBound() || image.width() < 1 || image.height() < 1)
    throw vcBadParamsError(L"vfBlobAnalysis: image must be a bound image of at least 1 x 1 "
                           L"pixels, got " + vfStr(image.width()) + L" x " + vfStr(image.height()));

  // Encode the rows as runs of label 0 and 1.
  std::vector<Run> runs;
  std::vector<int32_t> rowStart(image.height() + 1);
  encodeRuns(image, static_cast<unsigned char>(params.foregroundValue()), runs, rowStart);

  // Union-find over the runs of adjacent rows.
  std::vector<int32_t> parent(runs.size());
  for (std::size_t i = 0; i < runs.size(); ++i) parent[i] = static_cast<int32_t>(i);
  joinAdjacentRows(runs, rowStart, image.height(), parent);

  // Number the regions in the order of their first run, which is their root.
  std::vector<int32_t> blobOf(runs.size());
  long numBlobs = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const int32_t root = findRoot(parent, static_cast<int32_t>(i));
    blobOf[i] = root == static_cast<int32_t>(i) ? static_cast<int32_t>(numBlobs++) : blobOf[root];
  }

  // Collect each region's runs in image coordinates.
  std::vector<vcRLEBuffer> regions(numBlobs);
  std::vector<long> labels(numBlobs);
  const long ox = image.offset().x();
  const long oy = image.offset().y();
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Run& run = runs[i];
    regions[blobOf[i]].append(run.x + ox, run.row + oy, run.end - run.x + 1);
    labels[blobOf[i]] = run.label;
  }
  std::vector<vcBlob> blobs;
  blobs.reserve(numBlobs);
  for (long b = 0; b < numBlobs; ++b) blobs.emplace_back(labels[b], std::move(regions[b]));
  results.connectedBlobs(vcBlobSceneDescription(std::move(blobs)));
}
