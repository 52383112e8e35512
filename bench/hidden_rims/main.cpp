// bench_hidden_rims: why the circle finder missed each circle of the accuracy scenes that it
// missed, one line per circle and a count per cause, split into circles with a clear rim and
// circles whose rim is partly hidden or crowded.
//
//   bench_hidden_rims [--scenes N] [--seed S] [--quiet] [--dump SCENE]
//
// --quiet leaves out the line per circle; --dump also prints, for the missed circles of scene
// SCENE, every edgelet within 5 pixels of the true rim (position, distance off the rim, gradient
// against the rim's normal, magnitude, chain) and the grey values around the circle.
//
// The scenes and the finder's settings are bench_accuracy's. The finder's candidate steps are
// replayed on its own chains (finder_replay.h) and every miss is put down to the first of:
//   edgelets    fewer edgelets lie within 2 pixels of the true rim (gradient within 45 degrees
//               of the rim's normal) than half the circumference: lost or displaced at detection
//   fragments   enough rim edgelets, but too few in chains of 3 or more
//   band        the rim chains whose first, middle and last edgelets all lie within 2 pixels of
//               the true rim hold less than half the circumference: the others run on off the
//               rim (runOn counts those with an end off it) or bend away in the middle
//   taken       no rim chain seeded a candidate, and some were kept by another candidate
//   noSeed      no rim chain seeded a candidate
//   seedOff     the best rim seed's own circle is more than 2 pixels off the true one
//   seedShort   the best rim seed covered less than the initial coverage of its circle
//   grabShort   the best rim candidate grew but ended below the coverage threshold
//   verify      a candidate on the true circle was kept but not reported (contrast)
//   wideOff     the best rim candidate was kept more than 2 pixels off, after taking from the
//               wide band (below coverage 0.6 in the narrow one) a chain mostly off the rim
//   keptOff     the best rim candidate was kept, more than 2 pixels off, otherwise
// "short" is how many edgelets were missing for half the circumference at that stage (for
// wideOff: for coverage 0.6 before the wide band was tried). For the wideOff circles the rim
// edgelets outside the candidate's chains are counted: in chains of 1 or 2 (which never take
// part), bent (gradient 45 to 90 degrees off the normal), and in other long chains by why they
// were not taken (kept by an earlier candidate; no cell inside the grab window, a square of
// half-size 0.75 r + 2 around the seed's centre; mostly off the rim; else), and how many
// circles these would have lifted to coverage 0.6 in the narrow band. The two ends of every rim
// chain outside the window are put down to what lies past them (endKind below): mostly the
// rim goes on in a chain traced before, which the chain ran into, or the chain started beside
// one, since a chain is followed from its first edgelet in raster order in one sense only.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "finder_replay.h"
#include "run_ours.h"
#include "score.h"
#include "tavshsl/circle_finder.h"

namespace {

constexpr double kRimTol = 2.0;  // pixels: the finder's narrow band
constexpr double kMatchTol = 2.0;

struct Options {
  long scenes = 300;
  long seed = 131000;
  bool quiet = false;
  long dump = -1;  // scene whose missed circles are dumped, -1 for none
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--quiet") {
      o.quiet = true;
      continue;
    }
    if (i + 1 >= argc) throw std::invalid_argument("incomplete argument " + arg);
    if (arg == "--scenes")
      o.scenes = std::atol(argv[++i]);
    else if (arg == "--seed")
      o.seed = std::atol(argv[++i]);
    else if (arg == "--dump")
      o.dump = std::atol(argv[++i]);
    else
      throw std::invalid_argument("unknown argument " + arg + "; use --scenes N --seed S --quiet --dump SCENE");
  }
  if (o.scenes < 1) throw std::invalid_argument("--scenes needs a positive number");
  return o;
}

// What the edgelets and chains on one true rim hold.
struct RimCensus {
  long edgelets = 0;       // on the rim, of the rim's direction
  long inLongChains = 0;   // of those, in chains of 3 or more
  long inBandChains = 0;   // edgelets of the chains that pass the band test on the true circle
  long failing = 0, runOn = 0;  // rim chains failing the band test, and of them with an end off
  std::vector<long> rimChains;  // long chains with 3 or more rim edgelets
};

bool onRim(const vcEdgelet& e, const vsSceneCircle& c, double maxTurn = std::numbers::pi / 4.0) {
  const double dx = double(e.posQuickX()) - c.center.x(), dy = double(e.posQuickY()) - c.center.y();
  const double d = std::hypot(dx, dy);
  if (std::abs(d - c.radius) > kRimTol || d < 1e-9) return false;
  // The gradient points from dark to light: inwards on a light disc.
  const double sign = c.polarity == veScenePolarity::eLightOnDark ? -1.0 : 1.0;
  const double a = e.angle().plain() * 2.0 * std::numbers::pi / 256.0;
  return sign * (std::cos(a) * dx + std::sin(a) * dy) / d >= std::cos(maxTurn) + 1e-12;
}

bool offRim(const vcEdgelet& e, const vsSceneCircle& c) {
  const double d = std::hypot(double(e.posQuickX()) - c.center.x(),
                              double(e.posQuickY()) - c.center.y());
  return std::abs(d - c.radius) > kRimTol;
}

RimCensus census(const hidden_rims::FinderReplay& replay, const vsSceneCircle& c) {
  RimCensus rc;
  const vcChainTrackerResultSet& chains = replay.chains();
  const std::vector<vcEdgelet>& edges = chains.edges();
  std::map<long, long> onPerChain;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    if (!onRim(edges[i], c)) continue;
    ++rc.edgelets;
    const long k = replay.chainOf(long(i));
    if (k >= 0 && k < chains.numResults()) {
      ++rc.inLongChains;
      ++onPerChain[k];
    }
  }
  for (const auto& [k, on] : onPerChain) {
    if (on < 3) continue;
    rc.rimChains.push_back(k);
    const vcChainTrackerResult& chain = chains.results()[std::size_t(k)];
    const long n = chain.numEdgelets();
    const long probes[3] = {0, n - 1, n / 2};
    bool pass = true;
    for (long p : probes) pass = pass && !offRim(edges[std::size_t(chain.edgeletIndexes()[p])], c);
    if (pass) {
      rc.inBandChains += n;
      continue;
    }
    ++rc.failing;
    if (offRim(edges[std::size_t(chain.edgeletIndexes()[0])], c) ||
        offRim(edges[std::size_t(chain.edgeletIndexes()[n - 1])], c))
      ++rc.runOn;
  }
  return rc;
}

bool matches(double cx, double cy, double r, const vsSceneCircle& c) {
  return std::hypot(cx - c.center.x(), cy - c.center.y()) <= kMatchTol &&
         std::abs(r - c.radius) <= kMatchTol;
}

struct Verdict {
  std::string cause;
  long shortBy = 0;
  long candidate = -1;  // the best rim candidate, when one was judged
};

// Edgelets of a chain on the rim.
long onRimCount(const hidden_rims::FinderReplay& replay, long chain, const vsSceneCircle& c) {
  const vcChainTrackerResult& r = replay.chains().results()[std::size_t(chain)];
  long on = 0;
  for (long i = 0; i < r.numEdgelets(); ++i)
    on += onRim(replay.chains().edges()[std::size_t(r.edgeletIndexes()[i])], c) ? 1 : 0;
  return on;
}

Verdict judge(const hidden_rims::FinderReplay& replay, const vsSceneCircle& c,
              const RimCensus& rc) {
  const double half = std::numbers::pi * c.radius;  // half the circumference
  const auto shortOf = [&](double have) { return long(std::ceil(half - have)); };
  if (rc.edgelets < half) return {"edgelets", shortOf(double(rc.edgelets))};
  if (rc.inLongChains < half) return {"fragments", shortOf(double(rc.inLongChains))};
  if (rc.inBandChains < half) return {"band", shortOf(double(rc.inBandChains))};
  // The candidate seeded by a rim chain that came closest to covering the circle.
  long best = -1;
  bool taken = false;
  for (long k : rc.rimChains) {
    const long s = replay.seededBy(k);
    if (s >= 0) {
      const hidden_rims::ReplayCandidate& cand = replay.candidates()[std::size_t(s)];
      if (best < 0 || cand.coverage > replay.candidates()[std::size_t(best)].coverage) best = s;
    } else if (replay.keptBy(k) >= 0) {
      taken = true;
    }
  }
  if (best < 0) return {taken ? "taken" : "noSeed", 0};
  const hidden_rims::ReplayCandidate& cand = replay.candidates()[std::size_t(best)];
  const auto verdict = [&](const char* cause, long shortBy) {
    return Verdict{cause, shortBy, best};
  };
  if (!matches(cand.seedCx, cand.seedCy, cand.seedRadius, c) &&
      !matches(cand.cx, cand.cy, cand.radius, c))
    return verdict("seedOff", 0);
  if (!cand.grew) return verdict("seedShort", 0);
  const double candHalf = std::numbers::pi * cand.radius;
  if (!cand.kept)
    return verdict("grabShort", long(std::ceil(candHalf - cand.coverage * 2.0 * candHalf)));
  if (matches(cand.cx, cand.cy, cand.radius, c)) return verdict("verify", 0);
  for (long k : cand.wideTaken) {
    const long n = replay.chains().results()[std::size_t(k)].numEdgelets();
    if (2 * onRimCount(replay, k, c) < n)
      return verdict("wideOff", long(std::ceil(2.0 * candHalf * (0.6 - cand.coverageBeforeWide))));
  }
  return verdict("keptOff", 0);
}

// Where the rim edgelets of a wideOff circle went, and what would have lifted it to coverage
// 0.6 in the narrow band.
struct WideCensus {
  long inShort = 0, bent = 0;
  std::map<std::string, long> inOther;  // by why the chain was not taken
  std::map<std::string, long> ends;     // the ends of the chains outside the window, by kind
  bool liftShort = false, liftBent = false, liftOther = false;
};

// What lies past the end edgelet e of rim chain ch: a rim edgelet of another chain, where the
// chain started ("startSplit"), or where it ended, that chain traced before it in the raster
// scan ("ranIntoEarlier": the tracer found its way taken) or after it ("refused": the tracer
// passed the edgelet over); an edgelet near the rim pointing too far off its normal ("bent");
// or no edgelet near the rim ("gap").
std::string endKind(const hidden_rims::FinderReplay& replay, const vsSceneCircle& c, long ch,
                    long e, bool first) {
  const std::vector<vcEdgelet>& edges = replay.chains().edges();
  // Edgelets are in raster order, so a chain that starts at a lower index was traced first.
  const auto startOf = [&](long chain) {
    return replay.chains().results()[std::size_t(chain)].edgeletIndexes()[0];
  };
  bool rimOther = false, earlier = false, near = false;
  for (long dj = -1; dj <= 1; ++dj)
    for (long di = -1; di <= 1; ++di) {
      const long n = replay.edgeletAt(long(edges[std::size_t(e)].get_i()) + di,
                                      long(edges[std::size_t(e)].get_j()) + dj);
      if (n < 0 || n == e || replay.chainOf(n) == ch) continue;
      if (onRim(edges[std::size_t(n)], c)) {
        rimOther = true;
        earlier = earlier || startOf(replay.chainOf(n)) < startOf(ch);
      }
      if (!offRim(edges[std::size_t(n)], c)) near = true;
    }
  if (rimOther) return first ? "startSplit" : earlier ? "ranIntoEarlier" : "refused";
  return near ? "bent" : "gap";
}

WideCensus wideCensus(const hidden_rims::FinderReplay& replay, const vsSceneCircle& c,
                      const RimCensus& rc, long candidate) {
  WideCensus w;
  const hidden_rims::ReplayCandidate& cand = replay.candidates()[std::size_t(candidate)];
  const std::vector<vcEdgelet>& edges = replay.chains().edges();
  const long numLong = replay.chains().numResults();
  const auto taken = [&](long ch) {
    return std::find(cand.chains.begin(), cand.chains.end(), ch) != cand.chains.end();
  };
  std::map<long, long> others;  // rim edgelets per other long chain
  long within90 = 0;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    within90 += onRim(edges[i], c, std::numbers::pi / 2.0) ? 1 : 0;
    if (!onRim(edges[i], c)) continue;
    const long ch = replay.chainOf(long(i));
    if (ch >= numLong)
      ++w.inShort;
    else if (!taken(ch))
      ++others[ch];
  }
  w.bent = within90 - rc.edgelets;
  const double half = cand.seedRadius * vcCircleFinderRunParams().grabTol() + 2.0;
  long inOther = 0;
  for (const auto& [ch, on] : others) {
    const vcChainTrackerResult& r = replay.chains().results()[std::size_t(ch)];
    bool inWindow = false;
    for (long i = 0; i < r.numEdgelets(); ++i) {
      const vcEdgelet& e = edges[std::size_t(r.edgeletIndexes()[i])];
      inWindow = inWindow || (std::abs(e.get_i() + 0.5 - cand.seedCx) <= half + 0.5 &&
                              std::abs(e.get_j() + 0.5 - cand.seedCy) <= half + 0.5);
    }
    const long owner = replay.keptBy(ch);
    const char* why = owner >= 0 && owner < candidate ? "takenBefore"
                      : !inWindow                    ? "outsideWindow"
                      : 2 * on < r.numEdgelets()     ? "mostlyOffRim"
                                                     : "notTaken";
    w.inOther[why] += on;
    inOther += on;
    if (inWindow) continue;
    for (const bool first : {true, false}) {
      const long e = r.edgeletIndexes()[first ? 0 : r.numEdgelets() - 1];
      w.ends[endKind(replay, c, ch, e, first)] += 1;
    }
  }
  const double circumference = 2.0 * std::numbers::pi * cand.radius;
  const double had = cand.coverageBeforeWide * circumference, need = 0.6 * circumference;
  w.liftShort = had + double(w.inShort) >= need;
  w.liftBent = had + double(w.inShort + w.bent) >= need;
  w.liftOther = had + double(w.inShort + w.bent + inOther) >= need;
  return w;
}

// Every edgelet within 5 pixels of the rim, and the grey values around the circle.
void dump(const vsAccuracyScene& scene, std::size_t t, const hidden_rims::FinderReplay& replay) {
  const vsSceneCircle& c = scene.circles[t].circle;
  std::printf("circle %zu (%.2f, %.2f) r %.2f polarity %d\n", t, c.center.x(), c.center.y(),
              c.radius, int(c.polarity));
  const std::vector<vcEdgelet>& edges = replay.chains().edges();
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const vcEdgelet& e = edges[i];
    const double dx = e.posQuickX() - c.center.x(), dy = e.posQuickY() - c.center.y();
    const double d = std::hypot(dx, dy);
    if (std::abs(d - c.radius) > 5.0) continue;
    const double normal = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
    const double turn = std::remainder(e.angle().plain() * 360.0 / 256.0 - normal, 360.0);
    const long ch = replay.chainOf(long(i));
    std::printf("  e%zu pixel (%d, %d) at (%.2f, %.2f) off rim %.2f gradient %.0f deg from normal "
                "%.0f, magnitude %d, chain %ld of %ld\n",
                i, e.get_i(), e.get_j(), e.posQuickX(), e.posQuickY(), d - c.radius, turn, normal,
                int(e.magnitude()), ch,
                ch >= 0 ? replay.chains().results()[std::size_t(ch)].numEdgelets() : 0L);
  }
  const long x0 = std::max(0L, long(c.center.x() - c.radius - 4.0));
  const long y0 = std::max(0L, long(c.center.y() - c.radius - 4.0));
  const long x1 = std::min(scene.image.width(), long(c.center.x() + c.radius + 5.0));
  const long y1 = std::min(scene.image.height(), long(c.center.y() + c.radius + 5.0));
  std::printf("grey values from (%ld, %ld)\n", x0, y0);
  for (long y = y0; y < y1; ++y) {
    std::printf("%4ld ", y);
    for (long x = x0; x < x1; ++x) std::printf("%4d", int(scene.image.get(x, y)));
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = parse(argc, argv);
    // Counts per cause, for clear rims (0) and for hidden or crowded ones (1).
    std::map<std::string, long> counts[2], shortSums[2];
    long missed[2] = {0, 0}, failingChains = 0, runOnChains = 0, replayMismatches = 0;
    // The wideOff circles.
    long inShort = 0, bent = 0, liftShort = 0, liftBent = 0, liftOther = 0;
    std::map<std::string, long> inOther, ends;
    accuracy::vcCircleScore score;
    for (long k = 0; k < options.scenes; ++k) {
      const long label = options.seed + k;
      const vsAccuracyScene scene = accuracy::sceneNumber(label);
      const accuracy::vsOurs ours = accuracy::runOurs(scene.image);
      const accuracy::vsCircleMisses misses = score.add(scene, ours.circles, false, label);
      if (misses.missed.empty()) continue;
      const hidden_rims::FinderReplay replay(scene.image);
      // The replay must keep every circle the finder reported.
      for (const accuracy::vsCircle& f : ours.circles) {
        bool kept = false;
        for (const hidden_rims::ReplayCandidate& c : replay.candidates())
          kept = kept || (c.kept && std::abs(c.cx - f.center.x()) < 1e-6 &&
                          std::abs(c.cy - f.center.y()) < 1e-6);
        if (!kept) ++replayMismatches;
      }
      for (std::size_t t : misses.missed) {
        const vsAccuracyCircle& truth = scene.circles[t];
        if (label == options.dump) dump(scene, t, replay);
        const RimCensus rc = census(replay, truth.circle);
        const Verdict v = judge(replay, truth.circle, rc);
        const int group = truth.crowded > 0.0 ? 1 : 0;
        ++missed[group];
        ++counts[group][v.cause];
        shortSums[group][v.cause] += v.shortBy;
        failingChains += rc.failing;
        runOnChains += rc.runOn;
        if (!options.quiet)
          std::printf(
              "scene %ld circle %zu (%.1f, %.1f) r %.1f contrast %.0f blur %.2f noise %.1f "
              "hidden %.2f crowded %.2f: %s short %ld; rim edgelets %ld (half %.0f), in long "
              "chains %ld, in band %ld, rim chains %zu failing %ld run on %ld\n",
              label, t, truth.circle.center.x(), truth.circle.center.y(), truth.circle.radius,
              truth.contrast, scene.blur, scene.noise, truth.hidden, truth.crowded,
              v.cause.c_str(), v.shortBy, rc.edgelets, std::numbers::pi * truth.circle.radius,
              rc.inLongChains, rc.inBandChains, rc.rimChains.size(), rc.failing, rc.runOn);
        if (v.candidate < 0) continue;
        const hidden_rims::ReplayCandidate& c = replay.candidates()[std::size_t(v.candidate)];
        if (!options.quiet) {
          std::printf("  candidate (%.1f, %.1f) r %.1f coverage %.2f (seed %.2f, before the wide "
                      "band %.2f), chains as rim/all edgelets, w from the wide band:",
                      c.cx, c.cy, c.radius, c.coverage, c.seedCoverage, c.coverageBeforeWide);
          for (long ch : c.chains) {
            const bool wide =
                std::find(c.wideTaken.begin(), c.wideTaken.end(), ch) != c.wideTaken.end();
            std::printf(" %ld/%ld%s", onRimCount(replay, ch, truth.circle),
                        replay.chains().results()[std::size_t(ch)].numEdgelets(), wide ? "w" : "");
          }
          std::printf("\n");
        }
        if (v.cause != "wideOff") continue;
        const WideCensus w = wideCensus(replay, truth.circle, rc, v.candidate);
        inShort += w.inShort;
        bent += w.bent;
        for (const auto& [why, n] : w.inOther) inOther[why] += n;
        for (const auto& [kind, n] : w.ends) ends[kind] += n;
        liftShort += w.liftShort ? 1 : 0;
        liftBent += w.liftBent ? 1 : 0;
        liftOther += w.liftOther ? 1 : 0;
        if (!options.quiet) {
          std::printf("  rim edgelets outside the candidate: %ld in short chains, %ld bent",
                      w.inShort, w.bent);
          for (const auto& [why, n] : w.inOther) std::printf(", %ld %s", n, why.c_str());
          std::printf("; ends outside the window:");
          for (const auto& [kind, n] : w.ends) std::printf(" %ld %s", n, kind.c_str());
          std::printf("; lifted by %s\n", w.liftShort  ? "short chains"
                                          : w.liftBent ? "short chains and bent"
                                          : w.liftOther ? "other long chains"
                                                        : "none");
        }
      }
    }
    std::printf("\n%ld scenes from seed %ld: %ld clear rims missed, %ld hidden or crowded\n",
                options.scenes, options.seed, missed[0], missed[1]);
    std::printf("%-10s %8s %10s %8s %10s\n", "cause", "clear", "meanShort", "crowded",
                "meanShort");
    for (const char* cause : {"edgelets", "fragments", "band", "taken", "noSeed", "seedOff",
                              "seedShort", "grabShort", "verify", "wideOff", "keptOff"}) {
      const auto mean = [&](int g) {
        const long n = counts[g][cause];
        return n > 0 ? double(shortSums[g][cause]) / double(n) : 0.0;
      };
      std::printf("%-10s %8ld %10.1f %8ld %10.1f\n", cause, counts[0][cause], mean(0),
                  counts[1][cause], mean(1));
    }
    std::printf("rim chains failing the band test: %ld, of them running on off the rim: %ld\n",
                failingChains, runOnChains);
    std::printf("wideOff: rim edgelets outside the candidate: %ld in short chains, %ld bent", inShort,
                bent);
    for (const auto& [why, n] : inOther) std::printf(", %ld %s", n, why.c_str());
    std::printf("\nwideOff: ends of the rim chains outside the grab window:");
    for (const auto& [kind, n] : ends) std::printf(" %ld %s", n, kind.c_str());
    std::printf("\nwideOff lifted to 0.6 by the short chains' rim edgelets: %ld, and the bent "
                "ones: %ld, and the other long chains': %ld\n",
                liftShort, liftBent, liftOther);
    std::printf("circles reported that the replay did not keep: %ld\n", replayMismatches);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_hidden_rims: %s\n", e.what());
    return 1;
  }
}
