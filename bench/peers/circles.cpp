// Circles: our circle finder (image form, edge detection included) against EdgeDrawing's
// circle detector and the gradient method of HoughCircles, timed on the same images and
// scored against the generated scenes' ground truth.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "comparisons.h"
#include "cv_view.h"
#include "photos.h"
#include "report.h"
#include "scenes/generate.h"
#include "tavshsl/circle_finder.h"
#include "timing.h"
#include "truth_match.h"

namespace peers {

namespace {

// The radii every finder searches, pixels.
struct RadiusBand {
  double low;
  double high;
};

// One finder's answers on one image, in image coordinates, and its time.
struct CircleRun {
  double ms = 0.0;
  std::vector<vsFoundCircle> circles;
};

// Ours, with every result in the band (at most 100), either polarity, the image reduced by
// subSample (0: searched as it is).
CircleRun runOurs(const vcPelBuffer_const<unsigned char>& image, RadiusBand band, int runs,
                  long subSample = 0) {
  vcCircleFinderRunParams params;
  params.radiusRange(vcRange(band.low, band.high));
  params.maxNumResults(100);
  params.subSample(subSample);
  vcCircleFinderResultSet found;
  CircleRun run;
  run.ms = medianMs([&] { vfCircleFinder(image, params, found, nullptr, 0); }, runs);
  for (const vcCircleFinderResult& c : found.results())
    run.circles.push_back({c.center(), c.radius()});
  return run;
}

// EdgeDrawing with its defaults. It reports circles (radius in element 2) and ellipses (semi-
// axes in elements 3 and 4, element 2 zero); an ellipse counts as a circle of its mean
// semi-axis. It takes no radius range, so answers outside the band are dropped afterwards,
// which costs nothing worth timing. OpenCV puts pixel centres at integers, hence the half
// pixel.
CircleRun runEdgeDrawing(const vcPelBuffer_const<unsigned char>& image, RadiusBand band, int runs) {
  const cv::Mat mat = matView(image);
  const cv::Ptr<cv::ximgproc::EdgeDrawing> ed = cv::ximgproc::createEdgeDrawing();
  std::vector<cv::Vec6d> ellipses;
  CircleRun run;
  run.ms = medianMs(
      [&] {
        ed->detectEdges(mat);
        ed->detectEllipses(ellipses);
      },
      runs);
  for (const cv::Vec6d& e : ellipses) {
    const double radius = e[2] + 0.5 * (e[3] + e[4]);
    if (radius >= band.low && radius <= band.high)
      run.circles.push_back({vcVector<2>(e[0] + 0.5, e[1] + 0.5), radius});
  }
  return run;
}

// HoughCircles, gradient method, on the image as it is (the scenes are already blurred).
// Canny's upper threshold 100 (OpenCV's default) and an accumulator threshold of 30, a usual
// choice for radii of tens of pixels. Centres closer than 16 pixels are merged: no two
// distinct circles of the scenes are closer, but a ring's two boundaries, which share their
// centre, cannot both be found this way.
CircleRun runHough(const vcPelBuffer_const<unsigned char>& image, RadiusBand band, int runs) {
  const cv::Mat mat = matView(image);
  std::vector<cv::Vec3f> circles;
  CircleRun run;
  run.ms = medianMs(
      [&] {
        cv::HoughCircles(mat, circles, cv::HOUGH_GRADIENT, 1.0, 16.0, 100.0, 30.0, int(band.low),
                         int(band.high + 0.5));
      },
      runs);
  for (const cv::Vec3f& c : circles)
    run.circles.push_back({vcVector<2>(c[0] + 0.5, c[1] + 0.5), c[2]});
  return run;
}

// A finder's row of the quality table, summed over the scenes.
void addRun(vsQualityRow& row, const CircleRun& run, const std::vector<vsSceneCircle>& truth) {
  const vsCircleMatch match = matchCircles(truth, run.circles);
  // meanMs holds the sum until the end; centreErrorPx the summed distance.
  row.meanMs += run.ms;
  row.truth += long(truth.size());
  row.found += long(run.circles.size());
  row.matched += match.matched;
  row.centreErrorPx += match.centreErrorSum;
}

void finishRow(vsQualityRow& row, int scenes) {
  row.meanMs /= scenes;
  if (row.matched > 0) row.centreErrorPx /= double(row.matched);
}

std::string countNote(std::size_t ours, std::size_t peer) {
  return "circles " + std::to_string(ours) + " / " + std::to_string(peer);
}

// Times the three finders on kScenes seeded scenes of `params` and prints their figures
// against the scenes' truth. Ours runs a second time with the image reduced by 2 first, the
// finder's own smoothing for noisy images, which the quality table lists on its own line.
void compareOnScenes(const std::string& title, vsSceneParams params, RadiusBand band, int runs) {
  constexpr int kScenes = 5;
  printTimingHeader("Circles (edge detection included), " + title);
  vsQualityRow ours{"circle finder"};
  vsQualityRow reduced{"circle finder, reduced by 2"};
  vsQualityRow ed{"EdgeDrawing circles"};
  vsQualityRow hough{"HoughCircles (gradient)"};
  for (int k = 0; k < kScenes; ++k) {
    params.seed = std::uint32_t(31 + k);
    const vsScene scene = scenes::circles(params);
    const CircleRun oursRun = runOurs(scene.image, band, runs);
    const CircleRun edRun = runEdgeDrawing(scene.image, band, runs);
    const CircleRun houghRun = runHough(scene.image, band, runs);
    const std::string size = "seed " + std::to_string(params.seed) + " " +
                             sizeText(scene.image.width(), scene.image.height());
    printTiming({"circle finder vs EdgeDrawing circles", size, oursRun.ms, edRun.ms,
                 countNote(oursRun.circles.size(), edRun.circles.size())});
    printTiming({"circle finder vs HoughCircles", size, oursRun.ms, houghRun.ms,
                 countNote(oursRun.circles.size(), houghRun.circles.size())});
    addRun(ours, oursRun, scene.circles);
    addRun(reduced, runOurs(scene.image, band, runs, 2), scene.circles);
    addRun(ed, edRun, scene.circles);
    addRun(hough, houghRun, scene.circles);
  }
  for (vsQualityRow* row : {&ours, &reduced, &ed, &hough}) finishRow(*row, kScenes);
  printQualityHeader("Circles against ground truth, " + std::to_string(kScenes) + " " + title);
  for (const vsQualityRow* row : {&ours, &reduced, &ed, &hough}) printQuality(*row);
}

}  // namespace

void compareCircles(int runs) {
  // 640x480 scenes of five discs and rings each: radii 20 to 60, rings 6 to 12 pixels wide,
  // so every boundary has a radius from 8 to 60. First clean ones (contrast 160, noise 2),
  // then faint, noisy ones (contrast 50, noise 8).
  vsSceneParams params;
  params.width = 640;
  params.height = 480;
  params.count = 5;
  params.minSize = 20.0;
  params.maxSize = 60.0;
  params.minWidth = 6.0;
  params.maxWidth = 12.0;
  const RadiusBand band{params.minSize - params.maxWidth, params.maxSize};
  compareOnScenes("clean generated scenes", params, band, runs);
  params.background = 80.0;
  params.foreground = 130.0;
  params.noiseSigma = 8.0;
  compareOnScenes("faint, noisy generated scenes", params, band, runs);

  // The coins photograph: coins of about 20 to 35 pixels radius; no ground truth, times only,
// for the full-size search and the half-size one.
  printTimingHeader("Circles (edge detection included), photograph");
  const RadiusBand coinBand{10.0, 40.0};
  for (const vsPhoto& photo : loadPhotos({"coins"})) {
    const std::string size = photo.name + " " + sizeText(photo.image.width(), photo.image.height());
    const CircleRun oursRun = runOurs(photo.image, coinBand, runs);
    const CircleRun edRun = runEdgeDrawing(photo.image, coinBand, runs);
    const CircleRun houghRun = runHough(photo.image, coinBand, runs);
    printTiming({"circle finder vs EdgeDrawing circles", size, oursRun.ms, edRun.ms,
                 countNote(oursRun.circles.size(), edRun.circles.size())});
    printTiming({"circle finder vs HoughCircles", size, oursRun.ms, houghRun.ms,
                 countNote(oursRun.circles.size(), houghRun.circles.size())});
    // Coins 20 pixels and more across keep their outlines at half size.
    const CircleRun reducedRun = runOurs(photo.image, coinBand, runs, 2);
    printTiming({"half-size circle finder vs EdgeDrawing", size, reducedRun.ms, edRun.ms,
                 countNote(reducedRun.circles.size(), edRun.circles.size())});
  }
}

}  // namespace peers
