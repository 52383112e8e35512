// Stroke centre-lines: our skeletal extraction against the nearest OpenCV pipeline on the same
// scenes of stroke figures (ten per 640 x 480): medianBlur 9, adaptiveThreshold, removal of
// components under 1000 pixels through connectedComponentsWithStats, distanceTransform with
// the exact L2 mask and ximgproc thinning. OpenCV's pipeline ends at skeleton pixels (no line
// fit, no widths); ours at fitted segments with widths, so it does somewhat more.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

#include <string>
#include <vector>

#include "bench/skeleton/stroke_scenes.h"
#include "comparisons.h"
#include "cv_view.h"
#include "report.h"
#include "src/skeleton/skeletal_extraction.h"
#include "timing.h"

namespace peers {

namespace {

// The OpenCV pipeline; returns the number of skeleton pixels, or 0 without thinning (the
// pipeline then ends at the distance image). The adaptive threshold compares each pixel with
// the mean of its 49 x 49 neighbourhood plus 10 grey levels (bright strokes).
int opencvSkeleton(const cv::Mat& image, cv::Mat& skeleton, bool thin) {
  cv::Mat cleaned, mask, labels, stats, centroids, distance;
  cv::medianBlur(image, cleaned, 9);
  cv::adaptiveThreshold(cleaned, mask, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 49,
                        -10.0);
  const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8, CV_32S);
  std::vector<unsigned char> keep(std::size_t(count), 0);
  for (int i = 1; i < count; ++i) keep[std::size_t(i)] = stats.at<int>(i, cv::CC_STAT_AREA) >= 1000;
  for (int y = 0; y < labels.rows; ++y) {
    const int* l = labels.ptr<int>(y);
    unsigned char* m = mask.ptr<unsigned char>(y);
    for (int x = 0; x < labels.cols; ++x) m[x] = keep[std::size_t(l[x])] ? 255 : 0;
  }
  cv::distanceTransform(mask, distance, cv::DIST_L2, cv::DIST_MASK_PRECISE);
  if (!thin) return 0;
  cv::ximgproc::thinning(mask, skeleton, cv::ximgproc::THINNING_ZHANGSUEN);
  return cv::countNonZero(skeleton);
}

}  // namespace

void compareStrokes(int runs) {
  printTimingHeader("Stroke centre-lines, generated scenes of stroke figures (10 per 640x480)");
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  const long sizes[][2] = {{640, 480}, {1280, 1024}, {2048, 2048}};
  for (const auto& size : sizes) {
    const vcPelBuffer<unsigned char> image =
        skeleton_bench::strokeFigureScene(size[0], size[1], 31);
    const cv::Mat mat = matView(image);
    std::vector<vcFoundSegment> segments;
    const double ours =
        medianMs([&] { vfExtractSkeletalSegments(image, segments, 20.0, lut); }, runs);
    cv::Mat skeleton;
    int pixels = 0;
    const double peer = medianMs([&] { pixels = opencvSkeleton(mat, skeleton, true); }, runs);
    const double peerNoThin = medianMs([&] { opencvSkeleton(mat, skeleton, false); }, runs);
    printTiming({"skeletal segments vs OpenCV skeleton", sizeText(image.width(), image.height()),
                 ours, peer,
                 "segments " + std::to_string(segments.size()) + " / skeleton pixels " +
                     std::to_string(pixels)});
    printTiming({"  same vs OpenCV without thinning", sizeText(image.width(), image.height()), ours,
                 peerNoThin, "peer ends at the distance image"});
  }
}

}  // namespace peers
