// Speed of one corresponder run (both stages, boundary models only): 1, 10 or 30 trained
// star-polygon models of 4 to 16 sides, scale 0.8 to 1.25; the found list holds five posed
// instances and clutter segments 10 to 80 long, 200 to 2000 segments in all, inside a 1600 x
// 1200 scene. Only the run is timed.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "star_polygon.h"
#include "platform/base/range.h"
#include "tavshsl/boundary_model.h"
#include "tavshsl/segment_corresponder.h"

namespace {

vcPtrHandle<vcSegmentCorresponderModel> starModel(std::mt19937& rng) {
  const int n = std::uniform_int_distribution<int>(4, 16)(rng);
  vcPtrHandle<vcSegmentCorresponderModel> m(
      new vcSegmentCorresponderBoundaryModel(starPolygonSides(n, 60.0, 120.0, rng)));
  m->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.8, 1.25));
  return m;
}

void BM_Run(benchmark::State& state) {
  const long numFound = state.range(0), numModels = state.range(1);
  std::mt19937 rng(7);
  vcSegmentCorresponderTrainParams::ModelList models;
  for (long m = 0; m < numModels; ++m) models.push_back(starModel(rng));
  const vcSegmentCorresponder corresponder(
      vcSegmentCorresponderTrainParams(models, 2.0, vcDegree(15.0), true));

  const std::vector<vcFoundSegment> found = starScene(models, numFound, rng);

  const vcSegmentCorresponderRunParams params(10, vcXform<2>(), 0.6, 2.0, 0.0, true);
  vcSegmentCorresponderResultSet out;
  for (auto _ : state) corresponder.run(out, params, found, nullptr, 0);
  state.counters["results"] = static_cast<double>(out.results().size());
}
BENCHMARK(BM_Run)
    ->ArgNames({"found", "models"})
    ->Args({200, 10})
    ->Args({500, 10})
    ->Args({1000, 10})
    ->Args({2000, 10})
    ->Args({200, 1})
    ->Args({200, 30})
    ->Args({1000, 1})
    ->Args({1000, 30})
    ->Unit(benchmark::kMillisecond);

}  // namespace
