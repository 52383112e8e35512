// The edge detector on seeded scenes of discs, rings and bars at three image sizes, in both
// forms; each timing covers the call only.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "platform/ip/edge_detect.h"
#include "scenes/generate.h"

namespace {

// Shapes in proportion to the area (20 at 640 x 480), so that the edgelet density, a few
// thousand per 640 x 480, stays the same at every size.
vcPelBuffer<unsigned char> edgeScene(long width, long height) {
  vsSceneParams params;
  params.width = width;
  params.height = height;
  params.seed = 17;
  params.count = std::min(1000L, 20 * width * height / (640 * 480));
  params.minSize = 12.0;
  params.maxSize = 50.0;
  return scenes::mixed(params).image;
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 1024})->Args({2048, 2048})->Unit(benchmark::kMillisecond);
}

// Detection and sub-pixel interpolation, as the edgelet map runs them.
void BM_EdgeDetectEdgelets(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = edgeScene(state.range(0), state.range(1));
  const vcEdgeletParams params(1.0, 15.0, 1);
  vcEdgeletSet set;
  for (auto _ : state) {
    vfEdgeDetect(image, params, set, nullptr, 0);
    set.doEdgeInterp();
    benchmark::DoNotOptimize(set.edges().data());
  }
  state.counters["edgelets"] = double(set.edges().size());
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_EdgeDetectEdgelets)->Apply(sizes);

// Magnitude and angle of every pixel.
void BM_EdgeDetectImages(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = edgeScene(state.range(0), state.range(1));
  const vcEdgeletParams params(1.0, 20.0, 1);
  vcPelBuffer<unsigned char> magnitude, angle;
  for (auto _ : state) {
    vfEdgeDetect(image, params, magnitude, angle, nullptr, 0);
    benchmark::DoNotOptimize(magnitude.pointToOffset());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_EdgeDetectImages)->Apply(sizes);

}  // namespace
