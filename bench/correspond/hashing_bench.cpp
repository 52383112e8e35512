// Geometric hashing: training time and voting-table memory for seeded polygon models of 4, 16
// and 64 sides with scale sampled over [0.8, 1.25]; one basis's voting pass over 100, 1000
// and 5000 found segments (the posed model among seeded clutter). Each timing covers the call
// only.

#include <benchmark/benchmark.h>

#include <numbers>
#include <random>
#include <vector>

#include "star_polygon.h"
#include "platform/base/range.h"
#include "tavshsl/boundary_model.h"
#include "tavshsl/segment_corresponder.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDistTol = 2.0;
const vcDegree kAngleTol(15.0);

// A star-shaped polygon of n sides, corners at radius 80 to 120 around the origin.
vcPtrHandle<vcSegmentCorresponderModel> polygonModel(int n, unsigned seed) {
  std::mt19937 rng(seed);
  return vcPtrHandle<vcSegmentCorresponderModel>(
      new vcSegmentCorresponderBoundaryModel(starPolygonSides(n, 80.0, 120.0, rng)));
}

void BM_TrainScaleSampled(benchmark::State& state) {
  const auto model = polygonModel(static_cast<int>(state.range(0)), 11);
  model->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.8, 1.25));
  const vcSegmentCorresponderTrainParams params({model}, kDistTol, kAngleTol, false);
  vcSegmentCorresponder corresponder;
  corresponder.trainParams(params);
  for (auto _ : state) corresponder.train(nullptr, 0);
  const auto& table = corresponder.votingTable(vcSegmentCorresponderModel::eBoundaryModel);
  state.counters["instances"] = static_cast<double>(corresponder.instances().size());
  state.counters["grid"] = static_cast<double>(table->width());
  state.counters["tableMB"] = static_cast<double>(table->memoryBytes()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_TrainScaleSampled)->Arg(4)->Arg(16)->Arg(32)->Arg(64)->Unit(benchmark::kMillisecond);

// One voting pass: the found segments mapped into the frame of one basis and voted.
void BM_VoteOneBasis(benchmark::State& state) {
  const auto model = polygonModel(16, 11);
  const vcSegmentCorresponder corresponder(
      vcSegmentCorresponderTrainParams({model}, kDistTol, kAngleTol, true));
  vcVotingHashTable& table = *corresponder.votingTable(vcSegmentCorresponderModel::eBoundaryModel);

  // The model posed inside a 640 x 480 image, then clutter segments of length 10 to 60.
  const vcXform<2> pose(vcVector<2>(320.0, 240.0), 1.1, 1.0, vcRadian(0.0), vcRadian(0.4));
  std::vector<vcLineSeg> found;
  for (const vcModelSegment& m : model->boundarySegments()) found.push_back(m.segment().map(pose));
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> x(0.0, 640.0), y(0.0, 480.0), len(10.0, 60.0),
      dir(-kPi, kPi);
  while (found.size() < static_cast<std::size_t>(state.range(0))) {
    const vcVector<2> p(x(rng), y(rng));
    found.emplace_back(p, p + vcVector<2>(len(rng), vcRadian(dir(rng))));
  }

  // Basis frame of the first posed side, scaled to the mean segment length.
  const vcLineSeg& basis = found.front();
  const double c = corresponder.meanSegLength() / basis.length();
  const vcXform<2> frame =
      vcXform<2>(basis.p1(), 1.0 / c, 1.0, vcRadian(0.0), (basis.p2() - basis.p1()).angle())
          .inverse();
  for (auto _ : state) {
    table.clearVotes();
    for (const vcLineSeg& s : found) table.voteSegment(s.map(frame));
    benchmark::DoNotOptimize(table.maxVote());
  }
  state.counters["maxVote"] = table.maxVote();
}
BENCHMARK(BM_VoteOneBasis)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

}  // namespace
