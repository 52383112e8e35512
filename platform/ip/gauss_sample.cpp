#include "platform/ip/gauss_sample.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/ip/image_checks.h"

namespace {

constexpr long kMaxFactor = 4096;
constexpr long kMaxKernel = 4096;

// Number of taps per axis: kernelSize, grown by one when its parity differs from the factor's,
// so that the taps sit symmetrically about the reduced pixel's centre.
long tapCount(long factor, long kernelSize) {
  return (kernelSize - factor) % 2 == 0 ? kernelSize : kernelSize + 1;
}

// Normalised Gaussian weights of the n taps; tap t lies t + 0.5 - n / 2 pixels from the centre.
std::vector<float> tapWeights(long n, double sigma) {
  std::vector<double> w(n);
  double sum = 0.0;
  for (long t = 0; t < n; ++t) {
    const double d = t + 0.5 - 0.5 * n;
    w[t] = std::exp(-d * d / (2.0 * sigma * sigma));
    sum += w[t];
  }
  std::vector<float> weights(n);
  for (long t = 0; t < n; ++t) weights[t] = static_cast<float>(w[t] / sum);
  return weights;
}

// For every reduced index u in [0, reduced) the n source indexes it reads, clamped to
// [0, sourceSize), stored u-major. The first tap of u is f u + (f - n) / 2.
std::vector<long> tapIndexes(long reduced, long sourceSize, long factor, long n) {
  std::vector<long> index(reduced * n);
  for (long u = 0; u < reduced; ++u) {
    const long first = factor * u + (factor - n) / 2;
    for (long t = 0; t < n; ++t) index[u * n + t] = std::clamp(first + t, 0L, sourceSize - 1);
  }
  return index;
}

}  // namespace

vcGaussSampleParams::vcGaussSampleParams(long factor, long kernelSize, double sigmaScale,
                                         bool roundToNearest) {
  this->factor(factor);
  this->kernelSize(kernelSize);
  this->sigmaScale(sigmaScale);
  roundToNearest_ = roundToNearest;
}

void vcGaussSampleParams::factor(long factor) {
  vc_ip_detail::requireInRange(factor, 1, kMaxFactor, L"vcGaussSampleParams", L"factor");
  factor_ = factor;
}

void vcGaussSampleParams::kernelSize(long kernelSize) {
  vc_ip_detail::requireInRange(kernelSize, 1, kMaxKernel, L"vcGaussSampleParams", L"kernelSize");
  kernelSize_ = kernelSize;
}

void vcGaussSampleParams::sigmaScale(double sigmaScale) {
  if (!(std::isfinite(sigmaScale) && sigmaScale > 0.0))
    throw vcBadParamsError(L"vcGaussSampleParams: sigmaScale must be finite and > 0");
  sigmaScale_ = sigmaScale;
}

vcPelBuffer<unsigned char> vfGaussSample(const vcPelBuffer_const<unsigned char>& image,
                                         const vcGaussSampleParams& params) {
  // Check the input and size the result.
  vc_ip_detail::requireImage(image, L"vfGaussSample", L"image");
  const long f = params.factor();
  const long width = image.width() / f;
  const long height = image.height() / f;
  if (width < 1 || height < 1)
    throw vcBadParamsError(L"vfGaussSample: image of " + vfStr(image.width()) + L" x " +
                           vfStr(image.height()) + L" pixels is smaller than the factor " +
                           vfStr(f));

  // Weights and clamped tap positions, the same for both axes.
  const long n = tapCount(f, params.kernelSize());
  const std::vector<float> weights =
      tapWeights(n, params.sigmaScale() * static_cast<double>(params.kernelSize()) / 4.0);
  const std::vector<long> columns = tapIndexes(width, image.width(), f, n);
  const std::vector<long> rows = tapIndexes(height, image.height(), f, n);
  const float bias = params.roundToNearest() ? 0.5f : 0.0f;

  vcPelBuffer<unsigned char> reduced(width, height, 32);
  std::vector<float> smoothedRow(image.width());
  for (long v = 0; v < height; ++v) {
    // Smooth the n source rows of this reduced row vertically into one row of floats.
    std::fill(smoothedRow.begin(), smoothedRow.end(), 0.0f);
    for (long t = 0; t < n; ++t) {
      const unsigned char* src = image.pointToRow(rows[v * n + t]);
      const float w = weights[t];
      for (long x = 0; x < image.width(); ++x) smoothedRow[x] += w * src[x];
    }
    // Smooth horizontally at the reduced pixels' centres and store the grey levels.
    unsigned char* out = reduced.pointToRow(v);
    const long* tap = columns.data();
    for (long u = 0; u < width; ++u, tap += n) {
      float sum = bias;
      for (long t = 0; t < n; ++t) sum += weights[t] * smoothedRow[tap[t]];
      out[u] = static_cast<unsigned char>(std::clamp(sum, 0.0f, 255.0f));
    }
  }

  // Reduced image coordinate p is source image coordinate offset + f p.
  const vcXform<2> sourceFromReduced(
      vcMatrix<2>::fromElements(static_cast<double>(f), 0.0, 0.0, static_cast<double>(f)),
      vcVector<2>(image.offset()));
  reduced.clientFromImageXform(image.clientFromImageXform() * sourceFromReduced);
  return reduced;
}
