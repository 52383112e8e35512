// What the skeletal extraction makes of each stroke of the scenes' figures, to see why a stroke
// gets no centre-line segment. Per figure: its outline as the stroke model draws it at the
// figure's own width factors (the corresponder scores candidates by that outline; strokes that
// meet at one point can make the walk round them take another path or not close). Per stroke:
// the distance values along its true centre-line, the seeds on its clear part (farther from
// every other stroke than the two half-widths) and what became of each in each pass (skipped
// beside an earlier ridge, or traced, with its point count), the seeds where it meets another
// stroke, and every ridge with at least 3 points clear on it: its fitted segment against the
// true centre-line (angle, offsets of its ends, length, width, points off the figure) and the
// rule that keeps it off the stroke. A stroke counts as covered when a ridge's segment lies on
// it as bench_stroke_misses judges (within 15 degrees, both ends within 4 pixels of its line,
// at least half alongside it). The summary counts the strokes by fate, by role (an arrow's
// shaft and heads apart) and by whether their p2 end comes after p1 in row-major order, and
// covered strokes by clear run.
//
//   bench_stroke_ridges [scenes, default 20] [first seed, default 1000] [640 | 1280]
//                       [figure: L, T, X, arrow or all, default arrow] [picture directory]
//
// The scenes are those of bench_shapeselect_accuracy. A picture (seed_object_figure.png) shows
// the distance image around the figure at four times its size (the input image, dimmed, where
// there is no stroke): true centre-lines green, the points of the ridges over the figure orange
// (pass along x) or cyan (pass along y), seeds on the figure magenta.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "../shapeselect_accuracy/accuracy_scenes.h"
#include "io/render_png.h"
#include "io/render_raster.h"
#include "platform/base/exception.h"
#include "platform/graphics/color.h"
#include "scenes/shape_scene.h"
#include "skeleton/ridge_follow.h"
#include "skeleton/ridge_seeds.h"
#include "skeleton/ridge_trace.h"
#include "skeleton/skeletal_extraction.h"
#include "tavshsl/skeleton_model.h"

namespace {

using Vec = vcVector<2>;
constexpr double kPi = std::numbers::pi;
constexpr long kZoom = 4;

Vec rotated(const Vec& p, double degrees) {
  const double a = degrees * kPi / 180.0;
  return Vec(std::cos(a) * p.x() - std::sin(a) * p.y(), std::sin(a) * p.x() + std::cos(a) * p.y());
}

double cross(const Vec& a, const Vec& b) { return a.x() * b.y() - a.y() * b.x(); }
double dot(const Vec& a, const Vec& b) { return a.x() * b.x() + a.y() * b.y(); }

double distanceToSegment(const Vec& p, const Vec& a, const Vec& b) {
  const Vec d = b - a;
  const double t = std::clamp(dot(p - a, d) / dot(d, d), 0.0, 1.0);
  return (p - (a + d * t)).len();
}

struct Stroke {
  Vec a, b;
  double width = 0.0;
};

// A seed's fate in the pass that met it.
struct SeedFate {
  long x = 0, y = 0, value = 0;
  int pass = 0;
  long ridge = -1;      // index in the pass's traced ridges, when it started one
  long skippedBy = -1;  // label of the ridge whose swath held it
  long points = 0;      // points traced from it (0 when skipped)
};

// One ridge as traced, with its label, pass and the seed it started from.
struct Ridge {
  vc_ridgeLine line;
  int pass = 0;
  long label = 0;
  Vec seed;
};

// The two passes of the skeletal extraction over distance, as ridge_trace does them, keeping
// what each seed became and the label of every ridge (also of those dropped as too short).
void tracePasses(const vcPelBuffer<unsigned char>& distance, std::vector<Ridge>& ridges,
                 std::vector<SeedFate>& fates, std::vector<std::uint16_t>& labelOf) {
  using namespace vc_skeleton;
  std::vector<vc_SeedInfo> seeds;
  findRidgeSeeds(distance, 0, seeds);
  const long w = distance.width(), h = distance.height();
  for (int pass = 0; pass < 2; ++pass) {
    const vcRadian theta(pass == 0 ? 0.0 : kPi / 2);
    std::vector<std::uint16_t> labels(std::size_t(w * h), 0);
    std::uint16_t label = 1;
    for (const vc_SeedInfo& seed : seeds) {
      SeedFate fate{seed.x, seed.y, seed.value, pass};
      const Vec p = refineOnRidge(distance, ridgeFollowParams(theta, 4.0, Vec(seed.x, seed.y)));
      const long ix = long(p.x()), iy = long(p.y());
      for (long y = std::max(iy - 1, 0L); y <= std::min(iy + 1, h - 1) && fate.skippedBy < 0; ++y)
        for (long x = std::max(ix - 1, 0L); x <= std::min(ix + 1, w - 1); ++x)
          if (labels[std::size_t(y * w + x)] != 0) {
            fate.skippedBy = labels[std::size_t(y * w + x)];
            break;
          }
      if (fate.skippedBy >= 0) {
        fates.push_back(fate);
        continue;
      }
      ++label;
      const bool inside = ix >= 0 && iy >= 0 && ix < w && iy < h;
      const long d = inside ? distance.pointToRow(iy)[ix] : 0;
      const double floorValue = std::max(4.0, std::min(double(d - 5), std::floor(d * 0.8)));
      std::vector<Vec> forward, backward;
      followRidge(distance, ridgeFollowParams(theta, floorValue, p), forward, labels, w, label);
      followRidge(distance, ridgeFollowParams(theta + vcRadian(kPi), floorValue, p), backward,
                  labels, w, label);
      fate.points = long(forward.size() + backward.size()) - 1;
      Ridge r;
      r.pass = pass;
      r.label = label;
      r.seed = p;
      r.line.direction = theta;
      for (std::size_t i = backward.size(); i-- > 1;) r.line.points.push_back(backward[i]);
      r.line.points.insert(r.line.points.end(), forward.begin(), forward.end());
      if (forward.size() + backward.size() >= 6) fitRidge(distance, r.line, 0);
      fate.ridge = long(ridges.size());
      ridges.push_back(std::move(r));
      fates.push_back(fate);
    }
    if (pass == 1) labelOf = labels;
  }
}

// The ridge's fitted segment against the stroke: angle (degrees), offsets of its ends from the
// stroke's line, the share of its length alongside the stroke, and the verdict.
struct Judgement {
  double angle = 0.0, offset1 = 0.0, offset2 = 0.0, alongside = 0.0;
  std::string verdict;
};

Judgement judge(const Ridge& r, const Stroke& s) {
  Judgement j;
  if (r.line.points.size() < 6) {
    j.verdict = "fewer than 6 points";
    return j;
  }
  const Vec d = (s.b - s.a).unit(), e = (r.line.end - r.line.start).unit();
  j.angle = std::acos(std::min(1.0, std::abs(dot(d, e)))) * 180.0 / kPi;
  j.offset1 = std::abs(cross(r.line.start - s.a, d));
  j.offset2 = std::abs(cross(r.line.end - s.a, d));
  double t1 = dot(r.line.start - s.a, d), t2 = dot(r.line.end - s.a, d);
  if (t1 > t2) std::swap(t1, t2);
  const double len = (s.b - s.a).len();
  j.alongside = t2 > t1 ? (std::min(t2, len) - std::max(t1, 0.0)) / (t2 - t1) : 0.0;
  if (std::abs(r.line.length) < 20.0)
    j.verdict = "shorter than 20";
  else if (j.angle > 15.0)
    j.verdict = "angle over 15";
  else if (j.offset1 > 4.0 || j.offset2 > 4.0)
    j.verdict = "end off the line by over 4";
  else if (j.alongside < 0.5)
    j.verdict = "less than half alongside";
  else
    j.verdict = "on the stroke";
  return j;
}

// The figure's outline as the stroke model draws it at the object's width factors, against
// its outline at the nominal widths: "n segments", "n segments (m nominal)" when the walk
// round the strokes takes another path, or "no closed outline" when the walk does not close.
// The corresponder scores a candidate by that outline at the widths it measured.
std::string outlineAtWidths(const vsSceneTemplate& t, const vsSceneObject& o) {
  std::vector<vcModelSegment> skeleton;
  for (const auto& [p1, p2] : t.skeleton)
    skeleton.emplace_back(vcLineSeg(p1, p2), 1.0, vcSegmentDefs::eUndirected);
  const vcSegmentCorresponderSkeletonModel model(skeleton, t.widths, true);
  vcSegmentCorresponderSkeletonModel wide = model;
  wide.setDOFRange(vcSegmentCorresponderModel::eStrokeWidth, vcRange(0.1, 10.0));
  std::vector<vcModelSegment> outline;
  try {
    wide.transformModel(outline, vcXform<2>(), o.widthFactors);
  } catch (const vcException&) {
    return "no closed outline";
  }
  const long nominal = model.numBoundarySegments();
  char text[64];
  if (long(outline.size()) == nominal)
    std::snprintf(text, sizeof text, "%zu segments", outline.size());
  else
    std::snprintf(text, sizeof text, "%zu segments (%ld nominal)", outline.size(), nominal);
  return text;
}

// How near a verdict comes to giving the stroke a segment: higher is nearer.
int verdictRank(const std::string& verdict) {
  const char* order[] = {"fewer than 6 points",        "shorter than 20",
                         "less than half alongside",   "angle over 15",
                         "end off the line by over 4", "on the stroke"};
  for (int i = 0; i < 6; ++i)
    if (verdict == order[i]) return i;
  return -1;
}

void drawCross(vcRgbImage& pic, const Vec& p, long arm, const vcColor& c) {
  const long cx = long(p.x() * kZoom), cy = long(p.y() * kZoom);
  for (long d = -arm; d <= arm; ++d) pic.set(cx + d, cy, c), pic.set(cx, cy + d, c);
}

// The program, for main to report any failure (an unwritable picture directory) in one line.
int run(int argc, char** argv) {
  const long count = argc > 1 ? std::atol(argv[1]) : 20;
  const std::uint32_t firstSeed = argc > 2 ? std::uint32_t(std::atol(argv[2])) : 1000;
  const bool large = argc > 3 && std::atol(argv[3]) == 1280;
  const std::string wanted = argc > 4 ? argv[4] : "arrow";
  const std::string pictures = argc > 5 ? argv[5] : "";
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  std::map<std::string, long> verdicts, strokeOutcomes;
  std::map<std::string, std::map<std::string, long>> fates_;    // role, fate
  std::map<std::string, std::map<std::string, long>> outlines;  // figure, outline at its widths
  std::map<std::string, std::map<long, std::pair<long, long>>> coverByRun;  // role, 5-px bucket

  for (long n = 0; n < count; ++n) {
    const vsShapeSceneParams params = vfAccuracySceneParams(firstSeed, n, large);
    const vsShapeScene scene = scenes::shapeScene(params);
    std::vector<vcFoundSegment> segments;
    vsSkeletalStages stages;
    vfExtractSkeletalSegments(scene.image, segments, 20.0, lut, &stages);
    vcPelBuffer<unsigned char> distance = stages.distance;
    distance.offset(0, 0);
    std::vector<Ridge> ridges;
    std::vector<SeedFate> fates;
    std::vector<std::uint16_t> labels;
    tracePasses(distance, ridges, fates, labels);
    // A dark disc lowers the thresholds of windows without edges far around it.
    bool darkDisc = false;
    for (const vsSceneObject& object : scene.objects) darkDisc = darkDisc || object.dark;

    for (std::size_t o = 0; o < scene.objects.size(); ++o) {
      const vsSceneObject& object = scene.objects[o];
      const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
      if (t.kind != veShapeKind::eStroke || (wanted != "all" && wanted != t.name)) continue;
      std::vector<Stroke> strokes;
      for (std::size_t k = 0; k < t.skeleton.size(); ++k)
        strokes.push_back(
            {object.translation + rotated(t.skeleton[k].first, object.angleDegrees) * object.scale,
             object.translation + rotated(t.skeleton[k].second, object.angleDegrees) * object.scale,
             t.widths[k] * object.scale * object.widthFactors[k]});
      const std::vector<double> runs = vfStrokeClearRuns(t, object);
      const std::string outline = outlineAtWidths(t, object);
      std::printf(
          "seed %u object %zu %s at (%.0f, %.0f) angle %.1f scale %.3f contrast %.0f "
          "blur %.2f noise %.2f%s%s, outline at its widths: %s\n",
          params.seed, o, t.name, object.translation.x(), object.translation.y(),
          object.angleDegrees, object.scale, object.contrast, scene.blurSigma, scene.noiseSigma,
          object.occluded ? " bitten" : "", darkDisc ? " (dark disc in the scene)" : "",
          outline.c_str());
      ++outlines[t.name][outline.find('(') != std::string::npos ? "another outline"
                         : outline[0] == 'n'                    ? outline
                                                                : "the nominal outline"];
      std::vector<long> shown;
      for (std::size_t k = 0; k < strokes.size(); ++k) {
        const Stroke& s = strokes[k];
        const Vec d = (s.b - s.a).unit();
        const double axis = std::atan2(d.y(), d.x()) * 180.0 / kPi;
        std::printf("  stroke %zu length %.1f width %.1f axis %.1f deg clear run %.1f\n", k,
                    (s.b - s.a).len(), s.width, axis, runs[k]);
        // Whether a point lies on this stroke clear of the others.
        const auto clearOn = [&](const Vec& p) {
          if (distanceToSegment(p, s.a, s.b) > s.width / 2) return false;
          for (std::size_t j = 0; j < strokes.size(); ++j)
            if (j != k && distanceToSegment(p, strokes[j].a, strokes[j].b) <=
                              (s.width + strokes[j].width) / 2)
              return false;
          return true;
        };
        // The distance values along the centre-line, every 2 pixels from p1 to p2.
        std::printf("    distance along the centre-line:");
        for (double u = 0.0; u <= (s.b - s.a).len(); u += 2.0) {
          const Vec p = s.a + d * u;
          const long x = long(p.x()), y = long(p.y());
          std::printf(" %d", x >= 0 && y >= 0 && x < distance.width() && y < distance.height()
                                 ? int(distance.pointToRow(y)[x])
                                 : -1);
        }
        std::printf("\n");
        long ownSeeds = 0, ownTraced = 0;
        std::string ownBest;
        for (const SeedFate& f : fates) {
          if (!clearOn(Vec(f.x + 0.5, f.y + 0.5))) {
            // Seeds where the stroke meets another, for what they became.
            if (distanceToSegment(Vec(f.x + 0.5, f.y + 0.5), s.a, s.b) <= s.width / 2 &&
                f.value >= 4) {
              std::printf("    pass %d junction seed (%ld, %ld) value %ld: ", f.pass, f.x, f.y,
                          f.value);
              if (f.skippedBy >= 0)
                std::printf("skipped\n");
              else
                std::printf("traced ridge %ld, %ld points\n", f.ridge, f.points);
            }
            continue;
          }
          ++ownSeeds;
          if (f.skippedBy < 0) {
            ++ownTraced;
            const std::string v = judge(ridges[std::size_t(f.ridge)], s).verdict;
            if (verdictRank(v) > verdictRank(ownBest)) ownBest = v;
          }
          std::printf("    pass %d seed (%ld, %ld) value %ld: ", f.pass, f.x, f.y, f.value);
          if (f.skippedBy >= 0) {
            long by = -1;
            for (std::size_t r = 0; r < ridges.size(); ++r)
              if (ridges[r].pass == f.pass && ridges[r].label == f.skippedBy) by = long(r);
            std::printf("skipped beside ridge %ld\n", by);
          } else {
            std::printf("traced ridge %ld, %ld points\n", f.ridge, f.points);
          }
        }
        // Whether the stroke's p2 end comes after its p1 end in row-major order: the seed search
        // wants a ridge pixel above the values before it in that order (left and above), so a
        // flat ridge that rises into a junction at its p1 end has no seed of its own.
        const bool p2Later = d.y() > 0.38 || (std::abs(d.y()) <= 0.38 && d.x() > 0);
        const std::string role =
            std::string(t.name == std::string("arrow") ? (k == 0 ? "shaft" : "head") : t.name) +
            (p2Later ? " (p2 later)" : " (p2 earlier)");
        // Ridges with at least 3 points clear on the stroke.
        // A ridge leaves the figure where it is more than 2 pixels off every stroke.
        const auto inFigure = [&](const Vec& p) {
          for (const Stroke& other : strokes)
            if (distanceToSegment(p, other.a, other.b) <= other.width / 2 + 2.0) return true;
          return false;
        };
        bool covered = false, runsOut = false;
        for (std::size_t r = 0; r < ridges.size(); ++r) {
          const Ridge& ridge = ridges[r];
          long on = 0, inside = 0, outside = 0;
          for (const Vec& p : ridge.line.points) {
            on += clearOn(p);
            inside += distanceToSegment(p, s.a, s.b) <= s.width / 2;
            outside += !inFigure(p);
          }
          if (on < 3) continue;
          runsOut = runsOut || outside >= 10;
          shown.push_back(long(r));
          const Judgement j = judge(ridge, s);
          covered = covered || j.verdict == "on the stroke";
          std::printf(
              "    ridge %zu pass %d: %zu points (%ld clear on the stroke, %ld within it, "
              "%ld off the figure)",
              r, ridge.pass, ridge.line.points.size(), on, inside, outside);
          if (ridge.line.points.size() >= 6) {
            const Vec e = (ridge.line.end - ridge.line.start).unit();
            std::printf(
                " from (%.1f, %.1f) to (%.1f, %.1f) angle %.1f (%+.1f from the axis), "
                "end offsets %.1f / %.1f, length %.1f, width %.0f, rms %.2f, %.0f %% "
                "alongside",
                ridge.line.start.x(), ridge.line.start.y(), ridge.line.end.x(), ridge.line.end.y(),
                std::atan2(e.y(), e.x()) * 180.0 / kPi, j.angle, j.offset1, j.offset2,
                ridge.line.length, ridge.line.width, ridge.line.rms, 100.0 * j.alongside);
          }
          std::printf(": %s\n", j.verdict.c_str());
          ++verdicts[j.verdict];
        }
        // What became of the stroke's own seeds, for strokes left without a segment.
        // A ridge over the stroke that runs 10 points or more off the figure (into a region the
        // binarisation joined to it) marks the fate.
        const std::string fate = covered          ? "covered"
                                 : runsOut        ? "a ridge over it runs off the figure"
                                 : ownSeeds == 0  ? "no seed on its clear part"
                                 : ownTraced == 0 ? "its seeds skipped beside other ridges"
                                                  : "its ridges: " + ownBest;
        std::printf("    -> %s\n", fate.c_str());
        ++fates_[role][fate];
        ++strokeOutcomes[role + (covered ? " covered" : " not covered")];
        auto& cell = coverByRun[role][std::min(long(runs[k] / 5.0), 12L)];
        ++cell.first;
        cell.second += covered;
      }

      if (pictures.empty()) continue;
      double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
      for (const Vec& p : vfSceneOutlinePoints(t, object))
        x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y()), x1 = std::max(x1, p.x()),
        y1 = std::max(y1, p.y());
      const long left = std::max(0L, long(x0) - 8), top = std::max(0L, long(y0) - 8);
      const long right = std::min(distance.width(), long(x1) + 8);
      const long bottom = std::min(distance.height(), long(y1) + 8);
      if (right <= left || bottom <= top) continue;
      // Stroke pixels light, brighter towards the ridges; the input image's edges faint.
      vcPelBuffer<unsigned char> view(right - left, bottom - top);
      for (long y = top; y < bottom; ++y)
        for (long x = left; x < right; ++x) {
          const long d = distance.pointToRow(y)[x];
          const long g = scene.image.pointToRow(y)[x];
          view.pointToRow(y - top)[x - left] =
              static_cast<unsigned char>(d > 0 ? std::min(255L, 90 + 6 * d) : g / 3);
        }
      vcRgbImage pic = vfGreyToRgb(view, kZoom);
      const Vec shift{double(left), double(top)};
      for (const Stroke& s : strokes)
        for (double u = 0; u <= 1.0; u += 0.005)
          drawCross(pic, s.a + (s.b - s.a) * u - shift, 0, vcColor::green());
      for (const SeedFate& f : fates) {
        const Vec p{f.x + 0.5, f.y + 0.5};
        bool onFigure = false;
        for (const Stroke& st : strokes)
          onFigure = onFigure || distanceToSegment(p, st.a, st.b) <= st.width / 2;
        if (onFigure && f.pass == 0) drawCross(pic, p - shift, 1, vcColor(255, 0, 255));
      }
      for (const long r : shown)
        for (const Vec& p : ridges[std::size_t(r)].line.points)
          drawCross(pic, p - shift, 2,
                    ridges[std::size_t(r)].pass == 0 ? vcColor(255, 140, 0) : vcColor::cyan());
      char name[200];
      std::snprintf(name, sizeof name, "%s/%u_%zu_%s.png", pictures.c_str(), params.seed, o,
                    t.name);
      vfWriteRgbPng(name, pic);
    }
  }
  std::printf("\nstrokes:\n");
  for (const auto& [what, n] : strokeOutcomes) std::printf("  %-28s %ld\n", what.c_str(), n);
  for (const auto& [role, byFate] : fates_) {
    std::printf("%s strokes:\n", role.c_str());
    for (const auto& [what, n] : byFate) std::printf("  %-44s %ld\n", what.c_str(), n);
  }
  std::printf("figures by their outline at their own widths:\n");
  for (const auto& [figure, byOutline] : outlines)
    for (const auto& [what, n] : byOutline)
      std::printf("  %-6s %-24s %ld\n", figure.c_str(), what.c_str(), n);
  std::printf("ridges over a stroke, by verdict:\n");
  for (const auto& [what, n] : verdicts) std::printf("  %-28s %ld\n", what.c_str(), n);
  std::printf("covered strokes by clear run (pixels):\n");
  for (const auto& [role, buckets] : coverByRun)
    for (const auto& [b, c] : buckets)
      std::printf("  %-20s [%3ld, %3ld) %4ld strokes %5.1f %%\n", role.c_str(), 5 * b, 5 * b + 5,
                  c.first, 100.0 * double(c.second) / double(c.first));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_stroke_ridges: %s\n", e.what());
    return 1;
  }
}
