// The vectorised steps of the edgelet map (writing its rows) and of the trackers (the scan for
// cells not yet consumed) give exactly what their portable twins give.

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "edge_scenes.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/line_tracker.h"
#include "vector_paths.h"

namespace {

using vectortest::bothPaths;
using vectortest::difference;

// The edgelet indexes of every result, one list after another, each closed by its length.
template <class Set>
std::vector<long> chains(const Set& set) {
  std::vector<long> out;
  for (const auto& r : set.results()) {
    out.insert(out.end(), r.edgeletIndexes(), r.edgeletIndexes() + r.numEdgelets());
    out.push_back(-r.numEdgelets());
  }
  return out;
}

// Dense rows (noise, checkerboard) take the cell-by-cell writer and the whole-map scan;
// sparse ones the run writer and the scan by edgelets.
TEST(VectorPaths, MapCellsAndTrackedChainsAreTheSameBothWays) {
  if (vectortest::portableOnly()) GTEST_SKIP() << "this processor has only the portable path";
  for (const auto& [name, image] : vectortest::vectorPathImages())
    for (double magThresh : {2.0, 15.0}) {
      SCOPED_TRACE(name + ", threshold " + std::to_string(magThresh));
      const auto [portable, vectorised] = bothPaths([&, &image = image] {
        const vcEdgeletMap map(image, magThresh);
        vcChainTrackerResultSet chainSet;
        vfChainTracker(map, vcChainTrackerRunParams(), chainSet, nullptr, 0);
        vcLineTrackerResultSet lineSet;
        vfLineTracker(map, vcLineTrackerRunParams(magThresh), lineSet, nullptr, 0);
        return std::tuple(edgetest::cells(map), chains(chainSet), chains(lineSet));
      });
      EXPECT_EQ(difference(std::get<0>(portable), std::get<0>(vectorised)), "") << "cells";
      EXPECT_EQ(difference(std::get<1>(portable), std::get<1>(vectorised)), "") << "chains";
      EXPECT_EQ(difference(std::get<2>(portable), std::get<2>(vectorised)), "") << "lines";
    }
}

}  // namespace
