// Digest of what corresponder runs compute, to check that a change to how fast they run leaves
// every result the same bit for bit. For several scene kinds, sizes, model sets, parameters and
// seeds it hashes each result's model index, score, basis and correspondences, the votes the
// voting tables hold after the run, and the votes of voting passes in the frames of the first
// found segments. Prints one line per configuration and an overall digest:
//   bench_correspond --benchmark_filter=BM_RunDigest
// Run it before and after a change and compare the lines.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/base/range.h"
#include "scenes/segment_scenes.h"
#include "star_polygon.h"
#include "tavshsl/boundary_model.h"
#include "tavshsl/segment_corresponder.h"

namespace {

// FNV-1a over the bytes of the values fed to it.
class Digest {
 public:
  template <class T>
  void add(const T& value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (unsigned char b : bytes) hash_ = (hash_ ^ b) * 0x100000001b3ull;
  }
  std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

void addResults(Digest& d, const vcSegmentCorresponderResultSet& out) {
  d.add(out.results().size());
  for (const vcSegmentCorresponderResult& r : out.results()) {
    d.add(r.modelIdx());
    d.add(r.score());
    d.add(r.basisSegmentIdx());
    d.add(r.numModelSegs());
    for (long k = 0; k < r.numModelSegs(); ++k) {
      d.add(r.foundSegsForModelSeg(k).size());
      for (long f : r.foundSegsForModelSeg(k)) d.add(f);
    }
  }
}

// Every positive vote of the table's current pass, by id.
void addVotes(Digest& d, const vcVotingHashTable& table) {
  std::vector<vcVotingResult> votes;
  table.getResults(votes, 1.0);
  std::sort(votes.begin(), votes.end(),
            [](const vcVotingResult& a, const vcVotingResult& b) { return a.id < b.id; });
  d.add(votes.size());
  for (const vcVotingResult& v : votes) {
    d.add(v.id);
    d.add(v.vote);
  }
}

// Voting passes in the frames of the first found segments, as a run lays them.
void addPasses(Digest& d, const vcSegmentCorresponder& corresponder,
               vcSegmentCorresponderModel::ModelType type, const std::vector<vcFoundSegment>& found,
               std::size_t bases) {
  const vcPtrHandle<vcVotingHashTable>& table = corresponder.votingTable(type);
  if (table.isNull()) return;
  for (std::size_t i = 0; i < std::min(bases, found.size()); ++i) {
    const vcLineSeg& s = found[i].segment();
    const double c = corresponder.trainParams().implyScale()
                         ? corresponder.meanSegLength() / found[i].length()
                         : 1.0;
    const vcRadian theta = (s.p2() - s.p1()).angle();
    const vcXform<2> frame = vcXform<2>(s.p1(), 1.0 / c, 1.0, vcRadian(0.0), theta).inverse();
    table->clearVotes();
    table->voteSegments(found, frame, theta);
    d.add(table->maxVote());
    addVotes(d, *table);
  }
}

// Star polygons among random clutter, boundary stage only.
std::uint64_t starDigest(long numFound, long numModels, bool implyScale, unsigned seed,
                         const vcSegmentCorresponderRunParams& params) {
  std::mt19937 rng(seed);
  vcSegmentCorresponderTrainParams::ModelList models;
  for (long m = 0; m < numModels; ++m) {
    const int n = std::uniform_int_distribution<int>(4, 16)(rng);
    vcPtrHandle<vcSegmentCorresponderModel> model(
        new vcSegmentCorresponderBoundaryModel(starPolygonSides(n, 60.0, 120.0, rng)));
    model->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.8, 1.25));
    models.push_back(model);
  }
  const vcSegmentCorresponder corresponder(
      vcSegmentCorresponderTrainParams(models, 2.0, vcDegree(15.0), implyScale));
  const std::vector<vcFoundSegment> found = starScene(models, numFound, rng);
  Digest d;
  vcSegmentCorresponderResultSet out;
  corresponder.run(out, params, found, nullptr, 0);
  addResults(d, out);
  addVotes(d, *corresponder.votingTable(vcSegmentCorresponderModel::eBoundaryModel));
  addPasses(d, corresponder, vcSegmentCorresponderModel::eBoundaryModel, found, 12);
  return d.value();
}

// Outlines and stroke figures, degraded, among clutter: both stages.
std::uint64_t sceneDigest(unsigned seed, const vcSegmentCorresponderRunParams& params) {
  const auto models = segment_scenes::modelSet();
  const vcSegmentCorresponder corresponder(segment_scenes::trainParams(models));
  const segment_scenes::Scene scene = segment_scenes::makeScene(models, seed);
  Digest d;
  vcSegmentCorresponderResultSet out;
  corresponder.run(out, params, scene.edges, scene.centreLines, nullptr, 0);
  addResults(d, out);
  for (const auto type :
       {vcSegmentCorresponderModel::eBoundaryModel, vcSegmentCorresponderModel::eSkeletonModel})
    if (!corresponder.votingTable(type).isNull()) addVotes(d, *corresponder.votingTable(type));
  addPasses(d, corresponder, vcSegmentCorresponderModel::eBoundaryModel, scene.edges, 8);
  addPasses(d, corresponder, vcSegmentCorresponderModel::eSkeletonModel, scene.centreLines, 8);
  return d.value();
}

void BM_RunDigest(benchmark::State& state) {
  const vcSegmentCorresponderRunParams wide(10, vcXform<2>(), 0.6, 2.0, 0.0, true);
  const vcSegmentCorresponderRunParams single(1, vcXform<2>(), 0.3, 0.65, 0.0, true);
  const vcSegmentCorresponderRunParams scenes(10, vcXform<2>(), 0.45, 0.65, 0.2, true);
  for (auto _ : state) {
    Digest all;
    const auto line = [&all](const char* what, long a, long b, unsigned seed, std::uint64_t h) {
      std::printf("digest %-8s %5ld %3ld seed %3u  %016llx\n", what, a, b, seed,
                  static_cast<unsigned long long>(h));
      all.add(h);
    };
    for (unsigned seed : {7u, 21u, 99u}) {
      for (const auto& [found, models] :
           {std::pair{200L, 10L}, std::pair{1000L, 10L}, std::pair{200L, 1L}, std::pair{200L, 30L},
            std::pair{2000L, 10L}})
        line("star", found, models, seed, starDigest(found, models, true, seed, wide));
      line("unscaled", 300, 6, seed, starDigest(300, 6, false, seed, wide));
      line("single", 500, 10, seed, starDigest(500, 10, true, seed, single));
    }
    for (unsigned seed = 1; seed <= 8; ++seed) line("scene", 0, 7, seed, sceneDigest(seed, scenes));
    std::printf("digest all %016llx\n", static_cast<unsigned long long>(all.value()));
  }
}
BENCHMARK(BM_RunDigest)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
