#include "platform/base/vector.h"

#include "platform/base/exception.h"

vcVector<2> vcVector<2>::unit() const {
  const double l = len();
  if (!(l > 0.0) || !std::isfinite(l))
    throw vcBadParamsError(L"vcVector<2>::unit: the vector must be non-null and finite");
  return vcVector<2>(x_ / l, y_ / l);
}
