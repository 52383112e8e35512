// Ridge seeds, ridge following and the per-ridge fit on small distance images.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

#include "skeleton_images.h"
#include "src/skeleton/distance_lut.h"
#include "src/skeleton/distance_transform.h"
#include "src/skeleton/ridge_follow.h"
#include "src/skeleton/ridge_seeds.h"
#include "src/skeleton/ridge_trace.h"

namespace {

// The seeds' positions, in the order given (a stale list is replaced).
std::vector<std::pair<long, long>> seedsOf(const vcPelBuffer<unsigned char>& distance,
                                           unsigned char threshold) {
  std::vector<vc_SeedInfo> seeds(2);
  vc_skeleton::findRidgeSeeds(distance, threshold, seeds);
  std::vector<std::pair<long, long>> out;
  for (const vc_SeedInfo& s : seeds) out.emplace_back(s.x, s.y);
  return out;
}

TEST(RidgeSeeds, OrderPlateausThresholdAndTinyImages) {
  using Seeds = std::vector<std::pair<long, long>>;
  // Equal values come in reverse order of discovery, after the highest; the threshold drops
  // the lower ones.
  vcPelBuffer<unsigned char> peaks = flatImage(9, 7, 0);
  peaks.put(2, 2, 5);  // found first
  peaks.put(6, 4, 5);  // found second
  peaks.put(4, 5, 7);  // highest
  EXPECT_EQ(seedsOf(peaks, 1), (Seeds{{4, 5}, {6, 4}, {2, 2}}));
  EXPECT_EQ(seedsOf(peaks, 6), (Seeds{{4, 5}}));
  // A plateau gives one seed, at its first pixel.
  vcPelBuffer<unsigned char> plateau = flatImage(8, 6, 0);
  fillRect(plateau, 2, 2, 3, 2, 6);
  EXPECT_EQ(seedsOf(plateau, 1), (Seeds{{2, 2}}));
  // Tiny images are framed by zeros and keep their own coordinates.
  vcPelBuffer<unsigned char> tiny = flatImage(2, 2, 0);
  tiny.put(1, 1, 8);
  EXPECT_EQ(seedsOf(tiny, 1), (Seeds{{1, 1}}));
  vcPelBuffer<unsigned char> column = flatImage(1, 3, 2);
  column.put(0, 1, 9);
  EXPECT_EQ(seedsOf(column, 3), (Seeds{{0, 1}}));
  EXPECT_TRUE(seedsOf(flatImage(0, 5, 0), 0).empty());
}

// The distance image of a mask with one horizontal stroke of the given thickness and length.
vcPelBuffer<unsigned char> strokeDistance(long thickness, long length) {
  vcPelBuffer<unsigned char> mask = flatImage(length + 20, thickness + 20, 0);
  fillRect(mask, 10, 10, length, thickness, 255);
  vcPelBuffer<unsigned char> distance(mask.width(), mask.height(), 32);
  vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
  return distance;
}

std::vector<vc_ridgeLine> trace(const vcPelBuffer_const<unsigned char>& distance, double degrees) {
  vsRidgeParams params;
  params.direction = vcRadian(degrees * std::numbers::pi / 180.0);
  std::vector<vc_ridgeLine> ridges;
  vc_skeleton::traceRidges(distance, params, ridges);
  return ridges;
}

TEST(RidgeTrace, HorizontalBarGivesOneStraightRidgeAlongX) {
  const vcPelBuffer<unsigned char> distance = strokeDistance(6, 100);
  std::vector<vc_ridgeLine> ridges = trace(distance, 0.0);
  ASSERT_EQ(ridges.size(), 1u);
  vc_skeleton::fitRidge(distance, ridges[0], 0);
  const vc_ridgeLine& r = ridges[0];
  EXPECT_NEAR(r.start.y(), 13.0, 0.05);  // rows 10..15: centre line at y = 13
  EXPECT_NEAR(r.end.y(), 13.0, 0.05);
  EXPECT_LT(r.start.x(), r.end.x());  // along the pass direction
  EXPECT_GT(r.length, 90.0);
  EXPECT_LT(r.rms, 1.0);
  EXPECT_EQ(r.width, 6.0);
  // Across a plateau the vertical pass stops at once.
  EXPECT_TRUE(trace(distance, 90.0).empty());
}

TEST(RidgeTrace, StrokesOfOneOrTwoPixelsCarryNoRidge) {
  for (long thickness : {1L, 2L}) {
    EXPECT_TRUE(trace(strokeDistance(thickness, 100), 0.0).empty()) << thickness;
    EXPECT_TRUE(trace(strokeDistance(thickness, 100), 90.0).empty()) << thickness;
  }
  EXPECT_EQ(trace(strokeDistance(3, 100), 0.0).size(), 1u);
}

TEST(RidgeTrace, PassesSharingALabelMapSeeOnlyTheirOwnLabels) {
  // A cross: one ridge along x, one along y. A pass after others on the same map finds what a
  // pass on a fresh map finds.
  vcPelBuffer<unsigned char> mask = flatImage(120, 120, 0);
  fillRect(mask, 10, 55, 100, 10, 255);
  fillRect(mask, 55, 10, 10, 100, 255);
  vcPelBuffer<unsigned char> distance(120, 120, 32);
  vc_skeleton::distanceTransform(mask, vfMakeDistanceLut(), distance);
  std::vector<vc_SeedInfo> seeds;
  vc_skeleton::findRidgeSeeds(distance, 0, seeds);
  vsRidgeParams alongX, alongY;
  alongY.direction = vcRadian(std::numbers::pi / 2);
  const std::vector<vc_ridgeLine> fresh = trace(distance, 0.0);
  vc_skeleton::vsRidgeLabelMap labels;
  std::vector<vc_ridgeLine> ridges;
  vc_skeleton::traceRidges(distance, alongX, seeds, ridges, labels);
  vc_skeleton::traceRidges(distance, alongY, seeds, ridges, labels);
  ridges.clear();
  vc_skeleton::traceRidges(distance, alongX, seeds, ridges, labels);
  ASSERT_EQ(ridges.size(), fresh.size());
  ASSERT_FALSE(fresh.empty());
  for (std::size_t i = 0; i < fresh.size(); ++i) EXPECT_EQ(ridges[i].points, fresh[i].points);
}

TEST(RidgeFollow, StopsAtTheFloorAndMarksItsSamples) {
  const vcPelBuffer<unsigned char> distance = strokeDistance(10, 40);
  std::vector<std::uint16_t> labels(std::size_t(distance.width() * distance.height()), 0);
  std::vector<vcVector<2>> points;
  // From the centre of the stroke's left half towards +x; the floor of a 10-wide stroke is 5.
  const vsRidgeFollowParams settings =
      vc_skeleton::ridgeFollowParams(vcRadian(0.0), 5.0, vcVector<2>(20.0, 15.0));
  vc_skeleton::followRidge(distance, settings, points, labels, distance.width(), 7);
  ASSERT_GT(points.size(), 20u);
  // On the centre line until the stroke's end rounds the distance values off.
  for (const vcVector<2>& p : points) {
    if (p.x() < 45.0) {
      EXPECT_NEAR(p.y(), 15.0, 1e-6);
    }
  }
  EXPECT_LT(points.back().x(), 51.0);  // the stroke ends at x = 50
  // The profile at x = 26 samples y = 15 through pixel (25, 14) (bilinear from x - 0.5).
  EXPECT_EQ(labels[std::size_t(14 * distance.width() + 25)], 7);
  EXPECT_EQ(labels[std::size_t(15 * distance.width() + 25)], 0);
  // A start inside the margin gives no points.
  vc_skeleton::followRidge(distance,
                           vc_skeleton::ridgeFollowParams(vcRadian(0.0), 5.0, vcVector<2>(3, 2)),
                           points, labels, distance.width(), 8);
  EXPECT_TRUE(points.empty());
}

TEST(RidgeFollow, CentringFindsTheMiddleOfAnOffCentreStart) {
  const vcPelBuffer<unsigned char> distance = strokeDistance(10, 40);
  const vsRidgeFollowParams settings =
      vc_skeleton::ridgeFollowParams(vcRadian(0.0), 4.0, vcVector<2>(30.0, 13.0));
  EXPECT_NEAR(vc_skeleton::refineOnRidge(distance, settings).y(), 15.0, 0.05);
  vsRidgeFollowParams bad = settings;
  bad.stepLength = 0.0;
  EXPECT_THROW(vc_skeleton::centreOnRidge(distance, bad, settings.startPoint), vcAssertionFailure);
}

}  // namespace
