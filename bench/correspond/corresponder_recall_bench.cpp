// Recall and pose accuracy of the corresponder on synthetic segment scenes: ten instances of
// five of seven models (triangle, rectangle, L outline, gear, L, T and X strokes) at random
// rotation, scale 0.7 to 1.4 and position, end points jittered by up to 0.5, long segments
// broken, a fifth of the segments missing, as many clutter segments as model segments. Each
// benchmark runs a sweep of seeded scenes and reports, per model, the share of instances found
// with the right model and a pose (findPose on the result) within 0.25 units and 0.25 degrees.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "correspond/segment_scenes.h"

namespace {

using namespace segment_scenes;

void BM_RecallAndPose(benchmark::State& state) {
  const auto models = modelSet();
  const vcSegmentCorresponder corresponder(trainParams(models));
  const vcSegmentCorresponderRunParams params(atol(getenv("MAXR")), vcXform<2>(), 0.45, 0.65, 0.0, true);
  const long scenes = state.range(0);
  std::map<long, std::array<long, 4>> perModel;  // instances, right model, pose ok, spurious
  long total = 0, found = 0, poseOk = 0;
  double worstDist = 0.0, worstDeg = 0.0;
  for (auto _ : state) {
    for (long s = 0; s < scenes; ++s) {
      const Scene scene = makeScene(models, static_cast<unsigned>(1000 + s));
      vcSegmentCorresponderResultSet out;
      corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
      for (std::size_t i = 0; i < scene.truth.size(); ++i) {
        const Match m = bestMatch(models, scene, out, i);
        auto& row = perModel[scene.truth[i].model];
        ++row[0];
        ++total;
        if (m.result < 0 || m.error.distance > 10.0 || m.error.degrees > 5.0) continue;
        ++row[1];
        ++found;
        if (m.error.distance <= 0.25 && m.error.degrees <= 0.25) {
          ++row[2];
          ++poseOk;
        }
        if (getenv("VERBOSE")) std::printf("seed %ld %s dist %.3f deg %.3f score %.3f\n", s, models[scene.truth[i].model].name, m.error.distance, m.error.degrees, out.results()[m.result].score());
        worstDist = std::max(worstDist, m.error.distance);
        worstDeg = std::max(worstDeg, m.error.degrees);
      }
    }
  }
  for (const auto& [m, row] : perModel)
    std::printf("%-10s instances %4ld  right model %5.1f %%  pose ok %5.1f %%\n",
                models[static_cast<std::size_t>(m)].name, row[0], 100.0 * row[1] / row[0],
                100.0 * row[2] / row[0]);
  state.counters["recall%"] = 100.0 * found / total;
  state.counters["poseOk%"] = 100.0 * poseOk / total;
  state.counters["worstDist"] = worstDist;
  state.counters["worstDeg"] = worstDeg;
}
BENCHMARK(BM_RecallAndPose)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
namespace {
void BM_Debug(benchmark::State& state) {
  const auto models = modelSet();
  const vcSegmentCorresponder corresponder(trainParams(models));
  const vcSegmentCorresponderRunParams params(10, vcXform<2>(), 0.45, 0.65, 0.0, true);
  Degradation d;
  d.jitter = atof(getenv("JIT"));
  d.splitLong = atoi(getenv("SPLIT"));
  d.dropShare = atof(getenv("DROP"));
  d.clutterShare = atof(getenv("CLUT"));
  const long model = atol(getenv("MODEL"));
  for (auto _ : state) {
    for (long s = 0; s < 10; ++s) {
      const Scene scene = makeScene(models, std::vector<long>(4, model), 100 + s, d);
      vcSegmentCorresponderResultSet out;
      corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
      for (std::size_t i = 0; i < scene.truth.size(); ++i) {
        const Match m = bestMatch(models, scene, out, i);
        std::printf("%.3f/%.3f ", m.error.distance, m.error.degrees);
        if (getenv("DUMP") && m.result >= 0) {
          const auto& r = out.results()[m.result];
          std::printf("\n score %.3f", r.score());
          for (long k = 0; k < r.numModelSegs(); ++k) {
            std::printf("\n  k%ld:", k);
            for (long f : r.foundSegsForModelSeg(k)) {
              const auto& sg = scene.edges[f].segment();
              std::printf(" (%.1f,%.1f)-(%.1f,%.1f)", sg.p1().x(), sg.p1().y(), sg.p2().x(), sg.p2().y());
            }
          }
          vcXform<2> pose; fittedPose(models, scene.edges, r, pose);
          std::printf("\n truth t(%.2f,%.2f) s %.4f r %.3f  fit t(%.2f,%.2f) s %.4f r %.3f\n", scene.truth[i].pose.trans().x(), scene.truth[i].pose.trans().y(), scene.truth[i].pose.scale(), scene.truth[i].pose.rotation().plain(), pose.trans().x(), pose.trans().y(), pose.scale(), pose.rotation().plain());
        }
      }
      std::printf("\n");
    }
  }
}
BENCHMARK(BM_Debug)->Iterations(1);
}  // namespace
