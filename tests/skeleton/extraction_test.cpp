// The whole extraction: bars in grey images become centre-line segments with widths; specks,
// thin strokes and blank images give nothing; windows and client transforms are honoured.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/base/exception.h"
#include "scenes/canvas.h"
#include "skeleton_images.h"
#include "src/skeleton/skeletal_extraction.h"

namespace {

const vcPelBuffer<unsigned char>& lut() {
  static const vcPelBuffer<unsigned char> table = vfMakeDistanceLut();
  return table;
}

std::vector<vcFoundSegment> extract(const vcPelBuffer_const<unsigned char>& image,
                                    double minLength = 20.0) {
  std::vector<vcFoundSegment> segments;
  vfExtractSkeletalSegments(image, segments, minLength, lut());
  return segments;
}

// A 240 x 80 image with a bright horizontal bar of 6 rows (rows 37..42) and 200 columns.
vcPelBuffer<unsigned char> sixPixelBar() {
  vcPelBuffer<unsigned char> image = flatImage(240, 80, 40);
  fillRect(image, 20, 37, 200, 6, 160);
  return image;
}

TEST(SkeletalExtraction, SixPixelBarGivesOneSegmentOfWidthSix) {
  const std::vector<vcFoundSegment> segments = extract(sixPixelBar());
  ASSERT_EQ(segments.size(), 1u);
  const vcFoundSegment& s = segments[0];
  EXPECT_NEAR(s.segment().p1().y(), 40.0, 0.05);
  EXPECT_NEAR(s.segment().p2().y(), 40.0, 0.05);
  EXPECT_LT(s.segment().p1().x(), s.segment().p2().x());
  EXPECT_GT(s.length(), 180.0);
  EXPECT_EQ(s.width(), 6.0);
  EXPECT_EQ(s.magnitude(), 255.0);
  EXPECT_EQ(s.polarity(), vcSegmentDefs::eForward);
}

TEST(SkeletalExtraction, WindowOffsetAndClientScaleMoveAndWidenSegments) {
  // The same bar inside a larger image, seen through a window at (30, 20).
  vcPelBuffer<unsigned char> big = flatImage(300, 140, 40);
  fillRect(big, 50, 57, 200, 6, 160);
  vcPelBuffer<unsigned char> window = big.window(30, 20, 240, 80);
  const vcXform<2> clientFromImage(vcMatrix<2>::fromElements(2.0, 0.0, 0.0, 2.0),
                                   vcVector<2>(5.0, -7.0));
  window.clientFromImageXform(clientFromImage);
  const std::vector<vcFoundSegment> segments = extract(window);
  const std::vector<vcFoundSegment> plain = extract(sixPixelBar());
  ASSERT_EQ(segments.size(), 1u);
  const vcVector<2> shift(30.0, 20.0);
  const vcVector<2> expected = clientFromImage.mapPoint(plain[0].segment().p1() + shift);
  EXPECT_NEAR(segments[0].segment().p1().x(), expected.x(), 1e-9);
  EXPECT_NEAR(segments[0].segment().p1().y(), expected.y(), 1e-9);
  EXPECT_EQ(segments[0].width(), 12.0);
  EXPECT_NEAR(segments[0].length(), 2.0 * plain[0].length(), 1e-9);
}

TEST(SkeletalExtraction, WideStrokeInteriorBorrowsTheEdgeThreshold) {
  // Blocks inside a 72-pixel bar see no edges; they must take the threshold of the blocks at
  // its edges (about 100), not the ceiling of 200, or the bar's middle would fall out.
  vcPelBuffer<unsigned char> image = flatImage(400, 160, 40);
  fillRect(image, 40, 44, 320, 72, 150);
  std::vector<vcFoundSegment> segments;
  vsSkeletalStages stages;
  vfExtractSkeletalSegments(image, segments, 20.0, lut(), &stages);
  for (long y = 44; y < 116; ++y) ASSERT_EQ(stages.mask.get(200, y), 255) << "row " << y;
  ASSERT_EQ(segments.size(), 1u);
  // The ridge bends a little where it runs into the bar's square ends (the profile's first
  // maximum wins a tie), so only the middle is exact.
  EXPECT_NEAR(segments[0].segment().midpoint().y(), 80.0, 0.01);
  EXPECT_NEAR(segments[0].segment().p1().y(), 80.0, 0.5);
  EXPECT_EQ(segments[0].width(), 72.0);
}

TEST(SkeletalExtraction, BlankImagesGiveNothing) {
  // Without edges every block is cut at 200.
  EXPECT_TRUE(extract(flatImage(120, 90, 0)).empty());
  EXPECT_TRUE(extract(flatImage(120, 90, 199)).empty());
  EXPECT_TRUE(extract(flatImage(120, 90, 255)).empty());
  // A bar brighter than 200 on a background that has no edges near it is still a stroke; one
  // of 190 is not (its edges are too weak for the edge threshold, so the ceiling cuts).
  vcPelBuffer<unsigned char> faint = flatImage(240, 80, 180);
  fillRect(faint, 20, 30, 200, 12, 195);
  EXPECT_TRUE(extract(faint).empty());
  fillRect(faint, 20, 30, 200, 12, 210);
  EXPECT_EQ(extract(faint).size(), 1u);
}

TEST(SkeletalExtraction, SmallAndThinStrokesGiveNothing) {
  // Under 1000 pixels of area: removed as a speck.
  vcPelBuffer<unsigned char> small = flatImage(200, 80, 40);
  fillRect(small, 20, 30, 99, 10, 160);  // 990 pixels
  EXPECT_TRUE(extract(small).empty());
  fillRect(small, 20, 30, 115, 10, 160);  // 1150 pixels, a little less after the median
  EXPECT_EQ(extract(small).size(), 1u);
  // Bright strokes of 1 and 2 pixels, longer than any speck, give nothing (the median and the
  // ridge floor each remove them; the ridge tests check the floor alone).
  vcPelBuffer<unsigned char> thin = flatImage(600, 80, 30);
  fillRect(thin, 0, 20, 600, 1, 230);
  fillRect(thin, 0, 50, 600, 2, 230);
  EXPECT_TRUE(extract(thin).empty());
  EXPECT_TRUE(extract(sixPixelBar(), 1000.0).empty());
}

TEST(SkeletalExtraction, SpecksVanishAndSmallHolesFill) {
  vcPelBuffer<unsigned char> mask = flatImage(120, 100, 0);
  fillRect(mask, 2, 2, 37, 27, 255);    // 999 pixels: removed
  fillRect(mask, 50, 2, 40, 25, 255);   // 1000 pixels: kept
  fillRect(mask, 2, 40, 116, 58, 255);  // a stroke region with two holes
  fillRect(mask, 10, 50, 19, 21, 0);    // 399 pixels: filled
  fillRect(mask, 60, 50, 20, 20, 0);    // 400 pixels: kept
  vc_skeleton::removeSpecksAndHoles(mask);
  EXPECT_EQ(mask.get(20, 15), 0);
  EXPECT_EQ(mask.get(70, 15), 255);
  EXPECT_EQ(mask.get(20, 60), 255);
  EXPECT_EQ(mask.get(70, 60), 0);
}

TEST(SkeletalExtraction, TinyAndDegenerateImagesAreHandled) {
  for (const auto& [w, h] :
       {std::pair{1L, 1L}, {1L, 300L}, {300L, 1L}, {5L, 5L}, {8L, 40L}, {2L, 2L}, {0L, 10L}})
    EXPECT_TRUE(extract(flatImage(w, h, 230)).empty()) << w << " x " << h;
  std::vector<vcFoundSegment> segments(3);
  EXPECT_THROW(vfExtractSkeletalSegments(vcPelBuffer<unsigned char>(), segments, 20.0, lut()),
               vcBadParamsError);
  EXPECT_THROW(vfExtractSkeletalSegments(sixPixelBar(), segments, 20.0, flatImage(16, 16, 0)),
               vcBadParamsError);
  EXPECT_THROW(vfExtractSkeletalSegments(sixPixelBar(), segments, std::nan(""), lut()),
               vcBadParamsError);
  EXPECT_EQ(segments.size(), 3u);  // unchanged by the refusals
}

// Bars drawn anti-aliased at random angles, widths, lengths and contrasts, blurred and noisy,
// all with edges clear of the edge threshold: each is found on its axis.
TEST(SkeletalExtraction, RandomBarsAreFoundOnTheirAxes) {
  struct Bar {
    double width, length, degrees, contrast, blur, noise;
  };
  const Bar bars[] = {{6.5, 190, 12, 100, 0.6, 3},   {12, 120, 77, 80, 0.3, 5},
                      {18.5, 260, 133, 120, 1.2, 4}, {29, 150, 41, 90, 0.9, 2},
                      {9, 300, 168, 70, 0.0, 1},     {23, 90, 95, 110, 1.5, 5}};
  long index = 0;
  for (const Bar& bar : bars) {
    const long size = long(bar.length + bar.width) + 40;
    vcSceneCanvas canvas(size, size, 50.0);
    const vcVector<2> centre(size / 2.0 + 0.3, size / 2.0 - 0.2);
    const vcVector<2> axis(1.0, vcRadian(bar.degrees * std::numbers::pi / 180.0));
    canvas.drawStroke(centre - axis * (bar.length / 2), centre + axis * (bar.length / 2), bar.width,
                      50.0 + bar.contrast);
    canvas.blur(bar.blur);
    vcSceneRandom random(std::uint32_t(100 + index++));
    canvas.addNoise(bar.noise, random);
    const std::vector<vcFoundSegment> segments = extract(canvas.image());
    const vcFoundSegment* best = nullptr;
    for (const vcFoundSegment& s : segments)
      if (best == nullptr || s.length() > best->length()) best = &s;
    ASSERT_NE(best, nullptr) << "bar " << index;
    const vcVector<2> a = best->segment().p1(), b = best->segment().p2();
    const double d1 = (a - centre).cross(axis), d2 = (b - centre).cross(axis);
    EXPECT_LT(std::sqrt((d1 * d1 + d1 * d2 + d2 * d2) / 3.0), 0.3) << "bar " << index;
    const double cosine = std::fabs((b - a) * axis) / (b - a).len();
    EXPECT_LT(std::acos(std::min(1.0, cosine)) * 180.0 / std::numbers::pi, 0.5) << "bar " << index;
    EXPECT_NEAR(best->width(), bar.width, 1.5) << "bar " << index;
  }
}

}  // namespace
