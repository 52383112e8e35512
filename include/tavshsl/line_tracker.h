#pragma once

// The line tracker: traces straight runs of edgelets and fits line segments to them.
//
//   vcLineTrackerRunParams params;             // 35 degrees, 1 pixel, every extra result
//   params.minNumEdgelets(10);
//   vcLineTrackerResultSet lines;
//   vfLineTracker(image, params, lines, nullptr, 0);         // builds a map, tracks it
//   for (const vcLineTrackerResult& r : lines.results())
//     use(r.p1(), r.p2(), r.gradiantAngle(), r.magnitude());  // client coordinates
//
//   vcLineTrackerResultSet fromChains(chainSet, params);     // one line per chain
//
// How it works. One raster scan of the edgelet map; every unconsumed edgelet starts a line
// along its tangent. The line grows along the direction class of the start gradient (+x+y,
// +y, -x+y one way; along x first towards +x, then back towards -x from the start), trying
// three neighbours ahead of the last edgelet taken. A candidate is taken when its gradient
// code is within angleTol of the line's code and its sub-pixel position lies closer than
// distanceTol to the line; when it lies farther but new points were added since the last fit,
// the line is refitted by least squares and the candidate tried again. Taken edgelets are
// marked in the map (restored afterwards unless restoreEdgeletMap is false). Indexes of a line
// run monotonically along it.
//
// Results. One vcLineTrackerResult per line of at least minNumEdgelets edgelets: the fitted
// infinite line (the vcFLine base, in image coordinates), end points, gradient angle, fit
// errors, mean magnitude and probed grey values as auxResults asks. End points and gradient
// angle are in client coordinates when their auxResults bits are set (see below).
//
// Diagnostics (a record only with a diagnostics object and flags not 0): 0x10000 the map's
// image and the annotation "Line Tracker"; 0x40000 a sketch "Edgelets" (every edgelet as a
// green pixel); 0x20000 a sketch "Lines" (every line through its edgelets, red and green
// alternately). Client coordinates.

#include <memory>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/fline.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/export.h"

class vcDiagObject;
namespace vc_line_detail {
class LineRun;
}

// Parameters of a line tracker run. A plain value; setters store without checking, and
// vfLineTracker checks the values when it runs.
//
// Bits of auxResults:
//   0x1   error: sum of squared distances of the edgelets from the fitted line (else 0)
//   0x2   endToEndError: largest minus smallest signed distance from the line (else 0)
//   0x4   magnitude: mean gradient magnitude (else 0)
//   0x8   p1, p2 projected onto the fitted line, in client coordinates (else the raw image
//         positions of the first and last edgelets)
//   0x10  gradiantAngle: the line normal on the gradient's side, in client coordinates (else
//         the middle edgelet's gradient angle in image coordinates)
//   0x20  avgDarkPel and avgLightPel probed (else 0)
class TAVSHSL_API vcLineTrackerRunParams {
 public:
  // magThresh: edge magnitude threshold (grey levels of contrast: a sharp step of C grey levels
  //   reads C) when the map is built from an image. Default 15.
  // angleTol: gradient tolerance against the line; a candidate needs a code difference below
  //   it. Default 35 degrees.
  // distanceTol: largest distance (pixels, exclusive) of an edgelet from the line. Default 1.
  // minNumEdgelets: lines with fewer edgelets are dropped. Default 2.
  // auxResults: bits above. Default 0xFFFF (all).
  // sharePool and restoreEdgeletMap start false and true.
  vcLineTrackerRunParams(double magThresh = 15.0, vcDegree angleTol = vcDegree(35.0),
                         double distanceTol = 1.0, long minNumEdgelets = 2,
                         unsigned long auxResults = 0xFFFF);

  long minNumEdgelets() const { return minNumEdgelets_; }
  void minNumEdgelets(long v) { minNumEdgelets_ = v; }
  double magThresh() const { return magThresh_; }
  void magThresh(double v) { magThresh_ = v; }
  vcDegree angleTol() const { return angleTol_; }
  void angleTol(vcDegree v) { angleTol_ = v; }
  double distanceTol() const { return distanceTol_; }
  void distanceTol(double v) { distanceTol_ = v; }
  unsigned long auxResults() const { return auxResults_; }
  void auxResults(unsigned long v) { auxResults_ = v; }
  // Results point into the map's index pool instead of a pool of their own.
  bool sharePool() const { return sharePool_; }
  void sharePool(bool v) { sharePool_ = v; }
  // Undo the marks in the map after the run.
  bool restoreEdgeletMap() const { return restoreEdgeletMap_; }
  void restoreEdgeletMap(bool v) { restoreEdgeletMap_ = v; }

 private:
  long minNumEdgelets_;
  double magThresh_;
  vcDegree angleTol_;
  double distanceTol_;
  unsigned long auxResults_;
  bool sharePool_ = false;
  bool restoreEdgeletMap_ = true;
};

// One traced line. The vcFLine base is the fitted infinite line in image coordinates.
class TAVSHSL_API vcLineTrackerResult : public vcFLine {
 public:
  // The x axis, zero angle, null points, zeros and no edgelets.
  vcLineTrackerResult() = default;
  vcLineTrackerResult(const vcLineTrackerResult&) = default;
  vcLineTrackerResult& operator=(const vcLineTrackerResult&) = default;
  virtual ~vcLineTrackerResult() = default;

  // Direction of the line normal on the light side, degrees in [0, 360) (see auxResults 0x10).
  vcDegree gradiantAngle() const { return gradiantAngle_; }
  // End points: the first and the last edgelet (see auxResults 0x8).
  vcVector<2> p1() const { return p1_; }
  vcVector<2> p2() const { return p2_; }
  // Mean edgelet magnitude, grey levels of contrast (auxResults 0x4).
  double magnitude() const { return magnitude_; }
  // Squared distances from the line, summed (auxResults 0x1): over the edgelets for a traced
  // line, per edgelet for a line converted from a chain.
  double error() const { return error_; }
  // Spread of the signed distances from the line, pixels (auxResults 0x2).
  double endToEndError() const { return endToEndError_; }
  // numEdgelets() indexes into the result set's edges(), in order along the line.
  const long* edgeletIndexes() const { return edgeletIndexes_; }
  long numEdgelets() const { return numEdgelets_; }
  // Mean darkest and lightest grey values beside the edgelets (auxResults 0x20).
  double avgDarkPel() const { return avgDarkPel_; }
  double avgLightPel() const { return avgLightPel_; }

 private:
  friend class vc_line_detail::LineRun;
  friend class vcLineTrackerResultSet;

  // A result for a chain of n edgelets (n >= 1): fits the line to their positions.
  void update_(const vcEdgeletMap& map, const long* edgeletIndexes, long n,
               unsigned long auxResults);
  // Magnitude, end points, gradient angle and end-to-end error, by auxResults, for a result
  // whose line, indexes and count are set.
  void calcAuxResults_(const vcEdgeletMap& map, unsigned long auxResults);

  vcDegree gradiantAngle_;
  vcVector<2> p1_;
  vcVector<2> p2_;
  double magnitude_ = 0.0;
  double error_ = 0.0;
  double endToEndError_ = 0.0;
  const long* edgeletIndexes_ = nullptr;
  long numEdgelets_ = 0;
  double avgDarkPel_ = 0.0;
  double avgLightPel_ = 0.0;
};

// The lines of one run. Copies behave as those of vcChainTrackerResultSet: an owned pool is
// duplicated, the map's pool is shared.
class TAVSHSL_API vcLineTrackerResultSet {
 public:
  // Empty: no results, unbound map, null pool.
  vcLineTrackerResultSet();
  // One line per result proper of `chains` (its first numResults() chains), fitted by least
  // squares; the set takes the chain set's map and pool (duplicating an owned pool, sharing a
  // shared one). Only params.auxResults() is used.
  // Throws: vcBadParamsError when a chain's pixels lie outside its map's image (probing);
  //   std::bad_alloc.
  vcLineTrackerResultSet(const vcChainTrackerResultSet& chains,
                         const vcLineTrackerRunParams& params);
  vcLineTrackerResultSet(const vcLineTrackerResultSet& other);
  // Throws: std::bad_alloc, leaving this set unchanged.
  vcLineTrackerResultSet& operator=(const vcLineTrackerResultSet& other);
  virtual ~vcLineTrackerResultSet();

  // Seconds taken by the run (the image form includes edge detection); 0 for a conversion.
  double time() const { return time_; }
  const std::vector<vcLineTrackerResult>& results() const { return results_; }
  // A copy of the tracked map, sharing its cells and edgelets.
  const vcEdgeletMap& edgeletMap() const { return edgeletMap_; }
  const std::vector<vcEdgelet>& edges() const { return edgeletMap_.edges(); }
  // The index pool, poolSize() longs: the kept lines' indexes (own pool) or every index the
  // run wrote, dropped short lines included (shared pool).
  const long* indexPool() const { return indexPool_; }
  long poolSize() const { return poolSize_; }
  bool ownIndexPool() const { return ownIndexPool_; }

 private:
  friend class vc_line_detail::LineRun;

  void cleanup_();
  void swap_(vcLineTrackerResultSet& other) noexcept;
  // Maps end points (0x8) and gradient angles (0x10) to client coordinates.
  void covertToClient_(const vcLineTrackerRunParams& params);
  // Probes the grey values beside every line (0x20).
  void updateAvgPels_(const vcLineTrackerRunParams& params);

  double time_ = 0.0;
  std::vector<vcLineTrackerResult> results_;
  vcEdgeletMap edgeletMap_;
  long* indexPool_ = nullptr;
  long poolSize_ = 0;
  bool ownIndexPool_ = false;
  std::unique_ptr<long[]> ownedPool_;  // holds indexPool_ when ownIndexPool_
};

// Tracks lines on a map built here from image with params.magThresh(); time() covers edge
// detection, tracking, conversions and diagnostics. Once the input has passed its checks,
// results is emptied before the map is built, so that a set reused in a loop lends its old
// map's memory to the new one.
// Throws: vcBadParamsError, results unchanged, for bad tolerances, a negative or non-finite
// magThresh, an unbound image or pixel coordinates beyond 65535; std::bad_alloc (results may
// then be empty).
TAVSHSL_API void vfLineTracker(const vcPelBuffer_const<unsigned char>& image,
                               const vcLineTrackerRunParams& params,
                               vcLineTrackerResultSet& results, vcDiagObject* diag,
                               unsigned long flags);

// Traces the lines of map (see the top of this file) and replaces the contents of results
// with them; time() covers the tracking.
// Requires: a map with an edgelet cache; angleTol in [0, 180] degrees; distanceTol finite and
//   >= 0. Negative minNumEdgelets counts as 0.
// Throws: vcBadParamsError naming the problem when a requirement fails (a map without
//   edgelet cache, built from an unbound image, included) or a map cell holds a value that
//   is not an edgelet index; results and the map are then unchanged. std::bad_alloc.
TAVSHSL_API void vfLineTracker(const vcEdgeletMap& map, const vcLineTrackerRunParams& params,
                               vcLineTrackerResultSet& results, vcDiagObject* diag,
                               unsigned long flags);
