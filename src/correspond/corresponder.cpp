#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "tavshsl/segment_corresponder.h"

vcSegmentCorresponder::vcSegmentCorresponder(const vcSegmentCorresponderTrainParams& params)
    : trainParams_(params) {
  train(nullptr, 0);
}

vcSegmentCorresponder::~vcSegmentCorresponder() = default;

const vcPtrHandle<vcVotingHashTable>& vcSegmentCorresponder::votingTable(
    vcSegmentCorresponderModel::ModelType type) const {
  if (type != vcSegmentCorresponderModel::eBoundaryModel &&
      type != vcSegmentCorresponderModel::eSkeletonModel)
    throw vcBadParamsError(L"vcSegmentCorresponder::votingTable: unknown model type " +
                           vfStr(static_cast<long>(type)));
  return votingTables_[static_cast<std::size_t>(type)];
}

// id = side + 2 (instance maxSegs + segment): ids grow with instance, then segment, then side.
long vcSegmentCorresponder::idFromIndices_(long instance, long segment, long side) const {
  return side + 2 * (instance * maxSegs_ + segment);
}

void vcSegmentCorresponder::indicesFromId_(long id, long& instance, long& segment,
                                           long& side) const {
  VC_ASSERT(maxSegs_ > 0 && id >= 0);
  side = id % 2;
  const long q = id / 2;
  segment = q % maxSegs_;
  instance = q / maxSegs_;
}
