// Pattern alignment of a trained circle: refinement of position and size, scores of full,
// half, missing and cluttered outlines, client transforms, and refused input.

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/align/gx_align.h"
#include "platform/base/circle.h"
#include "platform/base/exception.h"
#include "scenes/canvas.h"

namespace {

constexpr double kTrainedRadius = 10.0;

vcGXAlignPattern trainedPattern(const vcXform<2>& clientFromImage = vcXform<2>()) {
  vcGXAlignPattern pattern;
  pattern.autoSelectGrainLimits(false);
  pattern.grainLimits(6.0f, 2.0f);  // either order
  pattern.scaleSearch(true);
  pattern.train(vcCircle(vcVector<2>(0.0, 0.0), kTrainedRadius), clientFromImage, vcPelRect(0, 0),
                vcGXAlignPattern::eTrainOutline | vcGXAlignPattern::eTrainPolarity, nullptr, 0);
  return pattern;
}

vcPtrHandle_const<vc2XformBase> startAt(const vcVector<2>& center, double radius) {
  const double s = radius / kTrainedRadius;
  return vcPtrHandle_const<vc2XformBase>(
      new vc2XformLinear(center, vcRadian(0.0), vcRadian(0.0), s, s));
}

vcGXAlignRunParams runParams(double threshold = 0.0) {
  vcGXAlignRunParams params;
  params.algorithm(2);
  params.scoreUsingClutter(false);
  params.acceptThreshold(threshold);
  return params;
}

// A w x w scene: a disc (grey fg on bg), blur 1, noise; half hides the right half.
vcPelBuffer<unsigned char> discScene(long w, const vcVector<2>& c, double r, double bg, double fg,
                                     double noise, bool half = false) {
  vcSceneCanvas canvas(w, w, bg);
  canvas.drawDisc(c, r, fg);
  if (half) canvas.drawHalfPlane(c, vcVector<2>(1.0, 0.0), bg);
  canvas.blur(1.0);
  vcSceneRandom random(17);
  canvas.addNoise(noise, random);
  return canvas.image();
}

double scoreAt(const vcGXAlignPattern& pattern, const vcPelBuffer<unsigned char>& image,
               const vcVector<2>& c, double r, vcGXAlignResultSet& found) {
  pattern.run(image, runParams(), startAt(c, r), found, nullptr, 0);
  EXPECT_EQ(found.numFound(), 1);
  return found.numFound() > 0 ? found.results()[0].score() : -1.0;
}

TEST(GXAlign, FullCirclesScoreHighAndAreRefined) {
  const vcGXAlignPattern pattern = trainedPattern();
  vcGXAlignResultSet found;
  for (const auto& [radius, bg, fg] : {std::tuple(8.0, 40.0, 200.0), std::tuple(35.0, 180.0, 60.0),
                                       std::tuple(110.0, 50.0, 120.0)}) {
    const long w = long(2.0 * radius + 40.0);
    const vcVector<2> truth(w / 2.0 + 0.37, w / 2.0 - 0.21);
    // Start 1.5 pixels and 4 % off.
    const double score = scoreAt(pattern, discScene(w, truth, radius, bg, fg, 5.0),
                                 truth + vcVector<2>(1.2, -0.9), radius * 1.04, found);
    EXPECT_GE(score, 0.9) << "radius " << radius;
    const vc2XformLinear& pose = found.results()[0].pose();
    EXPECT_NEAR(pose.trans().x(), truth.x(), 0.15) << "radius " << radius;
    EXPECT_NEAR(pose.trans().y(), truth.y(), 0.15) << "radius " << radius;
    EXPECT_NEAR(pose.scale() * kTrainedRadius, radius, 0.2) << "radius " << radius;
  }
}

TEST(GXAlign, PartialMissingAndClutteredOutlinesScoreByWhatIsThere) {
  const vcGXAlignPattern pattern = trainedPattern();
  vcGXAlignResultSet found;
  const vcVector<2> c(60.3, 59.6);

  // Half a disc scores about a half, below an accept threshold of 0.7 nothing is reported.
  const vcPelBuffer<unsigned char> halfDisc = discScene(120, c, 40.0, 40.0, 200.0, 5.0, true);
  const double half = scoreAt(pattern, halfDisc, c, 40.0, found);
  EXPECT_GT(half, 0.4);
  EXPECT_LT(half, 0.6);
  pattern.run(halfDisc, runParams(0.7), startAt(c, 40.0), found, nullptr, 0);
  EXPECT_EQ(found.numFound(), 0);

  // Blank, noisy.
  EXPECT_LT(scoreAt(pattern, discScene(120, c, 1.0, 100.0, 100.5, 8.0), c, 40.0, found), 0.3);

  // Clutter just off the outline (a concentric ring 5 pixels outside) lowers the score.
  vcSceneCanvas rings(120, 120, 40.0);
  rings.drawRing(c, 48.0, 45.0, 200.0);
  rings.drawDisc(c, 40.0, 200.0);
  rings.blur(1.0);
  const double plain = scoreAt(pattern, rings.image(), c, 40.0, found);
  vcGXAlignRunParams clutter = runParams();
  clutter.scoreUsingClutter(true);
  pattern.run(rings.image(), clutter, startAt(c, 40.0), found, nullptr, 0);
  ASSERT_EQ(found.numFound(), 1);
  EXPECT_LT(found.results()[0].score(), plain - 0.3);
}

TEST(GXAlign, PolygonsNearTheCircleScoreLowFaintDiscsHigh) {
  // Regular polygons whose outline stays within the fine limit (2 pixels) of a circle: their
  // sides turn the gradient away from the radius, so most samples do not count.
  const vcGXAlignPattern pattern = trainedPattern();
  vcGXAlignResultSet found;
  const vcVector<2> c(50.3, 49.6);
  for (const int sides : {5, 6}) {
    vcSceneCanvas canvas(100, 100, 50.0);
    std::vector<vcVector<2>> corners;
    for (int k = 0; k < sides; ++k) {
      const double a = 0.3 + 2.0 * 3.14159265358979 * k / sides;
      corners.push_back(c + vcVector<2>(20.0 * std::cos(a), 20.0 * std::sin(a)));
    }
    canvas.drawPolygon(corners, 170.0);
    canvas.blur(1.0);
    const double inscribed = 20.0 * std::cos(3.14159265358979 / sides);
    EXPECT_LT(scoreAt(pattern, canvas.image(), c, 0.5 * (20.0 + inscribed), found), 0.5)
        << sides << " sides";
  }
  // A faint, blurred, noisy disc of the same size stays above an accept threshold of 0.6.
  vcSceneCanvas faint(100, 100, 90.0);
  faint.drawDisc(c, 19.0, 125.0);
  faint.blur(1.5);
  vcSceneRandom random(3);
  faint.addNoise(5.0, random);
  EXPECT_GT(scoreAt(pattern, faint.image(), c, 19.5, found), 0.6);
}

TEST(GXAlign, WorksInClientCoordinatesAndScoresTheStartPoseOnRequest) {
  // Client = 0.5 x image + (100, 200): a 30-pixel disc is 15 client units.
  const vcXform<2> clientFromImage(vcVector<2>(100.0, 200.0), 0.5, 1.0, vcRadian(0.0),
                                   vcRadian(0.0));
  const vcGXAlignPattern pattern = trainedPattern(clientFromImage);
  const vcVector<2> at(50.4, 49.8), truth = clientFromImage.mapPoint(at);
  vcPelBuffer<unsigned char> image = discScene(100, at, 30.0, 40.0, 200.0, 3.0);
  image.clientFromImageXform(clientFromImage);
  vcGXAlignResultSet found;
  pattern.run(image, runParams(), startAt(truth + vcVector<2>(0.5, 0.5), 15.5), found, nullptr, 0);
  ASSERT_EQ(found.numFound(), 1);
  EXPECT_NEAR(found.results()[0].pose().trans().x(), truth.x(), 0.08);
  EXPECT_NEAR(found.results()[0].pose().trans().y(), truth.y(), 0.08);
  EXPECT_NEAR(found.results()[0].pose().scale() * kTrainedRadius, 15.0, 0.1);

  // Scoring the start pose as it is: 3 pixels off, most of the outline is outside the window.
  vcGXAlignRunParams scoreOnly = runParams();
  scoreOnly.algorithm(vcGXAlignRunParams::eScoreOnly);
  pattern.run(image, scoreOnly, startAt(truth + vcVector<2>(1.5, 0.0), 15.0), found, nullptr, 0);
  ASSERT_EQ(found.numFound(), 1);
  EXPECT_LT(found.results()[0].score(), 0.7);
  EXPECT_EQ(found.results()[0].pose().trans(), truth + vcVector<2>(1.5, 0.0));
}

TEST(GXAlign, RefusesBadInput) {
  vcGXAlignPattern pattern;
  vcGXAlignResultSet found;
  const vcPelBuffer<unsigned char> image(40, 40);
  EXPECT_THROW(
      pattern.run(image, runParams(), startAt(vcVector<2>(20, 20), 10.0), found, nullptr, 0),
      vcBadParamsError);
  EXPECT_THROW(pattern.grainLimits(std::nanf(""), 2.0f), vcBadParamsError);
  EXPECT_THROW(pattern.grainLimits(0.0f, 2.0f), vcBadParamsError);
  // Unknown training flags, a non-empty rectangle, a circle of radius 0.
  const vcCircle circle(vcVector<2>(0.0, 0.0), 5.0), point(vcVector<2>(0.0, 0.0), 0.0);
  for (const auto& [c, rect, flags] :
       {std::tuple(circle, vcPelRect(0, 0), 2), std::tuple(circle, vcPelRect(0, 0), 5),
        std::tuple(circle, vcPelRect(4, 4), 1), std::tuple(point, vcPelRect(0, 0), 1)})
    EXPECT_THROW(pattern.train(c, vcXform<2>(), rect, flags, nullptr, 0), vcBadParamsError);
  EXPECT_FALSE(pattern.isTrained());

  vcGXAlignRunParams params;
  EXPECT_THROW(params.acceptThreshold(1.5), vcBadParamsError);
  EXPECT_THROW(params.algorithm(3), vcBadParamsError);
  EXPECT_EQ(params.acceptThreshold(), 0.5);
  EXPECT_EQ(params.algorithm(), vcGXAlignRunParams::eRefine);

  // No start pose, a start of almost zero size, an unbound image.
  const vcGXAlignPattern trained = trainedPattern();
  for (const auto& [img, start] :
       {std::pair(image, vcPtrHandle_const<vc2XformBase>()),
        std::pair(image, startAt(vcVector<2>(20, 20), 1e-3)),
        std::pair(vcPelBuffer<unsigned char>(), startAt(vcVector<2>(20, 20), 10.0))})
    EXPECT_THROW(trained.run(img, runParams(), start, found, nullptr, 0), vcBadParamsError);
  // A circle reaching past the image is scored, its outside samples unsupported.
  trained.run(image, runParams(), startAt(vcVector<2>(0, 0), 15.0), found, nullptr, 0);
  ASSERT_EQ(found.numFound(), 1);
  EXPECT_EQ(found.results()[0].score(), 0.0);
}

}  // namespace
