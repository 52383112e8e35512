#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "edges/circle_impl.h"
#include "platform/base/exception.h"
#include "platform/ip/gauss_sample.h"

namespace vc_circle_detail {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The sort key of a candidate: larger comes first.
double sortKey(const CircleCandidate& c, long sortBy) {
  switch (sortBy) {
    case vcCircleFinderDefs::eSortRadius:
      return c.radius;
    case vcCircleFinderDefs::eSortNumPoints:
      return c.sums.n;
    case vcCircleFinderDefs::eSortMagnitude:
      return c.magnitude;
    case vcCircleFinderDefs::eSortMinPointToCenter:
      return -c.minDist;
    case vcCircleFinderDefs::eSortMaxPointToCenter:
      return -c.maxDist;
    case vcCircleFinderDefs::eSortMeanRadiusDevSqr:
      return -c.meanDevSqr;
    case vcCircleFinderDefs::eSortAvgDarkPel:
      return -c.dark;
    case vcCircleFinderDefs::eSortAvgLightPel:
      return c.light;
    default:
      return c.coverage;
  }
}

}  // namespace

double FinderImpl::pixelsFromClient_(const vcXform<2>& clientFromImage, double r) const {
  // A client length measured along client x at the image centre, in pixels.
  const vcVector<2> c0(c0x_, c0y_);
  const vcVector<2> q = clientFromImage.mapPoint(c0) + vcVector<2>(r, 0.0);
  return clientFromImage.invMapPoint(q).distance(c0);
}

void FinderImpl::prepareImage_(const vcPelBuffer_const<unsigned char>& image) {
  fullImage_ = image;
  c0x_ = double(image.offset().x()) + double(image.width()) / 2.0;
  c0y_ = double(image.offset().y()) + double(image.height()) / 2.0;

  // Sub-sample factor: given, or half the mid radius in pixels. A range that is not ordinary
  // gives no mid radius; the image is then searched as it is.
  long s = params_.subSample();
  const vcRange& range = params_.radiusRange();
  if (s < 0 && range.range() == vcRange::eOrdinary) {
    const double r =
        pixelsFromClient_(image.clientFromImageXform(), (range.start() + range.end()) / 2.0);
    s = std::clamp(long(std::min(r / 2.0, 8.0)), 1L, 8L);
  }
  if (s <= 0) {
    factor_ = 0;
    map_ = vcEdgeletMap(image, params_.magThresh());
    return;
  }

  // Smoothing kernel: s + 1 for s = 1; a narrower kernel for dark discs, whose edge the wider
  // one would pull inwards.
  long k = s + 1;
  if (s > 1) {
    const double f = params_.polarity() == vcCircleFinderDefs::eDarkOnLight ? 0.49 : 0.99;
    k = long(std::ceil(double(s) * f));
    if (k < 1) k = 2;
  }
  factor_ = s;
  map_ =
      vcEdgeletMap(vfGaussSample(image, vcGaussSampleParams(s, k, 1.0, true)), params_.magThresh());
}

void FinderImpl::trackChains_() {
  vcChainTrackerRunParams chainParams(3, params_.magThresh(), vcDegree(45.0), false,
                                      vcChainTrackerDefs::eSortByLength, vcDegree(45.0), 10, 10,
                                      false);
  chainParams.sharePool(true);
  chainParams.restoreEdgeletMap(false);
  vfChainTracker(map_, chainParams, chains_, nullptr, 0);
}

void FinderImpl::setup_() {
  ox_ = map_.offset().x();
  oy_ = map_.offset().y();
  w_ = map_.width();
  h_ = map_.height();
  c0x_ = double(ox_) + double(w_) / 2.0;
  c0y_ = double(oy_) + double(h_) / 2.0;
  clientFromImage_ = map_.clientFromImageXform();
  imageFromClient_ = map_.imageFromClientXform();
  // Client units per pixel: the scale of the client transform at the map centre.
  const vcVector<2> c0(c0x_, c0y_);
  clientScale_ =
      (clientFromImage_.mapPoint(c0 + vcVector<2>(1.0, 1.0)) - clientFromImage_.mapPoint(c0))
          .len() /
      std::numbers::sqrt2;

  const vcRange& range = params_.radiusRange();
  if (range.range() != vcRange::eOrdinary) {
    fitMin_ = 1.0;
    fitMax_ = kInf;
    verifyMin_ = 1.0;
    verifyMax_ = kInf;
    seedThresh_ = 4;
    centerDistSqr_ = kInf;
  } else {
    const double rMin = pixelsFromClient_(clientFromImage_, range.start());
    const double rMax = pixelsFromClient_(clientFromImage_, range.end());
    // Chains shorter than the initial coverage of the smallest circle cannot seed; the bound
    // keeps a huge range from overflowing the count.
    const double seed = params_.coverageInitialFit() * 2.0 * std::numbers::pi * rMin;
    seedThresh_ = std::max(4L, long(std::min(seed, 1e9)));
    fitMin_ = rMin / 2.0;
    fitMax_ = 1.5 * rMax;
    verifyMin_ = rMin - 0.5;
    verifyMax_ = rMax + 0.5;
    centerDistSqr_ = 4.0 * rMax * rMax;
  }
  fitMinSqr_ = fitMin_ * fitMin_;
  fitMaxSqr_ = fitMax_ * fitMax_;

  // One record per chain, with its fit sums relative to the map centre; the short chains
  // (fewer than 3 edgelets) never take part.
  const long numChains = long(chains_.results().size());
  records_.prepare(numChains);
  const std::vector<vcEdgelet>& edges = chains_.edges();
  for (long k = 0; k < numChains; ++k) {
    const vcChainTrackerResult& chain = chains_.results()[std::size_t(k)];
    ChainRecord& rec = records_[k];
    rec.idx = chain.edgeletIndexes();
    rec.count = chain.numEdgelets();
    rec.closed = chain.isClosed();
    rec.used = k >= chains_.numResults();
    if (rec.used) continue;
    for (long i = 0; i < rec.count; ++i) {
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      rec.sums.addPoint(double(e.posQuickX()) - c0x_, double(e.posQuickY()) - c0y_,
                        double(e.magnitude()));
    }
  }
  cands_.prepare(chains_.numResults());
  numCands_ = 0;
  numCandidates_ = 0;
  taken_.clear();
}

void FinderImpl::fillResults_(vcCircleFinderResultSet& out) const {
  out.numCandidates_ = numCandidates_;
  out.results_.clear();
  std::vector<long> order;
  for (long i = 0; i < numCands_; ++i)
    if (cands_[i].valid) order.push_back(i);
  if (order.empty()) return;

  const long sortBy = long(params_.sortBy());
  if (params_.maxNumResults() <= 1 || order.size() == 1) {
    // The best by the key; a later candidate replaces the best unless the best is strictly
    // before it, so ties go to the later one.
    long best = order[0];
    for (std::size_t k = 1; k < order.size(); ++k)
      if (!(sortKey(cands_[best], sortBy) > sortKey(cands_[order[k]], sortBy))) best = order[k];
    order.assign(1, best);
  } else {
    if (sortBy != vcCircleFinderDefs::eSortNone)
      std::stable_sort(order.begin(), order.end(), [&](long a, long b) {
        return sortKey(cands_[a], sortBy) > sortKey(cands_[b], sortBy);
      });
    if (long(order.size()) > params_.maxNumResults())
      order.resize(std::size_t(params_.maxNumResults()));
  }

  for (long i : order) {
    const CircleCandidate& c = cands_[i];
    vcCircleFinderResult r;
    r.numPoints_ = long(c.sums.n);
    r.center_ = clientFromImage_.mapPoint(vcVector<2>(c.cx, c.cy));
    r.polarity_ =
        c.lightOnDark ? vcCircleFinderDefs::eLightOnDark : vcCircleFinderDefs::eDarkOnLight;
    r.radius_ = c.radius * clientScale_;
    r.coverage_ = c.coverage;
    r.magnitude_ = c.magnitude;
    r.minPointToCenter_ = c.minDist;
    r.maxPointToCenter_ = c.maxDist;
    r.meanRadiusDevSqr_ = c.meanDevSqr;
    r.avgDarkPel_ = c.dark;
    r.avgLightPel_ = c.light;
    out.results_.push_back(r);
  }
}

void FinderImpl::cleanup_() {
  map_ = vcEdgeletMap();
  chains_ = vcChainTrackerResultSet();
  fullImage_ = vcPelBuffer_const<unsigned char>();
  records_.release();
  cands_.release();
  record_ = nullptr;
  diag_ = nullptr;
}

void FinderImpl::run(const vcPelBuffer_const<unsigned char>* image, const vcEdgeletMap* map,
                     const vcVector<2>* expectedCenter, const vcCircleFinderRunParams& params,
                     vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags) {
  if (expectedCenter && !(std::isfinite(expectedCenter->x()) && std::isfinite(expectedCenter->y())))
    throw vcBadParamsError(L"vfCircleFinder: the expected centre must be finite");
  params_ = params;
  diag_ = diag;
  flags_ = flags;
  vcCircleFinderResultSet out;
  try {
    // Preparation: the map (built from the possibly reduced image, or the caller's).
    if (image) {
      callersMap_ = false;
      if (image->isBound()) prepareImage_(*image);
    } else {
      callersMap_ = true;
      factor_ = 0;
      map_ = *map;
      map_.checkWindow(L"vfCircleFinder");
      fullImage_ = map_.image();
    }
    if (map_.cache()) {
      beginDiag_();
      trackChains_();
      setup_();

      // Candidates, from the longest chains or around the expected centre.
      if (expectedCenter) {
        candidatesWithCenter_(map_.imageFromClientXform().mapPoint(*expectedCenter));
      } else {
        labelMap_();
        candidatesWithoutCenter_();
      }

      verify_();
      fillResults_(out);
      chainDiag_();
      resultDiag_();
    }
  } catch (...) {
    // A run without expected centre that ends early gives the caller's map its cells back.
    if (callersMap_ && !expectedCenter && chains_.poolSize() > 0)
      map_.rollbackCache(chains_.poolSize());
    cleanup_();
    throw;
  }
  cleanup_();
  std::swap(results, out);
}

}  // namespace vc_circle_detail
