#include "finder_replay.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scenes/generate.h"
#include "tavshsl/circle_finder.h"

namespace hidden_rims {

namespace {

// The finder's narrow grab band, the coverage below which it takes one chain of the wide band,
// and its chain tracker settings.
constexpr double kNarrowTol = 2.0;
constexpr double kWideCoverage = 0.6;

vcChainTrackerRunParams finderChainParams() {
  return vcChainTrackerRunParams(3, vcCircleFinderRunParams().magThresh(), vcDegree(45.0), false,
                                 vcChainTrackerDefs::eSortByLength, vcDegree(45.0), 10, 10, false);
}

}  // namespace

FinderReplay::FinderReplay(const vcPelBuffer_const<unsigned char>& image) {
  vfChainTracker(image, finderChainParams(), chains_, nullptr, 0);
  const vcEdgeletMap& map = chains_.edgeletMap();
  ox_ = map.offset().x();
  oy_ = map.offset().y();
  w_ = map.width();
  h_ = map.height();
  c0x_ = double(ox_) + double(w_) / 2.0;
  c0y_ = double(oy_) + double(h_) / 2.0;
  const vcCircleFinderRunParams params;
  const double rMin = scenes::kRadiusBuckets[0], rMax = scenes::kRadiusBuckets[5];
  seedThresh_ = std::max(4L, long(params.coverageInitialFit() * 2.0 * std::numbers::pi * rMin));
  fitMin_ = rMin / 2.0;
  fitMax_ = 1.5 * rMax;
  verifyMin_ = rMin - 0.5;
  verifyMax_ = rMax + 0.5;
  centerDistSqr_ = 4.0 * rMax * rMax;

  const std::vector<vcEdgelet>& edges = chains_.edges();
  const long numChains = long(chains_.results().size());
  recs_.resize(std::size_t(numChains));
  chainOf_.assign(edges.size(), -1);
  keptBy_.assign(std::size_t(numChains), -1);
  seededBy_.assign(std::size_t(numChains), -1);
  for (long k = 0; k < numChains; ++k) {
    const vcChainTrackerResult& chain = chains_.results()[std::size_t(k)];
    Record& r = recs_[std::size_t(k)];
    r.idx = chain.edgeletIndexes();
    r.count = chain.numEdgelets();
    r.closed = chain.isClosed();
    r.used = k >= chains_.numResults();
    for (long i = 0; i < r.count; ++i) {
      chainOf_[std::size_t(r.idx[i])] = k;
      if (r.used) continue;
      const vcEdgelet& e = edges[std::size_t(r.idx[i])];
      r.sums.addPoint(double(e.posQuickX()) - c0x_, double(e.posQuickY()) - c0y_,
                      double(e.magnitude()));
    }
  }

  cell_.assign(std::size_t(w_ * h_), -1);
  edgeletOf_.assign(std::size_t(w_ * h_), -1);
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const std::size_t at =
        std::size_t((long(edges[i].get_j()) - oy_) * w_ + long(edges[i].get_i()) - ox_);
    cell_[at] = chainOf_[i];
    edgeletOf_[at] = long(i);
  }

  // The candidates, seeded from the longest chains as the finder seeds them.
  for (long k = 0; k < chains_.numResults(); ++k) {
    Record& seed = recs_[std::size_t(k)];
    if (seed.count < seedThresh_) break;
    if (seed.used) continue;
    Circle c;
    c.sums += seed.sums;
    if (!refit_(c)) continue;
    seed.used = true;
    ReplayCandidate rc;
    rc.seed = k;
    rc.seedCx = c.cx;
    rc.seedCy = c.cy;
    rc.seedRadius = c.radius;
    rc.seedCoverage = c.coverage;
    rc.chains.push_back(k);
    const bool inside = c.cx >= double(ox_) && c.cx < double(ox_ + w_) && c.cy >= double(oy_) &&
                        c.cy < double(oy_ + h_);
    const int pol = inside ? polarity_(k, c.cx, c.cy) : 0;
    rc.seedInside = pol != 0;
    seededBy_[std::size_t(k)] = long(cands_.size());
    if (pol == 0) {
      rc.polarityRefused = true;  // the seed stays used
      cands_.push_back(rc);
      continue;
    }
    if (seed.closed) {
      rc.cx = c.cx, rc.cy = c.cy, rc.radius = c.radius, rc.coverage = 1.0, rc.kept = true;
      keptBy_[std::size_t(k)] = long(cands_.size());
      cands_.push_back(rc);
      continue;
    }
    if (c.coverage < params.coverageInitialFit()) {
      seed.used = false;
      cands_.push_back(rc);
      continue;
    }
    rc.grew = true;
    std::vector<long> listed, other;
    const bool grabbed = listWindow_(c, pol == 1, listed, other);
    if (grabbed) grab_(c, rc, listed);
    for (long r : listed)
      if (r >= 0) recs_[std::size_t(r)].used = false;
    for (long r : other) recs_[std::size_t(r)].used = false;
    rc.cx = c.cx, rc.cy = c.cy, rc.radius = c.radius, rc.coverage = c.coverage;
    rc.kept = grabbed && c.coverage >= params.coverageThresh() && c.radius >= verifyMin_ &&
              c.radius <= verifyMax_;
    for (long r : rc.chains) {
      if (rc.kept)
        keptBy_[std::size_t(r)] = long(cands_.size());
      else
        recs_[std::size_t(r)].used = false;
    }
    cands_.push_back(rc);
  }
}

bool FinderReplay::refit_(Circle& c) const {
  vc_circle_detail::CircleFit fit;
  if (!c.sums.fit(fit)) return false;
  if (!(fit.radiusSqr >= fitMin_ * fitMin_ && fit.radiusSqr <= fitMax_ * fitMax_)) return false;
  const double r = std::sqrt(fit.radiusSqr);
  if (!(r >= fitMin_ && r <= fitMax_)) return false;
  c.cx = fit.cx + c0x_;
  c.cy = fit.cy + c0y_;
  c.radius = r;
  c.coverage = c.sums.n / (2.0 * std::numbers::pi * r);
  return true;
}

int FinderReplay::polarity_(long rec, double cx, double cy) const {
  const Record& r = recs_[std::size_t(rec)];
  const vcEdgelet& e = chains_.edges()[std::size_t(r.idx[r.count / 2])];
  const double px = double(e.posQuickX()) - cx, py = double(e.posQuickY()) - cy;
  const double d2 = px * px + py * py;
  if (!(d2 <= centerDistSqr_)) return 0;
  const double a = e.angle().plain() * 2.0 * std::numbers::pi / 256.0;
  const double qx = px + std::cos(a), qy = py + std::sin(a);
  return qx * qx + qy * qy > d2 ? 2 : 1;
}

bool FinderReplay::inBand_(long rec, const Circle& c, double tol, double* worst) const {
  const Record& r = recs_[std::size_t(rec)];
  const double lo = std::max(c.radius - tol, 1.0), hi = c.radius + tol;
  const long probes[3] = {0, r.count - 1, r.count / 2};
  double largest = 0.0;
  for (int k = 0; k < (r.count > 2 ? 3 : 2); ++k) {
    const vcEdgelet& e = chains_.edges()[std::size_t(r.idx[probes[k]])];
    const double dx = double(e.posQuickX()) - c.cx, dy = double(e.posQuickY()) - c.cy;
    const double d2 = dx * dx + dy * dy;
    if (!(d2 >= lo * lo && d2 <= hi * hi)) return false;
    largest = std::max(largest, std::abs(std::sqrt(d2) - c.radius));
  }
  if (worst) *worst = largest;
  return true;
}

void FinderReplay::grab_(Circle& c, ReplayCandidate& rc, std::vector<long>& listed) {
  std::vector<long>& taken = rc.chains;
  const auto offer = [&](long chosen) {
    recs_[std::size_t(chosen)].used = true;
    c.sums += recs_[std::size_t(chosen)].sums;
    if (refit_(c)) {
      taken.push_back(chosen);
      return true;
    }
    c.sums -= recs_[std::size_t(chosen)].sums;
    recs_[std::size_t(chosen)].used = false;
    refit_(c);
    return false;
  };
  const vcCircleFinderRunParams params;
  for (;;) {
    bool added = false;
    for (long& rec : listed) {
      if (rec < 0 || !inBand_(rec, c, kNarrowTol, nullptr)) continue;
      const long chosen = rec;
      rec = -1;
      added = offer(chosen) || added;
    }
    if (!added && c.coverage < kWideCoverage) {
      const double t = std::max({c.radius * params.grabTol(), params.absDeviationTol(), 3.0});
      long* best = nullptr;
      double bestWorst = 0.0;
      for (long& rec : listed) {
        double worst = 0.0;
        if (rec >= 0 && inBand_(rec, c, t, &worst) && (!best || worst < bestWorst)) {
          best = &rec;
          bestWorst = worst;
        }
      }
      if (best) {
        if (rc.coverageBeforeWide < 0.0) rc.coverageBeforeWide = c.coverage;
        const long chosen = *best;
        *best = -1;
        added = offer(chosen);
        if (added) rc.wideTaken.push_back(chosen);
      }
    }
    if (!added) break;
  }
}

bool FinderReplay::listWindow_(const Circle& c, bool lightOnDark, std::vector<long>& listed,
                               std::vector<long>& other) {
  const double half = c.radius * vcCircleFinderRunParams().grabTol() + 2.0;
  if (!(half >= 3.0)) return false;
  const double x0d = std::max(c.cx - half, double(ox_)),
               x1d = std::min(c.cx + half, double(ox_ + w_));
  const double y0d = std::max(c.cy - half, double(oy_)),
               y1d = std::min(c.cy + half, double(oy_ + h_));
  if (!(x1d - x0d >= 6.0 && y1d - y0d >= 6.0)) return false;
  const long x0 = long(std::floor(x0d)) - ox_, x1 = long(std::ceil(x1d)) - ox_;
  const long y0 = long(std::floor(y0d)) - oy_, y1 = long(std::ceil(y1d)) - oy_;
  // Chains in the order of their first edgelet met in raster order over the window.
  const int wanted = lightOnDark ? 1 : 2;
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x) {
      const long r = cell_[std::size_t(y * w_ + x)];
      if (r < 0 || recs_[std::size_t(r)].used) continue;
      recs_[std::size_t(r)].used = true;
      (polarity_(r, c.cx, c.cy) == wanted ? listed : other).push_back(r);
    }
  return true;
}

}  // namespace hidden_rims
