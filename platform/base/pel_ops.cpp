#include "platform/base/pel_ops.h"

#include "platform/base/str.h"

namespace {

// True when the windows of a and b share some pixels but are not the same
// window: mapping one onto the other would then read pixels already written.
bool overlapsPartly(const vcPelBuffer_const<unsigned char>& a,
                    const vcPelBuffer_const<unsigned char>& b) {
  if (!a.sharesPixels(b)) return false;
  const vcPair<long> pa = a.offsetRoot();
  const vcPair<long> pb = b.offsetRoot();
  if (pa == pb) return false;
  const bool apartX = pa.x() + a.width() <= pb.x() || pb.x() + b.width() <= pa.x();
  const bool apartY = pa.y() + a.height() <= pb.y() || pb.y() + b.height() <= pa.y();
  return !apartX && !apartY;
}

}  // namespace

void vfPelMap(const vcPelBuffer_const<unsigned char>& image, std::span<const unsigned char> table,
              vcPelBuffer<unsigned char>& output) {
  // Check everything before touching output.
  vc_pel_detail::requireBound(image.isBound(), "vfPelMap");
  if (table.size() != 256)
    throw vcBadParamsError(L"vfPelMap: the table must have 256 entries, got " +
                           vfStr(static_cast<long>(table.size())));
  vcPelBuffer<unsigned char> target = output;
  if (target.isBound()) {
    vc_pel_detail::requireSameSize(image.width(), image.height(), target.width(), target.height(),
                                   "vfPelMap");
    if (overlapsPartly(image, target))
      throw vcBadParamsError(L"vfPelMap: output partly overlaps the input image");
  } else {
    target = vcPelBuffer<unsigned char>(image.width(), image.height(), 32);
    target.offset(image.offset());
    target.copyXforms(image);
  }

  // Map row by row; reading before writing each pixel makes in-place mapping
  // safe.
  const unsigned char* lut = table.data();
  for (long y = 0; y < image.height(); ++y) {
    const unsigned char* in = image.pointToRow(y);
    unsigned char* out = target.pointToRow(y);
    for (long x = 0; x < image.width(); ++x) out[x] = lut[in[x]];
  }
  output = target;
}
