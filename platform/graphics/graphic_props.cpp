#include "platform/graphics/graphic_props.h"

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

long checkedWidth(long w) {
  if (w < 1) throw vcBadParamsError(L"vcGraphicProps::width: must be >= 1, got " + vfStr(w));
  return w;
}

vcGraphicProps::vePenStyle checkedStyle(vcGraphicProps::vePenStyle s) {
  if (s != vcGraphicProps::eSolid && s != vcGraphicProps::eDash && s != vcGraphicProps::eDot)
    throw vcBadParamsError(L"vcGraphicProps::penStyle: must be eSolid, eDash or eDot, got " +
                           vfStr(static_cast<long>(s)));
  return s;
}

}  // namespace

vcGraphicProps::vcGraphicProps(const vcColor& color, long width, vePenStyle penStyle)
    : color_(color), width_(checkedWidth(width)), penStyle_(checkedStyle(penStyle)) {}

void vcGraphicProps::width(long w) { width_ = checkedWidth(w); }

void vcGraphicProps::penStyle(vePenStyle s) { penStyle_ = checkedStyle(s); }
