#pragma once

// The chain tracker: links the edgelets of an edgelet map into chains, ordered runs of
// 8-connected edgelets whose gradient directions agree.
//
//   vcChainTrackerRunParams params;            // defaults: chains of 2 or more, 35 degrees
//   params.sortBy(vcChainTrackerDefs::eSortByLength);
//   vcChainTrackerResultSet chains;
//   vfChainTracker(image, params, chains, nullptr, 0);       // builds a map, tracks it
//   for (long k = 0; k < chains.numResults(); ++k) {
//     const vcChainTrackerResult& c = chains.results()[k];
//     for (long i = 0; i < c.numEdgelets(); ++i) use(chains.edges()[c.edgeletIndexes()[i]]);
//   }
//
// How it works. One raster scan of the map; every unconsumed edgelet it meets starts a chain,
// followed in one sense only (towards +x, +x+y, +y or -x+y first), each step trying the
// neighbours ahead of the current direction and taking the first whose gradient code is
// within the tolerance. Taken edgelets are marked in the map (their cell reads -1) and, unless
// restoreEdgeletMap is false, restored at the end. Three tracers exist:
//   plain  each edgelet is compared with the one before it (angleTol);
//   line   lineMode: every edgelet is compared with the chain's first, and the direction never
//          turns, so chains stay straight;
//   trend  trendWindowSize W >= 2: after W + F edgelets (F = trendForwardStep) each candidate
//          is compared (trendAngleTol) with the angle predicted by extrapolating the turn rate
//          measured over the last W edgelets F + 1 steps ahead; this follows arcs smoothly.
//
// Results. results() holds every chain: its first numResults() entries are the chains of at
// least minEdgesPerChain edgelets (the results proper, in discovery order or sorted), the rest
// the short chains, last found first. A long chain of 8 or more edgelets whose ends are
// 8-neighbours is closed. The set keeps a copy of the map (sharing cells and edgelets) and
// an index pool, either its own or (sharePool) the map's, which the next tracker run on the
// same map overwrites.
//
// Diagnostics (a record only with a diagnostics object and flags not 0): 0x10000 the map's
// image and the annotation "Line Tracker"; 0x40000 a sketch "Edgelets" (every edgelet as a
// green pixel); 0x20000 a sketch "Chains" (every chain, short ones included, red and green
// alternately). Client coordinates.

#include <memory>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/pel_buffer.h"
#include "tavshsl/edgelet_map.h"
#include "tavshsl/export.h"

class vcDiagObject;
namespace vc_chain_detail {
class ChainRun;
}

class TAVSHSL_API vcChainTrackerDefs {
 public:
  // Order of the results proper (the short chains always stay at the end, last found first).
  enum SortBy {
    eUnsorted = 0,         // discovery order (raster order of the chains' first edgelets)
    eSortByLength = 1,     // numEdgelets, longest first
    eSortByLightPel = 2,   // avgLightPel, lightest first (needs probePelVal)
    eSortByDarkPel = 3,    // avgDarkPel, darkest first (needs probePelVal)
    eSortByMagnitude = 4,  // magnitude, strongest first
  };
};

// Parameters of a chain tracker run. A plain value; setters store without checking, and
// vfChainTracker checks the values when it runs (see there).
class TAVSHSL_API vcChainTrackerRunParams {
 public:
  // minEdgesPerChain: chains with fewer edgelets are not results proper. Default 2.
  // magThresh: edge magnitude threshold (grey levels of contrast: a sharp step of C grey levels
  //   reads C) used when the tracker builds the map from an image. Default 15.
  // angleTol: largest change of gradient angle between consecutive edgelets (from the first
  //   edgelet in lineMode). Default 35 degrees.
  // lineMode: straight-line tracing. Default false.
  // sortBy: order of the results proper. Default unsorted.
  // trendAngleTol: tolerance against the predicted angle in trend mode. Default 20 degrees.
  // trendWindowSize: W, edgelets over which the turn rate is measured; trend mode when >= 2
  //   (and lineMode false). Default 0.
  // trendForwardStep: F, how many edgelets beyond the window the prediction reaches. Default 2.
  // probePelVal: probe the dark and light grey values beside each chain. Default false.
  // sharePool and restoreEdgeletMap start false and true.
  vcChainTrackerRunParams(long minEdgesPerChain = 2, double magThresh = 15.0,
                          vcDegree angleTol = vcDegree(35.0), bool lineMode = false,
                          vcChainTrackerDefs::SortBy sortBy = vcChainTrackerDefs::eUnsorted,
                          vcDegree trendAngleTol = vcDegree(20.0), long trendWindowSize = 0,
                          long trendForwardStep = 2, bool probePelVal = false);

  double magThresh() const { return magThresh_; }
  void magThresh(double v) { magThresh_ = v; }
  vcDegree angleTol() const { return angleTol_; }
  void angleTol(vcDegree v) { angleTol_ = v; }
  long minEdgesPerChain() const { return minEdgesPerChain_; }
  void minEdgesPerChain(long v) { minEdgesPerChain_ = v; }
  bool lineMode() const { return lineMode_; }
  void lineMode(bool v) { lineMode_ = v; }
  vcChainTrackerDefs::SortBy sortBy() const { return sortBy_; }
  void sortBy(vcChainTrackerDefs::SortBy v) { sortBy_ = v; }
  vcDegree trendAngleTol() const { return trendAngleTol_; }
  void trendAngleTol(vcDegree v) { trendAngleTol_ = v; }
  long trendWindowSize() const { return trendWindowSize_; }
  void trendWindowSize(long v) { trendWindowSize_ = v; }
  long trendForwardStep() const { return trendForwardStep_; }
  void trendForwardStep(long v) { trendForwardStep_ = v; }
  bool probePelVal() const { return probePelVal_; }
  void probePelVal(bool v) { probePelVal_ = v; }
  // Results point into the map's index pool instead of a pool of their own.
  bool sharePool() const { return sharePool_; }
  void sharePool(bool v) { sharePool_ = v; }
  // Undo the marks in the map after the run.
  bool restoreEdgeletMap() const { return restoreEdgeletMap_; }
  void restoreEdgeletMap(bool v) { restoreEdgeletMap_ = v; }

 private:
  double magThresh_;
  vcDegree angleTol_;
  long minEdgesPerChain_;
  bool lineMode_;
  vcChainTrackerDefs::SortBy sortBy_;
  vcDegree trendAngleTol_;
  long trendWindowSize_;
  long trendForwardStep_;
  bool probePelVal_;
  bool sharePool_ = false;
  bool restoreEdgeletMap_ = true;
};

// One chain: its edgelet indexes (into the result set's pool, in chain order) and what was
// measured on it. A plain value.
class TAVSHSL_API vcChainTrackerResult {
 public:
  // Null indexes, 0 edgelets, open, zero values.
  vcChainTrackerResult() = default;
  // Note the argument order: magnitude, then dark, then light.
  vcChainTrackerResult(const long* edgeletIndexes, long numEdgelets, bool isClosed,
                       double magnitude, double avgDarkPel, double avgLightPel)
      : edgeletIndexes_(edgeletIndexes),
        numEdgelets_(numEdgelets),
        isClosed_(isClosed),
        avgLightPel_(avgLightPel),
        avgDarkPel_(avgDarkPel),
        magnitude_(magnitude) {}

  // numEdgelets() indexes into edges() of the result set, in chain order.
  const long* edgeletIndexes() const { return edgeletIndexes_; }
  long numEdgelets() const { return numEdgelets_; }
  // 8 or more edgelets, the first and the last 8-neighbours.
  bool isClosed() const { return isClosed_; }
  // Mean of the lightest grey value found within 3 pixels along each edgelet's gradient
  // (probePelVal only; 0 otherwise).
  double avgLightPel() const { return avgLightPel_; }
  // Mean of the darkest grey value found within 3 pixels against each gradient.
  double avgDarkPel() const { return avgDarkPel_; }
  // Mean gradient magnitude of the edgelets (results proper only; 0 for short chains).
  double magnitude() const { return magnitude_; }

 private:
  friend class vc_chain_detail::ChainRun;
  friend class vcChainTrackerResultSet;

  const long* edgeletIndexes_ = nullptr;
  long numEdgelets_ = 0;
  bool isClosed_ = false;
  double avgLightPel_ = 0.0;
  double avgDarkPel_ = 0.0;
  double magnitude_ = 0.0;
};

// The chains of one run. Copies are independent of each other for an owned pool (the copy
// gets its own pool and its results point into it) and share the map's pool otherwise.
class TAVSHSL_API vcChainTrackerResultSet {
 public:
  // Empty: unbound map, no results, null pool.
  vcChainTrackerResultSet();
  vcChainTrackerResultSet(const vcChainTrackerResultSet& other);
  // Copies time, map, results and numResults; duplicates an owned pool (of non-zero size) and
  // moves every result's indexes into the duplicate; shares a pool the source does not own.
  // Throws: std::bad_alloc, leaving this set unchanged.
  vcChainTrackerResultSet& operator=(const vcChainTrackerResultSet& other);
  ~vcChainTrackerResultSet();

  // 0: the chain tracker does not time itself.
  double time() const { return time_; }
  // A copy of the tracked map, sharing its cells and edgelets.
  const vcEdgeletMap& edgeletMap() const { return edgeletMap_; }
  // Every chain: the results proper first, then the short chains.
  const std::vector<vcChainTrackerResult>& results() const { return results_; }
  // Number of results proper (chains of at least minEdgesPerChain edgelets).
  long numResults() const { return numResults_; }
  // The edgelets that the indexes refer to.
  const std::vector<vcEdgelet>& edges() const { return edgeletMap_.edges(); }
  // The index pool: every chain's indexes one after the other; poolSize() longs.
  const long* indexPool() const { return indexPool_; }
  long poolSize() const { return poolSize_; }
  bool ownIndexPool() const { return ownIndexPool_; }

 private:
  friend class vc_chain_detail::ChainRun;

  // Frees an owned pool; the pool becomes null, its size 0, not owned.
  void cleanup_();
  void swap_(vcChainTrackerResultSet& other) noexcept;

  double time_ = 0.0;
  vcEdgeletMap edgeletMap_;
  std::vector<vcChainTrackerResult> results_;
  long numResults_ = 0;
  long* indexPool_ = nullptr;
  long poolSize_ = 0;
  bool ownIndexPool_ = false;
  std::unique_ptr<long[]> ownedPool_;  // holds indexPool_ when ownIndexPool_
};

// Tracks a map built here from image with params.magThresh(); the result set keeps its own
// copy of that map, so its indexes stay valid after the call. Once the input has passed its
// checks, results is emptied before the map is built, so that a set reused in a loop lends its
// old map's memory to the new one (not when the trend window's fit depends on the map).
// Throws: as the map form; vcBadParamsError from the edge detector for a negative or non-finite
// magThresh or pixel coordinates beyond 65535; results are then unchanged, except after
// std::bad_alloc.
TAVSHSL_API void vfChainTracker(const vcPelBuffer_const<unsigned char>& image,
                                const vcChainTrackerRunParams& params,
                                vcChainTrackerResultSet& results, vcDiagObject* diag,
                                unsigned long flags);

// Tracks the edgelets of map into chains (see the top of this file) and replaces the contents
// of results with them. A map without a cache (built from an unbound image) leaves results
// untouched and does nothing.
// Requires: angleTol and, in trend mode, trendAngleTol in [0, 180] degrees; sortBy one of the
//   SortBy values; in trend mode (W = trendWindowSize >= 2, lineMode false) F =
//   trendForwardStep >= 0 and W + F + 2 at most half of the map's miscPool, max(257, n + 1)
//   entries for n edgelets: W + F <= 126 below 256 edgelets. The two trend buffers live in
//   that pool, so a window that does not fit is refused rather than written past its end.
//   Negative minEdgesPerChain counts as 0.
// Throws: vcBadParamsError, naming the parameter and its valid range, when a requirement fails
//   or when a map cell holds a value that is not an edgelet index of its cache
//   (vcAssertionFailure when cells list one edgelet twice); results and the map are then
//   unchanged. std::bad_alloc.
TAVSHSL_API void vfChainTracker(const vcEdgeletMap& map, const vcChainTrackerRunParams& params,
                                vcChainTrackerResultSet& results, vcDiagObject* diag,
                                unsigned long flags);
