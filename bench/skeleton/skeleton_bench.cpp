// Skeletal segment extraction: the time of the whole extraction on scenes of stroke figures at
// three image sizes (ten figures per 640 x 480 pixels), and, run once, the accuracy sweep over
// generated bars (skeleton_accuracy.cpp).

#include <benchmark/benchmark.h>

#include <vector>

#include "platform/ip/median.h"
#include "src/skeleton/binarize_locally.h"
#include "src/skeleton/distance_transform.h"
#include "src/skeleton/ridge_trace.h"
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

// The stages of the extraction one by one on the 640 x 480 scene, each fed with the previous
// stage's output: 0 median, 1 binarisation, 2 speck and hole removal, 3 distance transform,
// 4 both ridge passes with their fits.
void BM_SkeletalStage(benchmark::State& state) {
  using namespace vc_skeleton;
  const vcPelBuffer<unsigned char> image = skeleton_bench::strokeFigureScene(640, 480, 31);
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  vsSkeletalStages stages;
  std::vector<vcFoundSegment> segments;
  vfExtractSkeletalSegments(image, segments, 20.0, lut, &stages);
  const vcPelMedianParams median(vcPair<long>(9, 9), vcPair<long>(0, 255), false);
  vcPelBuffer<unsigned char> mask;
  vcPelBuffer<unsigned char> distance(image.width(), image.height(), 32, vcUnsetPels{});
  for (auto _ : state) {
    switch (state.range(0)) {
      case 0:
        benchmark::DoNotOptimize(vfPelMedian(image, median));
        break;
      case 1:
        binarizeLocally(stages.cleaned, 20, mask, 0.55, 200, 100);
        break;
      case 2:
        state.PauseTiming();
        binarizeLocally(stages.cleaned, 20, mask, 0.55, 200, 100);
        state.ResumeTiming();
        removeSpecksAndHoles(mask);
        break;
      case 3:
        distanceTransform(stages.mask, lut, distance);
        break;
      default: {
        std::vector<vc_SeedInfo> seeds;
        findRidgeSeeds(stages.distance, 0, seeds);
        vsRidgeLabelMap labels;
        for (int pass = 0; pass < 2; ++pass) {
          vsRidgeParams params;
          params.widthFactor = 0.8;
          params.direction = vcRadian(vcDegree(90.0 * pass));
          std::vector<vc_ridgeLine> ridges;
          traceRidges(stages.distance, params, seeds, ridges, labels);
          for (std::size_t i = 0; i < ridges.size(); ++i)
            fitRidge(stages.distance, ridges[i], long(i));
        }
      }
    }
  }
}
BENCHMARK(BM_SkeletalStage)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace
