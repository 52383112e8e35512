#include "shapeselect/shape_select_stroke_ends.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/base/exception.h"

namespace {

// Shortest segment whose ends are moved, pixels.
constexpr double kMinLength = 4.0;
// How far an end is searched beyond the segment and how far inside it, pixels, and the step of
// the search (halved once where the step falls to half). The reach spans a side that the line
// tracker found only in pieces, up to the corner.
constexpr double kReachOut = 40.0;
constexpr double kReachIn = 3.0;
constexpr double kStep = 1.0;
// The step along the middle must be at least this many grey levels to be followed.
constexpr double kMinStep = 8.0;

// Bilinear grey values of one image window (window pixel coordinates, pixel centres at + 0.5).
class Sampler {
 public:
  explicit Sampler(const vcPelBuffer_const<unsigned char>& image)
      : width_(double(image.width())), height_(double(image.height())),
        first_(image.width() > 0 && image.height() > 0 ? image.pointToRow(0) : nullptr),
        stride_(image.rowUpdate()) {}

  // The value at p; nothing when a pixel it needs lies outside the window.
  std::optional<double> grey(const vcVector<2>& p) const {
    const double u = p.x() - 0.5, v = p.y() - 0.5;
    const double fu = std::floor(u), fv = std::floor(v);
    if (!(fu >= 0.0 && fv >= 0.0 && fu + 1.0 < width_ && fv + 1.0 < height_)) return std::nullopt;
    const unsigned char* r0 = first_ + long(fv) * stride_ + long(fu);
    const unsigned char* r1 = r0 + stride_;
    const double a = u - fu, b = v - fv;
    return (1.0 - b) * ((1.0 - a) * r0[0] + a * r0[1]) + b * ((1.0 - a) * r1[0] + a * r1[1]);
  }

  // The grey step across a line of direction `along` (unit) at p: the mean difference between
  // points 1 and 2 pixels to the left of the line and those to the right, over three positions
  // half a pixel apart along it. Nothing when a sample falls outside.
  std::optional<double> stepAcross(const vcVector<2>& p, const vcVector<2>& along) const {
    const vcVector<2> n = along.perp();
    double sum = 0.0;
    for (const double k : {-0.5, 0.0, 0.5})
      for (const double r : {1.0, 2.0}) {
        const vcVector<2> q = p + along * k;
        const std::optional<double> left = grey(q + n * r), right = grey(q - n * r);
        if (!left || !right) return std::nullopt;
        sum += *left - *right;
      }
    return sum / 6.0;
  }

 private:
  double width_, height_;
  const unsigned char* first_;
  long stride_;
};

// Position along `out` (from end) where the step across the line of direction `along`,
// relative to `full`, first falls below one half going outward; nothing when it does not
// within the reach.
std::optional<double> halfStep(const Sampler& image, const vcVector<2>& end,
                               const vcVector<2>& along, const vcVector<2>& out, double full,
                               double reachIn) {
  const auto ratioAt = [&](double s) -> std::optional<double> {
    const std::optional<double> step = image.stepAcross(end + out * s, along);
    if (!step) return std::nullopt;
    return *step / full;
  };
  std::optional<double> previous;
  for (double s = -reachIn; s <= kReachOut + 1e-9; s += kStep) {
    const std::optional<double> ratio = ratioAt(s);
    if (!ratio) return std::nullopt;
    if (*ratio < 0.5) {
      if (!previous) return std::nullopt;  // already below half where the search starts
      // The half of the last step that holds the crossing, and the crossing within it.
      double s0 = s - kStep, r0 = *previous, s1 = s, r1 = *ratio;
      const std::optional<double> middle = ratioAt(s - kStep / 2.0);
      if (!middle) return std::nullopt;
      if (*middle < 0.5) {
        s1 = s - kStep / 2.0;
        r1 = *middle;
      } else {
        s0 = s - kStep / 2.0;
        r0 = *middle;
      }
      return s0 + (s1 - s0) * (r0 - 0.5) / (r0 - r1);
    }
    previous = ratio;
  }
  return std::nullopt;
}

}  // namespace

namespace vc_shapeselect {

std::vector<vcFoundSegment> edgesToCorners(const vcPelBuffer_const<unsigned char>& image,
                                           const std::vector<vcFoundSegment>& edges,
                                           const std::vector<bool>& which) {
  if (!image.isBound()) throw vcBadParamsError(L"edgesToCorners: the image is unbound");
  if (!which.empty() && which.size() != edges.size())
    throw vcBadParamsError(L"edgesToCorners: which must be empty or hold one flag per edge");
  const vcXform<2>& clientFromImage = image.clientFromImageXform();
  const vcXform<2> imageFromClient = image.imageFromClientXform();
  const vcVector<2> offset(double(image.offset().x()), double(image.offset().y()));
  const Sampler sampler(image);
  std::vector<vcFoundSegment> out;
  out.reserve(edges.size());
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const vcFoundSegment& e = edges[i];
    out.push_back(e);
    if (!which.empty() && !which[i]) continue;
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
      if (const std::optional<double> step = sampler.stepAcross(a + d * (t * length), d)) {
        full += *step;
        ++samples;
      }
    }
    if (samples == 0) continue;
    full /= double(samples);
    if (std::abs(full) < kMinStep) continue;

    const double reachIn = std::min(kReachIn, length / 4.0);
    const std::optional<double> sa = halfStep(sampler, a, d, -d, full, reachIn);
    const std::optional<double> sb = halfStep(sampler, b, d, d, full, reachIn);
    const vcVector<2> na = sa ? a - d * *sa : a, nb = sb ? b + d * *sb : b;
    out.back() = vcFoundSegment(vcLineSeg(clientFromImage.mapPoint(na + offset),
                                          clientFromImage.mapPoint(nb + offset)),
                                e.magnitude(), e.polarity(), e.width());
  }
  return out;
}

}  // namespace vc_shapeselect
