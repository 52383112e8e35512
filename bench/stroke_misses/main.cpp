// Stroke figures that the shape selection tool misses or poses out of tolerance, one line each,
// and on request a picture of each, so that a person can see why. Each miss is put down to the
// first stage that lost it: a stroke without a centre-line segment on it (the skeleton stage
// drops any candidate with a stroke that has none), centre-lines only beyond the first 50 in
// the corresponder's basis order, no candidate even at accept threshold 0.2, a candidate that
// scored below the accept threshold, or a pose out of tolerance. Past the first stage, a miss
// is also marked when one of its free stroke ends can only be placed from one of its sides
// (the line tracker traced the other side of that arm only further in, or not at all), which
// puts the end halfway along that side.
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
#include "platform/graphics/graphic_simple.h"
#include "scenes/shape_match.h"
#include "scenes/shape_scene.h"
#include "skeleton/skeletal_extraction.h"
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

using Vec = vcVector<2>;

Vec rotated(const Vec& p, double degrees) {
  const double a = degrees * 3.14159265358979323846 / 180.0;
  return Vec(std::cos(a) * p.x() - std::sin(a) * p.y(), std::sin(a) * p.x() + std::cos(a) * p.y());
}

double lineDistance(const Vec& p, const Vec& a, const Vec& b) {
  const Vec d = (b - a).unit();
  return std::abs((p - a).x() * d.y() - (p - a).y() * d.x());
}

// Whether centre-line segment s lies on the posed stroke a-b: within 15 degrees of its
// direction (the corresponder's angle tolerance), both ends within 4 pixels of its line, and
// at least half of s alongside it.
bool liesOn(const vcLineSeg& s, const Vec& a, const Vec& b) {
  const Vec d = (b - a).unit(), e = (s.p2() - s.p1()).unit();
  if (std::abs(d.x() * e.x() + d.y() * e.y()) < std::cos(15.0 * 3.14159265358979323846 / 180.0))
    return false;
  if (lineDistance(s.p1(), a, b) > 4.0 || lineDistance(s.p2(), a, b) > 4.0) return false;
  const double len = (b - a).len();
  double t1 = (s.p1() - a).x() * d.x() + (s.p1() - a).y() * d.y();
  double t2 = (s.p2() - a).x() * d.x() + (s.p2() - a).y() * d.y();
  if (t1 > t2) std::swap(t1, t2);
  return std::min(t2, len) - std::max(t1, 0.0) >= 0.5 * (t2 - t1);
}

// For every stroke of the object, the best position in the corresponder's basis order
// (magnitude x length, largest first) of a centre-line lying on it; -1 when none does.
std::vector<long> strokeRanks(const vsSceneTemplate& t, const vsSceneObject& o,
                              const std::vector<vcFoundSegment>& skeletal) {
  std::vector<std::size_t> order(skeletal.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    return skeletal[i].magnitude() * skeletal[i].length() >
           skeletal[j].magnitude() * skeletal[j].length();
  });
  std::vector<long> ranks;
  for (const auto& [p1, p2] : t.skeleton) {
    const Vec a = o.translation + rotated(p1, o.angleDegrees) * o.scale;
    const Vec b = o.translation + rotated(p2, o.angleDegrees) * o.scale;
    long rank = -1;
    for (std::size_t r = 0; r < order.size() && rank < 0; ++r)
      if (liesOn(skeletal[order[r]].segment(), a, b)) rank = long(r);
    ranks.push_back(rank);
  }
  return ranks;
}

// The reported instance of the object's template nearest to it, or null.
const vcShapeSelectResult* nearestResult(const vcShapeSelectResultSet& results,
                                         const vsSceneObject& object) {
  const vcShapeSelectResult* nearest = nullptr;
  for (const vcShapeSelectResult& r : results.results())
    if (r.templateIndex() == object.templateIndex &&
        (!nearest || (r.location() - object.translation).len() <
                         (nearest->location() - object.translation).len()))
      nearest = &r;
  return nearest;
}

// The edge segments the tool recorded with its results.
std::vector<vcLineSeg> recordedEdges(const vcDiagObject& diag) {
  std::vector<vcLineSeg> edges;
  for (long k = 0; k < diag.numRecords(); ++k)
    for (const vcDiagEntry& entry : diag.diagRecord(k).entries()) {
      if (entry.isSketch() || entry.label() != L"Edge segments") continue;
      const vcGraphicList& list = entry.graphics();
      for (long i = 0; i < list.size(); ++i)
        if (const auto* g = dynamic_cast<const vcGraphicSimple<vcLineSeg>*>(&list.graphic(i)))
          edges.push_back(g->shape());
    }
  return edges;
}

// How many free stroke ends of the object (ends that meet no other stroke) the pose fit can
// only place from one of their sides. Such an end has no traced cap (caps are narrower than
// the line tracker's shortest line) and is placed from the two outermost end points of its
// stroke's side edges; when the outermost end point of one side lies more than a stroke width
// further in than the other side's (or that side has no edge at all), both points come from
// one side and the end is put halfway along it. A side edge: both ends within 3 pixels of the
// stroke's side line and within its length.
long oneSidedEnds(const vsSceneTemplate& t, const vsSceneObject& o,
                  const std::vector<vcLineSeg>& edges) {
  std::vector<Vec> a, b;
  for (const auto& [p1, p2] : t.skeleton) {
    a.push_back(o.translation + rotated(p1, o.angleDegrees) * o.scale);
    b.push_back(o.translation + rotated(p2, o.angleDegrees) * o.scale);
  }
  const auto onStroke = [&](const Vec& p, std::size_t j) {
    return lineDistance(p, a[j], b[j]) < 1e-6 &&
           (p - a[j]).len() + (p - b[j]).len() <= (b[j] - a[j]).len() + 1e-6;
  };
  long count = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const double w = t.widths[k] * o.scale * o.widthFactors[k];
    const Vec d = (b[k] - a[k]).unit(), n(-d.y(), d.x());
    const double length = (b[k] - a[k]).len();
    for (const bool atB : {false, true}) {
      const Vec end = atB ? b[k] : a[k];
      bool free = true;
      for (std::size_t j = 0; j < a.size(); ++j) free = free && (j == k || !onStroke(end, j));
      if (!free) continue;
      // Per side, the end point of a side edge nearest to this end, as a distance along the
      // stroke from the other end.
      double reach[2] = {-1e300, -1e300};
      for (int side = 0; side < 2; ++side) {
        const Vec offset = n * ((side == 0 ? 0.5 : -0.5) * w);
        for (const vcLineSeg& e : edges) {
          bool along = true;
          double best = -1e300;
          for (const Vec& p : {e.p1(), e.p2()}) {
            const Vec q = p - a[k] - offset;
            const double u = q.x() * d.x() + q.y() * d.y();
            along = along && std::abs(q.x() * n.x() + q.y() * n.y()) <= 3.0 && u >= -w &&
                    u <= length + w;
            best = std::max(best, atB ? u : length - u);
          }
          if (along) reach[side] = std::max(reach[side], best);
        }
      }
      count += std::abs(reach[0] - reach[1]) > w;
    }
  }
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 20;
  const std::uint32_t firstSeed = argc > 2 ? std::uint32_t(std::atol(argv[2])) : 1000;
  const bool large = argc > 3 && std::atol(argv[3]) == 1280;
  const std::string pictures = argc > 4 ? argv[4] : "";
  std::map<std::string, long> reasons, stages, spurious, oneSidedByStage;
  std::map<std::string, std::map<std::string, long>> stagesByFigure;
  std::map<std::string, long> figures;
  std::map<long, long> runStrokes, runCovered;  // by clear run, 5-pixel buckets
  long objects = 0, misses = 0;
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();

  for (long n = 0; n < count; ++n) {
    // The scene of bench_shapeselect_accuracy for this seed and size.
    const vsShapeSceneParams params = vfAccuracySceneParams(firstSeed, n, large);
    const vsShapeScene scene = scenes::shapeScene(params);
    vcShapeSelectTool tool;
    vfTrainOnScene(tool, scene);
    const vcShapeSelectRunParams run = vfAccuracyRunParams(params);
    vcShapeSelectResultSet results;
    vcDiagObject diag;
    tool.run(results, scene.image, run, &diag, 0x20000);
    const std::vector<vcLineSeg> edges = recordedEdges(diag);

    const std::vector<vsFoundShape> found = vfFoundShapes(results);
    const vsShapeMatchResult m = vfMatchShapes(scene, found, vsShapeMatchTolerance());
    std::vector<vcFoundSegment> skeletal;
    vfExtractSkeletalSegments(scene.image, skeletal, 20.0, lut);
    // The same search at a low accept threshold, for what scored below the real one.
    vcShapeSelectRunParams lowRun = run;
    lowRun.acceptThreshold(0.2);
    lowRun.maxNumResults(200);
    vcShapeSelectResultSet lowResults;
    tool.run(lowResults, scene.image, lowRun, nullptr, 0);
    vcRgbImage picture;
    for (const long o : m.missed) {
      const vsSceneObject& object = scene.objects[std::size_t(o)];
      const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
      if (t.kind != veShapeKind::eStroke) continue;
      ++misses;
      std::printf("seed %u object %2ld at (%.0f, %.0f) %-5s scale %.3f widths", params.seed, o,
                  object.translation.x(), object.translation.y(), t.name, object.scale);
      for (std::size_t k = 0; k < object.widthFactors.size(); ++k)
        std::printf("%s%.2f", k ? "/" : " ", object.widthFactors[k]);
      std::printf(" contrast %4.1f blur %.2f noise %.2f %s: ", object.contrast, scene.blurSigma,
                  scene.noiseSigma, object.occluded ? "bitten" : "whole ");
      // The nearest reported instance of its template, found or not.
      const vcShapeSelectResult* nearest = nearestResult(results, object);
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
      // The first stage that lost it.
      const std::vector<long> ranks = strokeRanks(t, object, skeletal);
      long uncovered = 0, best = -1;
      for (const long r : ranks) {
        uncovered += r < 0;
        if (r >= 0 && (best < 0 || r < best)) best = r;
      }
      const vcShapeSelectResult* low = nearestResult(lowResults, object);
      const bool lowNear = low && (low->location() - object.translation).len() <= 3.0;
      std::string stage;
      if (uncovered > 0) {
        stage = "stroke without centre-line";
        std::printf(" [strokes without centre-line:");
        for (std::size_t k = 0; k < ranks.size(); ++k)
          if (ranks[k] < 0) std::printf(" %zu", k);
        std::printf("]");
      } else if (best >= 50) {
        stage = "centre-lines past basis 50";
      } else if (reason == "no result" && !lowNear) {
        stage = "no candidate at 0.2 (of 200)";
      } else if (reason == "no result" || reason == "below the accept threshold") {
        stage = "scored below threshold";
        if (lowNear) std::printf(" [score %.2f at 0.2]", low->score());
      } else {
        stage = "pose out of tolerance";
      }
      if (uncovered == 0) {
        const long oneSided = oneSidedEnds(t, object, edges);
        if (oneSided > 0) {
          std::printf(" [ends placed from one side: %ld]", oneSided);
          ++oneSidedByStage[stage];
        }
      }
      std::printf(" {%s, %zu centre-lines}\n", stage.c_str(), skeletal.size());
      ++reasons[reason];
      ++stages[stage];
      ++stagesByFigure[t.name][stage];

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
    // Reports of stroke templates that match no object, and the object they lie on.
    for (const long f : m.spurious) {
      const vsFoundShape& shape = found[std::size_t(f)];
      const vsSceneTemplate& t = scene.templates[std::size_t(shape.templateIndex)];
      if (t.kind != veShapeKind::eStroke) continue;
      const vsSceneObject* under = nullptr;
      for (const vsSceneObject& o : scene.objects)
        if (!under || (o.translation - shape.location).len() <
                          (under->translation - shape.location).len())
          under = &o;
      const bool near = under && (under->translation - shape.location).len() <= 40.0;
      const char* onName =
          near ? scene.templates[std::size_t(under->templateIndex)].name : "nothing";
      std::printf("seed %u spurious %-5s at (%.0f, %.0f) on %s\n", params.seed, t.name,
                  shape.location.x(), shape.location.y(), onName);
      ++spurious[std::string(t.name) + " on " + onName];
    }
    for (const vsSceneObject& object : scene.objects) {
      const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
      if (t.kind != veShapeKind::eStroke) continue;
      ++objects;
      ++figures[t.name];
      // Centre-line coverage of every stroke against its clear run.
      const std::vector<long> ranks = strokeRanks(t, object, skeletal);
      const std::vector<double> runs = vfStrokeClearRuns(t, object);
      for (std::size_t k = 0; k < runs.size(); ++k) {
        const long bucket = std::min(long(runs[k] / 5.0), 12L);
        ++runStrokes[bucket];
        runCovered[bucket] += ranks[k] >= 0;
      }
    }
  }
  std::printf("\n%ld stroke figures, %ld missed or out of tolerance:\n", objects, misses);
  for (const auto& [reason, n] : reasons) std::printf("  %-28s %ld\n", reason.c_str(), n);
  std::printf("strokes with a centre-line on them, by clear run (pixels):\n");
  for (const auto& [bucket, n] : runStrokes)
    std::printf("  [%3ld, %3ld%s %5ld strokes %5.1f %%\n", 5 * bucket, 5 * bucket + 5,
                bucket == 12 ? "+)" : ") ", n, 100.0 * double(runCovered[bucket]) / double(n));
  std::printf("reports of stroke templates matching no object, by the object they lie on "
              "(within 40 px):\n");
  for (const auto& [what, n] : spurious) std::printf("  %-28s %ld\n", what.c_str(), n);
  std::printf("by the first stage that lost them:\n");
  for (const auto& [stage, n] : stages) std::printf("  %-28s %ld\n", stage.c_str(), n);
  std::printf("of which with a free end the pose fit can place from one side only:\n");
  for (const auto& [stage, n] : oneSidedByStage) std::printf("  %-28s %ld\n", stage.c_str(), n);
  for (const auto& [figure, byStage] : stagesByFigure) {
    std::printf("%s (%ld figures):\n", figure.c_str(), figures[figure]);
    for (const auto& [stage, n] : byStage) std::printf("  %-28s %ld\n", stage.c_str(), n);
  }
  return 0;
}
