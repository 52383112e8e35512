#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "edges/chain_codes.h"
#include "edges/circle_impl.h"

namespace vc_circle_detail {

namespace {

// Running probe sums: the lightest and darkest grey values beside each probed edgelet.
struct ProbeSums {
  long count = 0;
  std::int64_t lightSum = 0, darkSum = 0;
  int lightest = 0, darkest = 255;
};

// Walks up to 3 pixels from pixel (x, y) (window coordinates of image) along +(dx, dy) for the
// largest and against it for the smallest grey value, both starting at the pixel's own value
// and stopping on the window's border.
void probe(const vcPelBuffer_const<unsigned char>& image, long x, long y, long dx, long dy,
           ProbeSums& s) {
  const long w = image.width(), h = image.height(), stride = image.rowUpdate();
  if (x < 0 || x >= w || y < 0 || y >= h) return;
  const unsigned char* centre = image.pointToOffset() + y * stride + x;
  int light = *centre, dark = *centre;
  const unsigned char* p = centre;
  for (long s = 1, cx = x + dx, cy = y + dy; s <= 3; ++s, cx += dx, cy += dy) {
    if (cx < 0 || cx >= w || cy < 0 || cy >= h) break;
    p += dx + dy * stride;
    light = std::max(light, int(*p));
  }
  p = centre;
  for (long s = 1, cx = x - dx, cy = y - dy; s <= 3; ++s, cx -= dx, cy -= dy) {
    if (cx < 0 || cx >= w || cy < 0 || cy >= h) break;
    p -= dx + dy * stride;
    dark = std::min(dark, int(*p));
  }
  ++s.count;
  s.lightSum += light;
  s.darkSum += dark;
  s.lightest = std::max(s.lightest, light);
  s.darkest = std::min(s.darkest, dark);
}

// The pixel column or row under image coordinate v, or a far-off one when v is not a number or
// beyond any image (huge but finite client translations lose their digits in the shift), so
// that the conversion to long cannot overflow and the probe passes the edgelet over.
long pixelUnder(double v) {
  constexpr double kFar = 1e12;
  return std::abs(v) < kFar ? long(std::floor(v)) : long(-kFar);
}

// Support of a circle. An edgelet lies on a circle's edge when its gradient points along the
// radius through it (towards the centre for a light disc, away from it for a dark one). The
// twist, the angle between the two, is averaged over kTwistHalf edgelets either side along the
// piece, which takes out most code noise: on faint noisy rims single twists reach 30 degrees,
// their averages mostly stay below 10. A polygon corner or a bar end that a circle was fitted
// to fails this: along a straight side the gradient stays put while the radius turns, so the
// twist sweeps up to 45 degrees and back on every side, and only the middle fifth or so of
// each side supports the circle. A single twist beyond 45 degrees never supports, so that
// opposite twists cannot average out.
constexpr double kMaxTwist = 12.0 * std::numbers::pi / 180.0;
constexpr double kMaxSingleTwist = 45.0 * std::numbers::pi / 180.0;
constexpr long kTwistHalf = 2;
// And it lies within the band in which chains are grabbed, pixels: the middle of a chord that
// hides part of a disc has its gradient along the radius too, but lies well inside the rim.
constexpr double kSupportBand = 2.0;
// Refits to the supporting edgelets; each can move the centre, which changes the support.
constexpr int kSupportPasses = 3;
// Roundness. A small rectangle or bar end blurred by a pixel or more is nearly round: its
// edgelets lie within half a pixel of a circle and each twist stays small. But along each of
// its sides the twist runs steadily one way and comes back round each corner, a wave that
// spans several edgelets, while on a circle the twist is code noise that changes from one
// edgelet to the next. The mean square of the 5-edgelet mean twists counts both; the detector's
// smoothing ties neighbouring codes together, so code noise alone gives at most about a
// quarter of the mean square step between neighbours there. What is left over is the wave.
// The limit, (3.75 degrees)^2, refuses 16 of the 25 blurred rectangles that passed every other
// test in 1000 scenes of the accuracy benchmark and 3 of their 6150 true circles (faint ones
// with part of the rim hidden, where the hiding edge bends the twist). Only circles of radius
// below kWaveRadius pixels are tested: blur rounds the corners of a rectangle by a few
// pixels, which makes it pass for round only while its sides are not much longer than that
// (the corner cutter parts larger ones), whereas a larger round object whose outline wobbles
// by half a pixel or so (a worn coin) shows a wave of the same size and is a circle.
constexpr double kNoiseShare = 0.25;
constexpr double kMaxWaveSqr = 14.0 * (std::numbers::pi / 180.0) * (std::numbers::pi / 180.0);
constexpr double kWaveRadius = 10.0;

// atan2(y, x) within 2e-6 radians (a ten-thousandth of a degree), several times faster than the
// library's; (0, 0) gives 0.
double quickAtan2(double y, double x) {
  const double ax = std::abs(x), ay = std::abs(y);
  const double hi = std::max(ax, ay), lo = std::min(ax, ay);
  if (!(hi > 0.0)) return 0.0;
  const double a = lo / hi, s = a * a;
  double r = a * (0.99997726 +
                  s * (-0.33262347 +
                       s * (0.19354346 + s * (-0.11643287 + s * (0.05265332 - s * 0.01172120)))));
  if (ay > ax) r = std::numbers::pi / 2.0 - r;
  if (x < 0.0) r = std::numbers::pi - r;
  return y < 0.0 ? -r : r;
}

}  // namespace

FitSums FinderImpl::markSupport_(const CircleCandidate& c) {
  const std::vector<vcEdgelet>& edges = chains_.edges();
  support_.clear();
  FitSums kept;
  TwistWave wave;
  for (long k = 0; k < c.numTaken; ++k) {
    const ChainRecord& rec = records_[taken_[std::size_t(c.firstTaken + k)]];
    twist_.assign(std::size_t(rec.count) + 1, 0.0);
    const std::size_t first = support_.size();
    for (long i = 0; i < rec.count; ++i) {
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      const double dx = double(e.posQuickX()) - c.cx, dy = double(e.posQuickY()) - c.cy;
      // The twist from the radial direction u (outwards for a dark disc, inwards for a light
      // one) to the gradient g, from their dot and cross products.
      const std::size_t code = e.angle().plain();
      const double ux = c.lightOnDark ? -dx : dx, uy = c.lightOnDark ? -dy : dy;
      const double gx = kCodeVectors.dx[code], gy = kCodeVectors.dy[code];
      const double t = quickAtan2(ux * gy - uy * gx, ux * gx + uy * gy);
      twist_[std::size_t(i) + 1] = twist_[std::size_t(i)] + t;
      const double d = std::sqrt(dx * dx + dy * dy);
      support_.push_back(std::abs(t) <= kMaxSingleTwist && std::abs(d - c.radius) <= kSupportBand);
    }
    for (long i = 0; i < rec.count; ++i) {
      const long a = std::max(0L, i - kTwistHalf), b = std::min(rec.count, i + kTwistHalf + 1);
      const double mean = (twist_[std::size_t(b)] - twist_[std::size_t(a)]) / double(b - a);
      unsigned char& on = support_[first + std::size_t(i)];
      on = on && std::abs(mean) <= kMaxTwist;
      if (!on) continue;
      if (b - a == 2 * kTwistHalf + 1) {
        wave.meanSqr += mean * mean;
        ++wave.means;
      }
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      kept.addPoint(double(e.posQuickX()) - c0x_, double(e.posQuickY()) - c0y_,
                    double(e.magnitude()));
    }
    for (long i = 0; i + 1 < rec.count; ++i) {
      if (!support_[first + std::size_t(i)] || !support_[first + std::size_t(i) + 1]) continue;
      const double step =
          twist_[std::size_t(i) + 2] - 2.0 * twist_[std::size_t(i) + 1] + twist_[std::size_t(i)];
      wave.stepSqr += step * step;
      ++wave.steps;
    }
  }
  wave_ = wave;
  return kept;
}

bool FinderImpl::round_(const CircleCandidate& c) const {
  if (c.radius >= kWaveRadius || wave_.means == 0 || wave_.steps == 0) return true;
  const double meanSqr = wave_.meanSqr / double(wave_.means);
  const double stepSqr = wave_.stepSqr / double(wave_.steps);
  return meanSqr - kNoiseShare * stepSqr <= kMaxWaveSqr;
}

bool FinderImpl::keepSupport_(CircleCandidate& c) {
  // The circle refitted to the edgelets that support it, and its coverage counted from them
  // alone (a closed chain that seeded a whole circle keeps its share of supporting edgelets).
  const bool closedSeed = c.numTaken == 1 && records_[taken_[std::size_t(c.firstTaken)]].closed;
  const double total = c.sums.n;
  FitSums last;
  for (int pass = 0; pass < kSupportPasses; ++pass) {
    CircleCandidate trial = c;
    trial.sums = markSupport_(c);
    // The same edgelets as last pass give the same circle again.
    if (pass > 0 && trial.sums.n == last.n && trial.sums.sx == last.sx && trial.sums.sy == last.sy)
      break;
    last = trial.sums;
    if (!refit_(trial)) return false;
    if (closedSeed) trial.coverage = trial.sums.n / total;
    c = trial;
  }
  return true;
}

void FinderImpl::contrast_(CircleCandidate& c) const {
  // Probe every second edgelet on the image passed in; after a reduction by more than 1, every
  // third, at the full-resolution pixel under its position.
  const std::vector<vcEdgelet>& edges = chains_.edges();
  const long step = factor_ > 1 ? 3 : 2;
  const long fx = fullImage_.offset().x(), fy = fullImage_.offset().y();
  // Full-resolution image coordinates of the reduced image's origin.
  vcVector<2> shift;
  if (factor_ >= 1)
    shift = fullImage_.imageFromClientXform().mapPoint(
        clientFromImage_.mapPoint(vcVector<2>(double(ox_), double(oy_))));
  shift -= vcVector<2>(double(ox_ * factor_), double(oy_ * factor_));

  ProbeSums sums;
  for (long k = 0; k < c.numTaken; ++k) {
    const ChainRecord& rec = records_[taken_[std::size_t(c.firstTaken + k)]];
    for (long i = 0; i < rec.count; i += step) {
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      long x = long(e.get_i()), y = long(e.get_j());
      if (factor_ > 1) {
        x = pixelUnder(double(e.posQuickX()) * double(factor_) + shift.x());
        y = pixelUnder(double(e.posQuickY()) * double(factor_) + shift.y());
      } else if (factor_ == 1) {
        x = pixelUnder(double(x) + std::round(shift.x()));
        y = pixelUnder(double(y) + std::round(shift.y()));
      }
      const std::uint8_t a = e.angle().plain();
      probe(fullImage_, x - fx, y - fy, vc_tracker_detail::kProbeDx[a],
            vc_tracker_detail::kProbeDy[a], sums);
    }
  }
  if (sums.count == 0) {
    c.light = c.dark = 0.0;
    return;
  }
  c.light = (double(sums.lightSum) / double(sums.count) + double(sums.lightest)) / 2.0;
  c.dark = (double(sums.darkSum) / double(sums.count) + double(sums.darkest)) / 2.0;
}

void FinderImpl::pointStats_(CircleCandidate& c) const {
  // Distances of the supporting edgelets from the fitted centre: extremes and the mean squared
  // deviation from the radius (a measure of roundness; the mean squared distance itself would only
  // repeat the radius).
  const std::vector<vcEdgelet>& edges = chains_.edges();
  double minD2 = 0.0, maxD2 = 0.0, devSum = 0.0;
  long n = 0;
  std::size_t at = 0;
  for (long k = 0; k < c.numTaken; ++k) {
    const ChainRecord& rec = records_[taken_[std::size_t(c.firstTaken + k)]];
    for (long i = 0; i < rec.count; ++i) {
      if (!support_[at++]) continue;
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      const double dx = double(e.posQuickX()) - c.cx, dy = double(e.posQuickY()) - c.cy;
      const double d2 = dx * dx + dy * dy;
      if (n == 0 || d2 < minD2) minD2 = d2;
      if (n == 0 || d2 > maxD2) maxD2 = d2;
      const double dev = std::sqrt(d2) - c.radius;
      devSum += dev * dev;
      ++n;
    }
  }
  c.minDist = std::sqrt(minD2);
  c.maxDist = std::sqrt(maxD2);
  c.meanDevSqr = n > 0 ? devSum / double(n) : 0.0;
  c.magnitude = c.sums.n > 0.0 ? c.sums.smag / c.sums.n : 0.0;
}

void FinderImpl::verify_() {
  // Radius first (cheap); then, when the map leads to the chains, the candidate completed
  // round its whole rim; then coverage, the same for the circle refitted to the edgelets that
  // support it, whether they lie round and not along the sides of a small polygon, and the
  // contrast across the edge. A candidate that fails lets its chains go for the candidates
  // after it. The pixel limits allow half a pixel beyond the range for the fit; the radius
  // reported must lie in the range itself.
  const vcRange& range = params_.radiusRange();
  const bool bounded = range.range() == vcRange::eOrdinary;
  for (long i = 0; i < numCands_; ++i) {
    CircleCandidate& c = cands_[i];
    c.valid = false;
    const auto inLimits = [&] { return c.radius >= verifyMin_ && c.radius <= verifyMax_; };
    if (!inLimits() || (labelled_ && !completeCandidate_(c)) ||
        !(c.coverage >= params_.coverageThresh()) || !inLimits() || !keepSupport_(c) ||
        !(c.coverage >= params_.coverageThresh()) || !inLimits() || !round_(c)) {
      if (c.holds) releaseAll_(c);
      continue;
    }
    contrast_(c);
    pointStats_(c);
    if (!(c.light - c.dark > params_.cstThresh()) ||
        (bounded && !(clientRadius_(c) >= range.start() && clientRadius_(c) <= range.end()))) {
      if (c.holds) releaseAll_(c);
      continue;
    }
    c.valid = true;
  }
}

}  // namespace vc_circle_detail
