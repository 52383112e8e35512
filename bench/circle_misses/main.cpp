// bench_circle_misses: a census of the false circles of bench_accuracy, by the chain that seeded
// each one and the chains it took afterwards.
//
//   bench_circle_misses [--scenes N] [--seed S] [--list] [--chains]
//
// The finder's candidate steps are replayed on its chains (bench/hidden_rims/finder_replay.h),
// which records for each candidate its seed, the chains it took and which of them came from the
// wide band (one at a time, each when a round of the narrow band took nothing). Every false circle (bench/accuracy/score.h) is
// matched to the candidate it came from. The seed is classed by what its edgelets lie on
// (within 1.5 pixels): the rim of a true circle, one or more true sides, nothing. Sides of one
// shape make a corner ("curl" when at most 3 of the seed's edgelets lie on the second side), or
// three sides or more (a bar end, or a small polygon all round); the class also gives the
// length of the longest side touched, and "hiding" when the shape is a bar laid over a disc to
// hide part of its rim.
//
// --list prints one line per false circle (its seed, the seed's length and turn, its distance
// to the nearest vertex, and the class of every chain taken, WIDE marking the wide-band ones);
// --chains also prints the edgelets of those chains. Then the classes with their counts, by
// radius bucket, the seeds' mean length and turn, the chains taken, how many took a wide-band
// chain ("wide") and how many of those cover less than half their circle without them
// ("needs": the wide band made them).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "finder_replay.h"
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
};

double segmentDistance(const vcVector<2>& p, const vcVector<2>& a, const vcVector<2>& b) {
  const vcVector<2> d = b - a;
  const double t = std::clamp(
      ((p - a).x() * d.x() + (p - a).y() * d.y()) / (d.x() * d.x() + d.y() * d.y()), 0.0, 1.0);
  return p.distance(a + d * t);
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
    const hidden_rims::FinderReplay replay(scene.image);
    const vcChainTrackerResultSet& found = replay.chains();
    std::vector<Chain> chains;
    for (long c = 0; c < found.numResults(); ++c) {
      const vcChainTrackerResult& r = found.results()[std::size_t(c)];
      Chain ch;
      for (long e = 0; e < r.numEdgelets(); ++e) {
        const vcEdgelet& g = found.edges()[std::size_t(r.edgeletIndexes()[e])];
        ch.points.emplace_back(g.posQuickX(), g.posQuickY());
        ch.codes.push_back(g.angle().plain());
      }
      chains.push_back(std::move(ch));
    }
    for (std::size_t f : misses.falseOnes) {
      ++falseCount;
      const vcVector<2> c = ours.circles[f].center;
      const double r = ours.circles[f].radius;
      const hidden_rims::ReplayCandidate* cand = nullptr;
      for (const hidden_rims::ReplayCandidate& k : replay.candidates())
        if (k.kept && std::hypot(k.cx - c.x(), k.cy - c.y()) < 0.05 && std::abs(k.radius - r) < 0.05)
          cand = &k;
      std::string name = "not emulated";
      double len = 0.0, turn = 0.0, corner = 1e9;
      long taken = 0;
      bool wide = false, needWide = false;
      if (cand) {
        const Chain& s = chains[std::size_t(cand->chains[0])];
        const SeedClass cls = classify(s, scene);
        name = cls.name;
        len = double(s.points.size());
        turn = turnOf(s);
        corner = cls.cornerDistance;
        taken = long(cand->chains.size());
        wide = !cand->wideTaken.empty();
        if (wide) {
          double n = 0.0;
          for (long rec : cand->chains) n += double(chains[std::size_t(rec)].points.size());
          for (long rec : cand->wideTaken) n -= double(chains[std::size_t(rec)].points.size());
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
          for (std::size_t i = 1; i < cand->chains.size(); ++i) {
            const Chain& g = chains[std::size_t(cand->chains[i])];
            const bool wideOne = std::find(cand->wideTaken.begin(), cand->wideTaken.end(),
                                           cand->chains[i]) != cand->wideTaken.end();
            std::printf(" | %s%zu %s", wideOne ? "WIDE " : "", g.points.size(),
                        classify(g, scene).name.c_str());
          }
        std::printf("\n");
        if (cand && chainsToo)
          for (long rec : cand->chains) {
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
