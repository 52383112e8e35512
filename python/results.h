#pragma once

// Results as Python sees them: plain values with named fields, in client coordinates, and
// sequences of them that also give the whole set as a numpy table. Results keep the run's
// edgelets (shared, not copied) so that chains and lines can name theirs; they keep no
// reference to the image.

#include <pybind11/pybind11.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/base/vector.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/line_tracker.h"

namespace tavshsl_py {

using Point = std::pair<double, double>;

// The edgelets of one run and the client transform of its image.
class EdgeletData {
 public:
  explicit EdgeletData(const vcEdgeletMap& map) : cache_(map.cache()) {}
  long size() const { return cache_ ? static_cast<long>(cache_->edges().size()) : 0; }
  const vcEdgelet& edge(long k) const { return cache_->edges()[static_cast<std::size_t>(k)]; }
  Point clientPosition(long k) const;
  // Gradient direction in client coordinates, degrees in [0, 360).
  double clientAngle(long k) const;

 private:
  vcPtrHandle<vcEdgeletMapCache> cache_;
};
using EdgeletsPtr = std::shared_ptr<const EdgeletData>;

struct Edgelet {
  double x = 0.0, y = 0.0;  // sub-pixel position, client coordinates
  long i = 0, j = 0;        // pixel the edgelet was found at
  long magnitude = 0;       // grey levels per pixel
  double angle = 0.0;       // gradient direction, client degrees in [0, 360)
};

// A run of edgelet indexes kept in a pool shared by all results of one run.
struct IndexRun {
  EdgeletsPtr edgelets;
  std::shared_ptr<const std::vector<long>> pool;
  long first = 0, count = 0;
};

struct Chain {
  IndexRun run;
  bool isClosed = false;
  double magnitude = 0.0, avgDarkPel = 0.0, avgLightPel = 0.0;
};

struct Line {
  IndexRun run;
  Point p1, p2;
  double gradiantAngle = 0.0, magnitude = 0.0, error = 0.0, endToEndError = 0.0;
  double avgDarkPel = 0.0, avgLightPel = 0.0;
};

struct Circle {
  Point center;
  double radius = 0.0, coverage = 0.0, magnitude = 0.0;
  long numPoints = 0;
  vcCircleFinderDefs::Polarity polarity = vcCircleFinderDefs::eLightOnDark;
  double minPointToCenter = 0.0, maxPointToCenter = 0.0, meanRadiusDevSqr = 0.0;
  double avgDarkPel = 0.0, avgLightPel = 0.0;
};

// The results of one run, in the library's order.
template <class T>
struct ResultList {
  std::vector<T> items;
  EdgeletsPtr edgelets;  // null for circles
  double time = 0.0;     // seconds, where the tool times itself
  long numCandidates = 0;
};

struct Edgelets {
  EdgeletsPtr data;
};

Edgelets edgeletsOf(const vcEdgeletMap& map);
ResultList<Chain> chainsOf(const vcChainTrackerResultSet& set);
ResultList<Line> linesOf(const vcLineTrackerResultSet& set);
ResultList<Circle> circlesOf(const vcCircleFinderResultSet& set);

// The result classes and their sequences as Python classes.
void bindResults(pybind11::module_& m);

}  // namespace tavshsl_py
