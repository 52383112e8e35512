#include <algorithm>
#include <cmath>
#include <cstdint>

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

}  // namespace

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
  // Over every edgelet of the candidate's chains: the smallest and largest distance from the
  // fitted centre, the mean squared distance from it, and the mean magnitude.
  const std::vector<vcEdgelet>& edges = chains_.edges();
  double minD2 = 0.0, maxD2 = 0.0, sumD2 = 0.0;
  long n = 0;
  for (long k = 0; k < c.numTaken; ++k) {
    const ChainRecord& rec = records_[taken_[std::size_t(c.firstTaken + k)]];
    for (long i = 0; i < rec.count; ++i) {
      const vcEdgelet& e = edges[std::size_t(rec.idx[i])];
      const double dx = double(e.posQuickX()) - c.cx, dy = double(e.posQuickY()) - c.cy;
      const double d2 = dx * dx + dy * dy;
      if (n == 0 || d2 < minD2) minD2 = d2;
      if (n == 0 || d2 > maxD2) maxD2 = d2;
      sumD2 += d2;
      ++n;
    }
  }
  c.minDist = std::sqrt(minD2);
  c.maxDist = std::sqrt(maxD2);
  c.meanDevSqr = n > 0 ? sumD2 / double(n) : 0.0;
  c.magnitude = c.sums.n > 0.0 ? c.sums.smag / c.sums.n : 0.0;
}

void FinderImpl::verify_() {
  // Coverage and radius first (cheap), then the contrast across the edge.
  for (long i = 0; i < numCands_; ++i) {
    CircleCandidate& c = cands_[i];
    c.valid = false;
    if (!(c.coverage >= params_.coverageThresh()) ||
        !(c.radius >= verifyMin_ && c.radius <= verifyMax_))
      continue;
    contrast_(c);
    if (!(c.light - c.dark > params_.cstThresh())) continue;
    c.valid = true;
    pointStats_(c);
  }
}

}  // namespace vc_circle_detail
