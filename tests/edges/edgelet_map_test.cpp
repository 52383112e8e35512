// The edgelet map: cell encoding against a slow reference, the frame, pools, sharing between
// copies, rollback of marks and the image view.

#include <gtest/gtest.h>

#include <vector>

#include "edges/edge_scenes.h"
#include "platform/base/exception.h"
#include "tavshsl/edgelet_map.h"

namespace {

using edgetest::cells;
using edgetest::step;

// The expected cells, frame included, cell by cell from the edgelet list: the index where an
// edgelet lies, else minus the number of cells up to the next edgelet or the end of the row;
// frame rows are runs over the full storage width, frame columns -1.
std::vector<std::int32_t> referenceCells(const vcEdgeletMap& map) {
  const long w = map.width(), h = map.height();
  std::vector<std::int32_t> occupant((w + 2) * (h + 2), -1);
  for (std::size_t k = 0; k < map.edges().size(); ++k) {
    const vcEdgelet& e = map.edges()[k];
    occupant[(e.get_j() - map.offset().y() + 1) * (w + 2) + e.get_i() - map.offset().x() + 1] =
        std::int32_t(k);
  }
  std::vector<std::int32_t> expected;
  for (long y = 0; y < h + 2; ++y)
    for (long x = 0; x < w + 2; ++x) {
      const bool frameRow = y == 0 || y == h + 1;
      long end = x;
      while (end < w + 2 && occupant[y * (w + 2) + end] < 0 && (frameRow || end <= w)) ++end;
      if (!frameRow && (x == 0 || x == w + 1)) end = x + 1;
      expected.push_back(end == x ? occupant[y * (w + 2) + x] : std::int32_t(x - end));
    }
  return expected;
}

// A scene with edgelets of every kind of run: discs, a bar and noise, in rows long enough for
// runs of any length up to the row.
vcPelBuffer<unsigned char> busyScene() {
  vcSceneCanvas canvas(120, 30, 60.0);
  canvas.drawDisc(vcVector<2>(14.3, 15.6), 9.2, 190.0);
  canvas.drawStroke(vcVector<2>(27.0, 3.0), vcVector<2>(36.0, 27.0), 3.0, 20.0);
  canvas.drawDisc(vcVector<2>(97.6, 14.2), 11.5, 150.0);
  canvas.blur(0.8);
  vcSceneRandom random(5);
  canvas.addNoise(3.0, random);
  return canvas.image();
}

TEST(EdgeletMap, UnboundImageGivesUnboundMapAndBadInputThrows) {
  const vcEdgeletMap map(vcPelBuffer_const<unsigned char>(), 15.0);
  EXPECT_FALSE(map.isBound());
  EXPECT_TRUE(map.cache().isNull());
  EXPECT_NO_THROW(map.rollbackCache(5));

  // A window with a negative offset.
  vcPelBuffer<unsigned char> image(10, 10, 32);
  image.offset(-3, 0);
  EXPECT_THROW(vcEdgeletMap(image, 10.0), vcBadParamsError);
}

TEST(EdgeletMap, CellsMatchTheReferenceEncodingAlsoInAWindow) {
  // A blank image: full-row runs inside the frame, no pools.
  vcEdgeletMap blank(vcPelBuffer<unsigned char>(7, 4, 32), 15.0);
  ASSERT_FALSE(blank.cache().isNull());
  EXPECT_EQ(blank.cache()->indexPool(), nullptr);
  EXPECT_EQ(cells(blank, 1), referenceCells(blank));

  // A horizontal step fills a whole row with edgelets: the first column has no run before
  // it, the last none after it. Their sub-pixel positions lie on the row boundary y = 5.
  const vcEdgeletMap row(step(12, 10, 5, false, 0, 200), 15.0);
  ASSERT_EQ(row.edges().size(), 12u);
  EXPECT_EQ(cells(row, 1), referenceCells(row));
  for (const vcEdgelet& e : row.edges()) EXPECT_NEAR(e.posQuickY(), 5.0, 0.05);

  // A busy scene: runs of every length, edgelets next to each other.
  const vcPelBuffer<unsigned char> scene = busyScene();
  const vcEdgeletMap busy(scene, 10.0);
  EXPECT_EQ(cells(busy, 1), referenceCells(busy));

  // A window of it keeps the window's image coordinates; image() is the same view of the same
  // pixels.
  const vcEdgeletMap map(scene.window(6, 4, 25, 20), 10.0);
  EXPECT_EQ(map.offset(), vcPair<long>(6, 4));
  ASSERT_GT(map.edges().size(), 50u);
  EXPECT_EQ(cells(map, 1), referenceCells(map));
  for (const vcEdgelet& e : map.edges())
    EXPECT_LT(e.position().distance(vcVector<2>(e.get_i() + 0.5, e.get_j() + 0.5)), 1.0);
  EXPECT_TRUE(map.image().sharesPixels(scene));
  EXPECT_EQ(map.image().offset(), map.offset());
  EXPECT_EQ(map.image().get(3, 2), scene.get(9, 6));
}

TEST(EdgeletMap, PoolSizesFollowTheEdgeletCount) {
  // Steps of 40 grey levels every 8 columns: one edgelet per step and row.
  struct Case {
    long steps, height, edgelets, misc;
  };
  for (const Case& c : {Case{1, 255, 255, 257}, Case{1, 256, 256, 257}, Case{4, 250, 1000, 1001}}) {
    vcPelBuffer<unsigned char> image(8 * c.steps, c.height, 32);
    for (long y = 0; y < c.height; ++y)
      for (long x = 0; x < 8 * c.steps; ++x) image.put(x, y, (unsigned char)(40 * ((x + 4) / 8)));
    const vcEdgeletMap map(image, 15.0);
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
  const std::vector<std::int32_t> built = cells(map, 1);
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
  EXPECT_NE(cells(map, 1), built);

  // Bad counts and indexes are refused before any cell changes.
  const std::vector<std::int32_t> marked = cells(map, 1);
  EXPECT_THROW(map.rollbackCache(-1), vcBadParamsError);
  EXPECT_THROW(map.rollbackCache(long(map.edges().size()) + 1), vcBadParamsError);
  pool[n] = long(map.edges().size());
  EXPECT_THROW(map.rollbackCache(n + 1), vcBadParamsError);
  EXPECT_EQ(cells(map, 1), marked);

  copy.rollbackCache(n);
  EXPECT_EQ(cells(map, 1), built);
}

}  // namespace
