// The chain tracker run: check the parameters, scan the map and trace a chain from every
// unconsumed edgelet, fill the result set (sorted by length when asked), restore the map,
// measure the chains, sort them by a measured key when asked, record diagnostics.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "edges/chain_codes.h"
#include "edges/chain_diag.h"
#include "edges/chain_pool.h"
#include "edges/chain_trace.h"
#include "edges/pixel_probe.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "tavshsl/chain_tracker.h"

namespace vc_chain_detail {
namespace {

// Refuses an angle tolerance outside [0, 180] degrees (a code above 128 would wrap).
void checkTolerance(vcDegree tol, const wchar_t* name) {
  const double deg = tol.toDouble();
  if (!(deg >= 0.0 && deg <= 180.0))
    throw vcBadParamsError(std::wstring(L"vfChainTracker: ") + name +
                           L" must be in [0, 180] degrees");
}

// The chain is closed when it has 8 or more edgelets and its ends are 8-neighbours.
bool isClosedChain(const std::vector<vcEdgelet>& edges, const long* indexes, long n) {
  if (n < 8) return false;
  const vcEdgelet& first = edges[std::size_t(indexes[0])];
  const vcEdgelet& last = edges[std::size_t(indexes[n - 1])];
  return std::abs(long(first.get_i()) - long(last.get_i())) <= 1 &&
         std::abs(long(first.get_j()) - long(last.get_j())) <= 1;
}

}  // namespace

// The steps of one run, with access to the private members of the results.
class ChainRun {
 public:
  ChainRun(const vcEdgeletMap& map, const vcChainTrackerRunParams& params)
      : map_(map), params_(params), cache_(map.cache()) {}

  void run(vcChainTrackerResultSet& results, vcDiagObject* diag, unsigned long flags);

  // Throws vcBadParamsError unless params suit a map of numEdges edgelets.
  static void checkParams(const vcChainTrackerRunParams& params, long numEdges);
  // True when the trend buffers, if any, fit the pool of a map of numEdges edgelets; with 0,
  // the smallest pool, they then fit every map.
  static bool trendFits(const vcChainTrackerRunParams& params, long numEdges) {
    const long W = params.trendWindowSize(), F = params.trendForwardStep();
    const long half = trendBufferSize(numEdges);
    return params.lineMode() || W < 2 || (W <= half && F <= half && W + F + 2 <= half);
  }
  // Each trend buffer's share of miscPool, max(257, n + 1) entries for n edgelets.
  static long trendBufferSize(long numEdges) { return std::max(257L, numEdges + 1) / 2; }
  // Empties the set, giving back its map and pool.
  static void release(vcChainTrackerResultSet& results) {
    vcChainTrackerResultSet().swap_(results);
  }

 private:
  void setUpContext_();
  void scan_();
  void fill_(vcChainTrackerResultSet& out) const;
  void measure_(vcChainTrackerResultSet& out) const;
  void sortByKey_(vcChainTrackerResultSet& out) const;

  const vcEdgeletMap& map_;
  const vcChainTrackerRunParams& params_;
  vcPtrHandle<vcEdgeletMapCache> cache_;
  TraceContext ctx_;
  long minLength_ = 0;
  long numChains_ = 0;
  long numLong_ = 0;
  long written_ = 0;  // indexes written to indexPool
};

void ChainRun::checkParams(const vcChainTrackerRunParams& params, long numEdges) {
  checkTolerance(params.angleTol(), L"angleTol");
  const long sortBy = long(params.sortBy());
  if (sortBy < 0 || sortBy > 4)
    throw vcBadParamsError(L"vfChainTracker: sortBy must be in [0, 4], got " + vfStr(sortBy));

  // Trend mode: the two ring buffers of W + F + 2 entries must fit in miscPool.
  const long W = params.trendWindowSize(), F = params.trendForwardStep();
  if (params.lineMode() || W < 2) return;
  checkTolerance(params.trendAngleTol(), L"trendAngleTol");
  if (F < 0)
    throw vcBadParamsError(L"vfChainTracker: trendForwardStep must be >= 0 in trend mode, got " +
                           vfStr(F));
  if (!trendFits(params, numEdges))
    throw vcBadParamsError(
        L"vfChainTracker: trendWindowSize + trendForwardStep + 2 must be at most " +
        vfStr(trendBufferSize(numEdges)) + L" for a map of " + vfStr(numEdges) +
        L" edgelets, got " + vfStr(W) + L" + " + vfStr(F) + L" + 2");
}

void ChainRun::setUpContext_() {
  const std::vector<vcEdgelet>& edges = cache_->edges();
  ctx_.edges = edges.data();
  ctx_.numEdges = std::uint32_t(edges.size());
  ctx_.w = map_.width();
  ctx_.h = map_.height();
  ctx_.stride = map_.rowUpdate();
  ctx_.origin = ctx_.w > 0 && ctx_.h > 0 ? map_.pointToOffset() : nullptr;
  ctx_.offset = map_.offset();
  ctx_.angleTol = vc_tracker_detail::roundedToleranceCode(params_.angleTol().toDouble());
  ctx_.indexOut = cache_->indexPool();
  ctx_.indexEnd = cache_->indexPool() + edges.size();
  ctx_.misc = cache_->miscPool();
  // The trend values only in trend mode: line mode ignores them, whatever they are.
  const bool trend = !params_.lineMode() && params_.trendWindowSize() > 1;
  ctx_.trendWindow = trend ? params_.trendWindowSize() : 0;
  ctx_.trendForward = trend ? params_.trendForwardStep() : 0;
  if (trend) {
    ctx_.trendAngleTol =
        vc_tracker_detail::roundedToleranceCode(params_.trendAngleTol().toDouble());
    ctx_.trendRatio = double(ctx_.trendForward + 1) / double(ctx_.trendWindow - 1);
  }
  minLength_ = std::max(0L, params_.minEdgesPerChain());
}

void ChainRun::scan_() {
  void (*trace)(TraceContext&) = params_.lineMode() ? traceLine
                                 : ctx_.trendWindow < 2 ? tracePlain
                                                        : traceTrend;
  long* counts = cache_->countPool();
  vc_tracker_detail::UnconsumedCells cells(ctx_.origin, ctx_.stride, ctx_.w, ctx_.h,
                                           cache_->edges(), map_.offset());
  ctx_.unconsumed = &cells;
  cells.scan(ctx_.numEdges, L"vfChainTracker", [&](long x, long y) {
    // Trace a chain from here; its indexes follow the previous chain's in indexPool.
    ctx_.startAt(x, y);
    trace(ctx_);
    counts[numChains_++] = ctx_.length;
    written_ += ctx_.length;
    if (ctx_.length >= minLength_) ++numLong_;
  });
}

void ChainRun::fill_(vcChainTrackerResultSet& out) const {
  const std::vector<vcEdgelet>& edges = cache_->edges();
  const long* pool = cache_->indexPool();
  const long* counts = cache_->countPool();
  out.results_.assign(std::size_t(numChains_), vcChainTrackerResult());
  out.poolSize_ = written_;
  if (params_.sharePool()) {
    out.indexPool_ = cache_->indexPool();
  } else {
    out.ownedPool_.reset(new long[std::size_t(written_)]);
    out.indexPool_ = out.ownedPool_.get();
    out.ownIndexPool_ = true;
  }
  long* dest = out.indexPool_;  // own pool: the next free entry

  // Puts chain `chain` (starting at `start` in indexPool) into slot `slot`.
  const auto place = [&](long chain, long start, long slot, bool closable) {
    const long n = counts[chain];
    const long* indexes = pool + start;
    if (!params_.sharePool()) {
      std::copy(indexes, indexes + n, dest);
      indexes = dest;
      dest += n;
    }
    vcChainTrackerResult& r = out.results_[std::size_t(slot)];
    r.edgeletIndexes_ = indexes;
    r.numEdgelets_ = n;
    r.isClosed_ = closable && isClosedChain(edges, indexes, n);
  };

  if (params_.sortBy() != vcChainTrackerDefs::eSortByLength) {
    // Long chains from the front in discovery order, short ones from the back.
    long front = 0, back = numChains_ - 1, start = 0;
    for (long c = 0; c < numChains_; ++c) {
      if (counts[c] >= minLength_) place(c, start, front++, true);
      else place(c, start, back--, false);
      start += counts[c];
    }
    return;
  }

  // By length: long chains first, then short ones, each in discovery order; chain starts from
  // the prefix sums of the lengths (in miscPool, which the trend buffers no longer need); the
  // long part sorted longest first.
  if (numChains_ == 0) return;
  long* starts = cache_->miscPool();
  std::vector<long> order;
  order.reserve(std::size_t(numChains_));
  starts[0] = 0;
  for (long c = 0; c < numChains_; ++c) {
    starts[c + 1] = starts[c] + counts[c];
    if (counts[c] >= minLength_) order.push_back(c);
  }
  for (long c = 0; c < numChains_; ++c)
    if (counts[c] < minLength_) order.push_back(c);
  std::stable_sort(order.begin(), order.begin() + numLong_,
                   [&](long a, long b) { return counts[a] > counts[b]; });
  for (long slot = 0; slot < numChains_; ++slot)
    place(order[std::size_t(slot)], starts[order[std::size_t(slot)]], slot, true);
}

void ChainRun::measure_(vcChainTrackerResultSet& out) const {
  const std::vector<vcEdgelet>& edges = cache_->edges();
  const vcPelBuffer_const<unsigned char> image =
      params_.probePelVal() ? out.edgeletMap_.image() : vcPelBuffer_const<unsigned char>();
  for (long k = 0; k < out.numResults_; ++k) {
    vcChainTrackerResult& r = out.results_[std::size_t(k)];
    if (params_.probePelVal()) {
      const vc_tracker_detail::PelAverages pels =
          vc_tracker_detail::probePels(image, edges, r.edgeletIndexes_, r.numEdgelets_);
      r.avgDarkPel_ = pels.dark;
      r.avgLightPel_ = pels.light;
    }
    // 32-bit sum: 65535 per edgelet, exact up to 65537 edgelets per chain.
    std::uint32_t sum = 0;
    for (long i = 0; i < r.numEdgelets_; ++i)
      sum += edges[std::size_t(r.edgeletIndexes_[i])].magnitude();
    r.magnitude_ = r.numEdgelets_ > 0 ? double(sum) / double(r.numEdgelets_) : 0.0;
  }
}

void ChainRun::sortByKey_(vcChainTrackerResultSet& out) const {
  const auto first = out.results_.begin(), last = first + out.numResults_;
  switch (params_.sortBy()) {
    case vcChainTrackerDefs::eSortByLightPel:
      std::stable_sort(first, last, [](const vcChainTrackerResult& a,
                                       const vcChainTrackerResult& b) {
        return a.avgLightPel_ > b.avgLightPel_;
      });
      break;
    case vcChainTrackerDefs::eSortByDarkPel:
      std::stable_sort(first, last, [](const vcChainTrackerResult& a,
                                       const vcChainTrackerResult& b) {
        return a.avgDarkPel_ < b.avgDarkPel_;
      });
      break;
    case vcChainTrackerDefs::eSortByMagnitude:
      std::stable_sort(first, last, [](const vcChainTrackerResult& a,
                                       const vcChainTrackerResult& b) {
        return a.magnitude_ > b.magnitude_;
      });
      break;
    default:
      break;
  }
}

void ChainRun::run(vcChainTrackerResultSet& results, vcDiagObject* diag, unsigned long flags) {
  // Check the parameters before anything changes.
  checkParams(params_, long(cache_->edges().size()));
  setUpContext_();

  // Scan and trace, then build the new result set aside. On failure the marks are undone, so
  // the map and the caller's set stay as they were.
  vcChainTrackerResultSet out;
  try {
    scan_();
    fill_(out);
  } catch (...) {
    map_.rollbackCache(ctx_.indexOut ? long(ctx_.indexOut - cache_->indexPool()) : 0L);
    throw;
  }
  out.numResults_ = numLong_;
  out.edgeletMap_ = map_;

  // Undo the marks: every consumed cell gets its index back.
  if (params_.restoreEdgeletMap()) map_.rollbackCache(written_);

  // Grey values and magnitudes of the results proper, then the order by a measured key.
  measure_(out);
  sortByKey_(out);
  results.cleanup_();
  results.swap_(out);

  // Diagnostics: inputs, edgelets, chains.
  vcDiagRecord* record = vc_tracker_detail::beginTrackerRecord(diag, flags, map_);
  if (record && vcDiagObject::shouldRecord(flags, vcDiagObject::eResults))
    vc_tracker_detail::sketchRuns(*record, results.results(), results.edges(),
                                  map_.clientFromImageXform(), L"Chains");
}

}  // namespace vc_chain_detail

void vfChainTracker(const vcEdgeletMap& map, const vcChainTrackerRunParams& params,
                    vcChainTrackerResultSet& results, vcDiagObject* diag, unsigned long flags) {
  // A map without cache (from an unbound image) has nothing to track.
  if (map.cache().isNull()) return;
  map.checkWindow(L"vfChainTracker");
  vc_chain_detail::ChainRun(map, params).run(results, diag, flags);
}

void vfChainTracker(const vcPelBuffer_const<unsigned char>& image,
                    const vcChainTrackerRunParams& params, vcChainTrackerResultSet& results,
                    vcDiagObject* diag, unsigned long flags) {
  // Input that the run would refuse is refused while the caller's set is untouched; then the
  // previous results go before the new map is built, so that a set reused in a loop gives its
  // old map's memory back for the new one instead of holding it while that is allocated (which
  // makes the heap grow and take fresh pages on every call). When the trend window check
  // depends on the number of edgelets, the set is kept until the run has checked it.
  if (image.isBound() && vc_chain_detail::ChainRun::trendFits(params, 0)) {
    vcEdgeletMap::checkSource(image, params.magThresh());
    vc_chain_detail::ChainRun::checkParams(params, 0);
    vc_chain_detail::ChainRun::release(results);
  }
  // The result set keeps its own copy of the temporary map.
  const vcEdgeletMap map(image, params.magThresh());
  vfChainTracker(map, params, results, diag, flags);
}
