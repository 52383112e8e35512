// Building an edgelet map (detection, interpolation, pools and cells) on seeded scenes of
// discs, rings and bars at three image sizes; the timing covers the construction only.

#include <benchmark/benchmark.h>


#include "scenes/generate.h"
#include "tavshsl/edgelet_map.h"

namespace {


void BM_EdgeletMapBuild(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image = scenes::edgeDensityScene(state.range(0), state.range(1)).image;
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
