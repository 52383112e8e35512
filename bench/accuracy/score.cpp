#include "score.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <utility>

namespace accuracy {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kMinSide = 40.0;       // sides to find, pixels
constexpr double kMinSegment = 10.0;    // segments judged for precision, pixels
constexpr double kLineDistance = 2.0;   // pixels
constexpr double kLineAngle = 5.0;      // degrees
constexpr double kOnePieceShort = 6.0;  // pixels a one-piece side may miss in all
constexpr double kCircleTol = 2.0;      // pixels, centre and radius

// Axes in the order printed: contrast, blur, noise, radius, hidden and crowded shares of a rim
// (covered, and covered or within 2 pixels of what covers it: scenes/generate.h); for sides
// also their length, the sharper of their two corners and how close another shape comes.
// For found segments also their length and how far their side (or themselves, when on none)
// is turned from the nearest pixel axis.
enum Axis {
  eContrast,
  eBlur,
  eNoise,
  eRadius,
  eHidden,
  eCrowded,
  eLength,
  eCorner,
  eClear,
  eSegment,
  eOrient,
  eAll,
  kAxes
};

bool sideAxis(long a) { return a == eLength || a == eCorner || a == eClear; }
bool segmentAxis(long a) { return a == eSegment || a == eOrient; }
bool circleAxis(long a) { return a == eRadius || a == eHidden || a == eCrowded; }

const vsAxis& axis(long a) {
  static const vsAxis axes[] = {
      {"contrast", {20.0, 40.0, 60.0, 80.0}},
      {"blur", {0.0, 0.5, 1.0}},
      {"noise", {0.0, 4.0, 8.0}},
      {"radius", {6.0, 12.0, 20.0, 40.0, 80.0}},
      // The last bucket, beyond the range of the scenes, stays empty unless something drawn
      // later covers more of a rim than the bar laid across it (the rim is measured at 1440
      // points, hence the margin).
      {"hidden", {0.0, 1e-9, 0.1, 0.2, 0.302}},
      {"crowded", {0.0, 1e-9, 0.3, 0.4, 0.5}},
      {"side length", {40.0, 80.0, 160.0}},
      {"corner", {0.0, 60.0, 80.0, 100.0}},
      {"clearance", {0.0, 6.0, 12.0}},
      {"segment", {10.0, 20.0, 40.0, 80.0}},
      {"from axis", {0.0, 5.0, 15.0, 30.0, 40.0}},
      {"all", {-std::numeric_limits<double>::infinity()}},
  };
  return axes[a];
}

std::string bucketName(long a, long b) {
  const vsAxis& ax = axis(a);
  char text[48];
  if (a == eAll) return "all";
  if ((a == eHidden || a == eCrowded) && b == 0) return std::string(ax.name) + " none";
  const double low = ax.lows[std::size_t(b)];
  if (a == eHidden && b + 2 >= long(ax.lows.size()))
    std::snprintf(text, sizeof text, "%s %s", ax.name,
                  b + 1 == long(ax.lows.size()) ? "> 0.3" : "0.2-0.3");
  else if (std::size_t(b) + 1 < ax.lows.size())
    std::snprintf(text, sizeof text, "%s %g-%g", ax.name,
                  (a == eHidden || a == eCrowded) && b == 1 ? 0.0 : low,
                  ax.lows[std::size_t(b) + 1]);
  else if (a == eBlur || a == eNoise || a == eOrient)
    std::snprintf(text, sizeof text, "%s %g-%g", ax.name, low,
                  a == eBlur    ? 1.5
                  : a == eNoise ? 12.0
                                : 45.0);
  else if (a == eRadius)
    std::snprintf(text, sizeof text, "%s %g-126", ax.name, low);
  else
    std::snprintf(text, sizeof text, "%s > %g", ax.name, low);
  return text;
}

// Where a segment lies against a side: along it or not, and the arc-length interval of the
// side it covers.
bool alongSide(const vsSceneEdge& side, const vsSegment& s, double& from, double& to,
               double& angleDeg) {
  const vcVector<2> along = side.p2 - side.p1;
  const double length = along.len();
  const vcVector<2> d = s.p2 - s.p1;
  const double dLength = d.len();
  if (length <= 0.0 || dLength <= 0.0) return false;
  const vcVector<2> u = along / length;
  const double sine = std::abs(u.cross(d)) / dLength;
  if (sine > std::sin(kLineAngle * kDegree)) return false;
  if (std::abs(u.cross(s.p1 - side.p1)) > kLineDistance ||
      std::abs(u.cross(s.p2 - side.p1)) > kLineDistance)
    return false;
  double a = u * (s.p1 - side.p1), b = u * (s.p2 - side.p1);
  if (a > b) std::swap(a, b);
  if (b < 0.0 || a > length) return false;
  from = std::max(a, 0.0);
  to = std::min(b, length);
  angleDeg = std::asin(std::min(1.0, sine)) / kDegree;
  return to > from;
}

// Distance from p to the segment a-b.
double segmentDistance(const vcVector<2>& p, const vcVector<2>& a, const vcVector<2>& b) {
  const vcVector<2> d = b - a;
  const double t = std::clamp(((p - a) * d) / std::max(d * d, 1e-12), 0.0, 1.0);
  return p.distance(a + d * t);
}

// Whether both ends of a segment lie within 2 pixels of some true side: a segment may run on
// past a side's end round a shallow corner, along the next side.
bool endsOnOutline(const vsAccuracyScene& scene, const vsSegment& s) {
  const auto near = [&](const vcVector<2>& p) {
    for (const vsAccuracySide& side : scene.sides)
      if (segmentDistance(p, side.edge.p1, side.edge.p2) <= kLineDistance) return true;
    return false;
  };
  return near(s.p1) && near(s.p2);
}

// How close the nearest other shape comes to a side: the outline of another polygon or the rim
// of a circle, pixels.
double clearance(const vsAccuracyScene& scene, const vsAccuracySide& side) {
  double nearest = std::numeric_limits<double>::infinity();
  const vcVector<2>&a = side.edge.p1, &b = side.edge.p2;
  for (const vsAccuracySide& other : scene.sides) {
    if (other.shape == side.shape) continue;
    const vcVector<2>&c = other.edge.p1, &d = other.edge.p2;
    nearest = std::min({nearest, segmentDistance(a, c, d), segmentDistance(b, c, d),
                        segmentDistance(c, a, b), segmentDistance(d, a, b)});
  }
  for (const vsAccuracyCircle& c : scene.circles)
    nearest = std::min(nearest, std::abs(segmentDistance(c.circle.center, a, b) - c.circle.radius));
  return nearest;
}

// The direction of d, in degrees, as a turn from the nearest pixel axis: -45 to 45.
double turnFromAxis(const vcVector<2>& d) {
  double a = std::atan2(d.y(), d.x()) / kDegree;
  a = std::fmod(a, 90.0);
  if (a > 45.0) a -= 90.0;
  if (a <= -45.0) a += 90.0;
  return a;
}

// The signed angle errors of a segment lying along a side, degrees. axis: positive when the
// segment is turned further from the nearest pixel axis than the side (a pull of the fit
// towards the diagonals), negative when nearer (towards the axes). corner: positive when the
// segment's end nearer a corner of the side lies further into the shape than its other end,
// as the rounding of a corner by blur and smoothing pulls the last edgelets before it.
struct SignedErrors {
  double axis = 0.0, corner = 0.0;
};

SignedErrors signedErrors(const vsAccuracyScene& scene, const vsAccuracySide& side,
                          const vsSegment& s) {
  SignedErrors e;
  const double truth = turnFromAxis(side.edge.p2 - side.edge.p1);
  double turn = turnFromAxis(s.p2 - s.p1) - truth;
  if (turn > 45.0) turn -= 90.0;
  if (turn < -45.0) turn += 90.0;
  e.axis = truth >= 0.0 ? turn : -turn;

  // Into the shape: towards the mean of its vertices.
  vcVector<2> centre(0.0, 0.0);
  double count = 0.0;
  for (const vsAccuracySide& other : scene.sides)
    if (other.shape == side.shape) {
      centre += other.edge.p1;
      count += 1.0;
    }
  centre = centre / count;
  const vcVector<2> along = (side.edge.p2 - side.edge.p1).unit();
  vcVector<2> inward = along.perp();
  if ((centre - side.edge.p1) * inward < 0.0) inward = inward * -1.0;
  const double length = side.edge.p1.distance(side.edge.p2);
  const double t1 = (s.p1 - side.edge.p1) * along, t2 = (s.p2 - side.edge.p1) * along;
  const double o1 = (s.p1 - side.edge.p1) * inward, o2 = (s.p2 - side.edge.p1) * inward;
  const bool firstNearer = std::min(t1, length - t1) < std::min(t2, length - t2);
  const double rise = firstNearer ? o1 - o2 : o2 - o1;
  e.corner = std::atan2(rise, std::abs(t2 - t1)) / kDegree;
  return e;
}

bool followsCircle(const vsAccuracyScene& scene, const vsSegment& s) {
  const vcVector<2> mid = (s.p1 + s.p2) * 0.5;
  for (const vsAccuracyCircle& c : scene.circles) {
    const auto near = [&](const vcVector<2>& p) {
      return std::abs(p.distance(c.circle.center) - c.circle.radius) <= kLineDistance;
    };
    if (near(s.p1) && near(s.p2) && near(mid)) return true;
  }
  return false;
}

std::string percent(double num, double den) {
  if (den <= 0.0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 100.0 * num / den);
  return text;
}

std::string mean(double sum, double count, const char* format) {
  if (count <= 0.0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, format, sum / count);
  return text;
}

}  // namespace

double unionLength(std::vector<std::pair<double, double>>& intervals) {
  std::sort(intervals.begin(), intervals.end());
  double total = 0.0, start = 0.0, end = -1.0;
  for (const auto& [a, b] : intervals) {
    if (a > end) {
      if (end > start) total += end - start;
      start = a;
      end = b;
    } else {
      end = std::max(end, b);
    }
  }
  if (end > start) total += end - start;
  return total;
}

long vsAxis::bucket(double v) const {
  long b = 0;
  while (std::size_t(b) + 1 < lows.size() && v >= lows[std::size_t(b) + 1]) ++b;
  return b;
}

vsLineMisses vcLineScore::add(const vsAccuracyScene& scene, const std::vector<vsSegment>& found,
                              bool listMisses, long label) {
  ++scenes_;
  vsLineMisses misses;
  const long blur = axis(eBlur).bucket(scene.blur), noise = axis(eNoise).bucket(scene.noise);
  // The tallies a side or a segment of this scene adds to; contrast, length, corner and
  // clearance only for sides.
  const auto each = [&](const vsAccuracySide* side, auto&& add) {
    if (side != nullptr) {
      add(at_(eContrast, axis(eContrast).bucket(side->contrast)));
      add(at_(eLength, axis(eLength).bucket(side->edge.p1.distance(side->edge.p2))));
      add(at_(eCorner, axis(eCorner).bucket(side->corner)));
      add(at_(eClear, axis(eClear).bucket(clearance(scene, *side))));
    }
    add(at_(eBlur, blur));
    add(at_(eNoise, noise));
    add(at_(eAll, 0));
  };

  // Recall and one-piece sides.
  std::vector<std::pair<double, double>> intervals;
  for (std::size_t k = 0; k < scene.sides.size(); ++k) {
    const vsAccuracySide& side = scene.sides[k];
    const double length = side.edge.p1.distance(side.edge.p2);
    if (!side.counted || length < kMinSide) continue;
    intervals.clear();
    double longest = 0.0, longestAngle = 0.0;
    for (const vsSegment& s : found) {
      double from = 0.0, to = 0.0, angle = 0.0;
      if (!alongSide(side.edge, s, from, to, angle)) continue;
      intervals.emplace_back(from, to);
      if (to - from > longest) longestAngle = angle;
      longest = std::max(longest, to - from);
    }
    const double covered = unionLength(intervals);
    const bool onePiece = longest >= length - kOnePieceShort;
    // How far the longest piece stops short of the side's two ends.
    double longestFrom = 0.0, longestTo = 0.0;
    for (const auto& [a, b] : intervals)
      if (b - a >= longest) {
        longestFrom = a;
        longestTo = b;
      }
    const double endGap = intervals.empty() ? length : longestFrom + (length - longestTo);
    if (!onePiece) misses.brokenSides.push_back(k);
    if (listMisses && !onePiece) {
      // Where the cover falls short: at the ends, or in pieces.
      double lo = length, hi = 0.0;
      for (const auto& [a, b] : intervals) {
        lo = std::min(lo, a);
        hi = std::max(hi, b);
      }
      std::printf(
          "scene %ld broken side length %.0f contrast %.0f blur %.2f noise %.1f corner %.0f "
          "clearance %.1f: %zu pieces, longest %.0f, short of the ends by %.1f and %.1f\n",
          label, length, side.contrast, scene.blur, scene.noise, side.corner,
          clearance(scene, side), intervals.size(), longest, intervals.empty() ? length : lo,
          intervals.empty() ? length : length - hi);
    }
    each(&side, [&](Tally& t) {
      t.length += length;
      t.covered += covered;
      ++t.sides;
      t.onePiece += onePiece ? 1 : 0;
      if (onePiece) t.sideAngleSum += longestAngle;
      if (!onePiece && intervals.size() == 1) ++t.shortEnds;
      if (!onePiece && intervals.size() > 1) ++t.split;
      if (intervals.empty()) ++t.missing;
      t.endGapSum += endGap;
    });
  }

  // Precision and angle error.
  for (std::size_t k = 0; k < found.size(); ++k) {
    const vsSegment& s = found[k];
    if (s.p1.distance(s.p2) < kMinSegment) {
      each(nullptr, [&](Tally& t) { ++t.shortOnes; });
      continue;
    }
    double best = 1e9;
    const vsAccuracySide* on = nullptr;
    for (const vsAccuracySide& side : scene.sides) {
      double from = 0.0, to = 0.0, angle = 0.0;
      if (alongSide(side.edge, s, from, to, angle) && angle < best && endsOnOutline(scene, s)) {
        best = angle;
        on = &side;
      }
    }
    if (on == nullptr && followsCircle(scene, s)) {
      each(nullptr, [&](Tally& t) { ++t.onCircle; });
      continue;
    }
    if (on == nullptr) misses.falseSegments.push_back(k);
    if (listMisses && on == nullptr)
      std::printf("scene %ld false line (%.1f, %.1f) - (%.1f, %.1f)\n", label, s.p1.x(), s.p1.y(),
                  s.p2.x(), s.p2.y());
    const SignedErrors signedError = on ? signedErrors(scene, *on, s) : SignedErrors();
    const auto tally = [&](Tally& t) {
      ++t.reported;
      if (on == nullptr) return;
      ++t.onSide;
      t.angleSum += best;
      ++t.angleCount;
      const double length = s.p1.distance(s.p2);
      t.weightedAngleSum += best * length;
      t.angleLength += length;
      t.axisBiasSum += signedError.axis;
      t.cornerTiltSum += signedError.corner;
    };
    each(nullptr, tally);
    tally(at_(eSegment, axis(eSegment).bucket(s.p1.distance(s.p2))));
    const vcVector<2> direction = on ? on->edge.p2 - on->edge.p1 : s.p2 - s.p1;
    tally(at_(eOrient, axis(eOrient).bucket(std::abs(turnFromAxis(direction)))));
  }
  return misses;
}

void vcLineScore::print(const std::string& tool) const {
  std::printf("\nLines, %s: %ld scenes\n", tool.c_str(), scenes_);
  std::printf("%-18s %7s %8s %9s %7s %7s %7s %7s %9s %8s %10s %9s %9s %9s %10s %9s %9s\n", "bucket",
              "sides", "recall%", "onePiece%", "ends%", "split%", "none%", "endGap", "sideAngle",
              "found", "precision%", "angleErr", "angleLen", "axisBias", "cornerTilt", "onCircle",
              "short");
  for (long a = 0; a < kAxes; ++a) {
    if (circleAxis(a)) continue;
    for (long b = 0; b < long(axis(a).lows.size()); ++b) {
      const Tally& t = at_(a, b);
      const bool withFound = a != eContrast && !sideAxis(a);
      const bool withAll = withFound && !segmentAxis(a);  // counts of every found segment
      std::printf("%-18s %7s %8s %9s %7s %7s %7s %7s %9s %8s %10s %9s %9s %9s %10s %9s %9s\n",
                  bucketName(a, b).c_str(), segmentAxis(a) ? "-" : std::to_string(t.sides).c_str(),
                  percent(t.covered, t.length).c_str(),
                  percent(double(t.onePiece), double(t.sides)).c_str(),
                  percent(double(t.shortEnds), double(t.sides)).c_str(),
                  percent(double(t.split), double(t.sides)).c_str(),
                  percent(double(t.missing), double(t.sides)).c_str(),
                  mean(0.5 * t.endGapSum, double(t.sides), "%.2f").c_str(),
                  mean(t.sideAngleSum, double(t.onePiece), "%.3f").c_str(),
                  withFound ? std::to_string(t.reported).c_str() : "-",
                  withFound ? percent(double(t.onSide), double(t.reported)).c_str() : "-",
                  withFound ? mean(t.angleSum, double(t.angleCount), "%.3f").c_str() : "-",
                  withFound ? mean(t.weightedAngleSum, t.angleLength, "%.3f").c_str() : "-",
                  withFound ? mean(t.axisBiasSum, double(t.angleCount), "%+.3f").c_str() : "-",
                  withFound ? mean(t.cornerTiltSum, double(t.angleCount), "%+.3f").c_str() : "-",
                  withAll ? std::to_string(t.onCircle).c_str() : "-",
                  withAll ? std::to_string(t.shortOnes).c_str() : "-");
    }
  }
}

vsCircleMisses vcCircleScore::add(const vsAccuracyScene& scene, const std::vector<vsCircle>& found,
                                  bool listMisses, long label) {
  // Every admissible pair, closest centres first, taken greedily one to one.
  struct Pair {
    double distance;
    std::size_t t, f;
  };
  std::vector<Pair> pairs;
  for (std::size_t t = 0; t < scene.circles.size(); ++t)
    for (std::size_t f = 0; f < found.size(); ++f) {
      const vsSceneCircle& c = scene.circles[t].circle;
      const double d = c.center.distance(found[f].center);
      if (d <= kCircleTol && std::abs(found[f].radius - c.radius) <= kCircleTol)
        pairs.push_back({d, t, f});
    }
  std::sort(pairs.begin(), pairs.end(),
            [](const Pair& a, const Pair& b) { return a.distance < b.distance; });
  std::vector<long> matchOfTruth(scene.circles.size(), -1), matchOfFound(found.size(), -1);
  for (const Pair& p : pairs) {
    if (matchOfTruth[p.t] >= 0 || matchOfFound[p.f] >= 0) continue;
    matchOfTruth[p.t] = long(p.f);
    matchOfFound[p.f] = long(p.t);
  }

  const long blur = axis(eBlur).bucket(scene.blur), noise = axis(eNoise).bucket(scene.noise);
  vsCircleMisses misses;
  for (std::size_t t = 0; t < scene.circles.size(); ++t) {
    const vsAccuracyCircle& c = scene.circles[t];
    const long m = matchOfTruth[t];
    if (m < 0) misses.missed.push_back(t);
    if (listMisses && m < 0)
      std::printf(
          "scene %ld missed circle (%.1f, %.1f) r %.1f contrast %.0f hidden %.2f crowded %.2f "
          "blur %.2f noise %.1f\n",
          label, c.circle.center.x(), c.circle.center.y(), c.circle.radius, c.contrast, c.hidden,
          c.crowded, scene.blur, scene.noise);
    const double centreError =
        m >= 0 ? c.circle.center.distance(found[std::size_t(m)].center) : 0.0;
    const double radiusError = m >= 0 ? found[std::size_t(m)].radius - c.circle.radius : 0.0;
    const long radius = axis(eRadius).bucket(c.circle.radius);
    const long hidden = axis(eHidden).bucket(c.hidden);
    const long crowded = axis(eCrowded).bucket(c.crowded);
    for (Cell* cell : {&byHidden_[std::size_t(radius * 8 + hidden)],
                       &byCrowded_[std::size_t(radius * 8 + crowded)]}) {
      ++cell->truth;
      cell->matched += m >= 0 ? 1 : 0;
    }
    const long buckets[] = {
        axis(eContrast).bucket(c.contrast), blur, noise, radius, hidden, crowded, 0};
    const long axes[] = {eContrast, eBlur, eNoise, eRadius, eHidden, eCrowded, eAll};
    for (long k = 0; k < 7; ++k) {
      Tally& tally = at_(axes[k], buckets[k]);
      ++tally.truth;
      if (m < 0) continue;
      ++tally.matched;
      tally.radiusSum += radiusError;
      if (c.hidden == 0.0) {
        tally.centreSum += centreError;
        ++tally.centreCount;
      }
    }
  }
  for (std::size_t f = 0; f < found.size(); ++f) {
    bool atCorner = false;
    for (const vcVector<2>& v : scene.corners)
      atCorner = atCorner || v.distance(found[f].center) <= 2.0 * found[f].radius + 3.0;
    if (matchOfFound[f] < 0) misses.falseOnes.push_back(f);
    if (listMisses && matchOfFound[f] < 0)
      std::printf("scene %ld false circle (%.1f, %.1f) r %.1f%s\n", label, found[f].center.x(),
                  found[f].center.y(), found[f].radius, atCorner ? " at a corner" : "");
    const long buckets[] = {blur, noise, axis(eRadius).bucket(found[f].radius), 0};
    const long axes[] = {eBlur, eNoise, eRadius, eAll};
    for (long k = 0; k < 4; ++k) {
      Tally& tally = at_(axes[k], buckets[k]);
      ++tally.found;
      if (matchOfFound[f] >= 0)
        ++tally.foundMatched;
      else if (atCorner)
        ++tally.atCorner;
    }
  }
  return misses;
}

void vcCircleScore::print(const std::string& tool) const {
  std::printf("\nCircles, %s\n", tool.c_str());
  std::printf("%-18s %7s %8s %8s %10s %8s %10s %10s %10s\n", "bucket", "circles", "recall%",
              "found", "precision%", "false", "atCorner", "centreErr", "radiusBias");
  for (long a = 0; a < kAxes; ++a)
    for (long b = 0; b < long(axis(a).lows.size()); ++b) {
      if (sideAxis(a) || segmentAxis(a)) continue;
      const Tally& t = at_(a, b);
      const bool withFound = a != eContrast && a != eHidden && a != eCrowded;
      std::printf("%-18s %7ld %8s %8s %10s %8s %10s %10s %10s\n", bucketName(a, b).c_str(), t.truth,
                  percent(double(t.matched), double(t.truth)).c_str(),
                  withFound ? std::to_string(t.found).c_str() : "-",
                  withFound ? percent(double(t.foundMatched), double(t.found)).c_str() : "-",
                  withFound ? std::to_string(t.found - t.foundMatched).c_str() : "-",
                  withFound ? std::to_string(t.atCorner).c_str() : "-",
                  mean(t.centreSum, double(t.centreCount), "%.3f").c_str(),
                  mean(t.radiusSum, double(t.matched), "%+.3f").c_str());
    }
  // Recall by radius and by hidden or crowded share together: circles found / circles.
  for (const long share : {long(eHidden), long(eCrowded)}) {
    std::printf("\nCircles found by radius (rows) and %s share of the rim (columns)\n%-18s",
                axis(share).name, "");
    const vsAxis& shareAxis = axis(share);
    const std::size_t prefix = std::string(shareAxis.name).size() + 1;
    for (long h = 0; h < long(shareAxis.lows.size()); ++h)
      std::printf(" %14s", bucketName(share, h).c_str() + prefix);
    std::printf("\n");
    const std::vector<Cell>& cells = share == eHidden ? byHidden_ : byCrowded_;
    for (long r = 0; r < long(axis(eRadius).lows.size()); ++r) {
      std::printf("%-18s", bucketName(eRadius, r).c_str());
      for (long h = 0; h < long(shareAxis.lows.size()); ++h) {
        const Cell& cell = cells[std::size_t(r * 8 + h)];
        char text[32];
        std::snprintf(text, sizeof text, "%ld/%ld", cell.matched, cell.truth);
        std::printf(" %14s", cell.truth > 0 ? text : "-");
      }
      std::printf("\n");
    }
  }
}

}  // namespace accuracy
