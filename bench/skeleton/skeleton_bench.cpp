// Skeletal segment extraction: the time of the whole extraction on scenes of stroke figures at
// three image sizes (ten figures per 640 x 480 pixels), and, run once, the accuracy sweep over
// generated bars (skeleton_accuracy.cpp).

#include <benchmark/benchmark.h>

#include <vector>

#include "src/skeleton/skeletal_extraction.h"
#include "stroke_scenes.h"

namespace {

void BM_SkeletalExtraction(benchmark::State& state) {
  const vcPelBuffer<unsigned char> image =
      skeleton_bench::strokeFigureScene(state.range(0), state.range(1), 31);
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  std::vector<vcFoundSegment> segments;
  for (auto _ : state) {
    vfExtractSkeletalSegments(image, segments, 20.0, lut);
    benchmark::DoNotOptimize(segments.data());
  }
  state.counters["segments"] = double(segments.size());
}
BENCHMARK(BM_SkeletalExtraction)
    ->Args({640, 480})
    ->Args({1280, 1024})
    ->Args({2048, 2048})
    ->Unit(benchmark::kMillisecond);

}  // namespace
