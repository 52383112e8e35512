// The edgelet map: cell encoding against a slow reference, the frame, pools, sharing between
// copies, rollback of marks and the image view.

#include <gtest/gtest.h>

#include <vector>

#include "platform/base/exception.h"
#include "scenes/canvas.h"
#include "tavshsl/edgelet_map.h"

namespace {

// Every storage cell of the map, frame included, row by row.
std::vector<std::int32_t> allCells(const vcEdgeletMap& map) {
  std::vector<std::int32_t> cells;
  for (long y = -1; y <= map.height(); ++y)
    for (long x = -1; x <= map.width(); ++x) cells.push_back(*map.pointToPel(x, y));
  return cells;
}

// The expected cells of the w x h window, computed cell by cell from the edgelet list: the
// index where an edgelet lies, else minus the number of cells up to the next edgelet or the
// end of the row.
std::vector<std::int32_t> referenceCells(const vcEdgeletMap& map) {
  const long w = map.width(), h = map.height();
  std::vector<std::int32_t> occupant(w * h, -1);
  for (std::size_t k = 0; k < map.edges().size(); ++k) {
    const vcEdgelet& e = map.edges()[k];
    occupant[(e.get_j() - map.offset().y()) * w + (e.get_i() - map.offset().x())] = std::int32_t(k);
  }
  std::vector<std::int32_t> cells;
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) {
      if (occupant[y * w + x] >= 0) {
        cells.push_back(occupant[y * w + x]);
        continue;
      }
      long end = x;
      while (end < w && occupant[y * w + end] < 0) ++end;
      cells.push_back(std::int32_t(x - end));
    }
  return cells;
}

std::vector<std::int32_t> windowCells(const vcEdgeletMap& map) {
  std::vector<std::int32_t> cells;
  for (long y = 0; y < map.height(); ++y)
    for (long x = 0; x < map.width(); ++x) cells.push_back(map.get(x, y));
  return cells;
}

// A scene with edgelets of every kind of run: a disc, a bar and noise.
vcPelBuffer<unsigned char> busyScene() {
  vcSceneCanvas canvas(40, 30, 60.0);
  canvas.drawDisc(vcVector<2>(14.3, 15.6), 9.2, 190.0);
  canvas.drawStroke(vcVector<2>(27.0, 3.0), vcVector<2>(36.0, 27.0), 3.0, 20.0);
  canvas.blur(0.8);
  vcSceneRandom random(5);
  canvas.addNoise(3.0, random);
  return canvas.image();
}

// Vertical steps of 40 grey levels, one every 8 columns, over the full height: one edgelet
// per step and row.
vcPelBuffer<unsigned char> steps(long count, long height) {
  vcPelBuffer<unsigned char> image(8 * count, height, 32);
  for (long y = 0; y < height; ++y)
    for (long x = 0; x < image.width(); ++x) image.put(x, y, (unsigned char)(40 * ((x + 4) / 8)));
  return image;
}

TEST(EdgeletMap, UnboundImageGivesUnboundMapWithoutCache) {
  vcEdgeletMap map(vcPelBuffer_const<unsigned char>(), 15.0);
  EXPECT_FALSE(map.isBound());
  EXPECT_TRUE(map.cache().isNull());
  EXPECT_TRUE(map.edges().empty());
  EXPECT_FALSE(map.image().isBound());
  EXPECT_NO_THROW(map.rollbackCache(5));
}

TEST(EdgeletMap, BlankImageReadsFullRowRunsInsideTheFrame) {
  vcPelBuffer<unsigned char> blank(7, 4, 32);
  vcEdgeletMap map(blank, 15.0);
  ASSERT_FALSE(map.cache().isNull());
  EXPECT_TRUE(map.edges().empty());
  EXPECT_EQ(map.cache()->indexPool(), nullptr);
  EXPECT_EQ(map.cache()->miscPool(), nullptr);
  const std::vector<std::int32_t> frameRow = {-9, -8, -7, -6, -5, -4, -3, -2, -1};
  const std::vector<std::int32_t> innerRow = {-1, -7, -6, -5, -4, -3, -2, -1, -1};
  std::vector<std::int32_t> expected = frameRow;
  for (int r = 0; r < 4; ++r) expected.insert(expected.end(), innerRow.begin(), innerRow.end());
  expected.insert(expected.end(), frameRow.begin(), frameRow.end());
  EXPECT_EQ(allCells(map), expected);
}

TEST(EdgeletMap, CellsMatchTheReferenceEncoding) {
  // A busy scene: runs of every length, edgelets next to each other.
  vcEdgeletMap busy(busyScene(), 10.0);
  ASSERT_GT(busy.edges().size(), 100u);
  EXPECT_EQ(windowCells(busy), referenceCells(busy));
  for (long y = 0; y < busy.height(); ++y) {
    EXPECT_EQ(*busy.pointToPel(-1, y), -1);
    EXPECT_EQ(*busy.pointToPel(busy.width(), y), -1);
  }

  // A horizontal step fills a whole row with edgelets: the first column has no run before
  // it, the last none after it.
  vcPelBuffer<unsigned char> image(12, 10, 32);
  for (long y = 5; y < 10; ++y)
    for (long x = 0; x < 12; ++x) image.put(x, y, 200);
  vcEdgeletMap step(image, 15.0);
  ASSERT_EQ(step.edges().size(), 12u);
  for (long x = 0; x < 12; ++x) EXPECT_EQ(step.get(x, 4), x);
  EXPECT_EQ(windowCells(step), referenceCells(step));

  // The edgelets carry sub-pixel positions: the step lies on the row boundary y = 5.
  for (const vcEdgelet& e : step.edges()) EXPECT_NEAR(e.posQuickY(), 5.0, 0.05);
}

TEST(EdgeletMap, WindowedImageKeepsItsCoordinates) {
  const vcPelBuffer<unsigned char> scene = busyScene();
  const vcPelBuffer_const<unsigned char> window = scene.window(6, 4, 25, 20);
  vcEdgeletMap map(window, 10.0);
  EXPECT_EQ(map.offset(), vcPair<long>(6, 4));
  ASSERT_FALSE(map.edges().empty());
  for (std::size_t k = 0; k < map.edges().size(); ++k) {
    const vcEdgelet& e = map.edges()[k];
    EXPECT_EQ(map.get(e.get_i() - 6, e.get_j() - 4), long(k));
  }

  // image() is the same view of the same pixels, with the map's offset.
  const vcPelBuffer_const<unsigned char> view = map.image();
  EXPECT_TRUE(view.sharesPixels(scene));
  EXPECT_EQ(view.offset(), map.offset());
  EXPECT_EQ(view.offsetRoot(), window.offsetRoot());
  EXPECT_EQ(view.width(), 25);
  EXPECT_EQ(view.get(3, 2), scene.get(9, 6));
}

TEST(EdgeletMap, PoolSizesFollowTheEdgeletCount) {
  struct Case {
    long steps, height, edgelets, misc;
  };
  for (const Case& c : {Case{1, 255, 255, 257}, Case{1, 256, 256, 257}, Case{4, 250, 1000, 1001}}) {
    vcEdgeletMap map(steps(c.steps, c.height), 15.0);
    ASSERT_EQ(long(map.edges().size()), c.edgelets);
    const vcPtrHandle<vcEdgeletMapCache> cache = map.cache();
    EXPECT_EQ(cache->countPool() - cache->indexPool(), c.edgelets);
    EXPECT_EQ(cache->miscPool() - cache->countPool(), c.edgelets);
    EXPECT_EQ(cache->miscPoolSize(), c.misc);
    // The whole pool can be written (the sanitizers check the extent).
    std::fill(cache->indexPool(), cache->miscPool() + cache->miscPoolSize(), 7L);
  }
}

TEST(EdgeletMap, CopiesShareMarksAndRollbackRestoresBitForBit) {
  const vcEdgeletMap map(busyScene(), 10.0);
  const std::vector<std::int32_t> built = allCells(map);
  const vcEdgeletMap copy = map;
  EXPECT_EQ(copy.cache(), map.cache());

  // Mark every third edgelet as a tracker does: index into indexPool, -1 into the cell.
  long* pool = map.cache()->indexPool();
  long n = 0;
  for (std::size_t k = 0; k < map.edges().size(); k += 3) {
    const vcEdgelet& e = map.edges()[k];
    pool[n++] = long(k);
    map.pointToRow(e.get_j())[e.get_i()] = -1;
  }
  const vcEdgelet& first = map.edges()[0];
  EXPECT_EQ(copy.get(first.get_i(), first.get_j()), -1);
  EXPECT_NE(allCells(map), built);

  // Bad counts and indexes are refused before any cell changes.
  const std::vector<std::int32_t> marked = allCells(map);
  EXPECT_THROW(map.rollbackCache(-1), vcBadParamsError);
  EXPECT_THROW(map.rollbackCache(long(map.edges().size()) + 1), vcBadParamsError);
  pool[n] = long(map.edges().size());
  EXPECT_THROW(map.rollbackCache(n + 1), vcBadParamsError);
  EXPECT_EQ(allCells(map), marked);

  copy.rollbackCache(n);
  EXPECT_EQ(allCells(map), built);
}

TEST(EdgeletMap, BadThresholdIsRefused) {
  EXPECT_THROW(vcEdgeletMap(busyScene(), -1.0), vcBadParamsError);
  vcPelBuffer<unsigned char> image(10, 10, 32);
  image.offset(-3, 0);
  EXPECT_THROW(vcEdgeletMap(image, 10.0), vcBadParamsError);
}

}  // namespace
