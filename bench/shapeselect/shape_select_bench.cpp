// Speed of the shape selection tool: training six to nine templates, one run with all of them
// at 640 x 480 and 1280 x 1024, and the stages of a run on their own (stroke centre-lines,
// reduced images, circles, edge lines), on generated shape scenes. On a shared machine read the
// CPU column: the wall time includes waiting for a core.

#include <benchmark/benchmark.h>

#include <map>
#include <tuple>

#include "io/scene_templates.h"
#include "platform/ip/gauss_sample.h"
#include "scenes/shape_scene.h"
#include "skeleton/skeletal_extraction.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/line_tracker.h"
#include "tavshsl/shape_select_tool.h"

namespace {

// A scene of the benchmarks: 8 objects per 640 x 480, as many templates as asked.
const vsShapeScene& scene(long width, long height, long numTemplates) {
  static std::map<std::tuple<long, long, long>, vsShapeScene> cache;
  auto& s = cache[{width, height, numTemplates}];
  if (!s.image.isBound()) {
    vsShapeSceneParams p;
    p.width = width;
    p.height = height;
    p.seed = 4242;
    p.numTemplates = numTemplates;
    p.numObjects = 8 * width * height / (640 * 480);
    p.numClutter = 6 * width * height / (640 * 480);
    s = scenes::shapeScene(p);
  }
  return s;
}

void BM_Train(benchmark::State& state) {
  const vsTemplateList list = vfSceneTemplates(scene(640, 480, state.range(0)));
  for (auto _ : state) {
    vcShapeSelectTool tool;
    tool.train(vfTrainParams(list), vfTemplateHandles(list), vc2XformLinear(), nullptr, 0);
    benchmark::DoNotOptimize(tool.isTrained());
  }
}
BENCHMARK(BM_Train)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

void BM_Run(benchmark::State& state) {
  const vsShapeScene& s = scene(state.range(0), state.range(1), 7);
  const vsTemplateList list = vfSceneTemplates(s);
  vcShapeSelectTool tool;
  tool.train(vfTrainParams(list), vfTemplateHandles(list), vc2XformLinear(), nullptr, 0);
  vcShapeSelectRunParams params;
  params.maxNumResults(long(s.objects.size()) * 2);
  vcShapeSelectResultSet results;
  for (auto _ : state) tool.run(results, s.image, params, nullptr, 0);
  state.counters["results"] = double(results.numResults());
}
BENCHMARK(BM_Run)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

// The stages of a run at 640 x 480, as the run calls them.
void BM_StageCentreLines(benchmark::State& state) {
  const vsShapeScene& s = scene(640, 480, 7);
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  std::vector<vcFoundSegment> segments;
  for (auto _ : state) vfExtractSkeletalSegments(s.image, segments, 20.0, lut);
}
BENCHMARK(BM_StageCentreLines)->Unit(benchmark::kMillisecond);

void BM_StageReduce(benchmark::State& state) {
  const vsShapeScene& s = scene(640, 480, 7);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vfGaussSample(s.image, vcGaussSampleParams(2, 2, 1.0, true)));
    benchmark::DoNotOptimize(vfGaussSample(s.image, vcGaussSampleParams(2, 3, 1.0, true)));
  }
}
BENCHMARK(BM_StageReduce)->Unit(benchmark::kMillisecond);

void BM_StageCircles(benchmark::State& state) {
  const vsShapeScene& s = scene(640, 480, 7);
  const vcPelBuffer<unsigned char> reduced = vfGaussSample(s.image, vcGaussSampleParams(2, 3));
  const double r = s.templates[0].radius;
  const vcCircleFinderRunParams params(vcCircleFinderDefs::eAnyPolarity,
                                       vcRange(0.68 * r, 1.44 * r), 1000, 15.0, 20.0, 0.75,
                                       vcCircleFinderDefs::eSortRadius, 3.0, 0.1, 0.1, 0.75, 0);
  vcCircleFinderResultSet found;
  for (auto _ : state) vfCircleFinder(reduced, params, found, nullptr, 0);
}
BENCHMARK(BM_StageCircles)->Unit(benchmark::kMillisecond);

void BM_StageEdgeLines(benchmark::State& state) {
  const vsShapeScene& s = scene(640, 480, 7);
  const vcPelBuffer<unsigned char> reduced = vfGaussSample(s.image, vcGaussSampleParams(2, 2));
  const vcLineTrackerRunParams params(15.0, vcDegree(35.0), 3.0, 10, 0xFFFF);
  vcLineTrackerResultSet lines;
  for (auto _ : state) vfLineTracker(reduced, params, lines, nullptr, 0);
}
BENCHMARK(BM_StageEdgeLines)->Unit(benchmark::kMillisecond);

}  // namespace
