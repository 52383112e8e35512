#include "scenes/shape_scene.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scenes/canvas.h"
#include "scenes/check.h"
#include "scenes/random.h"

namespace {

using Vec = vcVector<2>;
constexpr double kPi = std::numbers::pi;
constexpr int kTries = 300;
// Free space kept between the bounding circles of two objects, pixels.
constexpr double kGap = 10.0;

void requireRange(const wchar_t* field, double value, double low, double high) {
  if (!(value >= low && value <= high))
    vfSceneRefuse(L"vsShapeSceneParams", std::wstring(field) + L" must be in [" + vfSceneText(low) +
                                             L", " + vfSceneText(high) + L"], got " +
                                             vfSceneText(value));
}

void validate(const vsShapeSceneParams& p) {
  requireRange(L"width", double(p.width), 64.0, 8192.0);
  requireRange(L"height", double(p.height), 64.0, 8192.0);
  requireRange(L"numTemplates", double(p.numTemplates), 3.0, 9.0);
  requireRange(L"numObjects", double(p.numObjects), 0.0, 200.0);
  requireRange(L"minScale", p.minScale, 0.1, 10.0);
  requireRange(L"maxScale", p.maxScale, p.minScale, 10.0);
  requireRange(L"minWidthFactor", p.minWidthFactor, 0.1, 10.0);
  requireRange(L"maxWidthFactor", p.maxWidthFactor, p.minWidthFactor, 10.0);
  requireRange(L"minContrast", p.minContrast, 1.0, 100.0);
  requireRange(L"maxContrast", p.maxContrast, p.minContrast, 100.0);
  requireRange(L"maxBlur", p.maxBlur, 0.0, 10.0);
  requireRange(L"maxNoise", p.maxNoise, 0.0, 50.0);
  requireRange(L"occludedShare", p.occludedShare, 0.0, 1.0);
  requireRange(L"darkDiscShare", p.darkDiscShare, 0.0, 1.0);
  requireRange(L"numClutter", double(p.numClutter), 0.0, 200.0);
}

// Template geometry is kept to 0.01 pixel, so that template files read well.
double hundredths(double v) { return std::round(v * 100.0) / 100.0; }
Vec hundredths(const Vec& p) { return Vec(hundredths(p.x()), hundredths(p.y())); }

Vec rotate(const Vec& p, double radians) {
  const double c = std::cos(radians), s = std::sin(radians);
  return Vec(c * p.x() - s * p.y(), s * p.x() + c * p.y());
}

// ---- Templates ----

vsSceneTemplate disc(vcSceneRandom& random) {
  vsSceneTemplate t;
  t.kind = veShapeKind::eCircle;
  t.name = "disc";
  t.radius = hundredths(random.uniform(15.0, 30.0));
  t.symmetryDegrees = 0.0;
  return t;
}

const char* polygonName(long sides) {
  static const char* const names[] = {"triangle", "quadrilateral", "pentagon",
                                      "hexagon",  "heptagon",      "octagon"};
  return names[sides - 3];
}

// A polygon of 3 to 8 sides about the origin: regular, or with vertices jittered in angle and
// distance. Every side is at least 34 pixels long, so that it stays a traceable line at the
// smallest scale.
vsSceneTemplate polygon(vcSceneRandom& random, long sides) {
  vsSceneTemplate t;
  t.kind = veShapeKind::ePolygon;
  t.name = polygonName(sides);
  const bool regular = random.uniform() < 0.5;
  const double step = 2.0 * kPi / double(sides);
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const double size = random.uniform(36.0, 52.0) / std::sin(kPi / double(sides));
    const double start = random.uniform(0.0, step);
    t.vertices.clear();
    for (long k = 0; k < sides; ++k) {
      const double a =
          start + step * double(k) + (regular ? 0.0 : random.uniform(-0.2, 0.2) * step);
      const double r = regular ? 0.5 * size : 0.5 * size * random.uniform(0.75, 1.0);
      t.vertices.push_back(hundredths(Vec(r * std::cos(a), r * std::sin(a))));
    }
    double shortest = 1e300;
    for (long k = 0; k < sides; ++k)
      shortest = std::min(shortest, (t.vertices[k] - t.vertices[(k + 1) % sides]).len());
    if (shortest >= 34.0) break;
  }
  t.symmetryDegrees = regular ? 360.0 / double(sides) : 360.0;
  return t;
}

// Figures of straight strokes of one nominal width, 9 to 14 pixels: arms 55 to 90 long.
vsSceneTemplate strokeFigure(vcSceneRandom& random, long figure) {
  vsSceneTemplate t;
  t.kind = veShapeKind::eStroke;
  const double w = hundredths(random.uniform(9.0, 14.0));
  const double a = hundredths(random.uniform(65.0, 90.0)),
               b = hundredths(random.uniform(55.0, 80.0));
  switch (figure) {
    case 0:  // L: the corner at the origin
      t.name = "L";
      t.skeleton = {{Vec(0, 0), Vec(a, 0)}, {Vec(0, 0), Vec(0, b)}};
      break;
    case 1:  // T: the stem ends on the bar's centre-line
      t.name = "T";
      t.skeleton = {{Vec(-a / 2, 0), Vec(a / 2, 0)}, {Vec(0, 0), Vec(0, b)}};
      break;
    case 2:  // X: two strokes crossing at right angles at their middles
      t.name = "X";
      t.skeleton = {{Vec(-a / 2, 0), Vec(a / 2, 0)}, {Vec(0, -b / 2), Vec(0, b / 2)}};
      // Arms within 3 % of each other (the scale tolerance of a match) make the quarter turn,
      // at a scale within that tolerance, as good a fit as the figure itself.
      t.symmetryDegrees = std::abs(a - b) < 0.03 * std::max(a, b) ? 90.0 : 180.0;
      break;
    default: {  // arrow: a shaft and two head strokes meeting at its tip
      t.name = "arrow";
      const double head = 0.45 * b;
      const Vec tip(a / 2, 0);
      t.skeleton = {{Vec(-a / 2, 0), tip},
                    {tip, hundredths(tip + rotate(Vec(-head, 0), 0.7))},
                    {tip, hundredths(tip + rotate(Vec(-head, 0), -0.7))}};
      break;
    }
  }
  t.widths.assign(t.skeleton.size(), w);
  return t;
}

std::vector<vsSceneTemplate> makeTemplates(vcSceneRandom& random, long count) {
  std::vector<vsSceneTemplate> templates = {disc(random)};
  // Polygons of distinct side counts and stroke figures of distinct kinds, alternating.
  std::vector<long> sides = {3, 4, 5, 6, 7, 8}, figures = {0, 1, 2, 3};
  for (std::size_t i = sides.size(); i > 1; --i)
    std::swap(sides[i - 1], sides[std::size_t(random.integer(0, long(i) - 1))]);
  for (std::size_t i = figures.size(); i > 1; --i)
    std::swap(figures[i - 1], figures[std::size_t(random.integer(0, long(i) - 1))]);
  std::size_t nextSides = 0, nextFigure = 0;
  while (long(templates.size()) < count) {
    const bool stroke =
        nextFigure < figures.size() && (templates.size() % 2 == 0 || nextSides == sides.size());
    if (stroke)
      templates.push_back(strokeFigure(random, figures[nextFigure++]));
    else
      templates.push_back(polygon(random, sides[nextSides++]));
  }
  return templates;
}

// ---- Instances ----

// Where and how long each stroke of a posed figure is drawn: each end lengthened by half the
// stroke's width when free, by half the width of the stroke whose end it meets, not at all when
// it lies inside another stroke.
struct DrawnStroke {
  Vec p1, p2;
  double width;
};

double distanceToSegment(const Vec& p, const Vec& a, const Vec& b) {
  const Vec d = b - a;
  const double t = std::clamp(
      ((p - a).x() * d.x() + (p - a).y() * d.y()) / (d.x() * d.x() + d.y() * d.y()), 0.0, 1.0);
  return (p - (a + d * t)).len();
}

double endExtension(const std::vector<std::pair<Vec, Vec>>& skel, const std::vector<double>& w,
                    std::size_t i, const Vec& end) {
  double ext = w[i] / 2.0;
  for (std::size_t j = 0; j < skel.size(); ++j) {
    if (j == i) continue;
    if ((end - skel[j].first).len() < 1e-9 || (end - skel[j].second).len() < 1e-9)
      ext = w[j] / 2.0;
    else if (distanceToSegment(end, skel[j].first, skel[j].second) < 1e-9)
      return 0.0;
  }
  return ext;
}

std::vector<DrawnStroke> drawnStrokes(const vsSceneTemplate& t, const vsSceneObject& o) {
  // The posed skeleton and widths first, then the lengthened strokes.
  std::vector<std::pair<Vec, Vec>> skel;
  std::vector<double> w;
  const double angle = o.angleDegrees * kPi / 180.0;
  for (std::size_t i = 0; i < t.skeleton.size(); ++i) {
    skel.push_back({o.translation + rotate(t.skeleton[i].first, angle) * o.scale,
                    o.translation + rotate(t.skeleton[i].second, angle) * o.scale});
    w.push_back(t.widths[i] * o.scale * o.widthFactors[i]);
  }
  std::vector<DrawnStroke> out;
  for (std::size_t i = 0; i < skel.size(); ++i) {
    const Vec d = (skel[i].second - skel[i].first).unit();
    out.push_back({skel[i].first - d * endExtension(skel, w, i, skel[i].first),
                   skel[i].second + d * endExtension(skel, w, i, skel[i].second), w[i]});
  }
  return out;
}

}  // namespace

std::vector<double> vfStrokeClearRuns(const vsSceneTemplate& t, const vsSceneObject& o) {
  std::vector<double> runs;
  if (t.kind != veShapeKind::eStroke) return runs;
  const std::vector<DrawnStroke> strokes = drawnStrokes(t, o);
  constexpr double kStep = 0.25;  // pixels between the points tested along a centre-line
  for (std::size_t i = 0; i < strokes.size(); ++i) {
    const DrawnStroke& s = strokes[i];
    const double length = (s.p2 - s.p1).len();
    const Vec d = (s.p2 - s.p1).unit();
    double run = 0.0, longest = 0.0;
    for (double u = 0.0; u <= length; u += kStep) {
      const Vec p = s.p1 + d * u;
      bool clear = true;
      for (std::size_t j = 0; j < strokes.size() && clear; ++j)
        clear = j == i || distanceToSegment(p, strokes[j].p1, strokes[j].p2) >
                              (s.width + strokes[j].width) / 2.0;
      run = clear ? run + kStep : 0.0;
      longest = std::max(longest, run);
    }
    runs.push_back(longest);
  }
  return runs;
}

std::vector<Vec> vfSceneOutlinePoints(const vsSceneTemplate& t, const vsSceneObject& o) {
  std::vector<Vec> points;
  const double angle = o.angleDegrees * kPi / 180.0;
  switch (t.kind) {
    case veShapeKind::eCircle:
      for (int k = 0; k < 4; ++k)
        points.push_back(o.translation + rotate(Vec(t.radius * o.scale, 0), k * kPi / 2));
      break;
    case veShapeKind::ePolygon:
      for (const Vec& v : t.vertices) points.push_back(o.translation + rotate(v, angle) * o.scale);
      break;
    case veShapeKind::eStroke:
      for (const DrawnStroke& s : drawnStrokes(t, o)) {
        const Vec n = (s.p2 - s.p1).unit().perp() * (s.width / 2);
        for (const Vec& p : {s.p1 + n, s.p1 - n, s.p2 + n, s.p2 - n}) points.push_back(p);
      }
      break;
  }
  return points;
}

namespace {

struct Circle {
  Vec center;
  double radius;
};

Circle boundingCircle(const std::vector<Vec>& points) {
  Vec lo = points[0], hi = points[0];
  for (const Vec& p : points) {
    lo = Vec(std::min(lo.x(), p.x()), std::min(lo.y(), p.y()));
    hi = Vec(std::max(hi.x(), p.x()), std::max(hi.y(), p.y()));
  }
  const Vec c = (lo + hi) * 0.5;
  double r = 0.0;
  for (const Vec& p : points) r = std::max(r, (p - c).len());
  return {c, r};
}

bool fits(const Circle& c, const std::vector<Circle>& taken, double width, double height,
          double margin) {
  if (c.center.x() - c.radius < margin || c.center.y() - c.radius < margin ||
      c.center.x() + c.radius > width - margin || c.center.y() + c.radius > height - margin)
    return false;
  for (const Circle& o : taken)
    if ((o.center - c.center).len() < o.radius + c.radius + kGap) return false;
  return true;
}

}  // namespace

void vfDrawSceneObject(vcSceneCanvas& canvas, const vsSceneTemplate& t, const vsSceneObject& o,
                       double grey) {
  const double angle = o.angleDegrees * kPi / 180.0;
  switch (t.kind) {
    case veShapeKind::eCircle:
      canvas.drawDisc(o.translation, t.radius * o.scale, grey);
      break;
    case veShapeKind::ePolygon: {
      std::vector<Vec> v;
      for (const Vec& p : t.vertices) v.push_back(o.translation + rotate(p, angle) * o.scale);
      canvas.drawPolygon(v, grey);
      break;
    }
    case veShapeKind::eStroke:
      for (const DrawnStroke& s : drawnStrokes(t, o)) canvas.drawStroke(s.p1, s.p2, s.width, grey);
      break;
  }
}

namespace {

// A small rectangle of background grey over one outline point of the object.
void bite(vcSceneCanvas& canvas, vcSceneRandom& random, const std::vector<Vec>& outline,
          const Circle& bounds, double background) {
  const Vec at = outline[std::size_t(random.integer(0, long(outline.size()) - 1))];
  const double side = std::min(14.0, 0.22 * bounds.radius);
  const double a = random.uniform(0.0, kPi);
  std::vector<Vec> corners;
  for (const Vec& c : {Vec(-1, -1), Vec(1, -1), Vec(1, 1), Vec(-1, 1)})
    corners.push_back(at + rotate(c * (side / 2), a));
  canvas.drawPolygon(corners, background);
}

// Draws the scale and the width factors of an instance. Strokes come out 6 to 20 pixels wide
// and a stroke figure covers at least 1100 pixels (the skeletal extraction drops stroke regions
// under 1000); poses that cannot meet this are drawn again. False when none is found.
bool samplePose(vcSceneRandom& random, const vsShapeSceneParams& p, const vsSceneTemplate& t,
                vsSceneObject& o) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    o.scale = random.uniform(p.minScale, p.maxScale);
    o.widthFactors.clear();
    double area = 0.0;
    bool ok = true;
    for (std::size_t k = 0; k < t.skeleton.size() && ok; ++k) {
      const double ws = t.widths[k] * o.scale;
      const double low = std::max(p.minWidthFactor, 6.0 / ws);
      const double high = std::min(p.maxWidthFactor, 20.0 / ws);
      ok = low <= high;
      if (!ok) break;
      o.widthFactors.push_back(random.uniform(low, high));
      area +=
          (t.skeleton[k].second - t.skeleton[k].first).len() * o.scale * ws * o.widthFactors.back();
    }
    if (ok && (t.kind != veShapeKind::eStroke || area >= 1100.0)) return true;
  }
  return false;
}

}  // namespace

namespace scenes {

vsShapeScene shapeScene(const vsShapeSceneParams& p) {
  validate(p);
  vcSceneRandom random(p.seed);
  // Polarities come from a stream of their own, so that a scene's layout does not depend on them.
  vcSceneRandom polarities(p.seed ^ 0x5bd1e995u);
  vsShapeScene scene;
  scene.templates = makeTemplates(random, p.numTemplates);
  scene.minScale = p.minScale;
  scene.maxScale = p.maxScale;
  scene.minWidthFactor = p.minWidthFactor;
  scene.maxWidthFactor = p.maxWidthFactor;
  scene.background = std::round(random.uniform(85.0, 150.0));
  scene.blurSigma = random.uniform(0.0, p.maxBlur);
  scene.noiseSigma = random.uniform(0.0, p.maxNoise);
  const double margin = 4.0 + 3.0 * scene.blurSigma;

  // Objects: a template, a pose and a contrast each, placed where they fit.
  vcSceneCanvas canvas(p.width, p.height, scene.background);
  std::vector<Circle> taken;
  for (long n = 0; n < p.numObjects; ++n) {
    vsSceneObject o;
    o.templateIndex = random.integer(0, long(scene.templates.size()) - 1);
    const vsSceneTemplate& t = scene.templates[std::size_t(o.templateIndex)];
    o.angleDegrees = t.kind == veShapeKind::eCircle ? 0.0 : random.uniform(-180.0, 180.0);
    if (!samplePose(random, p, t, o)) continue;
    o.contrast = random.uniform(p.minContrast, p.maxContrast);
    o.occluded = random.uniform() < p.occludedShare;
    o.dark = t.kind == veShapeKind::eCircle && polarities.uniform() < p.darkDiscShare;
    // The bounding circle at the origin, then moved to a free place.
    o.translation = Vec(0, 0);
    const Circle atOrigin = boundingCircle(vfSceneOutlinePoints(t, o));
    bool placed = false;
    for (int attempt = 0; attempt < kTries && !placed; ++attempt) {
      const Vec where(random.uniform(0.0, double(p.width)), random.uniform(0.0, double(p.height)));
      const Circle c{atOrigin.center + where, atOrigin.radius};
      if (!fits(c, taken, double(p.width), double(p.height), margin)) continue;
      o.translation = where;
      taken.push_back(c);
      placed = true;
    }
    if (!placed) continue;
    vfDrawSceneObject(canvas, t, o, scene.background + (o.dark ? -o.contrast : o.contrast));
    if (o.occluded)
      bite(canvas, random, vfSceneOutlinePoints(t, o), taken.back(), scene.background);
    scene.objects.push_back(o);
  }

  // Clutter: thin short bars and small dots in the free space.
  for (long n = 0; n < p.numClutter; ++n) {
    const bool bar = random.uniform() < 0.5;
    const double size = bar ? random.uniform(10.0, 25.0) : random.uniform(2.5, 5.0);
    const double grey = scene.background + random.uniform(p.minContrast, p.maxContrast);
    for (int attempt = 0; attempt < kTries; ++attempt) {
      const Circle c{
          Vec(random.uniform(0.0, double(p.width)), random.uniform(0.0, double(p.height))),
          bar ? size / 2 : size};
      if (!fits(c, taken, double(p.width), double(p.height), margin)) continue;
      taken.push_back(c);
      if (bar) {
        const Vec half = rotate(Vec(size / 2, 0), random.uniform(0.0, kPi));
        canvas.drawStroke(c.center - half, c.center + half, random.uniform(2.0, 3.0), grey);
      } else {
        canvas.drawDisc(c.center, size, grey);
      }
      break;
    }
  }

  canvas.blur(scene.blurSigma);
  canvas.addNoise(scene.noiseSigma, random);
  scene.image = canvas.image();
  return scene;
}

}  // namespace scenes
