#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "tavshsl/corresponder_result.h"

namespace {

using Indexes = std::vector<long>;

// Both tables describe the same pairs: k is listed for f exactly as often as f is for k.
void expectConsistent(const vcSegmentCorresponderResult& r) {
  for (long f = 0; f < r.numFoundSegs(); ++f)
    for (long k = 0; k < r.numModelSegs(); ++k) {
      const Indexes& ks = r.modelSegsForFoundSeg(f);
      const Indexes& fs = r.foundSegsForModelSeg(k);
      EXPECT_EQ(std::count(ks.begin(), ks.end(), k), std::count(fs.begin(), fs.end(), f))
          << "found " << f << ", model " << k;
    }
}

TEST(CorresponderResult, AddAndRemoveKeepBothTablesConsistent) {
  vcSegmentCorresponderResult r(2, 3, 4);
  EXPECT_TRUE(r.foundSegsForModelSeg(2).empty());
  EXPECT_TRUE(r.modelSegsForFoundSeg(3).empty());

  // One found segment on two model segments, two found segments on one, and a duplicate pair.
  r.add(0, 1);
  r.add(0, 2);
  r.add(3, 1);
  r.add(0, 1);
  EXPECT_EQ(r.modelSegsForFoundSeg(0), (Indexes{1, 2, 1}));
  EXPECT_EQ(r.foundSegsForModelSeg(1), (Indexes{0, 3, 0}));
  expectConsistent(r);

  // remove takes out every copy of the pair and nothing else.
  r.remove(0, 1);
  EXPECT_EQ(r.modelSegsForFoundSeg(0), (Indexes{2}));
  EXPECT_EQ(r.foundSegsForModelSeg(1), (Indexes{3}));
  expectConsistent(r);

  // Removing a pair that is not there changes nothing.
  const vcSegmentCorresponderResult before = r;
  r.remove(1, 0);
  EXPECT_EQ(r, before);

  // reset gives what the constructor gives, to other sizes too, also after one side was
  // edited directly (the other side then no longer names every filled list).
  r.score(0.5);
  r.basisSegmentIdx(2);
  r.reset(1, 3, 4);
  EXPECT_EQ(r, vcSegmentCorresponderResult(1, 3, 4));
  r.add(2, 0);
  r.modelSegsForFoundSeg(1).push_back(2);
  r.reset(0, 2, 5);
  EXPECT_EQ(r, vcSegmentCorresponderResult(0, 2, 5));
  r.add(4, 1);
  r.reset(0, 1, 3);
  EXPECT_EQ(r, vcSegmentCorresponderResult(0, 1, 3));
}

TEST(CorresponderResult, BadIndexesThrowAndLeaveTheResultUnchanged) {
  EXPECT_THROW(vcSegmentCorresponderResult(0, -1, 2), vcBadParamsError);
  EXPECT_THROW(vcSegmentCorresponderResult(-1, 1, 2), vcBadParamsError);

  vcSegmentCorresponderResult r(0, 2, 3);
  r.add(1, 1);
  const vcSegmentCorresponderResult before = r;
  EXPECT_THROW(r.add(3, 0), vcBadParamsError);
  EXPECT_THROW(r.add(0, 2), vcBadParamsError);
  EXPECT_THROW(r.add(-1, 0), vcBadParamsError);
  EXPECT_THROW(r.remove(1, 5), vcBadParamsError);
  EXPECT_THROW(r.foundSegsForModelSeg(2), vcBadParamsError);
  EXPECT_THROW(r.modelSegsForFoundSeg(-1), vcBadParamsError);
  EXPECT_THROW(r.reset(0, 2, -3), vcBadParamsError);
  EXPECT_EQ(r, before);

  // A default result has no segments at all.
  const vcSegmentCorresponderResult empty;
  EXPECT_THROW(empty.foundSegsForModelSeg(0), vcBadParamsError);
}

}  // namespace
