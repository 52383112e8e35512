#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "tavshsl/segments.h"
#include "tavshsl/voting_hash_table.h"

namespace {

constexpr double kPi = std::numbers::pi;
const vcRadian kTenDegrees(kPi / 18.0);

vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(vcVector<2>(x1, y1), vcVector<2>(x2, y2));
}

// Four ids; 40 x 40 cells of size 1 around the basis origin, 18 angle bins of 10 degrees.
vcVotingHashTable makeTable() { return vcVotingHashTable(4, 1.0, kTenDegrees, 40, 40); }

std::vector<long> filledBins(const vcVotingHashTable& t) {
  std::vector<long> out;
  for (long b = 0; b < t.numAngleBins(); ++b)
    if (!t.isBinEmpty(b)) out.push_back(b);
  return out;
}

double voteAlone(vcVotingHashTable& t, const std::vector<vcLineSeg>& segs) {
  t.clearVotes();
  for (const vcLineSeg& s : segs) t.voteSegment(s);
  return t.maxVote();
}

// A horizontal line along row 20 of the grid (basis y = 0.5), from column 5 to 35.
const vcLineSeg kLongLine = seg(-15.0, 0.5, 15.0, 0.5);
// Eleven cells (columns 15 to 25) along the middle of it.
const vcLineSeg kShortAlong = seg(-5.0, 0.5, 5.0, 0.5);

TEST(VotingHashTable, AngleRangesWrapPastPiIntoTheFirstAndLastBins) {
  // Line angle +-0.05 rad, 2 x angleTol = 0.2: from -0.15 (= pi - 0.15, bin 17) to 0.25
  // (bin 1), or from pi - 0.25 (bin 16) to 0.15 (bin 0).
  for (const double sign : {1.0, -1.0}) {
    vcVotingHashTable t = makeTable();
    t.addSegment(0, seg(-10.0, 0.0, 10.0, sign * 20.0 * std::tan(0.05)), 10.0, 1.0, vcRadian(0.1));
    EXPECT_EQ(filledBins(t),
              (sign > 0 ? std::vector<long>{0, 1, 17} : std::vector<long>{0, 16, 17}));
  }
  // A range of pi or more fills every bin.
  vcVotingHashTable all = makeTable();
  all.addSegment(0, kLongLine, 10.0, 1.0, vcRadian(kPi / 4.0));
  EXPECT_EQ(filledBins(all).size(), 18u);
}

TEST(VotingHashTable, CellsHoldBinSizeOverNormaliserAndResultsListTheBestFirst) {
  vcVotingHashTable t = makeTable();
  std::vector<vcVotingResult> out{{7, 1.0}};
  t.clearVotes();
  t.getResults(out, 0.2);
  EXPECT_TRUE(out.empty());  // all votes 0: nothing exceeds a threshold of 0

  // Every cell on a long stored line receives binSize / normaliser, so a found segment over
  // eleven of its cells gathers 0.11, 0.1 (91% of the best) and 0.055 (50%) for ids 0, 1, 3
  // (to single precision, in which the cells keep their values).
  t.addSegment(0, kLongLine, 100.0, 1.0, vcRadian(0.05));
  t.addSegment(1, kLongLine, 110.0, 1.0, vcRadian(0.05));
  t.addSegment(3, kLongLine, 200.0, 1.0, vcRadian(0.05));
  EXPECT_NEAR(voteAlone(t, {kShortAlong}), 0.11, 1e-7);
  EXPECT_EQ(t.bestId(), 0);
  t.getResults(out, 0.2);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].id, 0);
  EXPECT_EQ(out[1].id, 1);
  t.getResults(out, 0.6);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[2].id, 3);
  EXPECT_NEAR(out[2].vote, 0.055, 1e-7);
}

TEST(VotingHashTable, CountsEachCellOncePerPassAndSkipsEmptyAngleBins) {
  // Stored in every angle bin, so a vertical found segment meets it too.
  vcVotingHashTable t = makeTable();
  t.addSegment(0, kLongLine, 100.0, 1.0, vcRadian(kPi / 4.0));
  const vcLineSeg vertical = seg(0.5, -5.0, 0.5, 5.0);  // column 20, crossing row 20
  const double vh = voteAlone(t, {kShortAlong});
  const double vv = voteAlone(t, {vertical});

  // The same segment twice: the second finds every cell visited.
  t.clearVotes();
  EXPECT_TRUE(t.voteSegment(kShortAlong));
  EXPECT_FALSE(t.voteSegment(kShortAlong));
  EXPECT_NEAR(t.maxVote(), vh, 1e-12);

  // Crossing segments in different angle bins share cell (20, 20): counted once, by the
  // first segment to reach it.
  const double shared = t.cell(9, 20, 20).front().value;
  EXPECT_NEAR(voteAlone(t, {kShortAlong, vertical}), vh + vv - shared, 1e-12);

  // Stored in bins 17 and 0 only: the vertical segment falls in empty bin 9, so it returns
  // at once without a vote, and the cells it crosses still count for the horizontal one.
  vcVotingHashTable flat = makeTable();
  flat.addSegment(0, kLongLine, 100.0, 1.0, vcRadian(0.05));
  flat.clearVotes();
  EXPECT_FALSE(flat.voteSegment(vertical));
  EXPECT_EQ(flat.maxVote(), 0.0);
  EXPECT_TRUE(flat.voteSegment(kShortAlong));
  EXPECT_NEAR(flat.maxVote(), vh, 1e-12);
  // A line angle given by the caller picks the bin, whatever multiple of pi it is off by.
  flat.clearVotes();
  EXPECT_FALSE(flat.voteSegment(kShortAlong, vcRadian(kPi / 2.0)));
  EXPECT_TRUE(flat.voteSegment(kShortAlong, vcRadian(-3.0 * kPi)));
  EXPECT_NEAR(flat.maxVote(), vh, 1e-12);
  // Also between one and two turns of pi below 0 (folded by adding pi twice).
  flat.clearVotes();
  EXPECT_FALSE(flat.voteSegment(kShortAlong, vcRadian(-1.5 * kPi)));
  EXPECT_TRUE(flat.voteSegment(kShortAlong, vcRadian(-2.0 * kPi + 0.01)));
  EXPECT_NEAR(flat.maxVote(), vh, 1e-12);
  // A segment outside the grid meets nothing either.
  EXPECT_FALSE(flat.voteSegment(seg(-90.0, 0.5, -60.0, 0.5)));
}

// The lists are built when first needed; segments added after that, also to an id already
// stored, end up as if they had all been added before the first build.
TEST(VotingHashTable, SegmentsAddedAfterABuildJoinTheListsAsIfAddedBefore) {
  vcVotingHashTable once = makeTable(), split = makeTable();
  const auto addFirst = [](vcVotingHashTable& t) {
    t.addSegment(0, kLongLine, 100.0, 1.0, vcRadian(0.05));
    t.addSegment(1, seg(-5.0, -15.0, -5.0, 15.0), 60.0, 1.0, vcRadian(0.05));
  };
  const auto addMore = [](vcVotingHashTable& t) {
    t.addSegment(1, seg(-15.0, 1.5, 15.0, 1.5), 60.0, 1.0, vcRadian(0.05));  // beside id 0
    t.addSegment(3, seg(-10.0, -10.0, 10.0, 10.0), 40.0, 2.0, vcRadian(0.3));
  };
  addFirst(once);
  addMore(once);
  addFirst(split);
  const double before = voteAlone(split, {kShortAlong});
  split.shrinkToFit();
  addMore(split);
  EXPECT_GT(voteAlone(split, {kShortAlong}), before);
  long entries = 0;
  for (long b = 0; b < once.numAngleBins(); ++b)
    for (long y = 0; y < once.height(); ++y)
      for (long x = 0; x < once.width(); ++x) {
        const auto a = once.cell(b, x, y), c = split.cell(b, x, y);
        ASSERT_EQ(a.size(), c.size());
        for (std::size_t k = 0; k < a.size(); ++k) {
          EXPECT_EQ(a[k].id, c[k].id);
          EXPECT_EQ(a[k].value, c[k].value);
          if (k > 0) {
            EXPECT_LT(a[k - 1].id, a[k].id);
          }
        }
        entries += static_cast<long>(a.size());
      }
  EXPECT_GT(entries, 0);
}

// The bin-by-bin rule, written out plainly: every stored segment adds its kernel around each
// of its line cells to every bin of its range, an id's value in a (bin, cell) capped at 1.0
// after every addition; a found segment adds, once per pass, every entry of each new cell
// holding something in its bin. The table keeps runs of equal values over consecutive bins,
// so a small polygon seen from two bases, with ranges that wrap past pi, differ at the
// corners, cover every bin or reach the cap, checks that nothing is lost or added.
TEST(VotingHashTable, StoredRunsHoldAndVoteWhatTheBinByBinRuleGives) {
  struct Stored {
    long id;
    vcLineSeg seg;
    double normaliser, distTol, angleTol;
  };
  const std::vector<Stored> stored = {{0, seg(-8.0, -6.0, 8.0, -6.0), 60.0, 1.0, 0.1},
                                      {0, seg(8.0, -6.0, 2.0, 9.0), 60.0, 1.0, 0.1},
                                      {0, seg(2.0, 9.0, -8.0, -6.0), 60.0, 1.0, 0.1},
                                      {1, seg(-12.0, 0.3, 12.0, 0.3), 0.5, 2.0, 0.2},
                                      {1, seg(0.2, -12.0, 0.4, 12.0), 0.5, 2.0, 0.2},
                                      {2, seg(-5.0, -5.0, 6.0, 6.0), 30.0, 1.0, 0.9},
                                      {3, seg(-15.0, 10.0, 15.0, 11.0), 50.0, 0.5, 0.15},
                                      {3, seg(15.0, 11.0, 14.0, -12.0), 50.0, 0.5, 0.15},
                                      // Two lines 20 degrees apart whose crossing passes the
                                      // cap only in the bins their ranges share.
                                      {3, seg(-16.0, 15.0, -4.0, 15.0), 1.7, 1.0, 0.15},
                                      {3, seg(-16.0, 13.0, -4.0, 17.4), 1.7, 1.0, 0.15}};
  vcVotingHashTable t = makeTable();
  const long n = t.numAngleBins(), w = t.width(), h = t.height();
  std::map<long, std::map<long, double>> rule;  // (bin x cells + cell) -> id -> value
  for (const Stored& s : stored) {
    t.addSegment(s.id, s.seg, s.normaliser, s.distTol, vcRadian(s.angleTol));
    const double d = std::max(s.distTol, 0.5);  // at least half a cell
    const long r = static_cast<long>(std::ceil(2.0 * d - 1e-10));
    const auto kernel = [&](long i, long j) {
      const double rho = std::hypot(static_cast<double>(i), static_cast<double>(j)) / d;
      return rho < 6.0 ? std::cos(rho / 6.0 * kPi / 2.0) : 0.0;
    };
    double sum = 0.0;
    for (long j = -r; j <= r; ++j) sum += kernel(0, j);
    sum *= s.normaliser;
    const double a = vcSegmentCorresponderUtil::segmentAngle(s.seg).plain();
    double lo = a - 2.0 * s.angleTol, hi = a + 2.0 * s.angleTol;
    while (lo < 0.0) lo += kPi;
    while (hi < 0.0) hi += kPi;
    long bLo = static_cast<long>(lo / kTenDegrees.plain()) % n;
    long bHi = static_cast<long>(hi / kTenDegrees.plain()) % n;
    if (4.0 * s.angleTol >= kPi) bLo = 0, bHi = n - 1;
    const vcVector<2> g1 = t.toGrid().mapPoint(s.seg.p1()), g2 = t.toGrid().mapPoint(s.seg.p2());
    for (long b = bLo;; b = (b + 1) % n) {
      for (vcGridLineIterator it(w, h, static_cast<long>(g1.x()), static_cast<long>(g1.y()),
                                 static_cast<long>(g2.x()), static_cast<long>(g2.y()));
           !it.done(); it.next())
        for (long j = -r; j <= r; ++j)
          for (long i = -r; i <= r; ++i) {
            const long x = it.x() + i, y = it.y() + j;
            if (x < 0 || y < 0 || x >= w || y >= h || kernel(i, j) == 0.0) continue;
            double& v = rule[b * w * h + y * w + x][s.id];
            v = std::min(1.0, v + kernel(i, j) / sum);
          }
      if (b == bHi) break;
    }
  }

  long entries = 0, capped = 0;
  for (long b = 0; b < n; ++b)
    for (long c = 0; c < w * h; ++c) {
      const auto cell = t.cell(b, c % w, c / w);
      const auto found = rule.find(b * w * h + c);
      ASSERT_EQ(cell.size(), found == rule.end() ? 0u : found->second.size()) << b << " " << c;
      std::size_t k = 0;
      for (const auto& [id, value] :
           found == rule.end() ? std::map<long, double>() : found->second) {
        EXPECT_EQ(cell[k].id, id);
        EXPECT_NEAR(cell[k++].value, value, 1e-6 * value);
        capped += value == 1.0;
      }
      entries += static_cast<long>(cell.size());
    }
  EXPECT_GT(entries, 1000);
  EXPECT_GT(capped, 0);

  // Votes of found segments crossing the polygon at many angles, each cell counted once.
  const std::vector<vcLineSeg> votes = {seg(-19.0, -6.2, 19.0, -5.8),  seg(7.0, -19.0, 3.0, 19.0),
                                        seg(-19.0, -19.0, 19.0, 19.0), seg(-3.0, 19.5, 5.0, -19.5),
                                        seg(-19.5, 9.0, 19.5, 12.0),   seg(0.0, 0.0, 0.5, 19.0)};
  std::vector<double> expected(4, 0.0);
  std::vector<char> visited(static_cast<std::size_t>(w * h), 0);
  t.clearVotes();
  for (const vcLineSeg& s : votes) {
    t.voteSegment(s);
    double a = vcSegmentCorresponderUtil::segmentAngle(s).plain();
    if (a < 0.0) a += kPi;
    long b = static_cast<long>(a / kTenDegrees.plain());
    if (b == n) b = 0;
    const vcVector<2> g1 = t.toGrid().mapPoint(s.p1()), g2 = t.toGrid().mapPoint(s.p2());
    for (vcGridLineIterator it(w, h, static_cast<long>(g1.x()), static_cast<long>(g1.y()),
                               static_cast<long>(g2.x()), static_cast<long>(g2.y()));
         !it.done(); it.next()) {
      const long c = it.y() * w + it.x();
      const auto found = rule.find(b * w * h + c);
      if (visited[static_cast<std::size_t>(c)] || found == rule.end()) continue;
      visited[static_cast<std::size_t>(c)] = 1;
      for (const auto& [id, value] : found->second) expected[static_cast<std::size_t>(id)] += value;
    }
  }
  std::vector<vcVotingResult> out;
  t.getResults(out, 1.0);
  ASSERT_EQ(out.size(), 4u);
  for (const vcVotingResult& r : out)
    EXPECT_NEAR(r.vote, expected[static_cast<std::size_t>(r.id)], 1e-6 * r.vote) << r.id;
}

// Voting a whole list through a frame casts the votes of mapping and voting each segment in
// turn, also for segments on the grid's edge or through a corner, and for those outside it,
// which the list vote passes over unmapped.
TEST(VotingHashTable, VotingAListThroughAFrameEqualsVotingEachMappedSegment) {
  vcVotingHashTable t = makeTable();
  t.addSegment(0, kLongLine, 100.0, 1.0, vcRadian(kPi / 4.0));
  t.addSegment(1, seg(-19.5, -19.5, 19.5, 19.5), 80.0, 2.0, vcRadian(0.2));
  t.addSegment(2, seg(18.0, -19.9, 19.9, 19.9), 60.0, 1.0, vcRadian(0.1));
  t.addSegment(3, seg(-19.9, -19.9, -19.9, 19.9), 40.0, 1.0, vcRadian(0.1));  // column 0
  // Image to basis: rotate by 0.3 rad about (100, 50), shrink by 2.
  const vcXform<2> frame =
      vcXform<2>(vcVector<2>(100.0, 50.0), 2.0, 1.0, vcRadian(0.0), vcRadian(0.3)).inverse();
  const vcXform<2> toImage = frame.inverse();
  std::vector<vcFoundSegment> found;
  const auto add = [&](const vcLineSeg& inBasis) {
    found.emplace_back(inBasis.map(toImage), 1.0, vcSegmentDefs::eForward, 0.0);
  };
  add(kShortAlong);
  add(seg(-19.5, -19.0, 19.0, 19.5));
  add(seg(19.6, -30.0, 19.6, 30.0));      // along the last column
  add(seg(19.0, 21.0, 21.0, 19.0));       // clips the corner cell (39, 39)
  add(seg(-19.95, -25.0, -19.95, 25.0));  // column 0, on the grid's edge
  add(seg(-20.05, -25.0, -20.05, 25.0));  // just left of the grid
  add(seg(300.0, 300.0, 320.0, 310.0));   // far away
  add(seg(-500.0, 0.3, 500.0, 0.3));      // across the whole grid and beyond
  const double turn = 0.3;

  t.clearVotes();
  for (const vcFoundSegment& f : found)
    t.voteSegment(f.segment().map(frame), vcRadian(f.lineAngle().plain() - turn));
  std::vector<vcVotingResult> single, list;
  t.getResults(single, 1.0);
  t.clearVotes();
  t.voteSegments(found, frame, vcRadian(turn));
  t.getResults(list, 1.0);
  ASSERT_EQ(single.size(), 4u);
  ASSERT_EQ(list.size(), single.size());
  for (std::size_t k = 0; k < list.size(); ++k) {
    EXPECT_EQ(list[k].id, single[k].id);
    EXPECT_EQ(list[k].vote, single[k].vote);
  }

  // A frame that sends a segment to infinity is refused, like a non-finite segment.
  const vcXform<2> huge(vcMatrix<2>::fromElements(1e308, 0.0, 0.0, 1e308), vcVector<2>(0, 0));
  EXPECT_THROW(t.voteSegments(found, huge, vcRadian(0.0)), vcBadParamsError);
  EXPECT_THROW(t.voteSegments(found, frame, vcRadian(std::nan(""))), vcBadParamsError);
}

// Cells of 10 and a tolerance of 1: a found line 0.2 from the stored one but across a cell
// border still votes, through the kernel's reach into the neighbouring row.
TEST(VotingHashTable, ALineJustAcrossACellBorderStillVotes) {
  vcVotingHashTable t(1, 10.0, kTenDegrees, 40, 40);
  t.addSegment(0, seg(-150.0, 9.9, 150.0, 9.9), 300.0, 1.0, vcRadian(0.05));
  const double same = voteAlone(t, {seg(-50.0, 9.7, 50.0, 9.7)});    // row 20, 11 cells
  const double next = voteAlone(t, {seg(-50.0, 10.1, 50.0, 10.1)});  // row 21
  EXPECT_NEAR(same, 11.0 * 10.0 / 300.0, 1e-6);
  // (K(0, 1) + 2 K(1, 1)) / (K(0, 0) + 2 K(0, 1)) with the kernel at half a cell.
  EXPECT_NEAR(next / same, (0.8660 + 2.0 * 0.7380) / 2.7321, 1e-3);
}

TEST(VotingHashTable, RefusesBadInputAndStaysUnchanged) {
  EXPECT_THROW(vcVotingHashTable(-1, 1.0, kTenDegrees, 4, 4), vcBadParamsError);
  EXPECT_THROW(vcVotingHashTable(1, 0.0, kTenDegrees, 4, 4), vcBadParamsError);
  EXPECT_THROW(vcVotingHashTable(1, 1.0, vcRadian(0.0), 4, 4), vcBadParamsError);
  EXPECT_THROW(vcVotingHashTable(1, 1.0, kTenDegrees, 0, 4), vcBadParamsError);
  EXPECT_THROW(vcVotingHashTable(1, 1.0, kTenDegrees, 100000, 100000), vcBadParamsError);

  vcVotingHashTable t = makeTable();
  t.addSegment(2, kLongLine, 100.0, 1.0, vcRadian(0.05));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_THROW(t.addSegment(4, kLongLine, 100.0, 1.0, vcRadian(0.05)), vcBadParamsError);
  EXPECT_THROW(t.addSegment(3, kLongLine, 0.0, 1.0, vcRadian(0.05)), vcBadParamsError);
  EXPECT_THROW(t.addSegment(3, kLongLine, 100.0, nan, vcRadian(0.05)), vcBadParamsError);
  EXPECT_THROW(t.addSegment(3, seg(nan, 0, 1, 1), 100.0, 1.0, vcRadian(0.05)), vcBadParamsError);
  // Ids go in non-decreasing order; a smaller one is an internal error.
  EXPECT_THROW(t.addSegment(1, seg(-15, 5, 15, 5), 100.0, 1.0, vcRadian(0.05)), vcAssertionFailure);
  EXPECT_EQ(filledBins(t), (std::vector<long>{0, 17}));
  EXPECT_TRUE(t.cell(0, 20, 25).empty());
  EXPECT_THROW(t.voteSegment(seg(0, 0, nan, 1)), vcBadParamsError);
  EXPECT_THROW(t.voteSegment(kLongLine, vcRadian(nan)), vcBadParamsError);
  EXPECT_THROW(t.cell(18, 0, 0), vcBadParamsError);
  EXPECT_THROW(t.cell(0, 40, 0), vcBadParamsError);
}

}  // namespace
