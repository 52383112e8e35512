// Accuracy on the benchmark's scenes (bench/accuracy): LSD and EdgeDrawing lines, EdgeDrawing
// circles and HoughCircles, scored bucket by bucket exactly as bench_accuracy scores ours,
// which is printed alongside.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

#include <cstdio>
#include <vector>

#include "comparisons.h"
#include "cv_view.h"
#include "run_ours.h"
#include "score.h"

namespace peers {

namespace {

// OpenCV puts pixel centres at integers; the scenes at half-integers.
constexpr double kHalf = 0.5;

std::vector<accuracy::vsSegment> segments(const std::vector<cv::Vec4f>& lines) {
  std::vector<accuracy::vsSegment> out;
  for (const cv::Vec4f& l : lines)
    out.push_back(
        {vcVector<2>(l[0] + kHalf, l[1] + kHalf), vcVector<2>(l[2] + kHalf, l[3] + kHalf)});
  return out;
}

}  // namespace

void compareAccuracy(long scenes) {
  accuracy::vcLineScore oursLines, lsdLines, edLines;
  accuracy::vcCircleScore oursCircles, edCircles, houghCircles;
  const cv::Ptr<cv::LineSegmentDetector> lsd = cv::createLineSegmentDetector(cv::LSD_REFINE_STD);
  const cv::Ptr<cv::ximgproc::EdgeDrawing> ed = cv::ximgproc::createEdgeDrawing();
  const double rMin = scenes::kRadiusBuckets[0], rMax = scenes::kRadiusBuckets[5];
  for (long k = 0; k < scenes; ++k) {
    const vsAccuracyScene scene = accuracy::sceneNumber(1 + k);
    const accuracy::vsOurs ours = accuracy::runOurs(scene.image);
    oursLines.add(scene, ours.segments);
    oursCircles.add(scene, ours.circles);

    const cv::Mat mat = matView(scene.image);
    std::vector<cv::Vec4f> found;
    lsd->detect(mat, found);
    lsdLines.add(scene, segments(found));
    ed->detectEdges(mat);
    ed->detectLines(found);
    edLines.add(scene, segments(found));

    // EdgeDrawing reports circles (radius in element 2) and ellipses (semi-axes in elements 3
    // and 4); an ellipse counts as a circle of its mean semi-axis. It takes no radius range,
    // so answers outside 6 to 126 are dropped.
    std::vector<cv::Vec6d> ellipses;
    ed->detectEllipses(ellipses);
    std::vector<accuracy::vsCircle> circles;
    for (const cv::Vec6d& e : ellipses) {
      const double radius = e[2] + 0.5 * (e[3] + e[4]);
      if (radius >= rMin && radius <= rMax)
        circles.push_back({vcVector<2>(e[0] + kHalf, e[1] + kHalf), radius});
    }
    edCircles.add(scene, circles);

    // HoughCircles as in the circle comparison: Canny 100, accumulator 30, centres 16 apart.
    std::vector<cv::Vec3f> hough;
    cv::HoughCircles(mat, hough, cv::HOUGH_GRADIENT, 1.0, 16.0, 100.0, 30.0, int(rMin),
                     int(rMax + 0.5));
    circles.clear();
    for (const cv::Vec3f& c : hough)
      circles.push_back({vcVector<2>(c[0] + kHalf, c[1] + kHalf), c[2]});
    houghCircles.add(scene, circles);
  }
  std::printf("\nAccuracy on %ld benchmark scenes from seed 1 (bench_accuracy's scenes)\n", scenes);
  oursLines.print("line tracker, defaults");
  lsdLines.print("LSD");
  edLines.print("EdgeDrawing lines");
  oursCircles.print("circle finder, radii 6-126, either polarity");
  edCircles.print("EdgeDrawing circles");
  houghCircles.print("HoughCircles (gradient)");
}

}  // namespace peers
