#include "platform/base/range.h"

#include <cmath>
#include <utility>

#include "platform/base/exception.h"

vcRange::vcRange(double low, double high) : start_(low), end_(high), kind_(eOrdinary) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high)
    throw vcBadParamsError(L"vcRange: requires finite low <= high");
}

vcRange vcRange::scale(double k) const {
  if (!std::isfinite(k)) throw vcBadParamsError(L"vcRange::scale: the factor must be finite");
  if (kind_ != eOrdinary) return *this;
  double lo = start_ * k;
  double hi = end_ * k;
  if (lo > hi) std::swap(lo, hi);
  return vcRange(lo, hi, eOrdinary);
}
