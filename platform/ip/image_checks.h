#pragma once

// Argument checks shared by the image operations of this family: validate once at the public
// boundary, then run the loops without further checks.

#include <string>

#include "platform/base/exception.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/str.h"

namespace vc_ip_detail {

// Throws vcBadParamsError "<operation>: <name> must be a bound image of at least 1 x 1 pixels"
// unless image is bound and not empty.
template <class T>
void requireImage(const vcPelBuffer_const<T>& image, const wchar_t* operation, const wchar_t* name) {
  if (!image.isBound() || image.width() < 1 || image.height() < 1)
    throw vcBadParamsError(std::wstring(operation) + L": " + name +
                           L" must be a bound image of at least 1 x 1 pixels, got " +
                           vfStr(image.width()) + L" x " + vfStr(image.height()));
}

// Throws vcBadParamsError "<operation>: <name> must be in [low, high], got <value>" unless
// low <= value <= high.
inline void requireInRange(long value, long low, long high, const wchar_t* operation,
                           const wchar_t* name) {
  if (value < low || value > high)
    throw vcBadParamsError(std::wstring(operation) + L": " + name + L" must be in [" +
                           vfStr(low) + L", " + vfStr(high) + L"], got " + vfStr(value));
}

}  // namespace vc_ip_detail
