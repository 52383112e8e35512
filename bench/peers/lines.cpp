// Line segments: the image form of our line tracker (edge detection included) against
// OpenCV's LSD and EdgeDrawing line detectors, on generated scenes and photographs.

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "comparisons.h"
#include "cv_view.h"
#include "io/render_png.h"
#include "overlay.h"
#include "photos.h"
#include "report.h"
#include "scenes/generate.h"
#include "tavshsl/line_tracker.h"
#include "timing.h"
#include "truth_match.h"

namespace peers {

namespace {

// The segments of the three finders on one image, in image coordinates, with their times.
struct LineRun {
  double oursMs = 0.0;
  double lsdMs = 0.0;
  double edMs = 0.0;
  std::vector<vsFoundSegment> ours;
  std::vector<vsFoundSegment> lsd;
  std::vector<vsFoundSegment> ed;
};

// OpenCV's segments put pixel centres at integers; ours at half-integers.
std::vector<vsFoundSegment> toSegments(const std::vector<cv::Vec4f>& lines) {
  std::vector<vsFoundSegment> segments;
  segments.reserve(lines.size());
  for (const cv::Vec4f& l : lines)
    segments.push_back({vcVector<2>(l[0] + 0.5, l[1] + 0.5), vcVector<2>(l[2] + 0.5, l[3] + 0.5)});
  return segments;
}

LineRun runAll(const vcPelBuffer_const<unsigned char>& image, int runs) {
  LineRun run;
  const cv::Mat mat = matView(image);

  // Ours with its defaults (magnitude threshold 15, 35 degrees, 1 pixel, every extra result)
  // and lines of 10 edgelets or more, about the shortest the peers report by default.
  vcLineTrackerRunParams params;
  params.minNumEdgelets(10);
  vcLineTrackerResultSet lines;
  run.oursMs = medianMs([&] { vfLineTracker(image, params, lines, nullptr, 0); }, runs);
  for (const vcLineTrackerResult& r : lines.results()) run.ours.push_back({r.p1(), r.p2()});

  // The peers with their own defaults; detector set-up stays outside the timing.
  const cv::Ptr<cv::LineSegmentDetector> lsd = cv::createLineSegmentDetector(cv::LSD_REFINE_STD);
  std::vector<cv::Vec4f> lsdLines;
  run.lsdMs = medianMs([&] { lsd->detect(mat, lsdLines); }, runs);
  run.lsd = toSegments(lsdLines);

  const cv::Ptr<cv::ximgproc::EdgeDrawing> ed = cv::ximgproc::createEdgeDrawing();
  std::vector<cv::Vec4f> edLines;
  run.edMs = medianMs(
      [&] {
        ed->detectEdges(mat);
        ed->detectLines(edLines);
      },
      runs);
  run.ed = toSegments(edLines);
  return run;
}

std::string countNote(std::size_t ours, std::size_t peer) {
  return "segments " + std::to_string(ours) + " / " + std::to_string(peer);
}

std::string coverageNote(std::size_t ours, std::size_t peer, double oursCover, double peerCover) {
  char text[96];
  std::snprintf(text, sizeof text, ", truth covered %.0f%% / %.0f%%", 100.0 * oursCover,
                100.0 * peerCover);
  return countNote(ours, peer) + text;
}

void printRuns(const std::string& label, const vcPelBuffer_const<unsigned char>& image,
               const LineRun& run, const std::vector<vsSceneEdge>* truth) {
  const std::string size = label + " " + sizeText(image.width(), image.height());
  std::string lsdNote = countNote(run.ours.size(), run.lsd.size());
  std::string edNote = countNote(run.ours.size(), run.ed.size());
  if (truth != nullptr) {
    const double oursCover = edgeCoverage(*truth, run.ours);
    lsdNote =
        coverageNote(run.ours.size(), run.lsd.size(), oursCover, edgeCoverage(*truth, run.lsd));
    edNote = coverageNote(run.ours.size(), run.ed.size(), oursCover, edgeCoverage(*truth, run.ed));
  }
  printTiming({"line tracker vs LSD", size, run.oursMs, run.lsdMs, lsdNote});
  printTiming({"line tracker vs EdgeDrawing lines", size, run.oursMs, run.edMs, edNote});
}

// Segments of 10 pixels or more: what a person would call a line on a photograph.
long countLong(const std::vector<vsFoundSegment>& segments) {
  long n = 0;
  for (const vsFoundSegment& s : segments) n += s.p1.distance(s.p2) >= 10.0 ? 1 : 0;
  return n;
}

// The photograph in grey with the segments of 10 pixels or more in green.
void writeOverlay(const std::string& path, const vcPelBuffer_const<unsigned char>& image,
                  const std::vector<vsFoundSegment>& segments) {
  vcRgbImage picture = vfGreyToRgb(image, 1);
  for (const vsFoundSegment& s : segments)
    if (s.p1.distance(s.p2) >= 10.0)
      accuracy::paintSegment(picture, 1, s.p1, s.p2, vcColor::green());
  vfWriteRgbPng(path, picture);
}

// Lines of 10 pixels or more on each photograph: ours with every parameter at its default,
// and the peers; with a folder, overlays of ours and EdgeDrawing's for looking at.
void countPhotoLines(const std::vector<vsPhoto>& photos, const std::string& overlays) {
  std::printf("\nLines of 10 pixels or more on the photographs (ours at its defaults)\n");
  std::printf("%-18s %8s %8s %8s\n", "photograph", "ours", "LSD", "ED");
  for (const vsPhoto& photo : photos) {
    const LineRun run = runAll(photo.image, 1);
    vcLineTrackerResultSet lines;
    vfLineTracker(photo.image, vcLineTrackerRunParams(), lines, nullptr, 0);
    std::vector<vsFoundSegment> ours;
    for (const vcLineTrackerResult& r : lines.results()) ours.push_back({r.p1(), r.p2()});
    std::printf("%-18s %8ld %8ld %8ld\n", photo.name.c_str(), countLong(ours), countLong(run.lsd),
                countLong(run.ed));
    if (overlays.empty()) continue;
    writeOverlay(overlays + "/" + photo.name + "-ours.png", photo.image, ours);
    writeOverlay(overlays + "/" + photo.name + "-ed.png", photo.image, run.ed);
  }
}

}  // namespace

void compareLines(int runs, const std::string& overlays) {
  printTimingHeader("Line segments (edge detection included), generated scenes");
  vsSceneParams params;
  params.width = 640;
  params.height = 480;
  params.seed = 23;
  params.count = 20;
  params.minSize = 40.0;
  params.maxSize = 160.0;
  params.minWidth = 8.0;
  params.maxWidth = 30.0;
  struct Generated {
    const char* label;
    vsScene scene;
  };
  const Generated generated[] = {{"bars", scenes::lines(params)},
                                 {"polygons", scenes::polygons(params)},
                                 {"mixed", scenes::mixed(params)}};
  for (const Generated& g : generated)
    printRuns(g.label, g.scene.image, runAll(g.scene.image, runs), &g.scene.edges);

  printTimingHeader("Line segments (edge detection included), photographs");
  const std::vector<vsPhoto> photos = loadPhotos(lineTestPhotos());
  for (const vsPhoto& photo : photos)
    printRuns(photo.name, photo.image, runAll(photo.image, runs), nullptr);
  countPhotoLines(photos, overlays);
}

}  // namespace peers
