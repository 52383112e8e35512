// peers_shapes: the shape selection tool against two OpenCV ways of finding rotated and scaled
// templates, on the same generated shape scenes, side by side: time per image, recall,
// precision and pose errors of the matches.
//
//   peers_shapes [scenes, default 3]
//
// Peers, each given every template of the scene, both on the image reduced by 2 (at full
// resolution one scene takes minutes):
//  - cv::GeneralizedHoughGuil, on Canny edges of the template drawn at scale 1 (angle 0 to 360
//    by 2 degrees, scale 0.7 to 1.4 by 0.02, vote thresholds in proportion to the template's
//    edge points);
//  - a sweep of cv::matchTemplate (normalised correlation) over the template drawn at every
//    angle in steps of 10 degrees (one angle for the disc) and every scale from 0.7 to 1.4 in
//    steps of 0.1; local maxima of at least 0.75, the best one kept where several lie within
//    15 pixels.
// Times are the processor time of the calling thread.
// Scenes: scenes::shapeScene at 640 x 480 (8 objects, 6 to 9 templates). A match: same
// template, translation within 3 pixels, angle within 3 degrees modulo the symmetry, scale
// within 3 % (scenes/shape_match.h). OpenCV runs on one thread, as our library does.

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../peers/timing.h"
#include "io/scene_templates.h"
#include "scenes/canvas.h"
#include "scenes/shape_match.h"
#include "scenes/shape_scene.h"
#include "tavshsl/shape_select_tool.h"

namespace {

using Vec = vcVector<2>;

cv::Mat toMat(const vcPelBuffer_const<unsigned char>& image) {
  cv::Mat m(int(image.height()), int(image.width()), CV_8UC1);
  for (long y = 0; y < image.height(); ++y)
    for (long x = 0; x < image.width(); ++x) m.at<unsigned char>(int(y), int(x)) = image.get(x, y);
  return m;
}

// Template t drawn light on dark at a pose, its origin at the centre of pixel (c, c).
struct Drawn {
  cv::Mat image;
  long c = 0;
};

Drawn drawTemplate(const vsSceneTemplate& t, double angle, double scale) {
  vsSceneObject pose;
  pose.angleDegrees = angle;
  pose.scale = scale;
  pose.widthFactors.assign(t.skeleton.size(), 1.0);
  double extent = 0.0;
  for (const Vec& p : vfSceneOutlinePoints(t, pose)) extent = std::max(extent, p.len());
  Drawn d;
  d.c = long(std::ceil(extent)) + 4;
  pose.translation = Vec(double(d.c) + 0.5, double(d.c) + 0.5);
  vcSceneCanvas canvas(2 * d.c + 1, 2 * d.c + 1, 0.0);
  vfDrawSceneObject(canvas, t, pose, 255.0);
  canvas.blur(1.0);
  d.image = toMat(canvas.image());
  return d;
}

struct Tally {
  long objects = 0, matched = 0, reported = 0;
  double seconds = 0.0, translation = 0.0, angle = 0.0, scale = 0.0;
  long angled = 0;
};

void judge(const vsShapeScene& scene, const std::vector<vsFoundShape>& found, Tally& tally) {
  const vsShapeMatchResult m = vfMatchShapes(scene, found, vsShapeMatchTolerance());
  tally.objects += long(scene.objects.size());
  tally.reported += long(found.size());
  for (const vsShapeMatch& match : m.matches) {
    ++tally.matched;
    tally.translation += match.translationError;
    tally.scale += match.scaleError;
    const vsSceneTemplate& t =
        scene.templates[std::size_t(scene.objects[std::size_t(match.object)].templateIndex)];
    if (t.kind != veShapeKind::eCircle) {
      tally.angle += match.angleError;
      ++tally.angled;
    }
  }
}

std::vector<vsFoundShape> ours(const vsShapeScene& scene, double& seconds) {
  const vsTemplateList list = vfSceneTemplates(scene);
  vcShapeSelectTool tool;
  tool.train(vfTrainParams(list), vfTemplateHandles(list), vc2XformLinear(), nullptr, 0);
  vcShapeSelectRunParams run;
  run.maxNumResults(16);
  vcShapeSelectResultSet results;
  const double start = peers::threadMs();
  tool.run(results, scene.image, run, nullptr, 0);
  seconds = 1e-3 * (peers::threadMs() - start);
  return vfFoundShapes(results);
}

// The best of detections lying within 15 pixels of each other, whatever their template.
std::vector<vsFoundShape> suppress(std::vector<std::pair<double, vsFoundShape>> all) {
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<vsFoundShape> kept;
  for (const auto& [score, f] : all) {
    bool near = false;
    for (const vsFoundShape& k : kept) near = near || (k.location - f.location).len() < 15.0;
    if (!near) kept.push_back(f);
  }
  return kept;
}

std::vector<vsFoundShape> matchSweep(const vsShapeScene& scene, const cv::Mat& image,
                                     double& seconds) {
  std::vector<std::pair<double, vsFoundShape>> all;
  const double start = peers::threadMs();
  // At half resolution, which takes a quarter of the time the full image would.
  cv::Mat half;
  cv::pyrDown(image, half);
  for (std::size_t ti = 0; ti < scene.templates.size(); ++ti) {
    const vsSceneTemplate& t = scene.templates[ti];
    const int angles = t.kind == veShapeKind::eCircle ? 1 : 36;
    for (int a = 0; a < angles; ++a)
      for (int s = 0; s < 8; ++s) {
        const double angle = -180.0 + 10.0 * a, scale = 0.7 + 0.1 * s;
        const Drawn d = drawTemplate(t, t.kind == veShapeKind::eCircle ? 0.0 : angle, scale);
        cv::Mat small;
        cv::pyrDown(d.image, small);
        if (small.cols > half.cols || small.rows > half.rows) continue;
        cv::Mat score, peaks;
        cv::matchTemplate(half, small, score, cv::TM_CCOEFF_NORMED);
        cv::dilate(score, peaks, cv::Mat::ones(5, 5, CV_8U));
        for (int y = 0; y < score.rows; ++y)
          for (int x = 0; x < score.cols; ++x) {
            const float v = score.at<float>(y, x);
            if (v >= 0.75f && v >= peaks.at<float>(y, x))
              all.push_back({v,
                             {long(ti), Vec(2.0 * (x + small.cols / 2) + 0.5,
                                            2.0 * (y + small.rows / 2) + 0.5),
                              t.kind == veShapeKind::eCircle ? 0.0 : angle, scale, {}}});
          }
      }
  }
  std::vector<vsFoundShape> found = suppress(all);
  seconds = 1e-3 * (peers::threadMs() - start);
  return found;
}

std::vector<vsFoundShape> houghGuil(const vsShapeScene& scene, const cv::Mat& image,
                                    double& seconds) {
  std::vector<std::pair<double, vsFoundShape>> all;
  const double start = peers::threadMs();
  // At half resolution, where the votes of one template take seconds rather than a minute.
  cv::Mat half;
  cv::pyrDown(image, half);
  for (std::size_t ti = 0; ti < scene.templates.size(); ++ti) {
    const vsSceneTemplate& t = scene.templates[ti];
    const Drawn d = drawTemplate(t, 0.0, 1.0);
    cv::Mat small;
    cv::pyrDown(d.image, small);
    cv::Ptr<cv::GeneralizedHoughGuil> ght = cv::createGeneralizedHoughGuil();
    ght->setCannyLowThresh(20);
    ght->setCannyHighThresh(50);
    ght->setMinDist(8);
    ght->setMinAngle(0);
    ght->setMaxAngle(t.kind == veShapeKind::eCircle ? 1 : 359);
    ght->setAngleStep(2);
    ght->setMinScale(0.7);
    ght->setMaxScale(1.4);
    ght->setScaleStep(0.02);
    // Vote thresholds in proportion to the template's edge points: OpenCV's defaults suit
    // templates of thousands of edge points and pass nothing of ours.
    cv::Mat edges;
    cv::Canny(small, edges, 20, 50);
    const int n = cv::countNonZero(edges);
    ght->setAngleThresh(std::max(1, n * 3 / 10));
    ght->setScaleThresh(std::max(1, n * 3 / 10));
    ght->setPosThresh(std::max(1, n * 3 / 20));
    ght->setTemplate(edges, cv::Point(small.cols / 2, small.rows / 2));
    std::vector<cv::Vec4f> positions;
    cv::Mat votes;
    ght->detect(half, positions, votes);
    for (std::size_t k = 0; k < positions.size(); ++k) {
      const cv::Vec4f& p = positions[k];
      const double v = votes.empty() ? 0.0 : double(votes.at<cv::Vec3i>(0, int(k))[0]);
      all.push_back({v, {long(ti), Vec(2.0 * p[0] + 0.5, 2.0 * p[1] + 0.5), double(p[3]),
                         double(p[2]), {}}});
    }
  }
  std::vector<vsFoundShape> found = suppress(all);
  seconds = 1e-3 * (peers::threadMs() - start);
  return found;
}

void print(const char* name, const Tally& t, long scenes) {
  const auto pct = [](long a, long n) { return n ? 100.0 * double(a) / double(n) : 0.0; };
  std::printf("%-28s %10.1f %7.1f%% %7.1f%% %8.3f %9.3f %8.3f\n", name,
              1e3 * t.seconds / double(scenes), pct(t.matched, t.objects),
              pct(t.matched, t.reported), t.matched ? t.translation / double(t.matched) : 0.0,
              t.angled ? t.angle / double(t.angled) : 0.0,
              t.matched ? 100.0 * t.scale / double(t.matched) : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const long scenes = argc > 1 ? std::atol(argv[1]) : 3;
  cv::setNumThreads(1);
  Tally us, guil, sweep;
  for (long n = 0; n < scenes; ++n) {
    vsShapeSceneParams params;
    params.seed = std::uint32_t(3000 + n);
    params.numTemplates = 6 + long(params.seed % 4);
    const vsShapeScene scene = scenes::shapeScene(params);
    const cv::Mat image = toMat(scene.image);
    double seconds = 0.0;
    judge(scene, ours(scene, seconds), us);
    us.seconds += seconds;
    judge(scene, houghGuil(scene, image, seconds), guil);
    guil.seconds += seconds;
    judge(scene, matchSweep(scene, image, seconds), sweep);
    sweep.seconds += seconds;
    std::fprintf(stderr, "scene %ld of %ld done\n", n + 1, scenes);
  }
  std::printf("shape scenes: %ld at 640x480, seeds from 3000, OpenCV %s on one thread\n", scenes,
              CV_VERSION);
  std::printf("%-28s %10s %8s %8s %8s %9s %8s\n", "finder", "ms/image", "recall", "precis.",
              "dxy px", "angle deg", "scale %");
  print("shape selection tool", us, scenes);
  print("GeneralizedHoughGuil", guil, scenes);
  print("matchTemplate sweep", sweep, scenes);
  return 0;
}
