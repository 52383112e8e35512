#include "platform/graphics/graphic_list.h"

#include "platform/base/exception.h"
#include "platform/base/str.h"

void vcGraphicList::append(const vcPtrHandle_const<vcGraphic>& graphic) {
  if (graphic.isNull()) throw vcBadParamsError(L"vcGraphicList::append: the handle is null");
  graphics_.push_back(graphic);
}

const vcGraphic& vcGraphicList::graphic(long i) const {
  if (i < 0 || i >= size())
    throw vcBadParamsError(L"vcGraphicList::graphic: index must be in [0, " + vfStr(size()) +
                           L"), got " + vfStr(i));
  return *graphics_[static_cast<size_t>(i)];
}

void vcGraphicList::accept(vcGraphicVisitor& v) const {
  for (const auto& g : graphics_) g->accept(v);
}
