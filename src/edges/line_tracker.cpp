// The line tracker run: check the parameters, scan the map and grow a line from every
// unconsumed edgelet, keep the lines of enough edgelets with their fit and measures, give the
// set its pool, restore the map, convert to client coordinates, probe grey values, record
// diagnostics.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "edges/chain_codes.h"
#include "edges/chain_diag.h"
#include "edges/line_trace.h"
#include "edges/pixel_probe.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/base/timer.h"
#include "tavshsl/line_tracker.h"

namespace vc_line_detail {

// The steps of one run, with access to the private members of the results.
class LineRun {
 public:
  LineRun(const vcEdgeletMap& map, const vcLineTrackerRunParams& params)
      : map_(map), params_(params), cache_(map.cache()) {}

  // Runs the tracker; the set's time is timer's reading at the end.
  void run(vcLineTrackerResultSet& results, vcDiagObject* diag, unsigned long flags,
           const vcTimer& timer);

  // Throws vcBadParamsError for tolerances out of range.
  static void checkTolerances(const vcLineTrackerRunParams& params);
  // Empties the set, giving back its map and pool.
  static void release(vcLineTrackerResultSet& results) { vcLineTrackerResultSet().swap_(results); }

 private:
  void checkParams_() const;
  void setUpContext_();
  void scan_(std::vector<vcLineTrackerResult>& lines);
  void keepLine_(std::vector<vcLineTrackerResult>& lines, long* first, long n);
  void givePool_(vcLineTrackerResultSet& out) const;

  const vcEdgeletMap& map_;
  const vcLineTrackerRunParams& params_;
  vcPtrHandle<vcEdgeletMapCache> cache_;
  LineTraceContext ctx_;
  vcPelBuffer_const<unsigned char> image_;  // the map's image, for the grey values
  long minLength_ = 0;
};

void LineRun::checkTolerances(const vcLineTrackerRunParams& params) {
  const double angleTol = params.angleTol().toDouble();
  if (!(angleTol >= 0.0 && angleTol <= 180.0))
    throw vcBadParamsError(L"vfLineTracker: angleTol must be in [0, 180] degrees");
  const double distanceTol = params.distanceTol();
  if (!(std::isfinite(distanceTol) && distanceTol >= 0.0))
    throw vcBadParamsError(L"vfLineTracker: distanceTol must be finite and >= 0 pixels");
}

void LineRun::checkParams_() const {
  if (!cache_)
    throw vcBadParamsError(
        L"vfLineTracker: the edgelet map has no edgelet cache (it was built from an unbound "
        L"image)");
  map_.checkWindow(L"vfLineTracker");
  checkTolerances(params_);
}

void LineRun::setUpContext_() {
  const std::vector<vcEdgelet>& edges = cache_->edges();
  ctx_.edges = edges.data();
  image_ = map_.image();
  ctx_.numEdges = std::uint32_t(edges.size());
  ctx_.w = map_.width();
  ctx_.h = map_.height();
  ctx_.stride = map_.rowUpdate();
  ctx_.origin = ctx_.w > 0 && ctx_.h > 0 ? map_.pointToOffset() : nullptr;
  ctx_.offset = map_.offset();
  ctx_.distanceTol = params_.distanceTol();
  ctx_.angleTol = vc_tracker_detail::truncatedToleranceCode(params_.angleTol().toDouble());
  ctx_.indexOut = cache_->indexPool();
  ctx_.indexEnd = cache_->indexPool() + edges.size();
  minLength_ = std::max(0L, params_.minNumEdgelets());
}

void LineRun::keepLine_(std::vector<vcLineTrackerResult>& lines, long* first, long n) {
  // The final fit, unless the line was last fitted with all its points.
  if (n >= 2 && n != ctx_.lastFitCount) refitLine(ctx_);

  // The results vector grows by 2048 entries whenever it is full.
  if (lines.size() == lines.capacity()) lines.reserve(lines.capacity() + 2048);
  vcLineTrackerResult& r = lines.emplace_back();
  static_cast<vcFLine&>(r) = lineOf(ctx_);
  r.edgeletIndexes_ = first;
  r.numEdgelets_ = n;
  r.error_ = (params_.auxResults() & 0x1) ? ctx_.fitter.error(r) : 0.0;
  r.calcAuxResults_(map_, params_.auxResults());
  // Grey values now, while the line's edgelets are still in the cache.
  if (params_.auxResults() & 0x20) {
    const vc_tracker_detail::PelAverages pels =
        vc_tracker_detail::probePels(image_, cache_->edges(), first, n);
    r.avgDarkPel_ = pels.dark;
    r.avgLightPel_ = pels.light;
  }
}

void LineRun::scan_(std::vector<vcLineTrackerResult>& lines) {
  long* counts = cache_->countPool();
  long numLines = 0;
  // Grow a line from every start; its indexes follow the previous line's in indexPool.
  const auto grow = [&](long x, long y) {
    long* first = ctx_.indexOut;
    traceLine(ctx_, x, y);
    const long n = ctx_.fitter.numPoints();
    counts[numLines++] = n;
    if (n >= minLength_) keepLine_(lines, first, n);
  };
  vc_tracker_detail::UnconsumedCells cells(ctx_.origin, ctx_.stride, ctx_.w, ctx_.h,
                                           cache_->edges(), map_.offset());
  ctx_.unconsumed = &cells;
  cells.scan(ctx_.numEdges, L"vfLineTracker", grow);
}

void LineRun::givePool_(vcLineTrackerResultSet& out) const {
  long* pool = cache_->indexPool();
  const long written = long(ctx_.indexOut - pool);
  if (params_.sharePool()) {
    // Every index written, dropped short lines included.
    out.indexPool_ = pool;
    out.poolSize_ = written;
    return;
  }
  // The kept lines' indexes, line after line.
  long total = 0;
  for (const vcLineTrackerResult& r : out.results_) total += r.numEdgelets_;
  out.ownedPool_.reset(new long[std::size_t(total)]);
  out.indexPool_ = out.ownedPool_.get();
  out.poolSize_ = total;
  out.ownIndexPool_ = true;
  long* dest = out.indexPool_;
  for (vcLineTrackerResult& r : out.results_) {
    std::copy(r.edgeletIndexes_, r.edgeletIndexes_ + r.numEdgelets_, dest);
    r.edgeletIndexes_ = dest;
    dest += r.numEdgelets_;
  }
}

void LineRun::run(vcLineTrackerResultSet& results, vcDiagObject* diag, unsigned long flags,
                  const vcTimer& timer) {
  // Check the map and the parameters before anything changes.
  checkParams_();
  setUpContext_();

  // Scan and grow lines, then build the new result set aside. On failure the marks are
  // undone, so the map and the caller's set stay as they were.
  vcLineTrackerResultSet out;
  out.results_.reserve(10240);
  try {
    scan_(out.results_);
    out.results_.shrink_to_fit();
    givePool_(out);
  } catch (...) {
    map_.rollbackCache(ctx_.indexOut ? long(ctx_.indexOut - cache_->indexPool()) : 0L);
    throw;
  }
  out.edgeletMap_ = map_;

  // Undo the marks: every consumed cell gets its index back.
  if (params_.restoreEdgeletMap()) map_.rollbackCache(long(ctx_.indexOut - cache_->indexPool()));

  // Client coordinates; the grey values came with each line.
  out.covertToClient_(params_);
  results.cleanup_();
  results.swap_(out);

  // Diagnostics: inputs, edgelets, lines.
  vcDiagRecord* record = vc_tracker_detail::beginTrackerRecord(diag, flags, map_);
  if (record && vcDiagObject::shouldRecord(flags, vcDiagObject::eResults))
    vc_tracker_detail::sketchRuns(*record, results.results(), results.edges(),
                                  cache_->clientFromImageXform(), L"Lines");
  results.time_ = timer.sec();
}

}  // namespace vc_line_detail

void vfLineTracker(const vcEdgeletMap& map, const vcLineTrackerRunParams& params,
                   vcLineTrackerResultSet& results, vcDiagObject* diag, unsigned long flags) {
  vcTimer timer(false);
  timer.start();
  vc_line_detail::LineRun(map, params).run(results, diag, flags, timer);
}

void vfLineTracker(const vcPelBuffer_const<unsigned char>& image,
                   const vcLineTrackerRunParams& params, vcLineTrackerResultSet& results,
                   vcDiagObject* diag, unsigned long flags) {
  // The time includes building the map.
  vcTimer timer(false);
  timer.start();
  // Bad input is refused while the caller's set is untouched. Then the previous results go
  // before the new map is built: a set reused in a loop gives its map's memory back for the
  // next map instead of holding it while that is allocated, which would make the heap grow and
  // take fresh pages from the system on every call.
  vc_line_detail::LineRun::checkTolerances(params);
  if (!image.isBound()) throw vcBadParamsError(L"vfLineTracker: the image is unbound");
  vcEdgeletMap::checkSource(image, params.magThresh());
  vc_line_detail::LineRun::release(results);
  const vcEdgeletMap map(image, params.magThresh());
  vc_line_detail::LineRun(map, params).run(results, diag, flags, timer);
}
