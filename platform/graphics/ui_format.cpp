#include "platform/graphics/ui_format.h"

#include "platform/base/exception.h"
#include "platform/base/str.h"

vcUIFormat::vcUIFormat(long alignment) : alignment_(alignment) {
  if (alignment < 0 || alignment > 8)
    throw vcBadParamsError(L"vcUIFormat: alignment must be in [0, 8], got " + vfStr(alignment));
}
