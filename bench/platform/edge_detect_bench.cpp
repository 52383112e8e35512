// The edge detector on seeded scenes of discs, rings and bars at three image sizes, in both
// forms; each timing covers the call only.

#include <benchmark/benchmark.h>


#include "platform/cpu/simd.h"
#include "platform/ip/edge_detect.h"
#include "scenes/generate.h"

namespace {


void sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 1024})->Args({2048, 2048})->Unit(benchmark::kMillisecond);
}

// Detection and sub-pixel interpolation, as the edgelet map runs them.
void BM_EdgeDetectEdgelets(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = scenes::edgeDensityScene(state.range(0), state.range(1)).image;
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

// The same with every vectorised step on its portable path: what the vector paths gain.
void BM_EdgeDetectEdgeletsPortable(benchmark::State& state) {
  const vcSimdLevel cap = vfSetSimdCap(vcSimdLevel::portable);
  BM_EdgeDetectEdgelets(state);
  vfSetSimdCap(cap);
}
BENCHMARK(BM_EdgeDetectEdgeletsPortable)->Apply(sizes);

// Magnitude and angle of every pixel.
void BM_EdgeDetectImages(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = scenes::edgeDensityScene(state.range(0), state.range(1)).image;
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
