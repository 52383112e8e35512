#include "platform/ip/true_peak.h"

#include <array>

#include "platform/ip/image_checks.h"

namespace {

// Neighbour axis of each direction code: 0 horizontal, 1 falling diagonal (+x+y), 2 vertical,
// 3 rising diagonal (-x+y); codes within 16 of an axis direction (either sense) map to it.
constexpr std::array<unsigned char, 256> makeAxisTable() {
  std::array<unsigned char, 256> table{};
  for (int code = 0; code < 256; ++code) table[code] = static_cast<unsigned char>(((code + 16) >> 5) & 3);
  return table;
}
constexpr std::array<unsigned char, 256> kAxisOfCode = makeAxisTable();

}  // namespace

vcPelBuffer<unsigned char> vfTruePeak(const vcPelBuffer_const<unsigned char>& magnitude,
                                      const vcPelBuffer_const<unsigned char>& angle,
                                      long threshold, long* count) {
  // Check the inputs.
  vc_ip_detail::requireImage(magnitude, L"vfTruePeak", L"magnitude");
  vc_ip_detail::requireImage(angle, L"vfTruePeak", L"angle");
  if (magnitude.width() != angle.width() || magnitude.height() != angle.height())
    throw vcBadParamsError(L"vfTruePeak: angle image must have the magnitude image's size");
  vc_ip_detail::requireInRange(threshold, 0, 255, L"vfTruePeak", L"threshold");

  const long width = magnitude.width();
  const long height = magnitude.height();
  vcPelBuffer<unsigned char> peaks(width, height, 32);
  peaks.copyXforms(magnitude);
  peaks.offset(magnitude.offset());

  // Pointer step to the neighbour along the gradient for each axis, in magnitude pixels.
  const long stride = magnitude.rowUpdate();
  const std::array<long, 4> along = {1, stride + 1, stride, stride - 1};

  // Keep the interior pixels that pass the threshold and the asymmetric peak test.
  long numPeaks = 0;
  for (long y = 1; y + 1 < height; ++y) {
    const unsigned char* m = magnitude.pointToRow(y);
    const unsigned char* a = angle.pointToRow(y);
    unsigned char* out = peaks.pointToRow(y);
    for (long x = 1; x + 1 < width; ++x) {
      const unsigned char v = m[x];
      if (v < threshold) continue;
      const long step = along[kAxisOfCode[a[x]]];
      if (v > m[x - step] && v >= m[x + step]) {
        out[x] = v;
        ++numPeaks;
      }
    }
  }
  if (count) *count = numPeaks;
  return peaks;
}
