// Recall and pose accuracy of the corresponder on synthetic segment scenes (see
// tests/correspond/segment_scenes.h): ten instances of five of seven models (triangle,
// rectangle, L outline, gear, L, T and X of strokes) at random rotation, scale 0.7 to 1.4 and
// position. The scene is degraded as stated per row: end points jittered by up to 0.5, long
// segments broken in 2 or 3, a fifth of each instance's segments missing, as many clutter
// segments as model segments. Per model:
//   found  the right model reported within 10 units and 5 degrees of the instance;
//   pose   ... and its pose (findPose on the result, as the tool reads it) within 0.25 units and
//          0.25 degrees of the truth;
//   ideal  the pose from the true correspondence within 0.25 / 0.25 of the truth: what the pose
//          fit gives the best possible result, the ceiling of "pose";
//   same   the result's pose within 0.25 / 0.25 of that ideal pose.
// Clutter alone: the best score of any result on scenes of clutter segments only.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>

#include "correspond/segment_scenes.h"

namespace {

using namespace segment_scenes;

bool within(const PoseError& e, double dist, double deg) {
  return e.distance <= dist && e.degrees <= deg;
}

void report(const char* title, const Degradation& d, long scenes) {
  const auto models = modelSet();
  const vcSegmentCorresponder corresponder(trainParams(models));
  const vcSegmentCorresponderRunParams params(20, vcXform<2>(), 0.45, 0.65, 0.0, true);
  std::vector<std::array<long, 5>> rows(models.size(), {0, 0, 0, 0, 0});
  for (long s = 0; s < scenes; ++s) {
    const Scene scene = makeScene(models, static_cast<unsigned>(1000 + s), d);
    vcSegmentCorresponderResultSet out;
    corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
    for (std::size_t i = 0; i < scene.truth.size(); ++i) {
      const Instance& truth = scene.truth[i];
      const int symmetry = models[static_cast<std::size_t>(truth.model)].symmetry;
      auto& row = rows[static_cast<std::size_t>(truth.model)];
      ++row[0];
      vcXform<2> ideal;
      const bool haveIdeal = idealPose(models, scene, i, ideal);
      if (haveIdeal && within(poseError(ideal, truth.pose, symmetry), 0.25, 0.25)) ++row[3];
      const Match m = bestMatch(models, scene, out, i);
      if (m.result < 0 || !within(m.error, 10.0, 5.0)) continue;
      ++row[1];
      if (within(m.error, 0.25, 0.25)) ++row[2];
      vcXform<2> pose;
      fittedPose(models, scene.edges, out.results()[static_cast<std::size_t>(m.result)], pose);
      if (haveIdeal && within(poseError(pose, ideal, symmetry), 0.25, 0.25)) ++row[4];
    }
  }
  std::printf("\n%s (%ld scenes)\n%-10s %9s %7s %7s %7s %7s\n", title, scenes, "model",
              "instances", "found", "pose", "ideal", "same");
  std::array<long, 5> all{0, 0, 0, 0, 0};
  const auto line = [](const char* name, const std::array<long, 5>& r) {
    const double n = static_cast<double>(std::max(1L, r[0]));
    std::printf("%-10s %9ld %6.1f%% %6.1f%% %6.1f%% %6.1f%%\n", name, r[0], 100.0 * r[1] / n,
                100.0 * r[2] / n, 100.0 * r[3] / n, 100.0 * r[4] / n);
  };
  for (std::size_t m = 0; m < models.size(); ++m) {
    line(models[m].name, rows[m]);
    for (int k = 0; k < 5; ++k) all[k] += rows[m][k];
  }
  line("all", all);
}

void BM_RecallAndPose(benchmark::State& state) {
  const long scenes = state.range(0);
  for (auto _ : state) {
    report("Degraded as stated (jitter 0.5, broken, a fifth missing, clutter 1x)", Degradation(),
           scenes);
    Degradation d;
    d.dropShare = 0.0;
    report("Nothing missing", d, scenes);
    d = Degradation();
    d.splitLong = false;
    report("Nothing broken", d, scenes);
    d = Degradation();
    d.clutterShare = 0.0;
    report("No clutter", d, scenes);
    d = Degradation();
    d.clutterShare = 2.0;
    report("Clutter 2x", d, scenes);
    d = Degradation();
    d.jitter = 0.0;
    report("No jitter", d, scenes);
  }
}
BENCHMARK(BM_RecallAndPose)->Arg(50)->Iterations(1)->Unit(benchmark::kSecond);

// The best score on scenes of clutter only: as many segments as the clutter of a ten-instance
// scene (100 edges, 10 centre-lines), and twice as many.
void BM_ClutterAlone(benchmark::State& state) {
  const auto models = modelSet();
  const vcSegmentCorresponder corresponder(trainParams(models));
  const vcSegmentCorresponderRunParams params(20, vcXform<2>(), 0.0, 2.0, 0.0, true);
  const long edges = state.range(1);
  double best = 0.0;
  long results = 0, above = 0;
  for (auto _ : state)
    for (long s = 0; s < state.range(0); ++s) {
      Generator g(static_cast<unsigned>(5000 + s), Degradation());
      Scene scene;
      g.clutter(edges, 1600.0, 1200.0, false, scene.edges);
      g.clutter(edges / 10, 1600.0, 1200.0, true, scene.centreLines);
      vcSegmentCorresponderResultSet out;
      corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
      results += static_cast<long>(out.results().size());
      for (const auto& r : out.results()) {
        best = std::max(best, r.score());
        above += r.score() > 0.5;
      }
    }
  state.counters["bestScore"] = best;
  state.counters["results"] = static_cast<double>(results);
  state.counters["above0.5"] = static_cast<double>(above);
}
BENCHMARK(BM_ClutterAlone)
    ->ArgNames({"scenes", "edges"})
    ->Args({100, 100})
    ->Args({100, 200})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
