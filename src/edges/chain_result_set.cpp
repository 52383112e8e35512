#include <utility>

#include "edges/chain_pool.h"
#include "tavshsl/chain_tracker.h"

vcChainTrackerRunParams::vcChainTrackerRunParams(long minEdgesPerChain, double magThresh,
                                                 vcDegree angleTol, bool lineMode,
                                                 vcChainTrackerDefs::SortBy sortBy,
                                                 vcDegree trendAngleTol, long trendWindowSize,
                                                 long trendForwardStep, bool probePelVal)
    : magThresh_(magThresh),
      angleTol_(angleTol),
      minEdgesPerChain_(minEdgesPerChain),
      lineMode_(lineMode),
      sortBy_(sortBy),
      trendAngleTol_(trendAngleTol),
      trendWindowSize_(trendWindowSize),
      trendForwardStep_(trendForwardStep),
      probePelVal_(probePelVal) {}

vcChainTrackerResultSet::vcChainTrackerResultSet() = default;

vcChainTrackerResultSet::vcChainTrackerResultSet(const vcChainTrackerResultSet& other) {
  *this = other;
}

vcChainTrackerResultSet& vcChainTrackerResultSet::operator=(const vcChainTrackerResultSet& other) {
  if (this == &other) return *this;

  // Everything is built aside first, so that a failed allocation leaves this set as it was.
  vcChainTrackerResultSet copy;
  copy.time_ = other.time_;
  copy.edgeletMap_ = other.edgeletMap_;
  copy.results_ = other.results_;
  copy.numResults_ = other.numResults_;
  copy.poolSize_ = other.poolSize_;
  if (!other.ownIndexPool_) {
    copy.indexPool_ = other.indexPool_;  // the map's pool, shared
  } else if (other.poolSize_ != 0) {
    copy.indexPool_ = vc_tracker_detail::duplicatePool(
        copy.ownedPool_, other.indexPool_, other.poolSize_, copy.results_,
        [](vcChainTrackerResult& r) -> const long*& { return r.edgeletIndexes_; });
    copy.ownIndexPool_ = true;
  }
  cleanup_();
  swap_(copy);
  return *this;
}

vcChainTrackerResultSet::~vcChainTrackerResultSet() = default;

void vcChainTrackerResultSet::cleanup_() {
  ownedPool_.reset();
  indexPool_ = nullptr;
  poolSize_ = 0;
  ownIndexPool_ = false;
}

void vcChainTrackerResultSet::swap_(vcChainTrackerResultSet& other) noexcept {
  std::swap(time_, other.time_);
  std::swap(edgeletMap_, other.edgeletMap_);
  results_.swap(other.results_);
  std::swap(numResults_, other.numResults_);
  std::swap(indexPool_, other.indexPool_);
  std::swap(poolSize_, other.poolSize_);
  std::swap(ownIndexPool_, other.ownIndexPool_);
  ownedPool_.swap(other.ownedPool_);
}
