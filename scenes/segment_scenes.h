#pragma once

// Synthetic found-segment scenes for the corresponder, with known truth: trained models posed at
// random (rotation, scale, translation), their segments degraded the way a line tracker and a
// stroke extraction degrade them (end points jittered, long segments broken into pieces, some
// segments missing) among unrelated clutter segments. Used by the tests and the benchmarks.
//
//   const auto models = segment_scenes::modelSet();            // seven models, origin-centred
//   vcSegmentCorresponder corresponder(segment_scenes::trainParams(models));
//   segment_scenes::Scene scene = segment_scenes::makeScene(models, seed);
//   corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
//   segment_scenes::Match m = segment_scenes::bestMatch(models, scene, out, i);   // instance i

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "platform/base/range.h"
#include "tavshsl/boundary_model.h"
#include "tavshsl/segment_corresponder.h"
#include "tavshsl/skeleton_model.h"

namespace segment_scenes {

using Model = vcPtrHandle<vcSegmentCorresponderModel>;
constexpr double kPi = std::numbers::pi;

// A model with the order of its rotational symmetry about its origin (1: none).
struct NamedModel {
  const char* name;
  Model model;
  int symmetry;
};

inline std::vector<vcModelSegment> polygon(const std::vector<vcVector<2>>& corners) {
  std::vector<vcModelSegment> out;
  for (std::size_t i = 0; i < corners.size(); ++i)
    out.emplace_back(vcLineSeg(corners[i], corners[(i + 1) % corners.size()]), 1.0,
                     vcSegmentDefs::eForward);
  return out;
}

inline Model boundary(const std::vector<vcVector<2>>& corners) {
  Model m(new vcSegmentCorresponderBoundaryModel(polygon(corners)));
  m->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.6, 1.6));
  return m;
}

inline Model strokes(const std::vector<vcLineSeg>& centreLines, double width) {
  std::vector<vcModelSegment> skeleton;
  for (const vcLineSeg& s : centreLines) skeleton.emplace_back(s, 1.0, vcSegmentDefs::eUndirected);
  Model m(new vcSegmentCorresponderSkeletonModel(
      skeleton, std::vector<double>(centreLines.size(), width), true));
  m->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.6, 1.6));
  m->setDOFRange(vcSegmentCorresponderModel::eStrokeWidth, vcRange(0.5, 2.0));
  return m;
}

inline vcVector<2> polar(double r, double degrees) {
  return vcVector<2>(r, vcRadian(degrees * kPi / 180.0));
}

// A gear-like outline: four teeth, each a top, two flanks and a root (16 sides).
inline std::vector<vcVector<2>> gearCorners() {
  std::vector<vcVector<2>> c;
  for (int i = 0; i < 4; ++i) {
    const double a = 90.0 * i;
    c.push_back(polar(100.0, a - 15.0));
    c.push_back(polar(100.0, a + 15.0));
    c.push_back(polar(60.0, a + 30.0));
    c.push_back(polar(60.0, a + 60.0));
  }
  return c;
}

// Four boundary models of 3 to 16 sides and three stroke figures, about 150 to 200 units across.
inline std::vector<NamedModel> modelSet() {
  using P = vcVector<2>;
  return {
      {"triangle", boundary({P(-70, -50), P(90, -30), P(-20, 70)}), 1},
      {"rectangle", boundary({P(-80, -45), P(80, -45), P(80, 45), P(-80, 45)}), 2},
      {"L outline", boundary({P(-60, -80), P(-20, -80), P(-20, 40), P(80, 40), P(80, 80), P(-60, 80)}),
       1},
      {"gear", boundary(gearCorners()), 4},
      {"L strokes", strokes({vcLineSeg(P(-50, 60), P(-50, -60)), vcLineSeg(P(-50, 60), P(50, 60))}, 16.0),
       1},
      {"T strokes", strokes({vcLineSeg(P(-70, -50), P(70, -50)), vcLineSeg(P(0, -50), P(0, 70))}, 16.0),
       1},
      {"X strokes", strokes({vcLineSeg(P(-70, -60), P(70, 60)), vcLineSeg(P(-70, 60), P(70, -60))}, 14.0),
       2},
  };
}

inline vcSegmentCorresponderTrainParams trainParams(const std::vector<NamedModel>& models) {
  vcSegmentCorresponderTrainParams::ModelList list;
  for (const NamedModel& m : models) list.push_back(m.model);
  // Tolerances a little above what the scenes' jitter of 0.5 can do to a segment.
  return vcSegmentCorresponderTrainParams(list, 1.0, vcDegree(5.0), true);
}

// How a scene degrades the posed models.
struct Degradation {
  double jitter = 0.5;       // largest end point displacement
  double dropShare = 0.2;    // share of each instance's segments left out (rounded)
  bool splitLong = true;     // segments longer than their instance's median break in 2 or 3
  double clutterShare = 1.0; // clutter segments per posed model segment
};

struct Instance {
  long model;
  vcXform<2> pose;  // found from model
};

// Where a found segment came from: the instance and its model's boundary segment (-1, -1 for
// clutter).
struct Origin {
  long instance = -1;
  long modelSegment = -1;
};

struct Scene {
  std::vector<vcFoundSegment> edges;        // outlines and clutter
  std::vector<Origin> edgeOrigins;          // one per edge
  std::vector<vcFoundSegment> centreLines;  // stroke centre-lines and clutter
  std::vector<Origin> lineOrigins;          // one per centre-line
  std::vector<Instance> truth;
};

class Generator {
 public:
  Generator(unsigned seed, const Degradation& d) : rng_(seed), d_(d) {}

  double uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  long index(long n) { return std::uniform_int_distribution<long>(0, n - 1)(rng_); }

  // A point within the jitter radius of p.
  vcVector<2> jitter(const vcVector<2>& p) {
    const double r = d_.jitter * std::sqrt(uniform(0.0, 1.0));
    return p + vcVector<2>(r, vcRadian(uniform(-kPi, kPi)));
  }

  // The posed segments as found: a share dropped, long ones broken, end points jittered.
  void degrade(const std::vector<vcModelSegment>& posed, const std::vector<double>& widths,
               std::vector<vcFoundSegment>& out, std::vector<Origin>* origins = nullptr,
               long instance = -1) {
    std::vector<std::size_t> keep;
    std::vector<double> lengths;
    for (std::size_t i = 0; i < posed.size(); ++i)
      if (posed[i].length() > 1.0) {
        keep.push_back(i);
        lengths.push_back(posed[i].length());
      }
    std::vector<double> sorted = lengths;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    std::shuffle(keep.begin(), keep.end(), rng_);
    const std::size_t drop =
        static_cast<std::size_t>(std::lround(d_.dropShare * static_cast<double>(keep.size())));
    keep.resize(keep.size() - std::min(drop, keep.size()));
    std::sort(keep.begin(), keep.end());
    for (std::size_t i : keep) {
      const vcModelSegment& m = posed[i];
      const double width = widths.empty() ? 0.0 : widths[i];
      const double magnitude = uniform(20.0, 100.0);
      std::vector<double> cuts{0.0, 1.0};
      if (d_.splitLong && m.length() > median) {
        const int pieces = uniform(0.0, 1.0) < 0.5 ? 2 : 3;
        for (int c = 1; c < pieces; ++c)
          cuts.insert(cuts.end() - 1, (c + uniform(-0.2, 0.2)) / pieces);
      }
      const vcVector<2> a = m.segment().p1(), v = m.segment().p2() - a;
      // A small gap at every break, as a tracker leaves.
      const double gap = 1.0 / m.length();
      for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        const double t0 = cuts[c] + (c > 0 ? gap : 0.0);
        const double t1 = cuts[c + 1] - (c + 2 < cuts.size() ? gap : 0.0);
        out.emplace_back(vcLineSeg(jitter(a + v * t0), jitter(a + v * t1)), magnitude,
                         m.polarity(), width);
        if (origins) origins->push_back(Origin{instance, static_cast<long>(i)});
      }
    }
  }

  // n unrelated segments inside [0, w] x [0, h], 20 to 150 long.
  void clutter(long n, double w, double h, bool centreLines, std::vector<vcFoundSegment>& out) {
    for (long i = 0; i < n; ++i) {
      const vcVector<2> p(uniform(0.0, w), uniform(0.0, h));
      const vcVector<2> q = p + vcVector<2>(uniform(20.0, 150.0), vcRadian(uniform(-kPi, kPi)));
      const auto polarity = centreLines ? vcSegmentDefs::eUndirected
                            : uniform(0.0, 1.0) < 0.5 ? vcSegmentDefs::eForward
                                                      : vcSegmentDefs::eReverse;
      out.emplace_back(vcLineSeg(p, q), uniform(20.0, 100.0), polarity,
                       centreLines ? uniform(8.0, 24.0) : 0.0);
    }
  }

  std::mt19937& rng() { return rng_; }

 private:
  std::mt19937 rng_;
  Degradation d_;
};

// Segments and their origins put into one random order.
inline void shuffleTogether(std::vector<vcFoundSegment>& segs, std::vector<Origin>& origins,
                            std::mt19937& rng) {
  std::vector<std::size_t> order(segs.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), rng);
  std::vector<vcFoundSegment> s;
  std::vector<Origin> o;
  for (std::size_t i : order) {
    s.push_back(segs[i]);
    o.push_back(origins[i]);
  }
  segs = std::move(s);
  origins = std::move(o);
}

// Instances of the listed models placed one per cell of a grid of 400-unit cells (so that
// they do not touch), at random rotation, scale 0.7 to 1.4 and position within the cell, with
// clutter over the whole scene.
inline Scene makeScene(const std::vector<NamedModel>& models, const std::vector<long>& placed,
                       unsigned seed, const Degradation& d = Degradation()) {
  Generator g(seed, d);
  Scene scene;
  const long columns = 4;
  const long rows = (static_cast<long>(placed.size()) + columns - 1) / columns;
  long edgeCount = 0, lineCount = 0;
  for (std::size_t i = 0; i < placed.size(); ++i) {
    const long m = placed[i];
    const vcSegmentCorresponderModel& model = *models[static_cast<std::size_t>(m)].model;
    const vcVector<2> centre(400.0 * (static_cast<double>(i % columns) + 0.5) + g.uniform(-30, 30),
                             400.0 * (static_cast<double>(i / columns) + 0.5) + g.uniform(-30, 30));
    const double scale = g.uniform(0.7, 1.4);
    const vcXform<2> pose(centre, scale, 1.0, vcRadian(0.0), vcRadian(g.uniform(-kPi, kPi)));
    scene.truth.push_back(Instance{m, pose});

    std::vector<vcModelSegment> outline;
    model.transformModel(outline, pose, std::vector<double>(static_cast<std::size_t>(model.numStrokes()), 1.0));
    edgeCount += static_cast<long>(outline.size());
    g.degrade(outline, {}, scene.edges, &scene.edgeOrigins, static_cast<long>(i));
    if (model.modelType() == vcSegmentCorresponderModel::eSkeletonModel) {
      const auto& skeleton = dynamic_cast<const vcSegmentCorresponderSkeletonModel&>(model);
      std::vector<vcModelSegment> lines;
      model.transformModelCore(lines, pose);
      std::vector<double> widths;
      for (double w : skeleton.nominalStrokeWidths()) widths.push_back(w * scale);
      lineCount += static_cast<long>(lines.size());
      g.degrade(lines, widths, scene.centreLines, &scene.lineOrigins, static_cast<long>(i));
    }
  }
  const double w = 400.0 * columns, h = 400.0 * static_cast<double>(rows);
  g.clutter(std::lround(d.clutterShare * static_cast<double>(edgeCount)), w, h, false, scene.edges);
  scene.edgeOrigins.resize(scene.edges.size());
  g.clutter(std::lround(d.clutterShare * static_cast<double>(lineCount)), w, h, true,
            scene.centreLines);
  // Found lists come in no particular order.
  shuffleTogether(scene.edges, scene.edgeOrigins, g.rng());
  scene.lineOrigins.resize(scene.centreLines.size());
  shuffleTogether(scene.centreLines, scene.lineOrigins, g.rng());
  return scene;
}

// Ten instances of five of the models, drawn at random, two each.
inline Scene makeScene(const std::vector<NamedModel>& models, unsigned seed,
                       const Degradation& d = Degradation()) {
  std::mt19937 rng(seed ^ 0x5eedu);
  std::vector<long> all(models.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<long>(i);
  std::shuffle(all.begin(), all.end(), rng);
  std::vector<long> placed;
  for (int k = 0; k < 2; ++k)
    for (std::size_t i = 0; i < 5 && i < all.size(); ++i) placed.push_back(all[i]);
  std::shuffle(placed.begin(), placed.end(), rng);
  return makeScene(models, placed, seed, d);
}

// How well a result's fitted pose matches an instance.
struct PoseError {
  double distance = 1e300;  // of the model origins
  double degrees = 1e300;   // of the rotations, modulo the model's symmetry
};

inline PoseError poseError(const vcXform<2>& found, const vcXform<2>& truth, int symmetry) {
  PoseError e;
  e.distance = found.trans().distance(truth.trans());
  const double period = 360.0 / symmetry;
  double d = std::fmod(std::abs(found.rotation().plain() - truth.rotation().plain()) * 180.0 / kPi,
                       period);
  e.degrees = std::min(d, period - d);
  return e;
}

// Instance i of a scene on its own: its found segments only, origins kept.
inline Scene isolate(const Scene& scene, std::size_t i) {
  Scene alone;
  alone.truth = scene.truth;
  const auto pick = [i](const auto& segs, const auto& origins, auto& outSegs, auto& outOrigins) {
    for (std::size_t f = 0; f < segs.size(); ++f)
      if (origins[f].instance == static_cast<long>(i)) {
        outSegs.push_back(segs[f]);
        outOrigins.push_back(origins[f]);
      }
  };
  pick(scene.edges, scene.edgeOrigins, alone.edges, alone.edgeOrigins);
  pick(scene.centreLines, scene.lineOrigins, alone.centreLines, alone.lineOrigins);
  return alone;
}

// The pose the shape selection tool reads from a result: findPose on the edges.
inline bool fittedPose(const std::vector<NamedModel>& models, const std::vector<vcFoundSegment>& edges,
                       const vcSegmentCorresponderResult& r, vcXform<2>& pose) {
  std::vector<double> factors;
  bool failed = false, outOfRange = false;
  models[static_cast<std::size_t>(r.modelIdx())].model->findPose(pose, factors, edges, r, failed,
                                                                 outOfRange, nullptr, 0);
  return !failed;
}

// The true correspondence of instance i: every found edge on the model segment it came from.
inline vcSegmentCorresponderResult trueCorrespondence(const std::vector<NamedModel>& models,
                                                      const Scene& scene, std::size_t i) {
  const long m = scene.truth[i].model;
  vcSegmentCorresponderResult r(m, models[static_cast<std::size_t>(m)].model->numBoundarySegments(),
                                static_cast<long>(scene.edges.size()));
  for (std::size_t f = 0; f < scene.edges.size(); ++f)
    if (scene.edgeOrigins[f].instance == static_cast<long>(i))
      r.add(static_cast<long>(f), scene.edgeOrigins[f].modelSegment);
  return r;
}

// The pose from the true correspondence of instance i: what the best possible result would
// give.
inline bool idealPose(const std::vector<NamedModel>& models, const Scene& scene, std::size_t i,
                      vcXform<2>& pose) {
  return fittedPose(models, scene.edges, trueCorrespondence(models, scene, i), pose);
}

// The score the corresponder would give the true correspondence of instance i (0 when the
// pose fit fails or leaves the model's ranges), with the tolerance of trainParams.
inline double idealScore(const std::vector<NamedModel>& models, const Scene& scene,
                         std::size_t i) {
  const vcSegmentCorresponderResult r = trueCorrespondence(models, scene, i);
  const vcSegmentCorresponderModel& model = *models[static_cast<std::size_t>(r.modelIdx())].model;
  vcXform<2> pose;
  std::vector<double> factors;
  bool failed = false, outOfRange = false;
  model.findPose(pose, factors, scene.edges, r, failed, outOfRange, nullptr, 0);
  if (failed || outOfRange) return 0.0;
  std::vector<vcModelSegment> segments;
  model.transformModel(segments, pose, factors);
  double sum = 0.0, perimeter = 0.0;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    perimeter += segments[k].length();
    for (long f : r.foundSegsForModelSeg(static_cast<long>(k)))
      sum += vcSegmentCorresponderUtil::scoreSegmentPairing(
          segments[k], scene.edges[static_cast<std::size_t>(f)],
          trainParams(models).maxPerturbationDist());
  }
  return perimeter > 0.0 ? sum / perimeter : 0.0;
}

// The share of a result's found length (each found segment counted once) that came from
// instance i.
inline double shareOf(const Scene& scene, const vcSegmentCorresponderResult& r, std::size_t i) {
  double all = 0.0, mine = 0.0;
  for (std::size_t f = 0; f < scene.edges.size(); ++f) {
    if (r.modelSegsForFoundSeg(static_cast<long>(f)).empty()) continue;
    all += scene.edges[f].length();
    if (scene.edgeOrigins[f].instance == static_cast<long>(i)) mine += scene.edges[f].length();
  }
  return all > 0.0 ? mine / all : 0.0;
}

// The result that reports instance i: of the right model, with most of its found length from
// the instance (the largest such share wins), and the error of its fitted pose.
struct Match {
  long result = -1;
  PoseError error;
};

inline Match bestMatch(const std::vector<NamedModel>& models, const Scene& scene,
                       const vcSegmentCorresponderResultSet& out, std::size_t i) {
  Match best;
  double bestShare = 0.5;
  const Instance& truth = scene.truth[i];
  for (std::size_t r = 0; r < out.results().size(); ++r) {
    const vcSegmentCorresponderResult& res = out.results()[r];
    if (res.modelIdx() != truth.model) continue;
    const double share = shareOf(scene, res, i);
    if (share <= bestShare) continue;
    vcXform<2> pose;
    if (!fittedPose(models, scene.edges, res, pose)) continue;
    bestShare = share;
    best = Match{static_cast<long>(r),
                 poseError(pose, truth.pose, models[static_cast<std::size_t>(truth.model)].symmetry)};
  }
  return best;
}

}  // namespace segment_scenes
