#include "platform/blob/rle_buffer.h"

#include <algorithm>
#include <cstring>

#include "platform/base/exception.h"
#include "platform/base/str.h"

void vcRLEBuffer::append(long x, long y, long length) {
  if (length < 1) throw vcBadParamsError(L"vcRLEBuffer::append: length must be >= 1, got " + vfStr(length));
  runs_.push_back(vsRLERun{x, y, length});
  area_ += length;
}

void vcRLEBuffer::setRegion(const vcPelBuffer<unsigned char>& image, long value,
                            vcPair<long> offset, bool clip) const {
  // Check the arguments, and without clipping every run, before writing anything.
  if (!image.isBound()) throw vcBadParamsError(L"vcRLEBuffer::setRegion: image must be bound");
  if (value < 0 || value > 255)
    throw vcBadParamsError(L"vcRLEBuffer::setRegion: value must be in [0, 255], got " + vfStr(value));
  // Region pixel (x, y) is window pixel (x + dx, y + dy) of image.
  const long dx = offset.x() - image.offset().x();
  const long dy = offset.y() - image.offset().y();
  if (!clip)
    for (const vsRLERun& run : runs_)
      if (run.y + dy < 0 || run.y + dy >= image.height() || run.x + dx < 0 ||
          run.x + dx + run.length > image.width())
        throw vcBadParamsError(L"vcRLEBuffer::setRegion: the run at (" + vfStr(run.x) + L", " +
                               vfStr(run.y) + L") of length " + vfStr(run.length) +
                               L" lies outside the image");

  // Paint the runs, clipped to the window.
  for (const vsRLERun& run : runs_) {
    const long y = run.y + dy;
    if (y < 0 || y >= image.height()) continue;
    const long x0 = std::max(run.x + dx, 0L);
    const long x1 = std::min(run.x + dx + run.length, image.width());
    if (x0 < x1) std::memset(image.pointToRow(y) + x0, static_cast<int>(value), x1 - x0);
  }
}
