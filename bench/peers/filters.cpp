// Edge detection and median filtering, ours and OpenCV's, on the same generated scenes.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <string>

#include "comparisons.h"
#include "cv_view.h"
#include "platform/ip/median.h"
#include "report.h"
#include "scenes/generate.h"
#include "tavshsl/edgelet_map.h"
#include "timing.h"

namespace peers {

namespace {


// Our magnitude is the Sobel response divided by 8 (grey levels per pixel); Canny works on the
// raw response. Both thresholds at 8 x 15 with the Euclidean norm select the pixels our
// detector considers, with no hysteresis, as ours has none.
constexpr double kMagThresh = 15.0;
constexpr double kCannyThresh = 8.0 * kMagThresh;

void compareEdges(const vcPelBuffer<unsigned char>& image, int runs) {
  const cv::Mat mat = matView(image);
  long edgelets = 0;
  const double ours = medianMs(
      [&] {
        const vcEdgeletMap map(image, kMagThresh);
        edgelets = long(map.edges().size());
      },
      runs);
  cv::Mat edges;
  const double peer =
      medianMs([&] { cv::Canny(mat, edges, kCannyThresh, kCannyThresh, 3, true); }, runs);
  printTiming({"edgelet map vs cv::Canny (3x3 Sobel)", sizeText(image.width(), image.height()),
               ours, peer,
               "edgelets " + std::to_string(edgelets) + " / edge pixels " +
                   std::to_string(cv::countNonZero(edges))});
}

void compareMedian(const vcPelBuffer<unsigned char>& image, int runs) {
  const cv::Mat mat = matView(image);
  const vcPelMedianParams params(vcPair<long>(9, 9), vcPair<long>(0, 255), false);
  vcPelBuffer<unsigned char> ours;
  const double oursMs = medianMs([&] { ours = vfPelMedian(image, params); }, runs);
  cv::Mat peer;
  const double peerMs = medianMs([&] { cv::medianBlur(mat, peer, 9); }, runs);

  // Both replicate the border and take the exact median of 81 values, so the outputs must
  // agree pixel for pixel; the note says whether they do.
  cv::Mat difference;
  cv::compare(matView(ours), peer, difference, cv::CMP_NE);
  const int differing = cv::countNonZero(difference);
  printTiming(
      {"median 9x9 vs cv::medianBlur", sizeText(image.width(), image.height()), oursMs, peerMs,
       differing == 0 ? "outputs identical" : std::to_string(differing) + " pixels differ"});
}

}  // namespace

void compareFilters(int runs) {
  printTimingHeader("Edges and median, generated scenes of discs, rings and bars");
  const long sizes[][2] = {{640, 480}, {1280, 1024}, {2048, 2048}};
  for (const auto& size : sizes) {
    const vcPelBuffer<unsigned char> image = scenes::edgeDensityScene(size[0], size[1]).image;
    compareEdges(image, runs);
    compareMedian(image, runs);
  }
}

}  // namespace peers
