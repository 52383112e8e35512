// The chain tracker and the line tracker on seeded scenes of discs, rings and bars at three
// image sizes: the map forms on a prepared map (tracking only; the map is restored after each
// run), and the image forms, which include edge detection. Each timing covers the call only.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "scenes/generate.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/line_tracker.h"

namespace {

// Shapes in proportion to the area (24 at 640 x 480), some of them long bars.
vcPelBuffer<unsigned char> trackerScene(long width, long height) {
  vsSceneParams params;
  params.width = width;
  params.height = height;
  params.seed = 23;
  params.count = std::min(1000L, 24 * width * height / (640 * 480));
  params.minSize = 15.0;
  params.maxSize = 0.25 * double(std::min(width, height));
  params.minWidth = 6.0;
  params.maxWidth = 20.0;
  params.noiseSigma = 3.0;
  return scenes::mixed(params).image;
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 1024})->Args({2048, 2048})->Unit(benchmark::kMillisecond);
}

// Chain tracker, map form: plain (0), line mode (1) and trend mode (2) tracing.
void BM_ChainTrackerMap(benchmark::State& state, int mode) {
  const vcEdgeletMap map(trackerScene(state.range(0), state.range(1)), 15.0);
  vcChainTrackerRunParams params;
  params.lineMode(mode == 1);
  if (mode == 2) params.trendWindowSize(5);
  vcChainTrackerResultSet results;
  for (auto _ : state) {
    vfChainTracker(map, params, results, nullptr, 0);
    benchmark::DoNotOptimize(results.results().data());
  }
  state.counters["edgelets"] = double(map.edges().size());
  state.counters["chains"] = double(results.numResults());
}
BENCHMARK_CAPTURE(BM_ChainTrackerMap, plain, 0)->Apply(sizes);
BENCHMARK_CAPTURE(BM_ChainTrackerMap, line, 1)->Apply(sizes);
BENCHMARK_CAPTURE(BM_ChainTrackerMap, trend, 2)->Apply(sizes);

// Chain tracker, image form, sorted by length with grey values: what a host calls.
void BM_ChainTrackerImage(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = trackerScene(state.range(0), state.range(1));
  vcChainTrackerRunParams params(2, 15.0, vcDegree(35.0), false,
                                 vcChainTrackerDefs::eSortByLength);
  params.probePelVal(true);
  vcChainTrackerResultSet results;
  for (auto _ : state) {
    vfChainTracker(image, params, results, nullptr, 0);
    benchmark::DoNotOptimize(results.results().data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_ChainTrackerImage)->Apply(sizes);

// Line tracker, map form, every auxiliary result.
void BM_LineTrackerMap(benchmark::State& state) {
  const vcEdgeletMap map(trackerScene(state.range(0), state.range(1)), 15.0);
  vcLineTrackerResultSet results;
  for (auto _ : state) {
    vfLineTracker(map, vcLineTrackerRunParams(), results, nullptr, 0);
    benchmark::DoNotOptimize(results.results().data());
  }
  state.counters["edgelets"] = double(map.edges().size());
  state.counters["lines"] = double(results.results().size());
}
BENCHMARK(BM_LineTrackerMap)->Apply(sizes);

// Line tracker, image form with the defaults, edge detection included: the figure to compare
// with other line detectors on the same images.
void BM_LineTrackerImage(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = trackerScene(state.range(0), state.range(1));
  vcLineTrackerResultSet results;
  for (auto _ : state) {
    vfLineTracker(image, vcLineTrackerRunParams(), results, nullptr, 0);
    benchmark::DoNotOptimize(results.results().data());
  }
  state.counters["lines"] = double(results.results().size());
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_LineTrackerImage)->Apply(sizes);

}  // namespace
