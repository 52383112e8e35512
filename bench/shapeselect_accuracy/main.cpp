// What the shape selection tool finds on generated shape scenes, bucket by bucket: recall,
// precision and pose errors over many seeds, at 640 x 480 and 1280 x 1024.
//
//   bench_shapeselect_accuracy [scenes per size, default 40] [first seed, default 1000] [DIR]
//
// With DIR, every missed object is written to DIR as a PNG picture of the image around it (twice
// enlarged) with the edge segments (yellow), the stroke centre-lines (orange), the found poses
// (green, red below the accept threshold) and the true vertices or stroke corners (cyan rings),
// and listed with the nearest result of its template; every result that matches no object
// likewise, with the nearest object of its template and the result's scale over that object's.
//
// Each scene draws its own templates (6 to 9: one disc, polygons of 3 to 8 sides, L/T/X/arrow
// stroke figures), background, blur (0 to 1.5) and noise (0 to 5); every object its own pose
// (any angle, scale 0.7 to 1.4, stroke width factors 0.7 to 1.3) and contrast (35 to 80), half
// the discs darker than the background, a quarter of all objects bitten by a rectangle. A
// match: same template, translation within 3 pixels, angle within 3 degrees modulo the
// template's symmetry, scale within 3 %. Recall is counted per object and bucketed by the
// object's kind, polarity, contrast, scale, occlusion and the scene's blur and noise;
// precision per reported result, bucketed by the kind of its template.
//
// Missed polygons are also put down to where the corresponder lost them: no edge on the
// outline, or every edge on it ranked at or past the 50th position of the corresponder's basis
// order (magnitude x length, strongest first), which bounds the bases a stage tries; the rest
// were tried as bases and lost later (vote, verification, pose). Those are counted further, by
// the nearest result of their template within 10 pixels: its outline on the object's turned by
// more than 10 degrees (an outline that nearly maps onto itself turned), an edge running on past a
// vertex (two sides traced as one line) under a pose out of tolerance, another pose out of
// tolerance, a score below the threshold; or, without one, edges on less than 3/4 of the
// outline, a result of another template on the object, nothing. The polygon table also splits
// the polygons by whether two of their sides were traced as one line, and false polygon results
// are put down to an object of their own template (pose out of tolerance), an object of another
// template, or none.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../peers/timing.h"
#include "accuracy_scenes.h"
#include "io/render_png.h"
#include "io/render_raster.h"
#include "io/scene_templates.h"
#include "platform/base/circle.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/graphic_with_fill.h"
#include "scenes/shape_match.h"
#include "scenes/shape_scene.h"
#include "shapeselect/shape_select_search.h"
#include "tavshsl/shape_select_tool.h"

namespace {

struct Bucket {
  long objects = 0, matched = 0;   // recall
  long reported = 0, correct = 0;  // precision
  double translation = 0, angle = 0, scale = 0, width = 0;
  long angled = 0, widthed = 0;
};

using Table = std::map<std::string, Bucket>;

// Positions of the basis order that start a voting search in one corresponder stage.
constexpr long kBasisLimit = 50;

// Missed polygons by where they were lost.
struct MissCause {
  long polygons = 0, missed = 0, noEdge = 0, pastLimit = 0;
  // Of the rest, by what the nearest result of the template (within kNearResult pixels) shows:
  // its outline lies on the object's while its angle is more than 10 degrees off (an outline
  // that nearly maps onto itself turned, whose true angle no picture tells); an edge runs past a
  // vertex on to the next side (two sides traced as one line) and the pose is off; the pose is off
  // otherwise; it scores below the accept threshold. Without such a result: edges on less than 3/4
  // of the outline; a result of another template on it; nothing near.
  long sameOutline = 0, mergedSides = 0, poseOff = 0, below = 0;
  long fewEdges = 0, otherTemplate = 0, noResult = 0;
};

// False polygon results by where they lie: within kNearResult pixels of an object of their own
// template (its pose out of tolerance), of an object of another template, or of none.
struct FalseCause {
  long reported = 0, wrong = 0, ownObject = 0, otherObject = 0, nowhere = 0;
};

// A result this near an object's origin counts as the search's attempt at it.
constexpr double kNearResult = 10.0;

double distanceToSide(const vcVector<2>& p, const vcVector<2>& a, const vcVector<2>& b) {
  const vcVector<2> d = b - a;
  const double l2 = d * d;
  const double t = l2 > 0.0 ? std::clamp(((p - a) * d) / l2, 0.0, 1.0) : 0.0;
  return (p - (a + d * t)).len();
}

// The position, in the corresponder's basis order of the edges, of the strongest edge lying on
// the closed outline (both ends within 2.5 pixels of one side), or -1 when none does.
long basisRank(const std::vector<vcFoundSegment>& edges, const std::vector<vcVector<2>>& outline) {
  const auto strength = [](const vcFoundSegment& f) { return f.magnitude() * f.length(); };
  double best = -1.0;
  for (const vcFoundSegment& f : edges)
    for (std::size_t k = 0; k < outline.size(); ++k) {
      const vcVector<2>& a = outline[k];
      const vcVector<2>& b = outline[(k + 1) % outline.size()];
      if (distanceToSide(f.segment().p1(), a, b) < 2.5 &&
          distanceToSide(f.segment().p2(), a, b) < 2.5)
        best = std::max(best, strength(f));
    }
  if (best < 0.0) return -1;
  return long(std::count_if(edges.begin(), edges.end(),
                            [&](const vcFoundSegment& f) { return strength(f) > best; }));
}

double distanceToOutline(const vcVector<2>& p, const std::vector<vcVector<2>>& outline) {
  double d = 1e300;
  for (std::size_t k = 0; k < outline.size(); ++k)
    d = std::min(d, distanceToSide(p, outline[k], outline[(k + 1) % outline.size()]));
  return d;
}

// Whether some edge runs from one side of the closed outline on past their common vertex to
// the next (each end within 6 pixels of its own side and more than 6 from the vertex; a line
// fitted across both sides ends up to 5 pixels off them): the line tracker took the two sides
// for one line.
bool mergedAtVertex(const std::vector<vcFoundSegment>& edges,
                    const std::vector<vcVector<2>>& outline) {
  const std::size_t n = outline.size();
  for (const vcFoundSegment& f : edges)
    for (std::size_t k = 0; k < n; ++k) {
      const vcVector<2>& before = outline[(k + n - 1) % n];
      const vcVector<2>& v = outline[k];
      const vcVector<2>& after = outline[(k + 1) % n];
      const auto onSide = [&v](const vcVector<2>& p, const vcVector<2>& other) {
        return distanceToSide(p, other, v) < 6.0 && (p - v).len() > 6.0;
      };
      const vcVector<2>& a = f.segment().p1();
      const vcVector<2>& b = f.segment().p2();
      if ((onSide(a, before) && onSide(b, after)) || (onSide(b, before) && onSide(a, after)))
        return true;
    }
  return false;
}

// The fraction of the closed outline's length that lies within 2.5 pixels of some edge.
double outlineCover(const std::vector<vcFoundSegment>& edges,
                    const std::vector<vcVector<2>>& outline) {
  long samples = 0, covered = 0;
  for (std::size_t k = 0; k < outline.size(); ++k) {
    const vcVector<2>& a = outline[k];
    const vcVector<2>& b = outline[(k + 1) % outline.size()];
    const long n = std::max(1L, long((b - a).len()));
    for (long i = 0; i < n; ++i) {
      const vcVector<2> p = a + (b - a) * ((double(i) + 0.5) / double(n));
      ++samples;
      covered += std::any_of(edges.begin(), edges.end(), [&p](const vcFoundSegment& f) {
        return distanceToSide(p, f.segment().p1(), f.segment().p2()) <= 2.5;
      });
    }
  }
  return samples ? double(covered) / double(samples) : 0.0;
}

// The outline of template t at a result's pose (its origin, angle and scale).
std::vector<vcVector<2>> resultOutline(const vsSceneTemplate& t, const vcShapeSelectResult& r) {
  vsSceneObject at;
  at.translation = r.location();
  at.angleDegrees = r.angle().toDouble();
  at.scale = r.uniformScale();
  return vfSceneOutlinePoints(t, at);
}

// The later class of cause of a missed polygon that was tried as a basis, as a short phrase,
// counted into cause.
const char* classifyMiss(MissCause& cause, const vsSceneTemplate& t, const vsSceneObject& object,
                         long templateIndex, const vcShapeSelectResultSet& results,
                         const std::vector<vcFoundSegment>& edges) {
  const vcShapeSelectResult* near = nullptr;
  for (const vcShapeSelectResult& r : results.results())
    if (r.templateIndex() == templateIndex &&
        (r.location() - object.translation).len() <= kNearResult &&
        (!near ||
         (r.location() - object.translation).len() < (near->location() - object.translation).len()))
      near = &r;
  if (!near) {
    if (outlineCover(edges, vfSceneOutlinePoints(t, object)) < 0.75) {
      ++cause.fewEdges;
      return "edges on less than 3/4 of it";
    }
    // A result of another template on it outvoted or displaced the object's own.
    for (const vcShapeSelectResult& r : results.results())
      if (r.isFound() && r.templateIndex() != templateIndex &&
          (r.location() - object.translation).len() <= kNearResult) {
        ++cause.otherTemplate;
        return "another template's result on it";
      }
    ++cause.noResult;
    return "no result near";
  }
  if (!near->isFound()) {
    ++cause.below;
    return "scored below";
  }
  const std::vector<vcVector<2>> outline = vfSceneOutlinePoints(t, object);
  double apart = 0.0;
  for (const vcVector<2>& p : resultOutline(t, *near))
    apart = std::max(apart, distanceToOutline(p, outline));
  const bool scaleRight = std::fabs(near->uniformScale() / object.scale - 1.0) <= 0.03;
  const double turn =
      vfSymmetricAngleError(near->angle().toDouble(), object.angleDegrees, t.symmetryDegrees);
  if (apart <= 2.0 && scaleRight && turn > 10.0) {
    ++cause.sameOutline;
    return "outline turned onto itself";
  }
  if (mergedAtVertex(edges, outline)) {
    ++cause.mergedSides;
    return "two sides traced as one";
  }
  ++cause.poseOff;
  return "pose off";
}

const char* kindName(veShapeKind k) {
  return k == veShapeKind::eCircle ? "disc" : k == veShapeKind::ePolygon ? "polygon" : "stroke";
}

// The row of an X figure by how far its arms differ in length: with arms within the scale
// tolerance of each other, the cross turned by 90 degrees fits its outline almost as well.
std::string armsRow(const vsSceneTemplate& t) {
  const double a = (t.skeleton[0].second - t.skeleton[0].first).len();
  const double b = (t.skeleton[1].second - t.skeleton[1].first).len();
  return "X arms apart % " +
         vfBucketName(100.0 * (1.0 - std::min(a, b) / std::max(a, b)), {0, 3, 10, 40});
}

void print(const char* title, const Table& table) {
  std::printf("\n%-26s %7s %7s %7s %7s %9s %9s %9s %9s\n", title, "objects", "recall", "reports",
              "precis.", "dxy px", "angle deg", "scale %", "width %");
  for (const auto& [name, b] : table) {
    const auto pct = [](long a, long n) { return n ? 100.0 * double(a) / double(n) : 0.0; };
    // Precision belongs to reported results, which only the kind and size tables count.
    char precision[16] = "      -";
    if (b.reported)
      std::snprintf(precision, sizeof precision, "%6.1f%%", pct(b.correct, b.reported));
    std::printf("%-26s %7ld %6.1f%% %7ld %s %9.3f %9.3f %9.3f %9.2f\n", name.c_str(), b.objects,
                pct(b.matched, b.objects), b.reported, precision,
                b.matched ? b.translation / double(b.matched) : 0.0,
                b.angled ? b.angle / double(b.angled) : 0.0,
                b.matched ? 100.0 * b.scale / double(b.matched) : 0.0,
                b.widthed ? 100.0 * b.width / double(b.widthed) : 0.0);
  }
}

// Writes the record with `extra` drawn over it, twice enlarged, cropped to the square about
// centre that holds a circle of the radius with a margin.
void writeCrop(const std::string& path, const vcDiagRecord& record, const vcGraphicList& extra,
               const vcVector<2>& centre, double radius) {
  vcDiagRecord picture = record;
  picture.graphics(extra, vcDiagRecord::eClientCoords, L"truth");
  const long zoom = 2;
  const vcRgbImage whole = vfRenderRecord(picture, zoom);
  const long half = long(radius + 12.0) * zoom;
  const long cx = long(centre.x()) * zoom, cy = long(centre.y()) * zoom;
  const long x0 = std::max(0L, cx - half), y0 = std::max(0L, cy - half);
  const long x1 = std::min(whole.width(), cx + half), y1 = std::min(whole.height(), cy + half);
  if (x1 <= x0 || y1 <= y0) return;
  vcRgbImage crop(x1 - x0, y1 - y0);
  for (long y = y0; y < y1; ++y)
    for (long x = x0; x < x1; ++x) crop.set(x - x0, y - y0, whole.at(x, y));
  vfWriteRgbPng(path, crop);
}

// Writes a picture and a line for each missed object of the scene, and for each reported result
// that matches no object.
void showMisses(const std::string& dir, const vsShapeScene& scene, std::uint32_t seed,
                const vcShapeSelectResultSet& results, const vsShapeMatchResult& m,
                const std::vector<long>& ranks, const std::vector<const char*>& why,
                vcDiagObject& diag) {
  const vcDiagRecord* evidence = nullptr;
  for (long i = 0; i < diag.numRecords(); ++i)
    for (const std::wstring& a : diag.diagRecord(i).annotations())
      if (a == L"Results") evidence = &diag.diagRecord(i);
  if (!evidence) return;
  vcDiagRecord record = *evidence;
  for (const long o : m.missed) {
    const vsSceneObject& object = scene.objects[std::size_t(o)];
    const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
    // The nearest result of the same template, found or not.
    double nearest = 1e300;
    const vcShapeSelectResult* best = nullptr;
    for (const vcShapeSelectResult& r : results.results()) {
      const double d = (r.location() - object.translation).len();
      if (r.templateIndex() == object.templateIndex && d < nearest) {
        nearest = d;
        best = &r;
      }
    }
    std::printf(
        "miss seed %u object %ld %s %ldx%ld at (%.1f, %.1f) contrast %.0f scale %.3f angle %.1f "
        "blur %.2f noise %.1f %s",
        seed, o, t.name, scene.image.width(), scene.image.height(), object.translation.x(),
        object.translation.y(), object.contrast, object.scale, object.angleDegrees, scene.blurSigma,
        scene.noiseSigma, object.occluded ? "bitten" : "whole");
    if (t.kind == veShapeKind::ePolygon) {
      if (ranks[std::size_t(o)] < 0)
        std::printf(" | no edge on it");
      else
        std::printf(" | best edge at basis position %ld%s%s", ranks[std::size_t(o)],
                    *why[std::size_t(o)] ? ", " : "", why[std::size_t(o)]);
    }
    if (best)
      std::printf(" | nearest %.1f px, score %.3f%s, angle %.2f, scale %.3f\n", nearest,
                  best->score(), best->isFound() ? "" : " (below)", best->angle().toDouble(),
                  best->uniformScale());
    else
      std::printf(" | no result of its template\n");

    // The true outline over the evidence, cropped around the object.
    const std::vector<vcVector<2>> outline = vfSceneOutlinePoints(t, object);
    vcGraphicList truth;
    const vcGraphicProps cyan(vcColor::cyan(), 1);
    double radius = 0.0;
    for (std::size_t k = 0; k < outline.size(); ++k) {
      radius = std::max(radius, (outline[k] - object.translation).len());
      truth.append(vcGraphicWithFill<vcCircle, vcEllipse2>(vcCircle(outline[k], 2.0), cyan));
    }
    char name[96];
    std::snprintf(name, sizeof name, "/miss-%u-%ld-%s.png", seed, o, t.name);
    writeCrop(dir + name, record, truth, object.translation, radius);
  }

  std::vector<const vcShapeSelectResult*> found;
  for (const vcShapeSelectResult& r : results.results())
    if (r.isFound()) found.push_back(&r);
  for (const long f : m.spurious) {
    const vcShapeSelectResult& r = *found[std::size_t(f)];
    const vsSceneTemplate& t = scene.templates[std::size_t(r.templateIndex())];
    // The nearest object of the same template: a result near its object but out of tolerance
    // shows which of position, angle or scale failed.
    long nearest = -1;
    for (std::size_t o = 0; o < scene.objects.size(); ++o)
      if (scene.objects[o].templateIndex == r.templateIndex() &&
          (nearest < 0 ||
           (scene.objects[o].translation - r.location()).len() <
               (scene.objects[std::size_t(nearest)].translation - r.location()).len()))
        nearest = long(o);
    std::printf("spurious seed %u result %ld %s at (%.1f, %.1f) score %.3f angle %.2f scale %.3f",
                seed, f, t.name, r.location().x(), r.location().y(), r.score(),
                r.angle().toDouble(), r.uniformScale());
    if (nearest >= 0) {
      const vsSceneObject& o = scene.objects[std::size_t(nearest)];
      std::printf(" | nearest object %ld %.1f px away, angle %.2f, scale %.3f (result/object %.3f)",
                  nearest, (o.translation - r.location()).len(), o.angleDegrees, o.scale,
                  r.uniformScale() / o.scale);
      if (t.kind == veShapeKind::eStroke) {
        std::printf(", width factors");
        for (std::size_t k = 0; k < o.widthFactors.size(); ++k)
          std::printf(" %.3f", k < r.poseStrokeWidthFactors().size()
                                   ? r.poseStrokeWidthFactors()[k] / o.widthFactors[k]
                                   : 0.0);
        std::printf(" of true");
      }
    }
    std::printf("\n");
    // The nearest object's true outline, when there is one.
    vcGraphicList truth;
    double radius = 50.0;
    if (nearest >= 0) {
      const vsSceneObject& o = scene.objects[std::size_t(nearest)];
      for (const vcVector<2>& p : vfSceneOutlinePoints(t, o)) {
        radius = std::max(radius, (p - r.location()).len());
        truth.append(vcGraphicWithFill<vcCircle, vcEllipse2>(vcCircle(p, 2.0),
                                                             vcGraphicProps(vcColor::cyan(), 1)));
      }
    }
    char name[96];
    std::snprintf(name, sizeof name, "/spurious-%u-%ld-%s.png", seed, f, t.name);
    writeCrop(dir + name, record, truth, r.location(), radius);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long perSize = argc > 1 ? std::atol(argv[1]) : 40;
  const std::uint32_t firstSeed = argc > 2 ? std::uint32_t(std::atol(argv[2])) : 1000;
  const std::string missDir = argc > 3 ? argv[3] : "";
  Table byKind, byPolarity, byContrast, byScale, byBlur, byNoise, byOcclusion, bySize, all;
  // Stroke figures alone: by figure and by the conditions that bear on their fit.
  Table strokeFigure, strokeBucket;
  // Polygons alone: by size and number of sides, and by condition.
  Table polygonShape, polygonBucket;
  // The large scenes by how many objects they hold, kind by kind.
  Table crowd;
  std::map<std::string, MissCause> causes;
  std::map<std::string, FalseCause> falseCauses;
  double runSeconds[2] = {0, 0};
  long runs[2] = {0, 0};

  for (int size = 0; size < 2; ++size) {
    for (long n = 0; n < perSize; ++n) {
      // The scene.
      const vsShapeSceneParams params = vfAccuracySceneParams(firstSeed, n, size == 1);
      const vsShapeScene scene = scenes::shapeScene(params);

      // Train, run, judge.
      vcShapeSelectTool tool;
      vfTrainOnScene(tool, scene);
      const vcShapeSelectRunParams run = vfAccuracyRunParams(params);
      vcShapeSelectResultSet results;
      // Processor time of this thread, which the other processes of a shared machine do not
      // inflate.
      const double startMs = peers::threadMs();
      tool.run(results, scene.image, run, nullptr, 0);
      runSeconds[size] += 1e-3 * (peers::threadMs() - startMs);
      ++runs[size];
      const std::vector<vsFoundShape> found = vfFoundShapes(results);
      const vsShapeMatchResult m = vfMatchShapes(scene, found, vsShapeMatchTolerance());

      // Where the missed polygons were lost, from the edges the tool gave the corresponder.
      char causeRow[48];
      std::snprintf(causeRow, sizeof causeRow, "%ldx%ld, %ld objects", scene.image.width(),
                    scene.image.height(), params.numObjects);
      MissCause& cause = causes[causeRow];
      std::vector<long> ranks(scene.objects.size(), -1);
      std::vector<const char*> why(scene.objects.size(), "");
      std::vector<vcFoundSegment> edges;
      const bool anyPolygon =
          std::any_of(scene.objects.begin(), scene.objects.end(), [&](const vsSceneObject& o) {
            return scene.templates[std::size_t(o.templateIndex)].kind == veShapeKind::ePolygon;
          });
      if (anyPolygon) edges = vc_shapeselect::edgeSegments(scene.image);
      for (const vsSceneObject& object : scene.objects)
        cause.polygons +=
            scene.templates[std::size_t(object.templateIndex)].kind == veShapeKind::ePolygon;
      for (const long o : m.missed) {
        const vsSceneObject& object = scene.objects[std::size_t(o)];
        const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
        if (t.kind != veShapeKind::ePolygon) continue;
        ranks[std::size_t(o)] = basisRank(edges, vfSceneOutlinePoints(t, object));
        ++cause.missed;
        cause.noEdge += ranks[std::size_t(o)] < 0;
        cause.pastLimit += ranks[std::size_t(o)] >= kBasisLimit;
        if (ranks[std::size_t(o)] >= 0 && ranks[std::size_t(o)] < kBasisLimit)
          why[std::size_t(o)] =
              classifyMiss(cause, t, object, object.templateIndex, results, edges);
      }
      if (!missDir.empty() && !m.missed.empty()) {
        // Again with the evidence recorded, which the timed run leaves out.
        vcDiagObject diag;
        tool.run(results, scene.image, run, &diag, vcDiagObject::eResults);
        showMisses(missDir, scene, params.seed, results, m, ranks, why, diag);
      }

      // Recall, per object.
      std::vector<const vsShapeMatch*> matchOf(scene.objects.size(), nullptr);
      for (const vsShapeMatch& match : m.matches) matchOf[std::size_t(match.object)] = &match;
      for (std::size_t o = 0; o < scene.objects.size(); ++o) {
        const vsSceneObject& object = scene.objects[o];
        const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
        const vsShapeMatch* match = matchOf[o];
        const std::string sizeName = size ? "1280x1024 " : "640x480 ";
        std::vector<Bucket*> buckets = {
            &byKind[sizeName + kindName(t.kind)],
            &byContrast[vfBucketName(object.contrast, {35, 50, 65, 80})],
            &byPolarity[kindName(t.kind) + std::string(object.dark ? " dark" : " light")],
            &byScale[vfBucketName(object.scale, {0.7, 0.9, 1.1, 1.4})],
            &byBlur[vfBucketName(scene.blurSigma, {0, 0.5, 1.0, 1.5})],
            &byNoise[vfBucketName(scene.noiseSigma, {0, 2.5, 5})],
            &byOcclusion[object.occluded ? "bitten" : "whole"],
            &bySize[size ? "1280x1024" : "640x480"],
            &all["all"]};
        // The rows of one kind's own table by the conditions that bear on it.
        const auto byCondition = [&](Table& table) {
          buckets.insert(buckets.end(),
                         {&table["scale " + vfBucketName(object.scale, {0.7, 0.9, 1.1, 1.4})],
                          &table["contrast " + vfBucketName(object.contrast, {35, 50, 65, 80})],
                          &table["blur " + vfBucketName(scene.blurSigma, {0, 0.5, 1.0, 1.5})],
                          &table["noise " + vfBucketName(scene.noiseSigma, {0, 2.5, 5})],
                          &table[object.occluded ? "bitten" : "whole"]});
        };
        if (size == 1) {
          char row[48];
          std::snprintf(row, sizeof row, "%s, %ld objects", kindName(t.kind), params.numObjects);
          buckets.push_back(&crowd[row]);
        }
        if (t.kind == veShapeKind::eStroke) {
          // The width factor farthest from 1.
          double factor = 1.0;
          for (const double f : object.widthFactors)
            if (std::fabs(f - 1.0) > std::fabs(factor - 1.0)) factor = f;
          // The shortest clear run of the figure's strokes: centre-lines are kept from 20 pixels.
          const std::vector<double> runs = vfStrokeClearRuns(t, object);
          const double clear = *std::min_element(runs.begin(), runs.end());
          // Any object darker than the background sets the thresholds of the windows around
          // it between the two, and the fill of windows without edges carries them on.
          const bool darkScene = std::any_of(scene.objects.begin(), scene.objects.end(),
                                             [](const vsSceneObject& other) { return other.dark; });
          buckets.insert(
              buckets.end(),
              {&strokeFigure[t.name],
               &strokeBucket["width factor " + vfBucketName(factor, {0.7, 0.9, 1.1, 1.3})],
               &strokeBucket["clear run px " + vfBucketName(clear, {0, 20, 30, 1000})],
               &strokeBucket[darkScene ? "scene with a dark disc" : "scene without"]});
          byCondition(strokeBucket);
          if (std::strcmp(t.name, "X") == 0) buckets.push_back(&strokeFigure[armsRow(t)]);
        }
        if (t.kind == veShapeKind::ePolygon) {
          buckets.push_back(&polygonShape[sizeName + t.name]);
          byCondition(polygonBucket);
          buckets.push_back(
              &polygonShape[sizeName + (mergedAtVertex(edges, vfSceneOutlinePoints(t, object))
                                            ? "two sides as one"
                                            : "sides apart")]);
        }
        for (Bucket* b : buckets) {
          ++b->objects;
          if (!match) continue;
          ++b->matched;
          b->translation += match->translationError;
          b->scale += match->scaleError;
          if (t.kind != veShapeKind::eCircle) {
            b->angle += match->angleError;
            ++b->angled;
          }
          if (t.kind == veShapeKind::eStroke && t.symmetryDegrees >= 360.0) {
            b->width += match->widthFactorError;
            ++b->widthed;
          }
        }
      }
      // Precision, per reported result.
      std::vector<bool> correct(found.size(), false);
      for (const vsShapeMatch& match : m.matches) correct[std::size_t(match.found)] = true;
      for (std::size_t f = 0; f < found.size(); ++f) {
        const veShapeKind kind = scene.templates[std::size_t(found[f].templateIndex)].kind;
        const std::string sizeName = size ? "1280x1024 " : "640x480 ";
        const vsSceneTemplate& t = scene.templates[std::size_t(found[f].templateIndex)];
        std::vector<Bucket*> buckets = {&byKind[sizeName + kindName(kind)],
                                        &bySize[size ? "1280x1024" : "640x480"], &all["all"]};
        if (size == 1) {
          char row[48];
          std::snprintf(row, sizeof row, "%s, %ld objects", kindName(kind), params.numObjects);
          buckets.push_back(&crowd[row]);
        }
        if (kind == veShapeKind::eStroke) buckets.push_back(&strokeFigure[t.name]);
        if (kind == veShapeKind::ePolygon) buckets.push_back(&polygonShape[sizeName + t.name]);
        if (kind == veShapeKind::eStroke && std::strcmp(t.name, "X") == 0)
          buckets.push_back(&strokeFigure[armsRow(t)]);
        for (Bucket* b : buckets) {
          ++b->reported;
          b->correct += correct[f];
        }
        if (kind != veShapeKind::ePolygon) continue;
        FalseCause& why = falseCauses[causeRow];
        ++why.reported;
        if (correct[f]) continue;
        ++why.wrong;
        const auto near = [&](bool own) {
          return std::any_of(scene.objects.begin(), scene.objects.end(),
                             [&](const vsSceneObject& o) {
                               return (o.templateIndex == found[f].templateIndex) == own &&
                                      (o.translation - found[f].location).len() <= kNearResult;
                             });
        };
        if (near(true))
          ++why.ownObject;
        else if (near(false))
          ++why.otherObject;
        else
          ++why.nowhere;
      }
    }
  }

  std::printf(
      "shape selection accuracy: %ld scenes at 640x480 (8 objects), %ld at 1280x1024 "
      "(10, 20 or 30 objects), seeds from %u\n",
      perSize, perSize, firstSeed);
  std::printf(
      "mean run: %.2f ms at 640x480, %.2f ms at 1280x1024 (processor time, no diagnostics)\n",
      runs[0] ? 1e3 * runSeconds[0] / double(runs[0]) : 0.0,
      runs[1] ? 1e3 * runSeconds[1] / double(runs[1]) : 0.0);
  std::printf(
      "errors are means over matches; width: largest stroke factor error, figures "
      "without symmetry\n");
  print("all", all);
  print("by image size", bySize);
  print("by size and kind", byKind);
  print("by kind and polarity", byPolarity);
  print("by contrast (grey levels)", byContrast);
  print("by scale", byScale);
  print("by blur sigma", byBlur);
  print("by noise sigma", byNoise);
  print("by occlusion", byOcclusion);
  print("1280x1024 by objects", crowd);
  print("polygons", polygonShape);
  print("polygons by", polygonBucket);
  print("stroke figures", strokeFigure);
  print("stroke figures by", strokeBucket);
  std::printf("\n%-26s %8s %7s %8s %8s %7s | %7s %7s %7s %7s %7s %7s %7s\n", "polygon misses",
              "polygons", "missed", "no edge", "past 50", "other", "turned", "merged", "pose",
              "below", "<3/4 ed", "other t", "no res.");
  for (const auto& row : causes) {
    const MissCause& c = row.second;
    const auto pct = [&c](long n) {
      return c.polygons ? 100.0 * double(n) / double(c.polygons) : 0.0;
    };
    std::printf("%-26s %8ld %6.1f%% %7.1f%% %7.1f%% %6.1f%% | %7ld %7ld %7ld %7ld %7ld %7ld %7ld\n",
                row.first.c_str(), c.polygons, pct(c.missed), pct(c.noEdge), pct(c.pastLimit),
                pct(c.missed - c.noEdge - c.pastLimit), c.sameOutline, c.mergedSides, c.poseOff,
                c.below, c.fewEdges, c.otherTemplate, c.noResult);
  }
  std::printf("\n%-26s %8s %7s %8s %8s %8s\n", "false polygon results", "reported", "false",
              "own obj.", "other", "nowhere");
  for (const auto& [row, c] : falseCauses)
    std::printf("%-26s %8ld %6.1f%% %8ld %8ld %8ld\n", row.c_str(), c.reported,
                c.reported ? 100.0 * double(c.wrong) / double(c.reported) : 0.0, c.ownObject,
                c.otherObject, c.nowhere);
  return 0;
}
