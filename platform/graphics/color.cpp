#include "platform/graphics/color.h"

#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

// A channel level checked against [0, 255]; `name` names it in the message.
uint8_t level(long v, const wchar_t* name) {
  if (v < 0 || v > 255)
    throw vcBadParamsError(std::wstring(L"vcColor: ") + name + L" must be in [0, 255], got " +
                           vfStr(v));
  return static_cast<uint8_t>(v);
}

}  // namespace

vcColor::vcColor(long grey) {
  const uint8_t v = level(grey, L"grey level");
  r_ = g_ = b_ = v;
}

vcColor::vcColor(long r, long g, long b)
    : r_(level(r, L"red")), g_(level(g, L"green")), b_(level(b, L"blue")) {}
