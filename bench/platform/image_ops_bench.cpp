// Median filter and Gaussian reduction on seeded scenes at three image sizes; each timing
// covers the call only.

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "platform/ip/gauss_sample.h"
#include "platform/ip/median.h"

namespace {

// A scene of smooth shading, a few bright discs and grey-level noise of 8 levels.
vcPelBuffer<unsigned char> scene(long width, long height) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> where(0.0, 1.0);
  vcPelBuffer<unsigned char> img(width, height, 32);
  double cx[8], cy[8], r[8];
  for (int i = 0; i < 8; ++i) {
    cx[i] = where(rng) * width;
    cy[i] = where(rng) * height;
    r[i] = 10 + where(rng) * height / 8;
  }
  for (long y = 0; y < height; ++y) {
    unsigned char* row = img.pointToRow(y);
    for (long x = 0; x < width; ++x) {
      double v = 60 + 40.0 * x / width;
      for (int i = 0; i < 8; ++i)
        if (std::hypot(x - cx[i], y - cy[i]) < r[i]) v = 190;
      row[x] = static_cast<unsigned char>(v + rng() % 8);
    }
  }
  return img;
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 480})->Args({1280, 1024})->Args({2048, 2048})->Unit(benchmark::kMillisecond);
}

void BM_PelMedian9x9(benchmark::State& state) {
  const vcPelBuffer<unsigned char> img = scene(state.range(0), state.range(1));
  const vcPelMedianParams params(vcPair<long>(9, 9), vcPair<long>(0, 255), false);
  for (auto _ : state) benchmark::DoNotOptimize(vfPelMedian(img, params));
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_PelMedian9x9)->Apply(sizes);

// Uniform noise: the worst case for the band search.
void BM_PelMedian9x9Noise(benchmark::State& state) {
  std::mt19937 rng(7);
  vcPelBuffer<unsigned char> img(state.range(0), state.range(1), 32);
  for (long y = 0; y < img.height(); ++y)
    for (long x = 0; x < img.width(); ++x) img.pointToRow(y)[x] = static_cast<unsigned char>(rng());
  const vcPelMedianParams params(vcPair<long>(9, 9), vcPair<long>(0, 255), false);
  for (auto _ : state) benchmark::DoNotOptimize(vfPelMedian(img, params));
}
BENCHMARK(BM_PelMedian9x9Noise)->Apply(sizes);

// The two reductions of the shape search and the circle finder's factor 4.
void BM_GaussSample(benchmark::State& state) {
  const vcPelBuffer<unsigned char> img = scene(state.range(0), state.range(1));
  const vcGaussSampleParams params(state.range(2), state.range(3), 1.0, true);
  for (auto _ : state) benchmark::DoNotOptimize(vfGaussSample(img, params));
}
BENCHMARK(BM_GaussSample)
    ->ArgsProduct({{640}, {480}, {2}, {2, 3}})
    ->ArgsProduct({{1280}, {1024}, {2}, {2, 3}})
    ->ArgsProduct({{2048}, {2048}, {2, 4}, {3}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
