#include "platform/ip/edge_peak_fit.h"

#include <algorithm>
#include <cmath>

namespace vc_edge_detail {

float peakOffset(const float* p) {
  // Support: the contiguous run of positive samples around the centre.
  int lo = 3;
  while (lo > 0 && p[lo - 1] > 0.0f) --lo;
  int hi = 3;
  while (hi < 6 && p[hi + 1] > 0.0f) ++hi;
  // One sample: no offset. Two (a sharp step on a pixel boundary): their centroid, half-way
  // between them when they are equal.
  if (hi == lo) return 0.0f;
  if (hi - lo == 1) return (p[hi] * float(hi - 3) + p[lo] * float(lo - 3)) / (p[hi] + p[lo]);

  // Moments of the weighted normal equations; weights relative to the centre keep them O(1).
  const double inv = 1.0 / p[3];
  double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, t0 = 0, t1 = 0, t2 = 0;
  for (int i = lo; i <= hi; ++i) {
    const double v = p[i] * inv;
    const double wt = v * v;
    const double l = std::log(float(v));  // single precision is plenty, and faster
    const double k = i - 3;
    const double k2 = k * k;
    s0 += wt;
    s1 += wt * k;
    s2 += wt * k2;
    s3 += wt * k2 * k;
    s4 += wt * k2 * k2;
    t0 += wt * l;
    t1 += wt * k * l;
    t2 += wt * k2 * l;
  }

  // Cramer's rule for c1 and c2 of [s0 s1 s2; s1 s2 s3; s2 s3 s4] c = t.
  const double det = s0 * (s2 * s4 - s3 * s3) - s1 * (s1 * s4 - s2 * s3) + s2 * (s1 * s3 - s2 * s2);
  const double det1 =
      s0 * (t1 * s4 - s3 * t2) - t0 * (s1 * s4 - s3 * s2) + s2 * (s1 * t2 - t1 * s2);
  const double det2 =
      s0 * (s2 * t2 - t1 * s3) - s1 * (s1 * t2 - t1 * s2) + t0 * (s1 * s3 - s2 * s2);
  // A maximum needs c2 = det2 / det < 0; det > 0 for a well-posed fit.
  if (!(det > 1e-12) || !(det2 < 0.0)) return 0.0f;
  return float(std::clamp(-det1 / (2.0 * det2), -1.0, 1.0));
}

}  // namespace vc_edge_detail
