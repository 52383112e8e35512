// bench_circle_misses: a census of the false circles of bench_accuracy, by the chain that seeded
// each one and the chains it took afterwards.
//
//   bench_circle_misses [--scenes N] [--seed S] [--list] [--chains]
//
// The chains are tracked as the circle finder tracks them, and its candidate loop without an
// expected centre is followed step by step (radii 6 to 126, defaults otherwise; the contrast
// test left out), recording for each candidate its seed, the chains it took and which of them,
// if any, was the one chain of the wide band. Every false circle (bench/accuracy/score.h) is
// matched to the candidate it came from. The seed is classed by what its edgelets lie on
// (within 1.5 pixels): the rim of a true circle, one or more true sides, nothing. Sides of one
// shape make a corner ("curl" when at most 3 of the seed's edgelets lie on the second side), or
// three sides or more (a bar end, or a small polygon all round); the class also gives the
// length of the longest side touched, and "hiding" when the shape is a bar laid over a disc to
// hide part of its rim.
//
// --list prints one line per false circle (its seed, the seed's length and turn, its distance
// to the nearest vertex, and the class of every chain taken, WIDE marking the wide-band one);
// --chains also prints the edgelets of those chains. Then the classes with their counts, by
// radius bucket, the seeds' mean length and turn, the chains taken, how many took a wide-band
// chain ("wide") and how many of those cover less than half their circle without it ("needs":
// the wide-band chain made them).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "edges/circle_fit.h"
#include "run_ours.h"
#include "score.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"

namespace {

constexpr double kOnTruth = 1.5;  // an edgelet lies on a rim or side within this, pixels
constexpr long kCurlMost = 3;     // most edgelets on the second side of a curl

struct Chain {
  std::vector<vcVector<2>> points;
  std::vector<int> codes;
  std::vector<long> cells;  // pixel index y * width + x of each edgelet
  bool closed = false;
};

double segmentDistance(const vcVector<2>& p, const vcVector<2>& a, const vcVector<2>& b) {
  const vcVector<2> d = b - a;
  const double t = std::clamp(
      ((p - a).x() * d.x() + (p - a).y() * d.y()) / (d.x() * d.x() + d.y() * d.y()), 0.0, 1.0);
  return p.distance(a + d * t);
}

// 1 (gradient towards c) or 2 (away), from the middle edgelet as the finder tests it.
int polarity(const Chain& ch, const vcVector<2>& c) {
  const std::size_t m = ch.points.size() / 2;
  const double a = ch.codes[m] * 2.0 * std::numbers::pi / 256.0;
  const vcVector<2> p = ch.points[m], q = p + vcVector<2>(std::cos(a), std::sin(a));
  return q.distance(c) > p.distance(c) ? 2 : 1;
}

vc_circle_detail::FitSums sumsOf(const Chain& ch, const vcVector<2>& origin) {
  vc_circle_detail::FitSums s;
  for (const vcVector<2>& p : ch.points) s.addPoint(p.x() - origin.x(), p.y() - origin.y(), 0.0);
  return s;
}

// Total signed turn of a chain's directions, degrees.
double turnOf(const Chain& ch) {
  int turn = 0;
  for (std::size_t k = 1; k < ch.codes.size(); ++k) {
    int d = (ch.codes[k] - ch.codes[k - 1]) & 255;
    if (d >= 128) d -= 256;
    turn += d;
  }
  return turn * 360.0 / 256.0;
}

struct SeedClass {
  std::string name;
  long onRim = 0, onSides = 0, onNothing = 0;
  double cornerDistance = 1e9;  // nearest vertex to any edgelet
};

SeedClass classify(const Chain& ch, const vsAccuracyScene& scene) {
  SeedClass out;
  std::map<std::size_t, long> perSide;  // edgelets on each side
  for (const vcVector<2>& p : ch.points) {
    for (const vcVector<2>& v : scene.corners)
      out.cornerDistance = std::min(out.cornerDistance, p.distance(v));
    bool rim = false;
    for (const vsAccuracyCircle& c : scene.circles)
      rim = rim || std::abs(p.distance(c.circle.center) - c.circle.radius) <= kOnTruth;
    double best = kOnTruth;
    std::size_t side = scene.sides.size();
    for (std::size_t s = 0; s < scene.sides.size(); ++s) {
      const double d = segmentDistance(p, scene.sides[s].edge.p1, scene.sides[s].edge.p2);
      if (d <= best) {
        best = d;
        side = s;
      }
    }
    if (rim) ++out.onRim;
    if (side < scene.sides.size()) {
      ++perSide[side];
      ++out.onSides;
    }
    if (!rim && side == scene.sides.size()) ++out.onNothing;
  }
  const long n = long(ch.points.size());
  std::vector<long> counts;
  double longest = 0.0;  // longest side the seed lies on, pixels
  bool hiding = false;   // on a bar laid over a rim
  for (const auto& [side, k] : perSide) {
    counts.push_back(k);
    hiding = hiding || !scene.sides[side].counted;
    longest = std::max(longest, scene.sides[side].edge.p1.distance(scene.sides[side].edge.p2));
  }
  std::sort(counts.rbegin(), counts.rend());
  const std::string size = std::string(longest < 20.0   ? " (side < 20)"
                                       : longest < 40.0 ? " (side 20-40)"
                                                        : " (side 40+)") +
                           (hiding ? " hiding" : "");
  if (out.onRim >= n * 8 / 10 && counts.empty())
    out.name = "arc of a true circle";
  else if (out.onRim * 2 > n && !counts.empty())
    out.name = "rim, then side";
  else if (counts.size() >= 3)
    out.name = "3+ sides" + size;
  else if (counts.size() == 2)
    out.name = (counts[1] <= kCurlMost ? "curl" : "corner, 2 sides") + size;
  else if (counts.size() == 1)
    out.name = (out.onNothing * 5 > n ? "side + stray" : "one side") + size;
  else if (out.onRim > 0)
    out.name = "part rim + stray";
  else
    out.name = "on nothing";
  return out;
}

// A candidate as the finder builds it without an expected centre (src/edges/circle_candidates.cpp,
// radii 6 to 126, defaults otherwise): its chains, seed first, and which was the wide-band one.
struct Candidate {
  vcVector<2> centre;
  double radius = 0.0;
  std::vector<long> taken;
  long wideAt = -1;  // place in taken of the wide-band chain, or -1
};

class Emulation {
 public:
  Emulation(const std::vector<Chain>& chains, long width, long height)
      : chains_(chains),
        width_(width),
        height_(height),
        origin_(width / 2.0, height / 2.0),
        used_(chains.size(), false) {
    for (const Chain& ch : chains) sums_.push_back(sumsOf(ch, origin_));
  }

  std::vector<Candidate> run() {
    std::vector<Candidate> out;
    const long seedThresh = std::max(4L, long(0.1 * 2.0 * std::numbers::pi * kRmin));
    for (std::size_t k = 0; k < chains_.size(); ++k) {
      if (long(chains_[k].points.size()) < seedThresh) break;
      if (used_[k]) continue;
      Candidate c;
      vc_circle_detail::FitSums sums = sums_[k];
      if (!refit(sums, c)) continue;
      used_[k] = true;
      c.taken.push_back(long(k));
      const bool inside =
          c.centre.x() >= 0 && c.centre.x() < width_ && c.centre.y() >= 0 && c.centre.y() < height_;
      if (!inside) continue;
      const int pol = polarity(chains_[k], c.centre);
      if (chains_[k].closed) {
        out.push_back(c);
        continue;
      }
      if (sums.n / (2.0 * std::numbers::pi * c.radius) < 0.1) {
        used_[k] = false;
        continue;
      }
      std::vector<long> listed = window(c, pol);
      grab(c, sums, listed);
      for (long rec : listed)
        if (rec >= 0) used_[std::size_t(rec)] = false;
      const double coverage = sums.n / (2.0 * std::numbers::pi * c.radius);
      if (coverage >= 0.5 && c.radius >= kRmin - 0.5 && c.radius <= kRmax + 0.5)
        out.push_back(c);
      else
        for (long rec : c.taken) used_[std::size_t(rec)] = false;
    }
    return out;
  }

 private:
  static constexpr double kRmin = 6.0, kRmax = 126.0;

  bool refit(const vc_circle_detail::FitSums& sums, Candidate& c) const {
    vc_circle_detail::CircleFit f;
    if (!sums.fit(f)) return false;
    const double r = std::sqrt(f.radiusSqr);
    if (!(r >= kRmin / 2.0 && r <= 1.5 * kRmax)) return false;
    c.centre = vcVector<2>(f.cx + origin_.x(), f.cy + origin_.y());
    c.radius = r;
    return true;
  }

  // Unused chains with a cell in the grab window, in raster order of their first such cell,
  // those of the candidate's polarity. (The finder marks all of them used while it grabs and
  // frees those it did not take afterwards: no other chain can be taken meanwhile.)
  std::vector<long> window(const Candidate& c, int pol) {
    const double half = c.radius * 0.75 + 2.0;
    const long x0 = long(std::floor(std::max(c.centre.x() - half, 0.0)));
    const long x1 = long(std::ceil(std::min(c.centre.x() + half, double(width_))));
    const long y0 = long(std::floor(std::max(c.centre.y() - half, 0.0)));
    const long y1 = long(std::ceil(std::min(c.centre.y() + half, double(height_))));
    std::vector<std::pair<long, long>> firstCell;
    for (std::size_t k = 0; k < chains_.size(); ++k) {
      if (used_[k]) continue;
      long first = -1;
      for (long cell : chains_[k].cells) {
        const long x = cell % width_, y = cell / width_;
        if (x >= x0 && x < x1 && y >= y0 && y < y1 && (first < 0 || cell < first)) first = cell;
      }
      if (first >= 0) firstCell.emplace_back(first, long(k));
    }
    std::sort(firstCell.begin(), firstCell.end());
    std::vector<long> listed;
    for (const auto& [cell, k] : firstCell)
      if (polarity(chains_[std::size_t(k)], c.centre) == pol) listed.push_back(k);
    return listed;
  }

  bool bandOf(long rec, const Candidate& c, double tol, double* worst) const {
    const Chain& ch = chains_[std::size_t(rec)];
    const std::size_t n = ch.points.size();
    const double lo = std::max(c.radius - tol, 1.0), hi = c.radius + tol;
    double w = 0.0;
    for (std::size_t k : {std::size_t(0), n - 1, n / 2}) {
      const double d = ch.points[k].distance(c.centre);
      if (!(d >= lo && d <= hi)) return false;
      w = std::max(w, std::abs(d - c.radius));
    }
    if (worst) *worst = w;
    return true;
  }

  void take(Candidate& c, vc_circle_detail::FitSums& sums, long& rec, bool wide, bool& added) {
    const long chosen = rec;
    rec = -1;
    sums += sums_[std::size_t(chosen)];
    Candidate trial = c;
    if (refit(sums, trial)) {
      c.centre = trial.centre;
      c.radius = trial.radius;
      c.taken.push_back(chosen);
      used_[std::size_t(chosen)] = true;
      if (wide) c.wideAt = long(c.taken.size()) - 1;
      added = true;
    } else {
      sums -= sums_[std::size_t(chosen)];
      used_[std::size_t(chosen)] = false;
    }
  }

  void grab(Candidate& c, vc_circle_detail::FitSums& sums, std::vector<long>& listed) {
    for (;;) {
      bool added = false;
      for (long& rec : listed)
        if (rec >= 0 && bandOf(rec, c, 2.0, nullptr)) take(c, sums, rec, false, added);
      if (!added && sums.n / (2.0 * std::numbers::pi * c.radius) < 0.6) {
        const double t = std::max(c.radius * 0.75, 3.0);
        long* best = nullptr;
        double bestWorst = 0.0;
        for (long& rec : listed) {
          double worst = 0.0;
          if (rec >= 0 && bandOf(rec, c, t, &worst) && (!best || worst < bestWorst)) {
            best = &rec;
            bestWorst = worst;
          }
        }
        if (best) take(c, sums, *best, true, added);
      }
      if (!added) break;
    }
  }

  const std::vector<Chain>& chains_;
  long width_, height_;
  vcVector<2> origin_;
  std::vector<bool> used_;
  std::vector<vc_circle_detail::FitSums> sums_;
};

std::vector<Candidate> emulateFinder(const std::vector<Chain>& chains, long width, long height) {
  return Emulation(chains, width, height).run();
}

struct Tally {
  long count = 0, wide = 0;
  long needWide = 0;  // below coverage 0.5 without the wide-band chain's edgelets
  std::vector<long> byRadius = std::vector<long>(5, 0);
  double lenSum = 0.0, turnSum = 0.0, takenSum = 0.0;
};

long radiusBucket(double r) {
  long b = 0;
  while (b < 4 && r >= scenes::kRadiusBuckets[b + 1]) ++b;
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  long scenes = 300, seed = 131000;
  bool list = false, chainsToo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--list")
      list = true;
    else if (a == "--chains")
      list = chainsToo = true;
    else if (a == "--scenes" && i + 1 < argc)
      scenes = std::atol(argv[++i]);
    else if (a == "--seed" && i + 1 < argc)
      seed = std::atol(argv[++i]);
    else {
      std::fprintf(stderr,
                   "usage: bench_circle_misses [--scenes N] [--seed S] [--list] [--chains]\n");
      return 1;
    }
  }
  std::map<std::string, Tally> tallies;
  accuracy::vcCircleScore score;
  long falseCount = 0;
  for (long k = 0; k < scenes; ++k) {
    const vsAccuracyScene scene = accuracy::sceneNumber(seed + k);
    const accuracy::vsOurs ours = accuracy::runOurs(scene.image);
    const accuracy::vsCircleMisses misses = score.add(scene, ours.circles, false, seed + k);
    if (misses.falseOnes.empty()) continue;
    vcChainTrackerRunParams params(3, vcCircleFinderRunParams().magThresh(), vcDegree(45.0), false,
                                   vcChainTrackerDefs::eSortByLength, vcDegree(45.0), 10, 10);
    vcChainTrackerResultSet found;
    vfChainTracker(scene.image, params, found, nullptr, 0);
    std::vector<Chain> chains;
    for (long c = 0; c < found.numResults(); ++c) {
      const vcChainTrackerResult& r = found.results()[std::size_t(c)];
      Chain ch;
      for (long e = 0; e < r.numEdgelets(); ++e) {
        const vcEdgelet& g = found.edges()[std::size_t(r.edgeletIndexes()[e])];
        ch.points.emplace_back(g.posQuickX(), g.posQuickY());
        ch.codes.push_back(g.angle().plain());
        ch.cells.push_back(long(g.get_j()) * scene.image.width() + long(g.get_i()));
      }
      ch.closed = r.isClosed();
      chains.push_back(std::move(ch));
    }
    const std::vector<Candidate> candidates =
        emulateFinder(chains, scene.image.width(), scene.image.height());
    for (std::size_t f : misses.falseOnes) {
      ++falseCount;
      const vcVector<2> c = ours.circles[f].center;
      const double r = ours.circles[f].radius;
      const Candidate* cand = nullptr;
      for (const Candidate& k : candidates)
        if (k.centre.distance(c) < 0.05 && std::abs(k.radius - r) < 0.05) cand = &k;
      std::string name = "not emulated";
      double len = 0.0, turn = 0.0, corner = 1e9;
      long taken = 0;
      bool wide = false, needWide = false;
      if (cand) {
        const Chain& s = chains[std::size_t(cand->taken[0])];
        const SeedClass cls = classify(s, scene);
        name = cls.name;
        len = double(s.points.size());
        turn = turnOf(s);
        corner = cls.cornerDistance;
        taken = long(cand->taken.size());
        wide = cand->wideAt >= 0;
        if (wide) {
          double n = 0.0;
          for (long rec : cand->taken) n += double(chains[std::size_t(rec)].points.size());
          n -= double(chains[std::size_t(cand->taken[std::size_t(cand->wideAt)])].points.size());
          needWide = n / (2.0 * std::numbers::pi * r) < 0.5;
        }
      }
      Tally& t = tallies[name];
      ++t.count;
      ++t.byRadius[std::size_t(radiusBucket(r))];
      t.lenSum += len;
      t.turnSum += std::abs(turn);
      t.takenSum += double(taken);
      if (wide) ++t.wide;
      if (needWide) ++t.needWide;
      if (list) {
        std::printf(
            "%ld-%zu c (%.1f, %.1f) r %.1f blur %.2f noise %.1f: %s, seed %g edgelets turn %+.0f "
            "deg, corner %.1f px, %ld chains",
            seed + k, f, c.x(), c.y(), r, scene.blur, scene.noise, name.c_str(), len, turn, corner,
            taken);
        if (cand)
          for (std::size_t i = 1; i < cand->taken.size(); ++i) {
            const Chain& g = chains[std::size_t(cand->taken[i])];
            std::printf(" | %s%zu %s", long(i) == cand->wideAt ? "WIDE " : "", g.points.size(),
                        classify(g, scene).name.c_str());
          }
        std::printf("\n");
        if (cand && chainsToo)
          for (long rec : cand->taken) {
            const Chain& g = chains[std::size_t(rec)];
            std::printf("   chain %ld:", rec);
            for (std::size_t i = 0; i < g.points.size(); ++i)
              std::printf(" (%.2f,%.2f %d)", g.points[i].x(), g.points[i].y(), g.codes[i]);
            std::printf("\n");
          }
      }
    }
  }
  std::printf("%ld scenes from seed %ld: %ld false circles\n", scenes, seed, falseCount);
  std::printf("%-36s %6s %5s %5s %5s %5s %5s %8s %8s %8s %6s %6s\n", "seed class", "count", "r6",
              "r12", "r20", "r40", "r80", "seedLen", "|turn|", "chains", "wide", "needs");
  for (const auto& [name, t] : tallies)
    std::printf("%-36s %6ld %5ld %5ld %5ld %5ld %5ld %8.1f %8.0f %8.1f %6ld %6ld\n", name.c_str(),
                t.count, t.byRadius[0], t.byRadius[1], t.byRadius[2], t.byRadius[3], t.byRadius[4],
                t.lenSum / double(t.count), t.turnSum / double(t.count),
                t.takenSum / double(t.count), t.wide, t.needWide);
  return 0;
}
