#include "platform/ip/edge_peak_fit.h"

#include <bit>
#include <cstdint>

#include "platform/ip/edge_avx2.h"

namespace vc_edge_detail {
namespace {

// log2 of x > 0 within about 1e-7: the exponent plus an odd series in (m - 1) / (m + 1) of the
// mantissa m in [0.707, 1.414). The fit only needs logarithms in a common base; this form has
// no branches and no calls, so the loop over a batch becomes vector code.
inline float log2Positive(float x) {
  // Split x = m * 2^e with m in [sqrt(1/2), sqrt(2)): 0x3f3504f3 is sqrt(1/2).
  const std::uint32_t shifted = std::bit_cast<std::uint32_t>(x) - 0x3f3504f3u;
  const float e = float(std::int32_t(shifted) >> 23);
  const float m = std::bit_cast<float>((shifted & 0x7fffffu) + 0x3f3504f3u);
  const float t = (m - 1.0f) / (m + 1.0f);
  const float t2 = t * t;
  // 2 / ln 2 * (t + t^3 / 3 + t^5 / 5 + t^7 / 7); |t| <= 0.172.
  return e + t * (2.8853900f + t2 * (0.9617967f + t2 * (0.5770780f + t2 * 0.4121986f)));
}

inline float offsetOfOne(const float (&p)[7]) {
  // Support: the contiguous run of positive samples around the centre, as 0/1 weights.
  float in[7];
  in[3] = 1.0f;
  for (int i = 2; i >= 0; --i) in[i] = p[i] > 0.0f ? in[i + 1] : 0.0f;
  for (int i = 4; i <= 6; ++i) in[i] = p[i] > 0.0f ? in[i - 1] : 0.0f;

  // Moments of the weighted normal equations; weights relative to the centre keep them O(1).
  // Every sample enters, with weight 0 outside the support.
  const float inv = 1.0f / p[3];
  float s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, t0 = 0, t1 = 0, t2 = 0;
  for (int i = 0; i < 7; ++i) {
    const float v = p[i] * inv;
    const float wt = in[i] * v * v;
    const float l = log2Positive(v > 1e-30f ? v : 1e-30f);
    const float k = float(i - 3);
    const float wk = wt * k, wk2 = wk * k;
    s0 += wt;
    s1 += wk;
    s2 += wk2;
    s3 += wk2 * k;
    s4 += wk2 * k * k;
    t0 += wt * l;
    t1 += wk * l;
    t2 += wk2 * l;
  }

  // Cramer's rule for c1 and c2 of [s0 s1 s2; s1 s2 s3; s2 s3 s4] c = t. The moments are of
  // order 1 to 100, so single precision leaves the offset good to about 1e-5 pixel.
  const float det = s0 * (s2 * s4 - s3 * s3) - s1 * (s1 * s4 - s2 * s3) + s2 * (s1 * s3 - s2 * s2);
  const float det1 = s0 * (t1 * s4 - s3 * t2) - t0 * (s1 * s4 - s3 * s2) + s2 * (s1 * t2 - t1 * s2);
  const float det2 = s0 * (s2 * t2 - t1 * s3) - s1 * (s1 * t2 - t1 * s2) + t0 * (s1 * s3 - s2 * s2);
  // A maximum needs c2 = det2 / det < 0; det > 0 for a well-posed fit.
  const bool fits = det > 1e-12f && det2 < 0.0f;
  float fitted = fits ? -det1 / (2.0f * (fits ? det2 : -1.0f)) : 0.0f;
  fitted = fitted < -1.0f ? -1.0f : (fitted > 1.0f ? 1.0f : fitted);

  // One sample: no offset. Two (a sharp step on a pixel boundary): their centroid, half-way
  // between them when they are equal.
  const float below = in[2], above = in[4];
  const float pair = (above * p[4] - below * p[2]) / (p[3] + above * p[4] + below * p[2]);
  const float count = in[0] + in[1] + in[2] + 1.0f + in[4] + in[5] + in[6];
  // A centre sample that is not positive (weak gradients that point apart along the edge,
  // found only at the lowest thresholds) leaves nothing to fit: no offset.
  const float offset = count >= 3.0f ? fitted : (count == 2.0f ? pair : 0.0f);
  return p[3] > 0.0f ? offset : 0.0f;
}

// Built for AVX2 as well, chosen per call by vfUseAvx2().
[[gnu::always_inline]] inline void peakOffsetsPass(const PeakSamples& samples, long n,
                                                   float* offset) {
  for (long j = 0; j < n; ++j) {
    float p[7];
    for (int k = 0; k < 7; ++k) p[k] = samples.p[k * samples.stride + j];
    offset[j] = offsetOfOne(p);
  }
}

#if VC_EDGE_AVX2
[[gnu::target("avx2"), gnu::flatten]] void peakOffsetsAvx2(const PeakSamples& samples, long n,
                                                           float* offset) {
  peakOffsetsPass(samples, n, offset);
}
#endif

}  // namespace

void peakOffsets(const PeakSamples& samples, long n, float* offset) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return peakOffsetsAvx2(samples, n, offset);
#endif
  peakOffsetsPass(samples, n, offset);
}

}  // namespace vc_edge_detail
