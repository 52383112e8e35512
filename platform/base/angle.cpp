#include "platform/base/angle.h"

#include <cmath>

#include "platform/base/exception.h"

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}  // namespace

vcRadian vcRadian::norm() const {
  if (r_ >= 0.0 && r_ < kTwoPi) return *this;  // the common case, without a division
  // fmod keeps the sign of r_; one correction brings negatives into range. Rounding can land
  // exactly on 2 pi for tiny negative inputs, which is folded back to 0.
  double r = std::fmod(r_, kTwoPi);
  if (r < 0.0) r += kTwoPi;
  if (r >= kTwoPi) r = 0.0;
  return vcRadian(r);
}

vcRadian vcRadian::signedNorm() const {
  double r = vcRadian(r_ + std::numbers::pi).norm().plain() - std::numbers::pi;
  if (r >= std::numbers::pi) r = -std::numbers::pi;
  return vcRadian(r);
}

vcAngle8::vcAngle8(vcRadian angle) {
  if (!std::isfinite(angle.plain())) throw vcBadParamsError(L"vcAngle8: the angle must be finite");
  // Round to the nearest code; the cast to a wide integer then to 8 bits wraps modulo 256.
  const double codes = std::floor(angle.norm().plain() * (256.0 / kTwoPi) + 0.5);
  code_ = static_cast<std::uint8_t>(static_cast<long>(codes) & 0xff);
}
