#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "platform/base/range.h"
#include "tavshsl/boundary_model.h"
#include "tavshsl/segment_corresponder.h"
#include "correspond/corresponder_test_access.h"


namespace {

using Access = vcSegmentCorresponderTestAccess;
using Model = vcPtrHandle<vcSegmentCorresponderModel>;
constexpr double kPi = std::numbers::pi;

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(vcVector<2>(x1, y1), vcVector<2>(x2, y2));
}

std::vector<vcModelSegment> polygon(const std::vector<vcVector<2>>& corners) {
  std::vector<vcModelSegment> out;
  for (std::size_t i = 0; i < corners.size(); ++i)
    out.emplace_back(vcLineSeg(corners[i], corners[(i + 1) % corners.size()]), 1.0,
                     vcSegmentDefs::eForward);
  return out;
}

Model boundary(const std::vector<vcModelSegment>& segs) {
  return Model(new vcSegmentCorresponderBoundaryModel(segs));
}

// A star-shaped polygon of n corners at seeded random radii and angles.
std::vector<vcModelSegment> randomPolygon(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> radius(20.0, 40.0), jitter(-0.25, 0.25);
  std::vector<vcVector<2>> corners;
  for (int i = 0; i < n; ++i)
    corners.emplace_back(radius(rng), vcRadian(2.0 * kPi * (i + 0.5 + jitter(rng)) / n));
  return polygon(corners);
}

// The basis frame of the run: origin at one end of the basis, the other end on +x, lengths
// times c.
vcXform<2> basisFrame(const vcLineSeg& b, long side, double c) {
  const vcVector<2> origin = side == 0 ? b.p1() : b.p2();
  const vcVector<2> toward = side == 0 ? b.p2() : b.p1();
  return vcXform<2>(origin, 1.0 / c, 1.0, vcRadian(0.0), (toward - origin).angle()).inverse();
}

TEST(SegmentCorresponderTrain, CellsResolveTheClosestSegmentsAndAnglesAtLeastTenDegrees) {
  // Two parallel segments of lengths 10 and 30 at distance 4: the voting cells are capped at
  // half that separation, so the two fall in different cells.
  const Model pair = boundary({vcModelSegment(seg(0, 0, 10, 0), 1.0, vcSegmentDefs::eForward),
                               vcModelSegment(seg(0, 4, 30, 4), 1.0, vcSegmentDefs::eForward)});
  const vcSegmentCorresponder c(
      vcSegmentCorresponderTrainParams({pair}, 1.0, vcDegree(5.0), false));
  EXPECT_DOUBLE_EQ(c.votingBinSize(), 2.0);
  // An angle tolerance below 10 degrees still gives bins of 10 degrees.
  const auto& table = c.votingTable(vcSegmentCorresponderModel::eBoundaryModel);
  EXPECT_EQ(table->numAngleBins(), 18);
  // Both tables exist and cover every id, though only one model type was trained.
  EXPECT_EQ(c.votingTable(vcSegmentCorresponderModel::eSkeletonModel)->numIds(), 4);
}

// Trained with implied scale, the model seen at another scale and pose still votes for the
// basis it was seen on among the candidates a run verifies (within 20 % of the best).
TEST(SegmentCorresponderTrain, PosedModelVotesHighestForItsOwnBasis) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> angle(-kPi, kPi), scale(0.6, 1.8), shift(-200, 200);
  for (int trial = 0; trial < 3; ++trial) {
    const std::vector<vcModelSegment> model = randomPolygon(rng, 6);
    const vcSegmentCorresponder c(
        vcSegmentCorresponderTrainParams({boundary(model)}, 1.0, vcDegree(10.0), true));
    vcVotingHashTable& table = *c.votingTable(vcSegmentCorresponderModel::eBoundaryModel);

    // The model under a random similarity pose, seen as found segments.
    const vcXform<2> pose(vcVector<2>(shift(rng), shift(rng)), scale(rng), 1.0, vcRadian(0.0),
                          vcRadian(angle(rng)));
    std::vector<vcLineSeg> posed;
    for (const vcModelSegment& m : model) posed.push_back(m.segment().map(pose));

    std::vector<vcVotingResult> best;
    for (long j = 0; j < static_cast<long>(posed.size()); ++j)
      for (long s = 0; s <= 1; ++s) {
        const vcXform<2> frame = basisFrame(posed[j], s, c.meanSegLength() / posed[j].length());
        table.clearVotes();
        for (const vcLineSeg& p : posed) table.voteSegment(p.map(frame));
        table.getResults(best, 0.2);
        ASSERT_FALSE(best.empty());
        bool top = false;
        for (const vcVotingResult& r : best) top = top || r.id == Access::id(c, 0, j, s);
        EXPECT_TRUE(top) << "trial " << trial << " basis " << j << " side " << s;
        // A whole model matched scores about 1.
        EXPECT_GT(table.maxVote(), 0.7);
        EXPECT_LT(table.maxVote(), 1.3);
      }
  }
}

TEST(SegmentCorresponderTrain, SamplesScaleAndRefusesBadModelsWithoutChange) {
  // Scale sampling without implyScale: several instances, one model index.
  const Model square = boundary(polygon({{0, 0}, {40, 0}, {40, 40}, {0, 40}}));
  square->setDOFRange(vcSegmentCorresponderModel::eScale, vcRange(0.8, 1.25));
  vcSegmentCorresponder c(vcSegmentCorresponderTrainParams({square}, 1.0, vcDegree(10.0), false));
  ASSERT_TRUE(c.isTrained());
  EXPECT_GT(c.instances().size(), 5u);
  EXPECT_EQ(c.instanceModel().back(), 0);
  EXPECT_EQ(c.votingTable(vcSegmentCorresponderModel::eBoundaryModel)->numIds(),
            static_cast<long>(c.instances().size()) * 8);

  // A zero-length side cannot serve as a basis: training fails and keeps the old training.
  const auto table = c.votingTable(vcSegmentCorresponderModel::eBoundaryModel);
  const std::size_t numInstances = c.instances().size();
  c.trainParams(vcSegmentCorresponderTrainParams(
      {boundary(polygon({{0, 0}, {40, 0}, {40, 0}, {0, 40}}))}, 1.0, vcDegree(10.0), false));
  EXPECT_THROW(c.train(nullptr, 0), vcAssertionFailure);
  EXPECT_EQ(c.votingTable(vcSegmentCorresponderModel::eBoundaryModel), table);
  EXPECT_EQ(c.instances().size(), numInstances);

  // Parameters are checked when made.
  EXPECT_THROW(vcSegmentCorresponderTrainParams({Model()}, 1.0, vcDegree(10.0), false),
               vcBadParamsError);
  EXPECT_THROW(vcSegmentCorresponderTrainParams({square}, 0.0, vcDegree(10.0), false),
               vcBadParamsError);
  EXPECT_THROW(vcSegmentCorresponderTrainParams({square}, 1.0, vcDegree(-1.0), false),
               vcBadParamsError);
  EXPECT_THROW(vcSegmentCorresponderRunParams(0, vcXform<2>(), 0.45, 0.65, 0.0, true),
               vcBadParamsError);
  EXPECT_THROW(vcSegmentCorresponderRunParams(1, vcXform<2>(), 0.45, 0.65, -0.1, true),
               vcBadParamsError);
}

TEST(SegmentCorresponderTrain, WithoutSegmentsOrTrainingARunFindsNothing) {
  const std::vector<vcFoundSegment> found = {
      vcFoundSegment(seg(0, 0, 10, 0), 1.0, vcSegmentDefs::eForward, 0.0)};
  vcSegmentCorresponderResultSet out;

  const vcSegmentCorresponder untrained;
  EXPECT_FALSE(untrained.isTrained());
  untrained.run(out, vcSegmentCorresponderRunParams(), found, nullptr, 0);
  EXPECT_TRUE(out.results().empty());
  EXPECT_EQ(out.errorCode(), 0);

  // No models (a tool trained with circles only): trained, no tables.
  const vcSegmentCorresponder empty(vcSegmentCorresponderTrainParams({}, 1.0, vcDegree(15), true));
  EXPECT_TRUE(empty.isTrained());
  EXPECT_TRUE(empty.votingTable(vcSegmentCorresponderModel::eBoundaryModel).isNull());
  empty.run(out, vcSegmentCorresponderRunParams(), found, found, nullptr, 0);
  EXPECT_TRUE(out.results().empty());
}

}  // namespace
