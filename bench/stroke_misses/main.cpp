// Stroke figures that the shape selection tool misses or poses out of tolerance, one line each,
// and on request a picture of each, so that a person can see why.
//
//   bench_stroke_misses [scenes, default 20] [first seed, default 1000] [640 | 1280, default 640]
//                       [picture directory]
//
// The scenes are those of bench_shapeselect_accuracy (same seeds, sizes and counts). A line
// gives the figure, its conditions, and the errors of the nearest result of its template, or
// "no result". A picture (seed_object_figure.png) shows the object's surroundings at three
// times their size: what the tool recorded (edge segments yellow, centre-lines orange, found
// poses green, rejected ones red) and the object's true stroke corners as green crosses.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../shapeselect_accuracy/accuracy_scenes.h"
#include "io/render_png.h"
#include "io/render_raster.h"
#include "io/scene_templates.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/color.h"
#include "scenes/shape_match.h"
#include "scenes/shape_scene.h"
#include "tavshsl/shape_select_tool.h"

namespace {

constexpr long kZoom = 3;
constexpr double kMargin = 20.0;  // pixels around the object's corners

// The part of `picture` (the whole image at kZoom) around the points, with a cross on each.
vcRgbImage pictureAround(const vcRgbImage& picture, const std::vector<vcVector<2>>& points) {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const vcVector<2>& p : points) {
    x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
    x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
  }
  const long left = std::max(0L, long((x0 - kMargin) * kZoom));
  const long top = std::max(0L, long((y0 - kMargin) * kZoom));
  const long right = std::min(picture.width(), long((x1 + kMargin) * kZoom));
  const long bottom = std::min(picture.height(), long((y1 + kMargin) * kZoom));
  vcRgbImage out(std::max(1L, right - left), std::max(1L, bottom - top));
  for (long y = top; y < bottom; ++y)
    std::copy_n(picture.row(y) + 3 * left, 3 * (right - left), out.row(y - top));
  for (const vcVector<2>& p : points) {
    const long cx = long(p.x() * kZoom) - left, cy = long(p.y() * kZoom) - top;
    for (long d = -4; d <= 4; ++d) {
      out.set(cx + d, cy, vcColor::green());
      out.set(cx, cy + d, vcColor::green());
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 20;
  const std::uint32_t firstSeed = argc > 2 ? std::uint32_t(std::atol(argv[2])) : 1000;
  const bool large = argc > 3 && std::atol(argv[3]) == 1280;
  const std::string pictures = argc > 4 ? argv[4] : "";
  std::map<std::string, long> reasons;
  long objects = 0, misses = 0;

  for (long n = 0; n < count; ++n) {
    // The scene of bench_shapeselect_accuracy for this seed and size.
    const vsShapeSceneParams params = vfAccuracySceneParams(firstSeed, n, large);
    const vsShapeScene scene = scenes::shapeScene(params);
    vcShapeSelectTool tool;
    vfTrainOnScene(tool, scene);
    const vcShapeSelectRunParams run = vfAccuracyRunParams(params);
    vcShapeSelectResultSet results;
    vcDiagObject diag;
    tool.run(results, scene.image, run, pictures.empty() ? nullptr : &diag, 0x20000);

    const std::vector<vsFoundShape> found = vfFoundShapes(results);
    const vsShapeMatchResult m = vfMatchShapes(scene, found, vsShapeMatchTolerance());
    vcRgbImage picture;
    for (const long o : m.missed) {
      const vsSceneObject& object = scene.objects[std::size_t(o)];
      const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
      if (t.kind != veShapeKind::eStroke) continue;
      ++misses;
      std::printf("seed %u object %2ld %-5s scale %.3f contrast %4.1f blur %.2f noise %.2f %s: ",
                  params.seed, o, t.name, object.scale, object.contrast, scene.blurSigma,
                  scene.noiseSigma, object.occluded ? "bitten" : "whole ");
      // The nearest reported instance of its template, found or not.
      const vcShapeSelectResult* nearest = nullptr;
      for (const vcShapeSelectResult& r : results.results())
        if (r.templateIndex() == object.templateIndex &&
            (!nearest || (r.location() - object.translation).len() <
                             (nearest->location() - object.translation).len()))
          nearest = &r;
      std::string reason = "no result";
      if (nearest && (nearest->location() - object.translation).len() <= 10.0) {
        const double dxy = (nearest->location() - object.translation).len();
        const double da = vfSymmetricAngleError(nearest->angle().toDouble(), object.angleDegrees,
                                                t.symmetryDegrees);
        const double ds = nearest->uniformScale() / object.scale - 1.0;
        std::printf("score %.2f%s, %.2f px, %.2f deg, scale %+.1f %%", nearest->score(),
                    nearest->isFound() ? "" : " (below the threshold)", dxy, da, 100.0 * ds);
        reason = !nearest->isFound() ? "below the accept threshold"
                 : da > 3.0          ? "angle"
                 : dxy > 3.0         ? "translation"
                 : ds < 0.0          ? "scale short"
                                     : "scale long";
      } else {
        std::printf("no result of its template within 10 px");
      }
      std::printf("\n");
      ++reasons[reason];

      if (pictures.empty()) continue;
      if (picture.empty()) {
        for (long k = 0; k < diag.numRecords(); ++k) {
          const vcDiagRecord& record = diag.diagRecord(k);
          const auto& notes = record.annotations();
          if (std::find(notes.begin(), notes.end(), L"Results") != notes.end())
            picture = vfRenderRecord(record, kZoom);
        }
        if (picture.empty()) continue;
      }
      char name[160];
      std::snprintf(name, sizeof name, "%s/%u_%ld_%s.png", pictures.c_str(), params.seed, o,
                    t.name);
      vfWriteRgbPng(name, pictureAround(picture, vfSceneOutlinePoints(t, object)));
    }
    for (const vsSceneObject& object : scene.objects)
      objects += scene.templates[std::size_t(object.templateIndex)].kind == veShapeKind::eStroke;
  }
  std::printf("\n%ld stroke figures, %ld missed or out of tolerance:\n", objects, misses);
  for (const auto& [reason, n] : reasons) std::printf("  %-28s %ld\n", reason.c_str(), n);
  return 0;
}
