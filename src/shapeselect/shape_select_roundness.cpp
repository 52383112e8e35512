// The roundness measure behind the confirmation of circle candidates.

#include "shapeselect/shape_select_roundness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace vc_shapeselect {

namespace {

using Vec = vcVector<2>;

// Sharp edges sampled by pixels come out along rays with errors that repeat with the pixel
// grid, up to a fifth of a pixel on a small clean disc; a bend up to this much (pixels), plus
// 1 % of the radius (the tool's precision), is not taken for corners.
constexpr double kBendPixels = 0.5;

// Grey level at image point p by bilinear interpolation of the pixel centres; false outside.
bool sample(const vcPelBuffer_const<unsigned char>& image, const Vec& p, double& value) {
  const double x = p.x() - 0.5 - double(image.offset().x());
  const double y = p.y() - 0.5 - double(image.offset().y());
  const double fx = std::floor(x), fy = std::floor(y);
  const long x0 = long(fx), y0 = long(fy);
  if (x0 < 0 || y0 < 0 || x0 + 1 >= image.width() || y0 + 1 >= image.height()) return false;
  const unsigned char* r0 = image.pointToRow(y0) + x0;
  const unsigned char* r1 = image.pointToRow(y0 + 1) + x0;
  const double ax = x - fx, ay = y - fy;
  const double top = r0[0] + ax * (r0[1] - r0[0]);
  const double bottom = r1[0] + ax * (r1[1] - r1[0]);
  value = top + ay * (bottom - top);
  return true;
}

// Solves the system m x = v (size n, row-major) in place by Gaussian
// elimination with partial pivoting; false when it is singular.
bool solve(std::vector<double>& m, std::vector<double>& v, std::size_t n) {
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r)
      if (std::fabs(m[r * n + c]) > std::fabs(m[pivot * n + c])) pivot = r;
    if (!(std::fabs(m[pivot * n + c]) > 1e-12)) return false;
    if (pivot != c) {
      for (std::size_t k = 0; k < n; ++k) std::swap(m[c * n + k], m[pivot * n + k]);
      std::swap(v[c], v[pivot]);
    }
    for (std::size_t r = c + 1; r < n; ++r) {
      const double f = m[r * n + c] / m[c * n + c];
      for (std::size_t k = c; k < n; ++k) m[r * n + k] -= f * m[c * n + k];
      v[r] -= f * v[c];
    }
  }
  for (std::size_t c = n; c-- > 0;) {
    for (std::size_t k = c + 1; k < n; ++k) v[c] -= m[c * n + k] * v[k];
    v[c] /= m[c * n + c];
  }
  return true;
}

}  // namespace

vsRoundness circleRoundness(const vcPelBuffer_const<unsigned char>& image, const Vec& centre,
                            double radius) {
  vsRoundness out;
  // No measure of a circle that is not one, or that no image of this size could hold the
  // outline of (which also bounds the work).
  if (!image.isBound() || !(radius > 0.0) || !std::isfinite(centre.x()) ||
      !std::isfinite(centre.y()) || radius > double(image.width() + image.height()))
    return out;
  constexpr double kStep = 0.5;  // along a ray, pixels
  const long numRays = std::clamp(long(std::lround(std::numbers::pi * radius)), 48L, 720L);
  // Far enough inside and out for the corners and sides of a polygon that the pattern let
  // through (its outline lies mostly within two pixels of the circle).
  const double reach = 0.2 * radius + 3.0;
  const long numSamples = long(2.0 * reach / kStep) + 1;

  // Each ray's steepest step in each direction, and the total of each polarity.
  struct Ray {
    double at[2] = {-1.0, -1.0};  // distance from the centre; < 0: none
  };
  std::vector<Ray> rays(static_cast<std::size_t>(numRays));
  std::vector<double> profile(static_cast<std::size_t>(numSamples));
  double total[2] = {0.0, 0.0};
  for (long k = 0; k < numRays; ++k) {
    const double a = 2.0 * std::numbers::pi * double(k) / double(numRays);
    const Vec u(std::cos(a), std::sin(a));
    const double t0 = radius - reach;
    // Samples outside the image are not a number, and no step is found across them.
    for (long i = 0; i < numSamples; ++i)
      if (!sample(image, centre + u * (t0 + kStep * double(i)), profile[std::size_t(i)]))
        profile[std::size_t(i)] = std::numeric_limits<double>::quiet_NaN();
    Ray& ray = rays[std::size_t(k)];
    for (int polarity = 0; polarity < 2; ++polarity) {
      const double sign = polarity == 0 ? 1.0 : -1.0;  // 0: lighter outside, 1: darker outside
      long best = -1;
      double bestStep = 0.0;
      for (long i = 1; i + 1 < numSamples; ++i) {
        const double step = sign * (profile[std::size_t(i + 1)] - profile[std::size_t(i - 1)]);
        if (step > bestStep) {  // false for a step across a missing sample
          bestStep = step;
          best = i;
        }
      }
      if (best < 0) continue;
      // The peak to a fraction of a sample, by a parabola through it and its neighbours.
      double offset = 0.0;
      if (best > 1 && best + 2 < numSamples) {
        const double before = sign * (profile[std::size_t(best)] - profile[std::size_t(best - 2)]);
        const double after = sign * (profile[std::size_t(best + 2)] - profile[std::size_t(best)]);
        const double curvature = before - 2.0 * bestStep + after;
        if (curvature < 0.0)  // false across a missing sample
          offset = std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
      }
      ray.at[polarity] = t0 + kStep * (double(best) + offset);
      total[polarity] += bestStep;
    }
  }
  const int polarity = total[1] > total[0] ? 1 : 0;

  // The edge distance of that polarity along each ray as a function of the ray's angle, as a
  // sum of harmonics 0 to kOrders (harmonic 1 absorbs an offset centre).
  constexpr std::size_t kOrders = 8, kTerms = 2 * kOrders + 1;
  std::vector<double> angle, distance;
  for (long k = 0; k < numRays; ++k) {
    const Ray& ray = rays[std::size_t(k)];
    if (ray.at[polarity] < 0.0) continue;
    angle.push_back(2.0 * std::numbers::pi * double(k) / double(numRays));
    distance.push_back(ray.at[polarity]);
  }
  const std::size_t n = angle.size();
  if (n < 2 * kTerms) return out;
  std::vector<double> basis(n * kTerms);
  for (std::size_t i = 0; i < n; ++i) {
    basis[i * kTerms] = 1.0;
    for (std::size_t h = 1; h <= kOrders; ++h) {
      basis[i * kTerms + 2 * h - 1] = std::cos(double(h) * angle[i]);
      basis[i * kTerms + 2 * h] = std::sin(double(h) * angle[i]);
    }
  }
  // Least squares over the rays in use with harmonics 0 to `orders`; the residual of every ray
  // and the scatter of those in use (their median distance, as for a normal distribution).
  std::vector<bool> use(n, true);
  std::vector<double> coefficients, residual(n), sorted;
  double sigma = 0.0;
  const auto fit = [&](std::size_t orders) {
    const std::size_t terms = 2 * orders + 1;
    std::vector<double> m(terms * terms, 0.0);
    coefficients.assign(terms, 0.0);
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!use[i]) continue;
      ++used;
      const double* b = &basis[i * kTerms];
      for (std::size_t r = 0; r < terms; ++r) {
        coefficients[r] += b[r] * distance[i];
        for (std::size_t c = 0; c < terms; ++c) m[r * terms + c] += b[r] * b[c];
      }
    }
    if (used < 2 * kTerms || !solve(m, coefficients, terms)) return false;
    sorted.clear();
    for (std::size_t i = 0; i < n; ++i) {
      double value = 0.0;
      for (std::size_t r = 0; r < terms; ++r) value += basis[i * kTerms + r] * coefficients[r];
      residual[i] = distance[i] - value;
      if (use[i]) sorted.push_back(std::fabs(residual[i]));
    }
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    sigma = 1.4826 * sorted[sorted.size() / 2];
    return true;
  };
  // A circle first, twice leaving out the rays far off it (a bite out of a disc, clutter
  // touching it); the bend of a polygon spreads over every ray and keeps them all.
  for (int pass = 0; pass < 2; ++pass) {
    if (!fit(1)) return out;
    for (std::size_t i = 0; i < n; ++i) use[i] = std::fabs(residual[i]) <= 3.0 * sigma + 0.1;
  }
  if (!fit(kOrders)) return out;

  out.rays = long(std::count(use.begin(), use.end(), true));
  out.radius = coefficients[0];
  out.noise = sigma;
  for (std::size_t h = 2; h <= kOrders; ++h) {
    const double amplitude = std::hypot(coefficients[2 * h - 1], coefficients[2 * h]);
    if (amplitude > out.bend) {
      out.bend = amplitude;
      out.order = long(h);
    }
  }
  return out;
}

bool looksRound(const vsRoundness& r) {
  if (r.rays == 0) return true;
  // Noise alone gives each harmonic an amplitude of about noise * sqrt(2 / rays); five times
  // that is left to noise once in a few hundred thousand.
  const double noiseAmplitude = r.noise * std::sqrt(2.0 / double(r.rays));
  return !(r.bend > kBendPixels + 0.01 * r.radius && r.bend > 5.0 * noiseAmplitude);
}

}  // namespace vc_shapeselect
