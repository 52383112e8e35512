// How far the shape selection tool's edge lines stop short of the true corners of the shapes
// they bound, bucket by bucket, on the scenes of bench_shapeselect_accuracy.
//
//   bench_line_ends [scenes per size, default 40] [first seed, default 1000]
//
// The edge lines are those the tool hands the corresponder (vc_shapeselect::edgeSegments: the
// line tracker on the image reduced by 2); distances are in pixels of the full image. The true
// sides are the polygons' sides and the long sides of every stroke, each cut where another
// stroke of its figure covers it, so a side piece ends at a convex corner (a polygon vertex
// turning outward, a stroke's free end) or a concave one (a vertex turning inward, where a
// stroke meets another). Bitten objects are left out. Rows: polygons, and each stroke figure
// (L, T, X, arrow), by corner.
//
// A found line lies along a side piece when it is within 5 degrees of it, both its ends lie
// within 2 pixels of the side's line and it overlaps the piece. At each end of a piece of 16
// pixels or more, the shortfall is the distance along the side from the corner to the nearest
// end of the lines along the piece: positive where the lines stop short, negative where they
// run past. An end whose nearest line end lies 12 pixels or more from the corner is counted
// apart as not reached (the side was found in pieces or not at all near that corner); the
// mean shortfall is over the others.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../shapeselect_accuracy/accuracy_scenes.h"
#include "scenes/shape_scene.h"
#include "shapeselect/shape_select_search.h"

namespace {

constexpr double kMinPiece = 16.0;     // shortest side piece measured, pixels
constexpr double kNotReached = 12.0;   // an end farther than this from the corner is a miss
constexpr double kAlongDegrees = 5.0;  // a line along a side: within this angle
constexpr double kOffLine = 2.0;       // and both ends within this distance of its line

struct Tally {
  long ends = 0, reached = 0;
  double sum = 0.0, sumSq = 0.0;
  std::vector<double> values;
  void add(double shortfall) {
    ++ends;
    if (shortfall >= kNotReached) return;
    ++reached;
    sum += shortfall;
    sumSq += shortfall * shortfall;
    values.push_back(shortfall);
  }
};

using Table = std::map<std::string, Tally>;

// A true side piece from a to b, and whether each end is a convex corner.
struct Piece {
  vcVector<2> a, b;
  bool convexA = true, convexB = true;
};

// A stroke drawn as a rectangle: centre-line p1 -> p2 (ends lengthened) and half its width.
struct Rect {
  vcVector<2> p1, p2;
  double half = 0.0;
  bool inside(const vcVector<2>& p, double margin) const {
    const vcVector<2> d = p2 - p1;
    const double length = d.len();
    const vcVector<2> u = d / length;
    const double t = (p - p1) * u, s = (p - p1) * u.perp();
    return t > margin && t < length - margin && std::abs(s) < half - margin;
  }
};

// The long sides of every stroke, cut where another stroke covers them.
std::vector<Piece> strokePieces(const std::vector<vcVector<2>>& corners) {
  std::vector<Rect> rects;
  for (std::size_t k = 0; k + 3 < corners.size(); k += 4)
    rects.push_back({(corners[k] + corners[k + 1]) * 0.5, (corners[k + 2] + corners[k + 3]) * 0.5,
                     (corners[k] - corners[k + 1]).len() / 2.0});
  std::vector<Piece> pieces;
  constexpr double kStep = 0.05;
  for (std::size_t r = 0; r < rects.size(); ++r)
    for (int side = 0; side < 2; ++side) {
      const vcVector<2> a = corners[4 * r + std::size_t(side)];
      const vcVector<2> b = corners[4 * r + 2 + std::size_t(side)];
      const double length = (b - a).len();
      const vcVector<2> u = (b - a) / length;
      bool open = false;
      double start = 0.0;
      for (double t = 0.0; t <= length + kStep / 2; t += kStep) {
        const double at = std::min(t, length);
        bool covered = false;
        for (std::size_t o = 0; o < rects.size() && !covered; ++o)
          covered = o != r && rects[o].inside(a + u * at, 0.01);
        if (!covered && !open) {
          open = true;
          start = at;
        }
        if ((covered || at >= length) && open) {
          open = false;
          pieces.push_back({a + u * start, a + u * at, start <= 0.0, at >= length});
        }
      }
    }
  return pieces;
}

// The sides of a polygon; a vertex is convex when the outline turns the way it turns overall.
std::vector<Piece> polygonPieces(const std::vector<vcVector<2>>& v) {
  const std::size_t n = v.size();
  double area = 0.0;
  for (std::size_t k = 0; k < n; ++k)
    area += v[k].x() * v[(k + 1) % n].y() - v[(k + 1) % n].x() * v[k].y();
  const auto convex = [&](std::size_t k) {
    const vcVector<2> in = v[k] - v[(k + n - 1) % n], out = v[(k + 1) % n] - v[k];
    return (in.x() * out.y() - in.y() * out.x()) * area > 0.0;
  };
  std::vector<Piece> pieces;
  for (std::size_t k = 0; k < n; ++k)
    pieces.push_back({v[k], v[(k + 1) % n], convex(k), convex((k + 1) % n)});
  return pieces;
}

void print(const char* title, const Table& table) {
  std::printf("\n%-30s %7s %9s %9s %8s %8s %8s\n", title, "ends", "reached", "mean px", "rms px",
              "median", "90%");
  for (const auto& [name, t] : table) {
    std::vector<double> v = t.values;
    std::sort(v.begin(), v.end());
    const auto quantile = [&v](double q) {
      return v.empty() ? 0.0 : v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
    };
    const double n = double(std::max(1L, t.reached));
    std::printf("%-30s %7ld %8.1f%% %9.2f %8.2f %8.2f %8.2f\n", name.c_str(), t.ends,
                t.ends ? 100.0 * double(t.reached) / double(t.ends) : 0.0, t.sum / n,
                std::sqrt(t.sumSq / n), quantile(0.5), quantile(0.9));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long perSize = argc > 1 ? std::atol(argv[1]) : 40;
  const std::uint32_t firstSeed = argc > 2 ? std::uint32_t(std::atol(argv[2])) : 1000;
  Table all, byKind, byBlur, byContrast, byNoise, byScale;
  for (int size = 0; size < 2; ++size)
    for (long n = 0; n < perSize; ++n) {
      const vsShapeSceneParams params = vfAccuracySceneParams(firstSeed, n, size == 1);
      const vsShapeScene scene = scenes::shapeScene(params);
      const std::vector<vcFoundSegment> edges = vc_shapeselect::edgeSegments(scene.image);
      for (const vsSceneObject& object : scene.objects) {
        const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
        if (object.occluded || t.kind == veShapeKind::eCircle) continue;
        const std::vector<vcVector<2>> outline = vfSceneOutlinePoints(t, object);
        const bool stroke = t.kind == veShapeKind::eStroke;
        for (const Piece& piece : stroke ? strokePieces(outline) : polygonPieces(outline)) {
          const double length = (piece.b - piece.a).len();
          if (length < kMinPiece) continue;
          const vcVector<2> u = (piece.b - piece.a) / length;
          // The lines along the piece, as intervals along it from a.
          double first = 1e300, last = -1e300;
          for (const vcFoundSegment& f : edges) {
            const vcVector<2> p = f.segment().p1(), q = f.segment().p2();
            const double along = std::abs(((q - p) * u) / std::max(1e-12, (q - p).len()));
            if (along < std::cos(kAlongDegrees * 3.14159265358979 / 180.0)) continue;
            if (std::abs((p - piece.a) * u.perp()) > kOffLine ||
                std::abs((q - piece.a) * u.perp()) > kOffLine)
              continue;
            const double s0 = std::min((p - piece.a) * u, (q - piece.a) * u);
            const double s1 = std::max((p - piece.a) * u, (q - piece.a) * u);
            if (s1 <= 0.0 || s0 >= length) continue;
            first = std::min(first, s0);
            last = std::max(last, s1);
          }
          const double shortfall[2] = {first, length - last};
          const bool convex[2] = {piece.convexA, piece.convexB};
          for (int e = 0; e < 2; ++e) {
            const std::string corner = convex[e] ? "convex" : "concave";
            const std::string kind =
                (stroke ? std::string(t.name) : std::string("polygon")) + " " + corner;
            for (Tally* tally :
                 {&all["all"], &byKind[kind],
                  &byBlur[kind + " blur " + vfBucketName(scene.blurSigma, {0, 0.5, 1.0, 1.5})],
                  &byContrast[kind + " contrast " +
                              vfBucketName(object.contrast, {35, 50, 65, 80})],
                  &byNoise[kind + " noise " + vfBucketName(scene.noiseSigma, {0, 2.5, 5})],
                  &byScale[kind + " scale " + vfBucketName(object.scale, {0.7, 0.9, 1.1, 1.4})]})
              tally->add(shortfall[e]);
          }
        }
      }
    }
  std::printf(
      "edge line ends against true corners: %ld scenes per size from seed %u; pixels of "
      "the full image, positive = short of the corner\n",
      perSize, firstSeed);
  print("all", all);
  print("by corner", byKind);
  print("by blur sigma", byBlur);
  print("by contrast", byContrast);
  print("by noise sigma", byNoise);
  print("by scale", byScale);
  return 0;
}
