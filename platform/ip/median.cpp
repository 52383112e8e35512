#include "platform/ip/median.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ip/image_checks.h"
#include "platform/ip/median_9x9.h"

// The filter runs down the image row by row. For every padded column it keeps a 256-bin
// histogram of the h pixels in the current band of rows, and for every 16-level band b the
// number of those pixels below 16 b. Per output pixel, the counts below each band boundary
// over the w columns of the window tell which 16-level band holds the median (all pixels of a
// row at once, branch-free); the 16 fine bins of that band, summed over the w columns, then
// give the median itself. Counts are 8-bit when the window holds at most 255 pixels.

namespace {

constexpr int kBands = 16;  // coarse bands of 16 grey levels each

// The input clamped into the value range and padded by replicating its border pixels:
// left/top pixels before, right/bottom after. Row stride = width + left + right, followed by
// the bytes the 9 x 9 filter may read past the end.
std::vector<uint8_t> padReplicated(const vcPelBuffer_const<unsigned char>& image, long left,
                                   long top, long right, long bottom, long low, long high) {
  const long w = image.width();
  const long h = image.height();
  const long stride = w + left + right;
  std::vector<uint8_t> padded(stride * (h + top + bottom) + vc_ip_detail::kMedian9x9Slack);
  for (long y = 0; y < h + top + bottom; ++y) {
    const unsigned char* src = image.pointToRow(std::clamp(y - top, 0L, h - 1));
    uint8_t* dst = padded.data() + y * stride;
    if (low == 0 && high == 255) {
      std::memcpy(dst + left, src, static_cast<std::size_t>(w));  // nothing to clamp
    } else {
      const uint8_t lo = static_cast<uint8_t>(low), hi = static_cast<uint8_t>(high);
      for (long x = 0; x < w; ++x) dst[left + x] = std::min(std::max(src[x], lo), hi);
    }
    std::fill(dst, dst + left, dst[left]);
    std::fill(dst + left + w, dst + stride, dst[left + w - 1]);
  }
  return padded;
}

// Median filter of a padded image: out(x, y) = median of padded rows y .. y + h - 1, columns
// x .. x + w - 1. Count is an unsigned type holding w * h.
template <class Count>
void medianOfPadded(const uint8_t* padded, long stride, long width, long height, long w, long h,
                    unsigned char* out, long outStride) {
  const long columns = width + w - 1;
  const Count rank = static_cast<Count>((w * h) / 2);
  std::vector<Count> hist(columns * 256, 0);          // hist[c * 256 + v]
  std::vector<Count> below(kBands * columns, 0);      // below[b * columns + c]: pixels < 16 b
  std::vector<Count> windowBelow(kBands * width, 0);  // the same over the w columns of x
  std::vector<uint8_t> band(width);

  // Enter the first h rows into the column counts.
  auto enterRow = [&](const uint8_t* in, const uint8_t* leave) {
    for (long c = 0; c < columns; ++c) ++hist[c * 256 + in[c]];
    if (leave)
      for (long c = 0; c < columns; ++c) --hist[c * 256 + leave[c]];
    for (int b = 1; b < kBands; ++b) {
      Count* bc = below.data() + b * columns;
      const int t = 16 * b;
      if (leave)
        for (long c = 0; c < columns; ++c)
          bc[c] = static_cast<Count>(bc[c] + (in[c] < t) - (leave[c] < t));
      else
        for (long c = 0; c < columns; ++c) bc[c] = static_cast<Count>(bc[c] + (in[c] < t));
    }
  };
  for (long r = 0; r < h; ++r) enterRow(padded + r * stride, nullptr);

  for (long y = 0; y < height; ++y) {
    // Slide the band of rows down by one: row y + h - 1 enters, row y - 1 leaves.
    if (y > 0) enterRow(padded + (y + h - 1) * stride, padded + (y - 1) * stride);

    // Window counts below each band boundary, summed over the w columns of every window at
    // once (whole rows, so the loops vectorise), and the band holding the median: the number
    // of boundaries with at most rank pixels below them.
    std::fill(band.begin(), band.end(), 0);
    for (int b = 1; b < kBands; ++b) {
      const Count* bc = below.data() + b * columns;
      Count* wb = windowBelow.data() + b * width;
      std::copy(bc, bc + width, wb);
      for (long c = 1; c < w; ++c)
        for (long x = 0; x < width; ++x) wb[x] = static_cast<Count>(wb[x] + bc[x + c]);
      for (long x = 0; x < width; ++x) band[x] = static_cast<uint8_t>(band[x] + (wb[x] <= rank));
    }

    // Within the median's band: sum the 16 fine bins over the window's columns and count the
    // levels whose cumulative count stays at or below rank.
    // While the band stays the same from one pixel to the next, the fine sums slide by one
    // column instead of being summed afresh.
    unsigned char* o = out + y * outStride;
    Count fine[16] = {};
    int fineBand = -1;
    for (long x = 0; x < width; ++x) {
      const int b = band[x];
      if (b == fineBand) {
        const Count* enter = hist.data() + (x + w - 1) * 256 + 16 * b;
        const Count* leave = hist.data() + (x - 1) * 256 + 16 * b;
        for (int i = 0; i < 16; ++i) fine[i] = static_cast<Count>(fine[i] + enter[i] - leave[i]);
      } else {
        std::fill(fine, fine + 16, Count(0));
        const Count* col = hist.data() + x * 256 + 16 * b;
        for (long c = 0; c < w; ++c, col += 256)
          for (int i = 0; i < 16; ++i) fine[i] = static_cast<Count>(fine[i] + col[i]);
        fineBand = b;
      }
      Count cumulative = b > 0 ? windowBelow[b * width + x] : Count(0);
      int level = 0;
      for (int i = 0; i < 16; ++i) {
        cumulative = static_cast<Count>(cumulative + fine[i]);
        level += cumulative <= rank;
      }
      o[x] = static_cast<unsigned char>(16 * b + level);
    }
  }
}

}  // namespace

vcPelMedianParams::vcPelMedianParams(vcPair<long> size, vcPair<long> valueRange,
                                     bool shrinkToValid) {
  this->size(size);
  this->valueRange(valueRange);
  shrinkToValid_ = shrinkToValid;
}

void vcPelMedianParams::size(vcPair<long> size) {
  vc_ip_detail::requireInRange(size.x(), 1, 255, L"vcPelMedianParams", L"window width");
  vc_ip_detail::requireInRange(size.y(), 1, 255, L"vcPelMedianParams", L"window height");
  size_ = size;
}

void vcPelMedianParams::valueRange(vcPair<long> valueRange) {
  vc_ip_detail::requireInRange(valueRange.x(), 0, 255, L"vcPelMedianParams", L"value range low");
  vc_ip_detail::requireInRange(valueRange.y(), valueRange.x(), 255, L"vcPelMedianParams",
                               L"value range high");
  valueRange_ = valueRange;
}

vcPelBuffer<unsigned char> vfPelMedian(const vcPelBuffer_const<unsigned char>& image,
                                       const vcPelMedianParams& params) {
  // Check the input against the window.
  vc_ip_detail::requireImage(image, L"vfPelMedian", L"image");
  const long w = params.size().x();
  const long h = params.size().y();
  const long left = (w - 1) / 2;
  const long top = (h - 1) / 2;
  const bool shrink = params.shrinkToValid();
  if (shrink && (image.width() < w || image.height() < h))
    throw vcBadParamsError(L"vfPelMedian: image of " + vfStr(image.width()) + L" x " +
                           vfStr(image.height()) + L" pixels is smaller than the " + vfStr(w) +
                           L" x " + vfStr(h) + L" window");

  // Clamp and pad the input; a shrunk output needs no padding.
  const long padX = shrink ? 0 : w - 1;
  const long padY = shrink ? 0 : h - 1;
  const std::vector<uint8_t> padded =
      padReplicated(image, shrink ? 0 : left, shrink ? 0 : top, shrink ? 0 : w / 2,
                    shrink ? 0 : h / 2, params.valueRange().x(), params.valueRange().y());
  const long stride = image.width() + padX;

  // Filter into a new image that keeps the image coordinates of its pixels.
  const long width = image.width() + padX - (w - 1);
  const long height = image.height() + padY - (h - 1);
  vcPelBuffer<unsigned char> result(width, height, 32, vcUnsetPels{});  // every pixel is written
  if (w == 9 && h == 9)
    vc_ip_detail::median9x9(padded.data(), stride, width, height, result.pointToOffset(),
                            result.rowUpdate());
  else if (w * h <= 255)
    medianOfPadded<uint8_t>(padded.data(), stride, width, height, w, h, result.pointToOffset(),
                            result.rowUpdate());
  else
    medianOfPadded<uint16_t>(padded.data(), stride, width, height, w, h, result.pointToOffset(),
                             result.rowUpdate());
  result.copyXforms(image);
  result.offset(image.offset() + (shrink ? vcPair<long>(left, top) : vcPair<long>(0, 0)));
  return result;
}
