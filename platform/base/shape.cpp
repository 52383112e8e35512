#include "platform/base/shape.h"

#include "platform/base/exception.h"

bool vcShape::isRightHanded() const {
  throw vcBadParamsError(L"vcShape::isRightHanded: the shape is not closed");
}
