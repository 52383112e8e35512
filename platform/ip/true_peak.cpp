#include "platform/ip/true_peak.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/ip/image_checks.h"

namespace {

// Neighbour direction of each direction code: 0 along +x, then in steps of 45 degrees towards
// +y (1 is +x+y, 2 is +y, ..., 7 is +x-y); codes within 16 of a direction map to it.
constexpr std::array<unsigned char, 256> makeDirectionTable() {
  std::array<unsigned char, 256> table{};
  for (int code = 0; code < 256; ++code)
    table[code] = static_cast<unsigned char>(((code + 16) >> 5) & 7);
  return table;
}

constexpr std::array<unsigned char, 256> kDirectionOfCode = makeDirectionTable();

// Whether any of the eight bytes of word is at least threshold (at most 128): with the top bits
// cleared, adding 128 - threshold to each byte cannot carry into the next one and sets a byte's
// top bit exactly when the byte reached the threshold; bytes of 128 and more have it already.
bool anyAtLeast(std::uint64_t word, unsigned threshold) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull, kTops = 0x8080808080808080ull;
  return (((word & ~kTops) + (128 - threshold) * kOnes) | word) & kTops;
}

}  // namespace

vcPelBuffer<unsigned char> vfTruePeak(const vcPelBuffer_const<unsigned char>& magnitude,
                                      const vcPelBuffer_const<unsigned char>& angle, long threshold,
                                      long* count) {
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

  // Pointer step to the neighbour along the gradient for each direction, in magnitude pixels.
  // The sense matters: on a plateau of two the pixel on the dark side is kept, whichever way
  // the edge faces.
  const long stride = magnitude.rowUpdate();
  const std::array<long, 8> along = {1,  stride + 1,  stride,  stride - 1,
                                     -1, -stride - 1, -stride, -stride + 1};

  // Keep the interior pixels that pass the threshold and the asymmetric peak test.
  long numPeaks = 0;
  for (long y = 1; y + 1 < height; ++y) {
    const unsigned char* m = magnitude.pointToRow(y);
    const unsigned char* a = angle.pointToRow(y);
    unsigned char* out = peaks.pointToRow(y);
    for (long x = 1; x + 1 < width; ++x) {
      // Most pixels lie below the threshold: skip them eight at a time.
      if (threshold <= 128 && x + 8 < width) {
        std::uint64_t word;
        std::memcpy(&word, m + x, sizeof word);
        if (!anyAtLeast(word, unsigned(threshold))) {
          x += 7;
          continue;
        }
      }
      const unsigned char v = m[x];
      if (v < threshold) continue;
      const long step = along[kDirectionOfCode[a[x]]];
      if (v > m[x - step] && v >= m[x + step]) {
        out[x] = v;
        ++numPeaks;
      }
    }
  }
  if (count) *count = numPeaks;
  return peaks;
}
