#include "platform/ip/edgelet.h"

#include <cmath>
#include <numbers>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"

void vcEdgelet::endpoints(vcVector<2>& a, vcVector<2>& b, bool subPixel) const {
  const vcVector<2> centre = subPixel ? position() : vcVector<2>(get_i() + 0.5, get_j() + 0.5);
  const double tangent = (angle_.plain() + 64) * (2.0 * std::numbers::pi / 256.0);
  const vcVector<2> half(0.5 * std::cos(tangent), 0.5 * std::sin(tangent));
  a = centre - half;
  b = centre + half;
}

void vcEdgeletSet::doEdgeInterp() {
  if (pending_.empty()) return;
  for (std::size_t k = 0; k < edges_.size(); ++k) {
    const vcEdgelet& e = edges_[k];
    edges_[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), e.angle(), pending_[2 * k],
                          pending_[2 * k + 1]);
  }
  pending_.clear();
  pending_.shrink_to_fit();
}

namespace {

// Renders a double for an error message; whole numbers print without decimals.
std::wstring numberText(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e9) return vfStr(long(v));
  return std::to_wstring(v);
}

void checkMagScale(double magScale) {
  if (!std::isfinite(magScale) || !(magScale > 0.0))
    throw vcBadParamsError(L"vcEdgeletParams: magScale must be finite and > 0, got " +
                           numberText(magScale));
}

void checkMagThresh(double magThresh) {
  if (!std::isfinite(magThresh) || !(magThresh >= 0.0))
    throw vcBadParamsError(L"vcEdgeletParams: magThresh must be finite and >= 0, got " +
                           numberText(magThresh));
}

}  // namespace

vcEdgeletParams::vcEdgeletParams(double magScale, double magThresh, long edgeType) {
  checkMagScale(magScale);
  checkMagThresh(magThresh);
  if (edgeType != 1)
    throw vcBadParamsError(L"vcEdgeletParams: edgeType must be 1 (peak edgelets), got " +
                           vfStr(edgeType));
  magScale_ = magScale;
  magThresh_ = magThresh;
  edgeType_ = edgeType;
}

void vcEdgeletParams::magScale(double magScale) {
  checkMagScale(magScale);
  magScale_ = magScale;
}

void vcEdgeletParams::magThresh(double magThresh) {
  checkMagThresh(magThresh);
  magThresh_ = magThresh;
}
