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
  const vcSegmentCorresponderRunParams params(20, vcXform<2>(), 0.45, 0.65, 0.0, true);
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
