// Building an edgelet map (detection, interpolation, pools and cells) on seeded scenes of
// discs, rings and bars at three image sizes; the timing covers the construction only.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "scenes/generate.h"
#include "tavshsl/edgelet_map.h"

namespace {

// Shapes in proportion to the area (20 at 640 x 480, a few thousand edgelets), so that the
// cost per pixel can be compared across sizes.
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

void BM_EdgeletMapBuild(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = edgeScene(state.range(0), state.range(1));
  long edgelets = 0;
  for (auto _ : state) {
    const vcEdgeletMap map(image, 15.0);
    edgelets = long(map.edges().size());
    benchmark::DoNotOptimize(map.pointToOffset());
  }
  state.counters["edgelets"] = double(edgelets);
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_EdgeletMapBuild)
    ->Args({640, 480})
    ->Args({1280, 1024})
    ->Args({2048, 2048})
    ->Unit(benchmark::kMillisecond);

}  // namespace
