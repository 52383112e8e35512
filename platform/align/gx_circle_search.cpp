#include "platform/align/gx_circle_search.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vc_gx_detail {

namespace {

constexpr double kMinEdge = 6.0;       // grey levels per pixel
constexpr double kMaxTangent = 0.577;  // tan 30 degrees: gradient within 30 degrees of the ray
// A scored sample's gradient must lie within 10 degrees of the ray (tan 10 degrees). Along a
// circle's outline the gradient points along the radius, turned by noise a few degrees at
// most; along a polygon's side it turns by up to 180 / n degrees on either side of the ray
// (30 for a hexagon, 22.5 for an octagon), so most samples of a polygon's outline do not
// count even where the side lies within the fine limit of the circle. The more sides, the
// closer a polygon comes: a blurred octagon keeps about two thirds of its samples.
constexpr double kScoreMaxTangent = 0.176;
constexpr long kMaxSamples = 1024;
constexpr int kIterations = 3;  // refits per window

}  // namespace

CircleSearch::CircleSearch(const vcPelBuffer_const<unsigned char>& image, bool onePolarity,
                           double fine, double coarse)
    : pels_(image.pointToOffset()),
      stride_(image.rowUpdate()),
      w_(image.width()),
      h_(image.height()),
      ox_(double(image.offset().x())),
      oy_(double(image.offset().y())),
      onePolarity_(onePolarity),
      fine_(fine),
      coarse_(coarse) {}

void CircleSearch::setSamples_(const SearchCircle& c) {
  // About one sample per pixel of circumference, at least 32.
  const long n = std::clamp(long(std::ceil(2.0 * std::numbers::pi * c.radius)), 32L, kMaxSamples);
  if (long(cos_.size()) == n) return;
  cos_.resize(std::size_t(n));
  sin_.resize(std::size_t(n));
  for (long k = 0; k < n; ++k) {
    const double a = 2.0 * std::numbers::pi * double(k) / double(n);
    cos_[std::size_t(k)] = std::cos(a);
    sin_[std::size_t(k)] = std::sin(a);
  }
  peaks_.resize(std::size_t(n));
}

double CircleSearch::at_(double x, double y) const {
  // Bilinear between the four pixel centres around (x, y); the caller keeps (x, y) at least
  // one pixel inside the image.
  const double px = x - 0.5 - ox_, py = y - 0.5 - oy_;
  const long i = long(std::floor(px)), j = long(std::floor(py));
  const double fx = px - double(i), fy = py - double(j);
  const unsigned char* p = pels_ + j * stride_ + i;
  const double top = p[0] + fx * (p[1] - p[0]);
  const double bottom = p[stride_] + fx * (p[stride_ + 1] - p[stride_]);
  return top + fy * (bottom - top);
}

double CircleSearch::radial_(double px, double py, double ux, double uy) const {
  // Central difference along the ray, averaged over the rays one pixel to either side.
  double d = 0.0;
  for (int s = -1; s <= 1; ++s) {
    const double qx = px - s * uy, qy = py + s * ux;
    d += at_(qx + ux, qy + uy) - at_(qx - ux, qy - uy);
  }
  return d / 6.0;
}

double CircleSearch::tangential_(double px, double py, double ux, double uy) const {
  double d = 0.0;
  for (int s = -1; s <= 1; ++s) {
    const double qx = px + s * ux, qy = py + s * uy;
    d += at_(qx - uy, qy + ux) - at_(qx + uy, qy - ux);
  }
  return d / 6.0;
}

void CircleSearch::probe_(const SearchCircle& c, long k, long window, SamplePeaks& out) {
  out = SamplePeaks();
  const double ux = cos_[std::size_t(k)], uy = sin_[std::size_t(k)];
  const double px = c.cx + c.radius * ux, py = c.cy + c.radius * uy;

  // The profile reaches window + 1 steps either way, plus two pixels for the differences.
  const double reach = double(window) + 4.0;
  const double x0 = px - ox_, y0 = py - oy_;
  if (x0 - reach < 1.0 || x0 + reach > double(w_) - 1.0 || y0 - reach < 1.0 ||
      y0 + reach > double(h_) - 1.0)
    return;
  out.inside = true;

  // The radial derivative at whole-pixel offsets; peaks are interior local extremes.
  profile_.resize(std::size_t(2 * window + 3));
  for (long t = -window - 1; t <= window + 1; ++t)
    profile_[std::size_t(t + window + 1)] =
        radial_(px + double(t) * ux, py + double(t) * uy, ux, uy);
  for (long t = -window; t <= window; ++t) {
    const double a = profile_[std::size_t(t + window)], b = profile_[std::size_t(t + window + 1)],
                 e = profile_[std::size_t(t + window + 2)];
    const double sign = b > 0.0 ? 1.0 : -1.0;
    const double m = sign * b;
    if (m < kMinEdge || m < sign * a || m < sign * e) continue;
    Peak& peak = b > 0.0 ? out.rising : out.falling;
    if (peak.found && peak.strength >= m) continue;
    // Parabola through the three values for the sub-pixel offset.
    const double curv = a - 2.0 * b + e;
    const double off = curv != 0.0 ? std::clamp(0.5 * (a - e) / curv, -0.5, 0.5) : 0.0;
    const double tt = double(t) + off;
    // The gradient must point along the ray.
    const double slant = tangential_(px + tt * ux, py + tt * uy, ux, uy) / b;
    if (std::abs(slant) > kMaxTangent) continue;
    peak.found = true;
    peak.t = tt;
    peak.strength = m;
    peak.slant = slant;
  }
}

void CircleSearch::probeAll_(const SearchCircle& c, long window) {
  setSamples_(c);
  for (std::size_t k = 0; k < cos_.size(); ++k) probe_(c, long(k), window, peaks_[k]);
}

int CircleSearch::polarity_() const {
  if (!onePolarity_) return 0;
  double rising = 0.0, falling = 0.0;
  for (const SamplePeaks& s : peaks_) {
    if (s.rising.found) rising += s.rising.strength;
    if (s.falling.found) falling += s.falling.strength;
  }
  return rising >= falling ? 1 : -1;
}

const CircleSearch::Peak* CircleSearch::chosen_(const SamplePeaks& s, int pol) const {
  if (pol > 0) return s.rising.found ? &s.rising : nullptr;
  if (pol < 0) return s.falling.found ? &s.falling : nullptr;
  if (s.rising.found && (!s.falling.found || s.rising.strength >= s.falling.strength))
    return &s.rising;
  return s.falling.found ? &s.falling : nullptr;
}

void CircleSearch::refine(SearchCircle& c, bool scaleToo) {
  const SearchCircle start = c;
  const double limit = coarse_ + 1.0;
  long window = std::max(1L, long(std::ceil(coarse_)));
  const long last = std::max(1L, long(std::ceil(fine_)));
  for (;;) {
    for (int it = 0; it < kIterations; ++it) {
      // Weighted least squares of the radial offsets: t ~ u . dc + dr.
      probeAll_(c, window);
      const int pol = polarity_();
      double a11 = 0, a12 = 0, a13 = 0, a22 = 0, a23 = 0, a33 = 0, b1 = 0, b2 = 0, b3 = 0;
      for (std::size_t k = 0; k < peaks_.size(); ++k) {
        const Peak* p = chosen_(peaks_[k], pol);
        if (!p) continue;
        const double wgt = p->strength, ux = cos_[k], uy = sin_[k];
        a11 += wgt * ux * ux;
        a12 += wgt * ux * uy;
        a22 += wgt * uy * uy;
        a13 += wgt * ux;
        a23 += wgt * uy;
        a33 += wgt;
        b1 += wgt * ux * p->t;
        b2 += wgt * uy * p->t;
        b3 += wgt * p->t;
      }
      double dx = 0.0, dy = 0.0, dr = 0.0;
      if (scaleToo) {
        const double det = a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a23 * a13) +
                           a13 * (a12 * a23 - a22 * a13);
        if (!(std::abs(det) > 1e-9 * a33 * a33 * a33)) break;
        dx = (b1 * (a22 * a33 - a23 * a23) - a12 * (b2 * a33 - a23 * b3) +
              a13 * (b2 * a23 - a22 * b3)) /
             det;
        dy = (a11 * (b2 * a33 - a23 * b3) - b1 * (a12 * a33 - a23 * a13) +
              a13 * (a12 * b3 - b2 * a13)) /
             det;
        dr = (a11 * (a22 * b3 - b2 * a23) - a12 * (a12 * b3 - b2 * a13) +
              b1 * (a12 * a23 - a22 * a13)) /
             det;
      } else {
        const double det = a11 * a22 - a12 * a12;
        if (!(std::abs(det) > 1e-9 * a33 * a33)) break;
        dx = (b1 * a22 - b2 * a12) / det;
        dy = (b2 * a11 - b1 * a12) / det;
      }
      // Stay within the capture range of the start.
      c.cx = std::clamp(c.cx + dx, start.cx - limit, start.cx + limit);
      c.cy = std::clamp(c.cy + dy, start.cy - limit, start.cy + limit);
      c.radius =
          std::clamp(c.radius + dr, std::max(0.5, start.radius - limit), start.radius + limit);
      if (std::abs(dx) + std::abs(dy) + std::abs(dr) < 0.01) break;
    }
    if (window <= last) break;
    window = std::max(last, window / 2);
  }
}

double CircleSearch::score(const SearchCircle& c, bool useClutter) {
  const long window = std::max(1L, long(std::ceil(fine_)));
  probeAll_(c, window);
  const int pol = polarity_();
  long supported = 0;
  for (const SamplePeaks& s : peaks_) {
    const Peak* p = chosen_(s, pol);
    if (p && std::abs(p->t) <= fine_ && std::abs(p->slant) <= kScoreMaxTangent) ++supported;
  }
  const double n = double(peaks_.size());
  double score = double(supported) / n;
  if (!useClutter) return score;

  // Clutter: edges on the circles just inside and just outside the outline.
  long clutter = 0;
  const double off = double(2 * window + 2);
  for (double sign : {-1.0, 1.0}) {
    const SearchCircle ring{c.cx, c.cy, c.radius + sign * off};
    if (ring.radius < 1.0) continue;
    for (std::size_t k = 0; k < peaks_.size(); ++k) {
      SamplePeaks s;
      probe_(ring, long(k), window, s);
      if (s.rising.found || s.falling.found) ++clutter;
    }
  }
  return std::max(0.0, score - double(clutter) / (2.0 * n));
}

}  // namespace vc_gx_detail
