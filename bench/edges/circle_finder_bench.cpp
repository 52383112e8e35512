// The circle finder on seeded scenes of a few discs and rings, edge detection included: the
// image form as a user calls it, at three image sizes, searching all radii or one band.

#include <benchmark/benchmark.h>

#include "scenes/generate.h"
#include "tavshsl/circle_finder.h"

namespace {

vsScene circleScene(long width, long height) {
  vsSceneParams p;
  p.width = width;
  p.height = height;
  p.seed = 7;
  p.count = 6;
  p.minSize = 15.0;
  p.maxSize = 60.0;
  p.noiseSigma = 3.0;
  return scenes::circles(p);
}

// Arguments: width, height, whether a radius band is given.
void BM_CircleFinder(benchmark::State& state) {
  const vsScene scene = circleScene(state.range(0), state.range(1));
  vcCircleFinderRunParams params;
  params.maxNumResults(20);
  if (state.range(2)) params.radiusRange(vcRange(15.0, 60.0));
  vcCircleFinderResultSet found;
  for (auto _ : state) {
    vfCircleFinder(scene.image, params, found, nullptr, 0);
    benchmark::DoNotOptimize(found.results().data());
  }
  state.counters["circles"] = double(found.results().size());
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_CircleFinder)
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1280, 1024, 1})
    ->Args({2048, 2048, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
