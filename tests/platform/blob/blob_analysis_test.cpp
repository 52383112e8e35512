// Blob analysis: regions and areas of known shapes, a flood-fill reference on random masks,
// windows, and refused input.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/base/exception.h"
#include "platform/blob/blob_analysis.h"

namespace {

// (label, area) of regions: label 1 for foreground, 0 for background.
using Regions = std::vector<std::pair<long, long>>;

// A w x h mask: fg where inside(x, y) holds, 0 elsewhere; pixels visited in raster order.
template <class Inside>
vcPelBuffer<unsigned char> mask(long w, long h, unsigned char fg, Inside inside) {
  vcPelBuffer<unsigned char> img(w, h, 32);
  for (long k = 0; k < w * h; ++k) img.put(k % w, k / w, inside(k % w, k / w) ? fg : 0);
  return img;
}

// The blobs of an image segmented at one foreground value: all regions, or the foreground's.
std::vector<const vcBlob*> analyse(const vcPelBuffer_const<unsigned char>& img,
                                   vcBlobResults& results, long foreground = 255,
                                   bool foregroundOnly = false) {
  vcBlobParams params;
  params.setSegmentationNone(foreground);
  vfBlobAnalysis(img, params, results);
  return results.connectedBlobs()->allBlobs(foregroundOnly);
}

// (label, area) of each blob, in the order given.
Regions labelsAndAreas(const std::vector<const vcBlob*>& blobs) {
  Regions out;
  for (const vcBlob* b : blobs) out.emplace_back(b->label(), b->area());
  return out;
}

// Flood-fill reference: sorted (label, area) of all regions, foreground 8-connected and
// background 4-connected.
Regions floodFillRegions(const vcPelBuffer_const<unsigned char>& img) {
  const long w = img.width(), h = img.height();
  std::vector<char> seen(w * h, 0);
  Regions regions;
  for (long start = 0; start < w * h; ++start) {
    if (seen[start]) continue;
    const bool fg = img.get(start % w, start / w) == 255;
    std::vector<long> region{start};
    seen[start] = 1;
    for (std::size_t k = 0; k < region.size(); ++k)
      for (long dy = -1; dy <= 1; ++dy)
        for (long dx = -1; dx <= 1; ++dx) {
          const long x = region[k] % w + dx, y = region[k] / w + dy;
          if ((!fg && dx != 0 && dy != 0) || x < 0 || y < 0 || x >= w || y >= h) continue;
          if (seen[y * w + x] || (img.get(x, y) == 255) != fg) continue;
          seen[y * w + x] = 1;
          region.push_back(y * w + x);
        }
    regions.emplace_back(fg ? 1 : 0, long(region.size()));
  }
  std::sort(regions.begin(), regions.end());
  return regions;
}

}  // namespace

TEST(BlobAnalysis, RingsAndStrokesGiveTheirRegions) {
  // A 12 x 12 square with a 4 x 4 hole, both centred in a 20 x 20 image: the outside, the ring
  // and its hole are three regions, in raster order of their first pixel.
  vcPelBuffer<unsigned char> img = mask(20, 20, 255, [](long x, long y) {
    const long d = std::max(std::abs(2 * x - 19), std::abs(2 * y - 19));
    return d > 3 && d < 12;
  });
  vcBlobResults results;
  const std::vector<const vcBlob*> blobs = analyse(img, results);
  ASSERT_EQ(blobs.size(), 3u);
  EXPECT_EQ(labelsAndAreas(blobs), (Regions{{0, 400 - 144}, {1, 144 - 16}, {0, 16}}));
  EXPECT_EQ(results.connectedBlobs()->allBlobs(true).size(), 1u);

  // Filling the small hole, as speck removal does, leaves one solid square.
  blobs[2]->region().setRegion(img, 255, vcPair<long>(0, 0), false);
  EXPECT_EQ(analyse(img, results).size(), 2u);

  // Two separate diagonal strokes, a foreground value other than 255.
  const std::vector<const vcBlob*> strokes =
      analyse(mask(8, 4, 7, [](long x, long y) { return x == y || x == 7 - y; }), results, 7, true);
  ASSERT_EQ(strokes.size(), 1u);  // (3, 3) and (4, 3) meet at an edge: the V is one blob
  EXPECT_EQ(strokes[0]->area(), 8);
}

// Random masks against a flood fill; regions of a window are in image coordinates.
TEST(BlobAnalysis, MatchesFloodFillAndKeepsWindowCoordinates) {
  std::mt19937 rng(5);
  const vcPelBuffer<unsigned char> win =
      mask(50, 40, 255, [&rng](long, long) { return rng() % 100 < 45; }).window(7, 3, 31, 29);
  vcBlobResults results;
  const std::vector<const vcBlob*> blobs = analyse(win, results);

  Regions found = labelsAndAreas(blobs);
  vcPelBuffer<unsigned char> painted = vcPelBuffer<unsigned char>(50, 40, 32).window(7, 3, 31, 29);
  for (const vcBlob* b : blobs) {
    for (const vsRLERun& run : b->region().runs()) ASSERT_TRUE(run.x >= 7 && run.y >= 3);
    if (b->label() == 1) b->region().setRegion(painted, 255, vcPair<long>(0, 0), false);
  }
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, floodFillRegions(win));
  for (long y = 0; y < 29; ++y)
    for (long x = 0; x < 31; ++x) ASSERT_EQ(painted.get(x, y), win.get(x, y));
}

TEST(BlobAnalysis, RefusesBadInputAndLeavesImagesUnchanged) {
  vcBlobResults results;
  vcBlobParams params;
  EXPECT_THROW(vfBlobAnalysis(vcPelBuffer<unsigned char>(), params, results), vcBadParamsError);
  EXPECT_THROW(params.setSegmentationNone(256), vcBadParamsError);
  EXPECT_EQ(params.foregroundValue(), 255);

  vcRLEBuffer region;
  region.append(2, 1, 3);
  region.append(4, 5, 3);  // reaches column 6 of a 6-pixel-wide image
  EXPECT_THROW(region.append(0, 0, 0), vcBadParamsError);
  vcPelBuffer<unsigned char> img(6, 6, 32);
  EXPECT_THROW(region.setRegion(img, 9, vcPair<long>(0, 0), false), vcBadParamsError);
  EXPECT_EQ(img.get(2, 1), 0);
  EXPECT_THROW(region.setRegion(img, 300, vcPair<long>(0, 0), true), vcBadParamsError);
  region.setRegion(img, 9, vcPair<long>(0, 0), true);
  EXPECT_EQ(img.get(2, 1) + img.get(4, 1) + img.get(5, 5), 27);
  EXPECT_EQ(img.get(1, 1) + img.get(5, 1), 0);
}
