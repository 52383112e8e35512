#include "shapeselect/shape_select_stroke_ends.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/base/exception.h"

namespace {

// Shortest segment whose ends are moved, pixels.
constexpr double kMinLength = 4.0;
// How far an end is searched beyond the segment and how far inside it, pixels, and the step.
constexpr double kReachOut = 12.0;
constexpr double kReachIn = 3.0;
constexpr double kStep = 0.5;
// The step along the middle must be at least this many grey levels to be followed.
constexpr double kMinStep = 8.0;

// Bilinear grey value at p (window pixel coordinates, pixel centres at + 0.5); nothing when a
// pixel it needs lies outside the window.
std::optional<double> grey(const vcPelBuffer_const<unsigned char>& image, const vcVector<2>& p) {
  const double u = p.x() - 0.5, v = p.y() - 0.5;
  const double fu = std::floor(u), fv = std::floor(v);
  if (!(fu >= 0.0 && fv >= 0.0 && fu + 1.0 < double(image.width()) &&
        fv + 1.0 < double(image.height())))
    return std::nullopt;
  const long x = long(fu), y = long(fv);
  const unsigned char* r0 = image.pointToPel(x, y);
  const unsigned char* r1 = image.pointToPel(x, y + 1);
  const double a = u - fu, b = v - fv;
  return (1.0 - b) * ((1.0 - a) * r0[0] + a * r0[1]) + b * ((1.0 - a) * r1[0] + a * r1[1]);
}

// The grey step across a line of direction `along` (unit) at p: the mean difference between
// points 1 and 2 pixels to the left of the line and those to the right, over three positions
// half a pixel apart along it. Nothing when a sample falls outside.
std::optional<double> stepAcross(const vcPelBuffer_const<unsigned char>& image,
                                 const vcVector<2>& p, const vcVector<2>& along) {
  const vcVector<2> n = along.perp();
  double sum = 0.0;
  for (const double k : {-0.5, 0.0, 0.5})
    for (const double r : {1.0, 2.0}) {
      const vcVector<2> q = p + along * k;
      const std::optional<double> left = grey(image, q + n * r), right = grey(image, q - n * r);
      if (!left || !right) return std::nullopt;
      sum += *left - *right;
    }
  return sum / 6.0;
}

// Position along `out` (from end) where the step across the line of direction `along`,
// relative to `full`, first falls below one half going outward; nothing when it does not
// within the reach.
std::optional<double> halfStep(const vcPelBuffer_const<unsigned char>& image, const vcVector<2>& end,
                               const vcVector<2>& along, const vcVector<2>& out, double full,
                               double reachIn) {
  std::optional<double> previous;
  for (double s = -reachIn; s <= kReachOut + 1e-9; s += kStep) {
    const std::optional<double> step = stepAcross(image, end + out * s, along);
    if (!step) return std::nullopt;
    const double ratio = *step / full;
    if (ratio < 0.5) {
      if (!previous) return std::nullopt;  // already below half where the search starts
      return s - kStep * (0.5 - ratio) / (*previous - ratio);
    }
    previous = ratio;
  }
  return std::nullopt;
}

}  // namespace

namespace vc_shapeselect {

std::vector<vcFoundSegment> edgesToCorners(const vcPelBuffer_const<unsigned char>& image,
                                           const std::vector<vcFoundSegment>& edges) {
  if (!image.isBound()) throw vcBadParamsError(L"edgesToCorners: the image is unbound");
  const vcXform<2>& clientFromImage = image.clientFromImageXform();
  const vcXform<2> imageFromClient = image.imageFromClientXform();
  const vcVector<2> offset(double(image.offset().x()), double(image.offset().y()));
  std::vector<vcFoundSegment> out;
  out.reserve(edges.size());
  for (const vcFoundSegment& e : edges) {
    out.push_back(e);
    // Window pixel coordinates of the ends.
    const vcVector<2> a = imageFromClient.mapPoint(e.segment().p1()) - offset;
    const vcVector<2> b = imageFromClient.mapPoint(e.segment().p2()) - offset;
    const double length = (b - a).len();
    if (!(length >= kMinLength)) continue;
    const vcVector<2> d = (b - a) / length;

    // The full step: the mean along the middle half of the segment.
    double full = 0.0;
    long samples = 0;
    const long count = std::min(15L, long(length / 2.0) + 1);
    for (long i = 0; i < count; ++i) {
      const double t = 0.25 + 0.5 * (count > 1 ? double(i) / double(count - 1) : 0.5);
      if (const std::optional<double> step = stepAcross(image, a + d * (t * length), d)) {
        full += *step;
        ++samples;
      }
    }
    if (samples == 0) continue;
    full /= double(samples);
    if (std::abs(full) < kMinStep) continue;

    const double reachIn = std::min(kReachIn, length / 4.0);
    const std::optional<double> sa = halfStep(image, a, d, -d, full, reachIn);
    const std::optional<double> sb = halfStep(image, b, d, d, full, reachIn);
    const vcVector<2> na = sa ? a - d * *sa : a, nb = sb ? b + d * *sb : b;
    out.back() = vcFoundSegment(vcLineSeg(clientFromImage.mapPoint(na + offset),
                                          clientFromImage.mapPoint(nb + offset)),
                                e.magnitude(), e.polarity(), e.width());
  }
  return out;
}

}  // namespace vc_shapeselect
