#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "edges/circle_impl.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace vc_circle_detail {

namespace {

// Narrow grab band half-width and the coverage below which one chain of the wide band is
// taken, pixels and share of the circumference.
constexpr double kNarrowTol = 2.0;
constexpr double kWideCoverage = 0.6;
// Chains tested against an expected centre.
constexpr long kMaxCenterChains = 128;

}  // namespace

void FinderImpl::labelMap_() {
  // Every edgelet of every chain is labelled with its chain, and its cell gets its own index
  // back (the chain tracker left it marked): the cell leads to the chain through recordOf_.
  // Every cell that holds an index is then checked once: it must hold the chained edgelet that
  // lies there, so that the window listing can read a chain for each cell straight away. A
  // cell that a caller wrote some other index into is refused instead of being taken for a
  // chain.
  const std::vector<vcEdgelet>& edges = chains_.edges();
  const long stride = map_.rowUpdate();
  std::int32_t* origin = map_.pointToOffset();
  mapOrigin_ = origin;
  mapStride_ = stride;
  recordOf_.assign(edges.size(), -1);
  for (long k = 0; k < records_.size(); ++k) {
    const ChainRecord& rec = records_[k];
    for (long i = 0; i < rec.count; ++i) {
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      origin[(long(e.get_j()) - oy_) * stride + (long(e.get_i()) - ox_)] = std::int32_t(rec.idx[i]);
      recordOf_[std::size_t(rec.idx[i])] = std::int32_t(k);
    }
  }
  for (long y = 0; y < h_; ++y) {
    const std::int32_t* row = origin + y * stride;
    for (long x = 0; x < w_;) {
      const std::int32_t v = row[x];
      if (v < 0) {
        x -= v;
        continue;
      }
      if (std::size_t(v) >= edges.size() || long(edges[std::size_t(v)].get_i()) != x + ox_ ||
          long(edges[std::size_t(v)].get_j()) != y + oy_ || recordOf_[std::size_t(v)] < 0)
        throw vcBadParamsError(L"vfCircleFinder: map cell (" + vfStr(x) + L", " + vfStr(y) +
                               L") holds " + vfStr(v) +
                               L", which is not the index of the edgelet there");
      ++x;
    }
  }
}

bool FinderImpl::refit_(CircleCandidate& c) const {
  CircleFit fit;
  if (!c.sums.fit(fit)) return false;
  if (!(fit.radiusSqr >= fitMinSqr_ && fit.radiusSqr <= fitMaxSqr_)) return false;
  const double r = std::sqrt(fit.radiusSqr);
  if (!(r >= fitMin_ && r <= fitMax_)) return false;
  c.cx = fit.cx + c0x_;
  c.cy = fit.cy + c0y_;
  c.radius = r;
  c.coverage = c.sums.n / (2.0 * std::numbers::pi * r);
  return true;
}

int FinderImpl::chainPolarity_(long rec, double cx, double cy) const {
  // The middle edgelet, stepped one pixel along its gradient: further from the centre means
  // the outside is lighter (polarity 2).
  const ChainRecord& r = records_[rec];
  const vcEdgelet& e = chains_.edges()[std::size_t(r.idx[r.count / 2])];
  const double px = double(e.posQuickX()) - cx, py = double(e.posQuickY()) - cy;
  const double d2 = px * px + py * py;
  if (!(d2 <= centerDistSqr_)) return 0;
  const std::size_t a = e.angle().plain();
  const double qx = px + kCodeVectors.dx[a], qy = py + kCodeVectors.dy[a];
  return qx * qx + qy * qy > d2 ? 2 : 1;
}

void FinderImpl::take_(CircleCandidate& c, long rec) {
  records_[rec].used = true;
  c.sums += records_[rec].sums;
  taken_.push_back(rec);
  ++c.numTaken;
}

void FinderImpl::dropLast_(CircleCandidate& c) {
  const long rec = taken_.back();
  taken_.pop_back();
  --c.numTaken;
  c.sums -= records_[rec].sums;
  records_[rec].used = false;
}

void FinderImpl::releaseAll_(CircleCandidate& c) {
  // The chains stay listed with the candidate (verification reads them) but are free again.
  for (long k = 0; k < c.numTaken; ++k)
    records_[taken_[std::size_t(c.firstTaken + k)]].used = false;
}

long FinderImpl::startCandidate_(long rec, bool lightOnDark) {
  CircleCandidate& c = cands_[numCands_];
  c = CircleCandidate();
  c.lightOnDark = lightOnDark;
  c.firstTaken = long(taken_.size());
  take_(c, rec);
  if (!refit_(c)) {
    dropLast_(c);
    return -1;
  }
  return numCands_++;
}

bool FinderImpl::inBand_(long rec, const CircleCandidate& c, double tol, double* worst) const {
  // The first, last and (beyond two edgelets) middle edgelet within tol of the circle.
  const long n = records_[rec].count;
  const long* idx = records_[rec].idx;
  const double lo = std::max(c.radius - tol, 1.0), hi = c.radius + tol;
  const long probes[3] = {0, n - 1, n / 2};
  const std::vector<vcEdgelet>& edges = chains_.edges();
  double largest = 0.0;
  for (int k = 0; k < (n > 2 ? 3 : 2); ++k) {
    const vcEdgelet& e = edges[std::size_t(idx[probes[k]])];
    const double dx = double(e.posQuickX()) - c.cx, dy = double(e.posQuickY()) - c.cy;
    const double d2 = dx * dx + dy * dy;
    if (!(d2 >= lo * lo && d2 <= hi * hi)) return false;
    largest = std::max(largest, std::abs(std::sqrt(d2) - c.radius));
  }
  if (worst) *worst = largest;
  return true;
}

void FinderImpl::grabFrom_(CircleCandidate& c, std::vector<long>& listed) {
  // Offer the listed chains until a round takes none: those within the narrow band, else,
  // while coverage is low, the one chain of the wide band that fits best.
  for (;;) {
    bool added = false;
    for (long& rec : listed) {
      if (rec < 0 || !inBand_(rec, c, kNarrowTol, nullptr)) continue;
      const long chosen = rec;
      rec = -1;
      take_(c, chosen);
      if (refit_(c))
        added = true;
      else {
        dropLast_(c);
        refit_(c);
      }
    }
    if (!added && c.coverage < kWideCoverage) {
      const double t = std::max({c.radius * params_.grabTol(), params_.absDeviationTol(), 3.0});
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
        const long chosen = *best;
        *best = -1;
        take_(c, chosen);
        if (refit_(c))
          added = true;
        else {
          dropLast_(c);
          refit_(c);
        }
      }
    }
    if (!added) break;
  }
}

bool FinderImpl::listWindow_(CircleCandidate& c, std::vector<long>& listed,
                             std::vector<long>& other) {
  // The window around the centre, clamped to the map; too small below 6 cells either way.
  const double half = c.radius * params_.grabTol() + 2.0;
  if (!(half >= 3.0)) return false;
  const double x0d = std::max(c.cx - half, double(ox_)),
               x1d = std::min(c.cx + half, double(ox_ + w_));
  const double y0d = std::max(c.cy - half, double(oy_)),
               y1d = std::min(c.cy + half, double(oy_ + h_));
  if (!(x1d - x0d >= 6.0 && y1d - y0d >= 6.0)) return false;
  const long x0 = long(std::floor(x0d)) - ox_, x1 = long(std::ceil(x1d)) - ox_;
  const long y0 = long(std::floor(y0d)) - oy_, y1 = long(std::ceil(y1d)) - oy_;

  // Labelled cells of unused chains: each chain is marked once and listed when its polarity
  // about the candidate's centre is the candidate's. The cells were checked when the map was
  // labelled.
  const int wanted = c.lightOnDark ? 1 : 2;
  for (long y = y0; y < y1; ++y) {
    const std::int32_t* row = mapOrigin_ + y * mapStride_;
    for (long x = x0; x < x1;) {
      const std::int32_t v = row[x];
      if (v < 0) {
        x -= v;
        continue;
      }
      ++x;
      const long r = recordOf_[std::size_t(v)];
      ChainRecord& rec = records_[r];
      if (rec.used) continue;
      rec.used = true;
      (chainPolarity_(r, c.cx, c.cy) == wanted ? listed : other).push_back(r);
    }
  }
  return true;
}

void FinderImpl::candidatesWithoutCenter_() {
  const int wanted = int(params_.polarity());
  for (long k = 0; k < chains_.numResults(); ++k) {
    if (records_[k].count < seedThresh_) break;  // longest first: no later chain seeds
    if (records_[k].used) continue;

    // Seed: the chain's own circle, inside the image and of the wanted polarity. A seed that
    // fits counts as a candidate and keeps its chain, whether it goes on or not.
    const long ci = startCandidate_(k, false);
    if (ci < 0) continue;
    ++numCandidates_;
    CircleCandidate& c = cands_[ci];
    const bool inside = c.cx >= double(ox_) && c.cx < double(ox_ + w_) && c.cy >= double(oy_) &&
                        c.cy < double(oy_ + h_);
    const int pol = inside ? chainPolarity_(k, c.cx, c.cy) : 0;
    if (pol == 0 || (wanted != 0 && pol != wanted)) {
      --numCands_;
      taken_.resize(std::size_t(c.firstTaken));
      continue;
    }
    c.lightOnDark = pol == 1;

    // A closed chain is a whole circle by itself.
    if (records_[k].closed) {
      c.coverage = 1.0;
      continue;
    }
    if (c.coverage < params_.coverageInitialFit()) {
      releaseAll_(c);
      --numCands_;
      taken_.resize(std::size_t(c.firstTaken));
      continue;
    }

    // Grab the chains of its polarity that lie on its circle; chains not taken are free again.
    listed_.clear();
    other_.clear();
    const bool grabbed = listWindow_(c, listed_, other_);
    if (grabbed) grabFrom_(c, listed_);
    for (long rec : listed_)
      if (rec >= 0) records_[rec].used = false;
    for (long rec : other_) records_[rec].used = false;
    if (!grabbed || !(c.coverage >= params_.coverageThresh()) ||
        !(c.radius >= verifyMin_ && c.radius <= verifyMax_))
      releaseAll_(c);
  }
}

void FinderImpl::candidatesWithCenter_(const vcVector<2>& expected) {
  // The first long chains, split by their polarity about the expected centre.
  std::vector<long> lists[2];
  const long numTested = std::min(chains_.numResults(), kMaxCenterChains);
  for (long k = 0; k < numTested; ++k) {
    const int pol = chainPolarity_(k, expected.x(), expected.y());
    if (pol != 0) lists[pol - 1].push_back(k);
  }

  const int wanted = int(params_.polarity());
  for (int pol = 1; pol <= 2; ++pol) {
    if (wanted != 0 && wanted != pol) continue;
    std::vector<long>& list = lists[pol - 1];

    // Every closed chain is a candidate of its own.
    for (long rec : list) {
      if (!records_[rec].closed || records_[rec].used) continue;
      ++numCandidates_;
      const long ci = startCandidate_(rec, pol == 1);
      if (ci >= 0) cands_[ci].coverage = 1.0;
    }

    // Open chains seed candidates that grow from the same list.
    for (long rec : list) {
      if (records_[rec].count < seedThresh_) break;
      if (records_[rec].used) continue;
      ++numCandidates_;
      const long ci = startCandidate_(rec, pol == 1);
      if (ci < 0) continue;
      CircleCandidate& c = cands_[ci];
      const bool inside = c.cx >= double(ox_) && c.cx < double(ox_ + w_) && c.cy >= double(oy_) &&
                          c.cy < double(oy_ + h_);
      if (c.coverage < params_.coverageInitialFit() || !inside) {
        releaseAll_(c);
        continue;
      }
      listed_.clear();
      for (long other : list)
        if (!records_[other].used) listed_.push_back(other);
      grabFrom_(c, listed_);
      if (!(c.coverage >= params_.coverageThresh())) releaseAll_(c);
    }
  }
}

}  // namespace vc_circle_detail
