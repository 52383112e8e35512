#include <limits>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tavshsl/corresponding_hash_table.h"
#include "tavshsl/tight_line_hash_table.h"

namespace {

using Cells = std::vector<std::pair<long, long>>;

template <class Iterator>
Cells iterate(Iterator it) {
  Cells out;
  for (; !it.done(); it.next()) out.emplace_back(it.x(), it.y());
  return out;
}

Cells walk(long ax, long ay, long bx, long by) { return iterate(vcGridLineWalk(ax, ay, bx, by)); }

TEST(GridLineWalk, FollowsBresenhamFromEndToEnd) {
  // Major axis x: the term starts at 2 dy - dx = -1, a negative term steps straight.
  EXPECT_EQ(walk(0, 0, 5, 2), (Cells{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
  // Major axis y, walking backwards; both ends included.
  EXPECT_EQ(walk(3, 4, 2, 0), (Cells{{3, 4}, {3, 3}, {2, 2}, {2, 1}, {2, 0}}));
  // One cell.
  EXPECT_EQ(walk(7, -3, 7, -3), (Cells{{7, -3}}));
}

TEST(GridLineWalk, ClippedIteratorYieldsExactlyTheInGridCellsOfTheWalk) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<long> coord(-40, 70);
  const long w = 25, h = 17;
  for (int trial = 0; trial < 20000; ++trial) {
    const long ax = coord(rng), ay = coord(rng), bx = coord(rng), by = coord(rng);
    Cells inGrid;  // the slow reference: the whole walk, keeping the in-grid cells
    for (const auto& [x, y] : walk(ax, ay, bx, by))
      if (x >= 0 && y >= 0 && x < w && y < h) inGrid.emplace_back(x, y);
    ASSERT_EQ(iterate(vcGridLineIterator(w, h, ax, ay, bx, by)), inGrid)
        << ax << "," << ay << " -> " << bx << "," << by;
  }
}

TEST(GridLineWalk, PointLinesClipAndSkipWhatLiesOutside) {
  vcTightLineHashTable<int> grid(10, 8);
  // Entirely left of the grid: nothing.
  EXPECT_TRUE(grid.lineIterator(vcVector<2>(-9.5, 2.5), vcVector<2>(-1.5, 6.5)).done());
  // Cells come from truncation toward zero: -0.5 lies in column 0.
  EXPECT_EQ(iterate(grid.lineIterator(vcVector<2>(-0.5, 2.5), vcVector<2>(-9.5, 2.5))),
            (Cells{{0, 2}}));
  // Entering from the left: only the in-grid cells.
  EXPECT_EQ(iterate(grid.lineIterator(vcVector<2>(-5.5, 3.2), vcVector<2>(3.9, 3.7))),
            (Cells{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
  // Far-away ends are cut before the walk; the in-grid part stays.
  EXPECT_EQ(iterate(grid.lineIterator(vcVector<2>(-1e300, 5.5), vcVector<2>(1e300, 5.5))).size(),
            10u);
  // A non-finite end yields nothing.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(grid.lineIterator(vcVector<2>(nan, 1.0), vcVector<2>(3.0, 1.0)).done());
  EXPECT_THROW(vcTightLineHashTable<int>(0, 5), vcBadParamsError);
}

}  // namespace
