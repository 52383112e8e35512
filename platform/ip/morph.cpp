#include "platform/ip/morph.h"

#include <algorithm>

#include "platform/ip/image_checks.h"

namespace {

// Maximum of each pixel and its left and right neighbours that exist, for one row.
void rowMax3(const unsigned char* in, unsigned char* out, long width) {
  if (width == 1) {
    out[0] = in[0];
    return;
  }
  out[0] = std::max(in[0], in[1]);
  for (long x = 1; x + 1 < width; ++x) out[x] = std::max({in[x - 1], in[x], in[x + 1]});
  out[width - 1] = std::max(in[width - 2], in[width - 1]);
}

// One dilation step from src into dst (same size, separate pixels). The row maxima of rows
// y - 1, y and y + 1 are combined: for the square all three; for the cross the row maximum of
// row y with the plain pixels above and below.
void dilateStep(vcGMorph3x3Element::veShape shape, const vcPelBuffer_const<unsigned char>& src,
                const vcPelBuffer<unsigned char>& dst, std::vector<unsigned char>& rowMaxima) {
  const long width = src.width();
  const long height = src.height();
  for (long y = 0; y < height; ++y) rowMax3(src.pointToRow(y), &rowMaxima[y * width], width);
  for (long y = 0; y < height; ++y) {
    const unsigned char* mid = &rowMaxima[y * width];
    const bool square = shape == vcGMorph3x3Element::eSquare;
    const unsigned char* above = y > 0 ? (square ? mid - width : src.pointToRow(y - 1)) : mid;
    const unsigned char* below =
        y + 1 < height ? (square ? mid + width : src.pointToRow(y + 1)) : mid;
    unsigned char* out = dst.pointToRow(y);
    for (long x = 0; x < width; ++x) out[x] = std::max({above[x], mid[x], below[x]});
  }
}

}  // namespace

vcGMorph3x3Element::vcGMorph3x3Element(long type) {
  if (type != eCross && type != eSquare)
    throw vcBadParamsError(L"vcGMorph3x3Element: type must be 1 (cross) or 2 (square), got " +
                           vfStr(type));
  shape_ = static_cast<veShape>(type);
}

void vcGMorphElement::dilate(const vcPelBuffer_const<unsigned char>& source,
                             vcPelBuffer<unsigned char>& destination) const {
  // Check the input.
  vc_ip_detail::requireImage(source, L"vcGMorphElement::dilate", L"source");
  if (steps_.empty()) throw vcBadParamsError(L"vcGMorphElement::dilate: the element has no step");

  // Apply the steps, alternating between two fresh images.
  const long width = source.width();
  const long height = source.height();
  std::vector<unsigned char> rowMaxima(width * height);
  vcPelBuffer<unsigned char> current(width, height, 32);
  dilateStep(steps_.front().shape(), source, current, rowMaxima);
  if (steps_.size() > 1) {
    vcPelBuffer<unsigned char> spare(width, height, 32);
    for (std::size_t i = 1; i < steps_.size(); ++i) {
      dilateStep(steps_[i].shape(), current, spare, rowMaxima);
      std::swap(current, spare);
    }
  }

  // Hand over the result with the source's coordinates.
  current.copyXforms(source);
  current.offset(source.offset());
  destination = current;
}
