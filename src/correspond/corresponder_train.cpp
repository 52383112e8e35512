#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "tavshsl/segment_corresponder.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Sizes that the segments of all instances dictate.
struct Statistics {
  long maxSegs = 0;
  long numSegs = 0;
  double totalLength = 0.0;
  double minLen = kInf, maxLen = 0.0;
  double minSep = kInf;    // least separation of two segments of one instance
  double maxExtent = 0.0;  // greatest end point distance of two segments of one instance
};

// How far apart two segments lie: for each, the farther of the other's end points from it;
// the lesser of the two.
double separation(const vcLineSeg& a, const vcLineSeg& b) {
  return std::min(std::max(a.distToPoint(b.p1()), a.distToPoint(b.p2())),
                  std::max(b.distToPoint(a.p1()), b.distToPoint(a.p2())));
}

double extent(const vcLineSeg& a, const vcLineSeg& b) {
  return std::max({a.p1().distance(b.p1()), a.p1().distance(b.p2()), a.p2().distance(b.p1()),
                   a.p2().distance(b.p2())});
}

}  // namespace

void vcSegmentCorresponder::train(vcDiagObject* diag, unsigned long diagFlags) {
  // Train a fresh corresponder and take its state only when everything succeeded.
  vcSegmentCorresponder next;
  next.trainParams_ = trainParams_;
  next.train_();
  instances_ = std::move(next.instances_);
  instanceModel_ = std::move(next.instanceModel_);
  votingTables_ = std::move(next.votingTables_);
  maxSegs_ = next.maxSegs_;
  instanceLength_ = std::move(next.instanceLength_);
  meanSegLength_ = next.meanSegLength_;
  votingBinSize_ = next.votingBinSize_;
  fineBinSize_ = next.fineBinSize_;
  diag_ = diag;
  diagFlags_ = diagFlags;
  trained_.params = trainParams_;
  trained_.done = true;
}

// Every scale/aspect sample of every model, in model order, counted by model type.
void vcSegmentCorresponder::sampleModels_(long& numBoundary, long& numSkeleton) {
  numBoundary = numSkeleton = 0;
  const auto& models = trainParams_.models();
  for (std::size_t m = 0; m < models.size(); ++m) {
    VC_ASSERT(!models[m].isNull());
    std::vector<vcSegmentCorresponderDofModel> samples;
    models[m]->iterateDOFs(samples, 2.0 * trainParams_.maxPerturbationDist(),
                           trainParams_.implyScale());
    const auto type = models[m]->modelType();
    VC_ASSERT(type == vcSegmentCorresponderModel::eBoundaryModel ||
              type == vcSegmentCorresponderModel::eSkeletonModel);
    (type == vcSegmentCorresponderModel::eBoundaryModel ? numBoundary : numSkeleton) +=
        static_cast<long>(samples.size());
    instanceModel_.insert(instanceModel_.end(), samples.size(), static_cast<long>(m));
    for (auto& s : samples) instances_.push_back(std::move(s));
  }
}

void vcSegmentCorresponder::train_() {
  // Sample the models.
  long numBoundary = 0, numSkeleton = 0;
  sampleModels_(numBoundary, numSkeleton);

  // Statistics over all instances and their segments. Every segment serves as a basis, so
  // none may have zero length.
  Statistics st;
  instanceLength_.assign(instances_.size(), 0.0);
  for (std::size_t t = 0; t < instances_.size(); ++t) {
    const std::vector<vcModelSegment>& segs = instances_[t].segments;
    st.maxSegs = std::max(st.maxSegs, static_cast<long>(segs.size()));
    for (std::size_t j = 0; j < segs.size(); ++j) {
      const double len = segs[j].length();
      VC_ASSERT(len > 0.0);
      instanceLength_[t] += len;
      st.totalLength += len;
      ++st.numSegs;
      st.minLen = std::min(st.minLen, len);
      st.maxLen = std::max(st.maxLen, len);
      for (std::size_t k = j + 1; k < segs.size(); ++k) {
        st.minSep = std::min(st.minSep, separation(segs[j].segment(), segs[k].segment()));
        st.maxExtent = std::max(st.maxExtent, extent(segs[j].segment(), segs[k].segment()));
      }
    }
  }
  maxSegs_ = st.maxSegs;
  // Without any segment there is nothing to store: the tables stay unmade.
  if (st.numSegs == 0) return;
  meanSegLength_ = st.totalLength / static_cast<double>(st.numSegs);

  // Largest basis scale: with implyScale the shortest basis is stretched to the mean length.
  double maxScale = 1.0;
  if (trainParams_.implyScale()) maxScale = meanSegLength_ / st.minLen;

  // Cell size: fine enough for the shortest segment and half the closest separation.
  votingBinSize_ = std::min(std::max(st.maxLen / 8.0, st.minLen / 3.0), 0.5 * st.minSep);
  if (!(votingBinSize_ > 0.0))
    throw vcBadParamsError(
        L"vcSegmentCorresponder::train: two segments of one model coincide "
        L"(zero separation)");

  // Grid: twice the largest extent at the largest basis scale, the basis origin at its centre.
  const double size = std::trunc(maxScale * st.maxExtent * 2.0 / votingBinSize_) + 1.0;
  if (!(size * size <= vcVotingHashTable::kMaxCells))
    throw vcBadParamsError(
        L"vcSegmentCorresponder::train: the voting grid would be too large; "
        L"the models' segments are too short for their extent");
  const long width = static_cast<long>(size);

  // Angle bins of at least 10 degrees that divide 180 degrees evenly.
  const double tol = vcRadian(trainParams_.maxPerturbationAngle()).plain();
  const double minStep = vcRadian(vcDegree(10.0)).plain();
  const double n = std::ceil(std::numbers::pi / std::max(tol, minStep));
  const vcRadian angleStep(std::numbers::pi / n);

  // One table per model type, both over the ids of every instance.
  const double numIds =
      static_cast<double>(st.maxSegs) * 2.0 * static_cast<double>(numBoundary + numSkeleton);
  if (numIds > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    throw vcBadParamsError(L"vcSegmentCorresponder::train: too many basis ids (" +
                           vfStr(static_cast<long>(numIds)) + L")");
  for (vcPtrHandle<vcVotingHashTable>& table : votingTables_)
    table.reset(
        new vcVotingHashTable(static_cast<long>(numIds), votingBinSize_, angleStep, width, width));
  fillHashTable_();

  // Cell size of the corresponding tables of a run.
  fineBinSize_ = std::min(std::max(st.maxLen / 8.0, st.minLen / 3.0), 0.9 * st.minSep);
}

// Every basis of every instance, into the table of its model's type; ids grow in this order.
void vcSegmentCorresponder::fillHashTable_() {
  const auto& models = trainParams_.models();
  // Each instance stores all its segments in the frame of each end of each of them.
  long count[2] = {0, 0};
  for (std::size_t t = 0; t < instances_.size(); ++t) {
    const auto type = models[static_cast<std::size_t>(instanceModel_[t])]->modelType();
    const long segs = static_cast<long>(instances_[t].segments.size());
    count[static_cast<std::size_t>(type)] += 2 * segs * segs;
  }
  for (std::size_t k = 0; k < votingTables_.size(); ++k)
    votingTables_[k]->reserveSegments(count[k]);
  for (std::size_t t = 0; t < instances_.size(); ++t) {
    const auto type = models[static_cast<std::size_t>(instanceModel_[t])]->modelType();
    VC_ASSERT(type == vcSegmentCorresponderModel::eBoundaryModel ||
              type == vcSegmentCorresponderModel::eSkeletonModel);
    vcVotingHashTable& table = *votingTables_[static_cast<std::size_t>(type)];
    for (std::size_t j = 0; j < instances_[t].segments.size(); ++j)
      insertModelBasis_(table, static_cast<long>(t), static_cast<long>(j));
  }
  for (vcPtrHandle<vcVotingHashTable>& table : votingTables_) table->shrinkToFit();
}

// Every segment of instance t in the frame of its segment j, seen from either end.
void vcSegmentCorresponder::insertModelBasis_(vcVotingHashTable& table, long t, long j) {
  const vcSegmentCorresponderDofModel& inst = instances_[static_cast<std::size_t>(t)];
  const vcLineSeg& basis = inst.segments[static_cast<std::size_t>(j)].segment();
  for (long s = 0; s <= 1; ++s) {
    const vcVector<2>& origin = s == 0 ? basis.p1() : basis.p2();
    const vcVector<2>& toward = s == 0 ? basis.p2() : basis.p1();
    VC_ASSERT(!(origin == toward));

    // Basis scale: with implyScale every basis is brought to the mean segment length.
    double c = 1.0;
    if (trainParams_.implyScale()) {
      VC_ASSERT(meanSegLength_ > 0.0);
      c = meanSegLength_ / basis.length();
    }

    // Basis frame: origin to (0, 0), the direction toward to +x, lengths times c.
    const vcRadian theta(std::atan2(toward.y() - origin.y(), toward.x() - origin.x()));
    const vcXform<2> basisFromModel =
        vcXform<2>(origin, 1.0 / c, 1.0, vcRadian(0.0), theta).inverse();

    for (const vcModelSegment& seg : inst.segments)
      insertSegment_(table, t, j, s, seg.segment().map(basisFromModel), c);
  }
}

void vcSegmentCorresponder::insertSegment_(vcVotingHashTable& table, long t, long j, long s,
                                           const vcLineSeg& seg, double c) {
  table.addSegment(idFromIndices_(t, j, s), seg, c * instanceLength_[static_cast<std::size_t>(t)],
                   trainParams_.maxPerturbationDist(),
                   vcRadian(trainParams_.maxPerturbationAngle()));
}
