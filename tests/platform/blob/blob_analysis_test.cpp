#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <random>
#include <vector>

#include "platform/base/exception.h"
#include "platform/blob/blob_analysis.h"

namespace {

void fillRect(const vcPelBuffer<unsigned char>& img, long x0, long y0, long w, long h, unsigned char v) {
  for (long y = y0; y < y0 + h; ++y)
    for (long x = x0; x < x0 + w; ++x) img.put(x, y, v);
}

std::vector<const vcBlob*> analyse(const vcPelBuffer_const<unsigned char>& img, vcBlobResults& results) {
  vcBlobParams params;
  params.setSegmentationNone(255);
  vfBlobAnalysis(img, params, results);
  return results.connectedBlobs()->allBlobs(false);
}

// (label, area) of each blob, in the order given.
std::vector<std::pair<long, long>> labelsAndAreas(const std::vector<const vcBlob*>& blobs) {
  std::vector<std::pair<long, long>> out;
  for (const vcBlob* b : blobs) out.emplace_back(b->label(), b->area());
  return out;
}

// Flood-fill reference: sorted (label, area) of all regions, foreground 8-connected and
// background 4-connected.
std::vector<std::pair<long, long>> floodFillRegions(const vcPelBuffer_const<unsigned char>& img) {
  const long w = img.width(), h = img.height();
  std::vector<char> seen(w * h, 0);
  std::vector<std::pair<long, long>> regions;
  for (long start = 0; start < w * h; ++start) {
    if (seen[start]) continue;
    const bool fg = img.get(start % w, start / w) == 255;
    long area = 0;
    std::queue<long> todo;
    todo.push(start);
    seen[start] = 1;
    while (!todo.empty()) {
      const long p = todo.front();
      todo.pop();
      ++area;
      for (long dy = -1; dy <= 1; ++dy)
        for (long dx = -1; dx <= 1; ++dx) {
          if ((dx == 0 && dy == 0) || (!fg && dx != 0 && dy != 0)) continue;
          const long x = p % w + dx, y = p / w + dy;
          if (x < 0 || y < 0 || x >= w || y >= h || seen[y * w + x]) continue;
          if ((img.get(x, y) == 255) != fg) continue;
          seen[y * w + x] = 1;
          todo.push(y * w + x);
        }
    }
    regions.emplace_back(fg ? 1 : 0, area);
  }
  std::sort(regions.begin(), regions.end());
  return regions;
}

}  // namespace

// A ring: the outside, the ring and its hole are three regions, in raster order of their
// first pixel.
TEST(BlobAnalysis, RingWithHoleGivesThreeRegions) {
  vcPelBuffer<unsigned char> img(20, 20, 32);
  fillRect(img, 4, 4, 12, 12, 255);
  fillRect(img, 8, 8, 4, 4, 0);
  vcBlobResults results;
  const std::vector<const vcBlob*> blobs = analyse(img, results);
  ASSERT_EQ(blobs.size(), 3u);
  EXPECT_EQ(labelsAndAreas(blobs),
            (std::vector<std::pair<long, long>>{{0, 400 - 144}, {1, 144 - 16}, {0, 16}}));
  EXPECT_EQ(results.connectedBlobs()->allBlobs(true).size(), 1u);

  // Filling the small hole, as speck removal does, leaves one solid square.
  blobs[2]->region().setRegion(img, 255, vcPair<long>(0, 0), false);
  EXPECT_EQ(analyse(img, results).size(), 2u);
}

// Foreground touching only at corners is one blob; the background it separates stays two.
TEST(BlobAnalysis, DiagonalsJoinForegroundAndSplitBackground) {
  vcPelBuffer<unsigned char> img(6, 6, 32);
  for (long i = 0; i < 6; ++i) img.put(i, i, 255);
  vcBlobResults results;
  // The diagonal, then the background above and below it.
  EXPECT_EQ(labelsAndAreas(analyse(img, results)),
            (std::vector<std::pair<long, long>>{{1, 6}, {0, 15}, {0, 15}}));

  // Two separate diagonal strokes, a foreground value other than 255.
  vcPelBuffer<unsigned char> two(8, 4, 32);
  for (long i = 0; i < 4; ++i) {
    two.put(i, i, 7);
    two.put(7 - i, i, 7);
  }
  vcBlobParams params;
  params.setSegmentationNone(7);
  vfBlobAnalysis(two, params, results);
  const std::vector<const vcBlob*> strokes = results.connectedBlobs()->allBlobs(true);
  ASSERT_EQ(strokes.size(), 1u);  // (3, 3) and (4, 3) meet at an edge: the V is one blob
  EXPECT_EQ(strokes[0]->area(), 8);
}

// Random masks against a flood fill; regions of a window are in image coordinates.
TEST(BlobAnalysis, MatchesFloodFillAndKeepsWindowCoordinates) {
  std::mt19937 rng(5);
  vcPelBuffer<unsigned char> root(50, 40, 32);
  for (long y = 0; y < 40; ++y)
    for (long x = 0; x < 50; ++x) root.put(x, y, rng() % 100 < 45 ? 255 : 0);
  const vcPelBuffer<unsigned char> win = root.window(7, 3, 31, 29);
  vcBlobResults results;
  const std::vector<const vcBlob*> blobs = analyse(win, results);

  std::vector<std::pair<long, long>> found = labelsAndAreas(blobs);
  vcPelBuffer<unsigned char> painted = vcPelBuffer<unsigned char>(50, 40, 32).window(7, 3, 31, 29);
  for (const vcBlob* b : blobs) {
    for (const vsRLERun& run : b->region().runs()) {
      ASSERT_GE(run.x, 7);
      ASSERT_GE(run.y, 3);
    }
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
