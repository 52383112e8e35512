// Line tracker results: the per-line measures (magnitude, end points, gradient angle, errors),
// the conversion from chains, client coordinates, grey values, and the result set's copies.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "edges/chain_pool.h"
#include "edges/pixel_probe.h"
#include "platform/base/exception.h"
#include "platform/base/line_fitter.h"
#include "tavshsl/line_tracker.h"

namespace {

// Degrees brought into [0, 360).
double norm360(double deg) {
  double d = std::fmod(deg, 360.0);
  if (d < 0.0) d += 360.0;
  return d >= 360.0 ? 0.0 : d;
}

// The line through one edgelet along its tangent (gradient + 90 degrees).
vcFLine tangentLine(const vcEdgelet& e) {
  double deg = e.angle().toDouble() + 90.0;
  if (deg >= 360.0) deg -= 360.0;
  return vcFLine(vcDegree(deg), e.position(), true);
}

}  // namespace

// ---- Parameters --------------------------------------------------------------------------

vcLineTrackerRunParams::vcLineTrackerRunParams(double magThresh, vcDegree angleTol,
                                               double distanceTol, long minNumEdgelets,
                                               unsigned long auxResults)
    : minNumEdgelets_(minNumEdgelets),
      magThresh_(magThresh),
      angleTol_(angleTol),
      distanceTol_(distanceTol),
      auxResults_(auxResults) {}

// ---- Result ------------------------------------------------------------------------------

void vcLineTrackerResult::update_(const vcEdgeletMap& map, const long* edgeletIndexes, long n,
                                  unsigned long auxResults) {
  const std::vector<vcEdgelet>& edges = map.edges();
  edgeletIndexes_ = edgeletIndexes;
  numEdgelets_ = n;
  const vcEdgelet& first = edges[std::size_t(edgeletIndexes[0])];
  error_ = 0.0;
  if (n == 1) {
    static_cast<vcFLine&>(*this) = tangentLine(first);
  } else {
    // Least squares over the positions; the error per point. Points that all coincide have no
    // direction of their own: the first edgelet's tangent stands in.
    vcLSLineFitter fitter;
    for (long k = 0; k < n; ++k) fitter.update(edges[std::size_t(edgeletIndexes[k])].position());
    try {
      static_cast<vcFLine&>(*this) = fitter.fit();
    } catch (const vcBadParamsError&) {
      static_cast<vcFLine&>(*this) = tangentLine(first);
    }
    if (auxResults & 0x1) error_ = fitter.error(*this) / double(n);
  }
  calcAuxResults_(map, auxResults);
}

void vcLineTrackerResult::calcAuxResults_(const vcEdgeletMap& map, unsigned long auxResults) {
  const std::vector<vcEdgelet>& edges = map.edges();
  const long n = numEdgelets_;
  const vcEdgelet& first = edges[std::size_t(edgeletIndexes_[0])];
  const vcEdgelet& last = edges[std::size_t(edgeletIndexes_[n - 1])];
  const vcEdgelet& middle = edges[std::size_t(edgeletIndexes_[n / 2])];

  // Mean magnitude, summed as an integer.
  magnitude_ = 0.0;
  if (auxResults & 0x4) {
    std::uint64_t sum = 0;
    for (long k = 0; k < n; ++k) sum += edges[std::size_t(edgeletIndexes_[k])].magnitude();
    magnitude_ = double(sum) / double(n);
  }

  // End points: the end edgelets, projected onto the line with 0x8; a lone edgelet gives the
  // ends of its own tangent piece.
  if (n == 1) {
    first.endpoints(p1_, p2_, true);
  } else {
    p1_ = first.position();
    p2_ = last.position();
    if (auxResults & 0x8) {
      const double c = cosAngle(), s = sinAngle(), d = distance();
      const auto project = [&](const vcVector<2>& p) {
        const double t = p.x() * c + p.y() * s;
        return vcVector<2>(t * c - d * s, t * s + d * c);
      };
      p1_ = project(p1_);
      p2_ = project(p2_);
    }
  }

  // Gradient angle: the middle edgelet's, or with 0x10 the line normal on its side.
  const double m = middle.angle().toDouble();
  gradiantAngle_ = vcDegree(m);
  if ((auxResults & 0x10) && n > 1) {
    const double theta = vcDegree(angle()).toDouble();
    const double delta = vcDegree((theta - 90.0) - m).signedNorm().toDouble();
    gradiantAngle_ = vcDegree(norm360(std::fabs(delta) >= 90.0 ? theta + 90.0 : theta - 90.0));
  }

  // Spread of the signed distances from the line.
  endToEndError_ = 0.0;
  if (auxResults & 0x2) {
    double lo = 0.0, hi = 0.0;
    for (long k = 0; k < n; ++k) {
      const double dist = distanceFrom(edges[std::size_t(edgeletIndexes_[k])].position());
      lo = k == 0 ? dist : std::min(lo, dist);
      hi = k == 0 ? dist : std::max(hi, dist);
    }
    endToEndError_ = hi - lo;
  }
}

// ---- Result set --------------------------------------------------------------------------

vcLineTrackerResultSet::vcLineTrackerResultSet() = default;

vcLineTrackerResultSet::vcLineTrackerResultSet(const vcChainTrackerResultSet& chains,
                                               const vcLineTrackerRunParams& params) {
  // The chain set's map, and its pool: duplicated when owned, shared otherwise.
  edgeletMap_ = chains.edgeletMap();
  poolSize_ = chains.poolSize();
  ownIndexPool_ = chains.ownIndexPool();
  // A shared pool is the map cache's, which is writable; the chain set only hands it out const.
  long* chainPool = const_cast<long*>(chains.indexPool());
  if (!ownIndexPool_) {
    indexPool_ = chainPool;
  } else if (poolSize_ != 0) {
    ownedPool_ = vc_tracker_detail::copyPool(chainPool, poolSize_);
    indexPool_ = ownedPool_.get();
  }

  // One line per result proper, its indexes at the same place in this set's pool.
  results_.resize(std::size_t(std::max(0L, chains.numResults())));
  for (std::size_t k = 0; k < results_.size(); ++k) {
    const vcChainTrackerResult& chain = chains.results()[k];
    results_[k].update_(edgeletMap_, indexPool_ + (chain.edgeletIndexes() - chainPool),
                        chain.numEdgelets(), params.auxResults());
  }
  covertToClient_(params);
  updateAvgPels_(params);
}

vcLineTrackerResultSet::vcLineTrackerResultSet(const vcLineTrackerResultSet& other) {
  *this = other;
}

vcLineTrackerResultSet& vcLineTrackerResultSet::operator=(const vcLineTrackerResultSet& other) {
  if (this == &other) return *this;

  // Built aside first, so that a failed allocation leaves this set as it was.
  vcLineTrackerResultSet copy;
  copy.time_ = other.time_;
  copy.edgeletMap_ = other.edgeletMap_;
  copy.results_ = other.results_;
  copy.poolSize_ = other.poolSize_;
  if (!other.ownIndexPool_) {
    copy.indexPool_ = other.indexPool_;
  } else if (other.poolSize_ != 0) {
    copy.indexPool_ = vc_tracker_detail::duplicatePool(
        copy.ownedPool_, other.indexPool_, other.poolSize_, copy.results_,
        [](vcLineTrackerResult& r) -> const long*& { return r.edgeletIndexes_; });
    copy.ownIndexPool_ = true;
  }
  cleanup_();
  swap_(copy);
  return *this;
}

vcLineTrackerResultSet::~vcLineTrackerResultSet() = default;

void vcLineTrackerResultSet::cleanup_() {
  ownedPool_.reset();
  indexPool_ = nullptr;
  poolSize_ = 0;
  ownIndexPool_ = false;
}

void vcLineTrackerResultSet::swap_(vcLineTrackerResultSet& other) noexcept {
  std::swap(time_, other.time_);
  results_.swap(other.results_);
  std::swap(edgeletMap_, other.edgeletMap_);
  std::swap(indexPool_, other.indexPool_);
  std::swap(poolSize_, other.poolSize_);
  std::swap(ownIndexPool_, other.ownIndexPool_);
  ownedPool_.swap(other.ownedPool_);
}

void vcLineTrackerResultSet::covertToClient_(const vcLineTrackerRunParams& params) {
  const vcXform<2>& clientFromImage = edgeletMap_.clientFromImageXform();
  if (clientFromImage.isIdentity()) return;
  const unsigned long aux = params.auxResults();

  // End points.
  if (aux & 0x8)
    for (vcLineTrackerResult& r : results_) {
      r.p1_ = clientFromImage.mapPoint(r.p1_);
      r.p2_ = clientFromImage.mapPoint(r.p2_);
    }
  if (!(aux & 0x10)) return;

  // Gradient angles. A transform with unequal axis scales maps each angle on its own (here
  // whenever the scale ratio differs from 1 by 1e-5 or more, either way); a similarity is a
  // rotation by the x axis' angle ax, mirrored when the y axis lies a half turn or more after
  // the x axis: g -> s g + ax. Angles come out in [0, 360).
  const double ratio = clientFromImage.xScale() / clientFromImage.yScale();
  if (std::fabs(std::fabs(ratio) - 1.0) >= 1e-5) {
    for (vcLineTrackerResult& r : results_)
      r.gradiantAngle_ = vcDegree(norm360(clientFromImage.mapAngle(r.gradiantAngle_).toDouble()));
    return;
  }
  const double ax = vcDegree(clientFromImage.mapVector(vcVector<2>(1.0, 0.0)).angle()).toDouble();
  const double ay = vcDegree(clientFromImage.mapVector(vcVector<2>(0.0, 1.0)).angle()).toDouble();
  const double s = norm360(ay - ax) >= 180.0 ? -1.0 : 1.0;
  if (s == 1.0 && ax == 0.0) return;
  for (vcLineTrackerResult& r : results_)
    r.gradiantAngle_ = vcDegree(norm360(s * r.gradiantAngle_.toDouble() + ax));
}

void vcLineTrackerResultSet::updateAvgPels_(const vcLineTrackerRunParams& params) {
  if (!(params.auxResults() & 0x20)) return;
  const vcPelBuffer_const<unsigned char> image = edgeletMap_.image();
  for (vcLineTrackerResult& r : results_) {
    const vc_tracker_detail::PelAverages pels =
        vc_tracker_detail::probePels(image, edges(), r.edgeletIndexes_, r.numEdgelets_);
    r.avgDarkPel_ = pels.dark;
    r.avgLightPel_ = pels.light;
  }
}
