#pragma once

// Angles with their unit in the type: vcRadian, vcDegree and the 8-bit direction code vcAngle8.
//
// Directions are measured from +x towards +y (clockwise on the screen, y down). Conversions
// between the two units are implicit; conversion from a bare double is explicit, so a number of
// degrees can never pass silently for radians.
//
//   vcRadian a(1.0);                 // from a number of radians
//   vcDegree d = a;                  // 57.29... degrees
//   double r = (a + vcDegree(90)).signedNorm().toDouble();
//   vcAngle8 code(vcDegree(90));     // code 64

#include <cmath>
#include <cstdint>
#include <numbers>

class vcDegree;

// An angle in radians. Plain value; no normalisation unless asked for.
class vcRadian {
 public:
  constexpr vcRadian() = default;
  constexpr explicit vcRadian(double radians) : r_(radians) {}
  constexpr vcRadian(vcDegree degrees);  // NOLINT: implicit unit conversion

  // The number of radians (both names give the same value).
  constexpr double plain() const { return r_; }
  constexpr double toDouble() const { return r_; }

  // The same direction brought into [0, 2 pi).
  vcRadian norm() const;
  // The same direction brought into [-pi, pi).
  vcRadian signedNorm() const;

  constexpr vcRadian operator+(vcRadian o) const { return vcRadian(r_ + o.r_); }
  constexpr vcRadian operator-(vcRadian o) const { return vcRadian(r_ - o.r_); }
  constexpr vcRadian operator-() const { return vcRadian(-r_); }
  constexpr vcRadian operator*(double k) const { return vcRadian(r_ * k); }
  constexpr vcRadian operator/(double k) const { return vcRadian(r_ / k); }
  // Ratio of two angles, a plain number.
  constexpr double operator/(vcRadian o) const { return r_ / o.r_; }
  vcRadian& operator+=(vcRadian o) {
    r_ += o.r_;
    return *this;
  }
  vcRadian& operator-=(vcRadian o) {
    r_ -= o.r_;
    return *this;
  }
  constexpr auto operator<=>(const vcRadian&) const = default;

 private:
  double r_ = 0.0;
};

// An angle in degrees.
class vcDegree {
 public:
  constexpr vcDegree() = default;
  constexpr explicit vcDegree(double degrees) : d_(degrees) {}
  constexpr vcDegree(vcRadian r) : d_(r.plain() * (180.0 / std::numbers::pi)) {}  // NOLINT

  constexpr double plain() const { return d_; }
  constexpr double toDouble() const { return d_; }

  // The same direction brought into [0, 360) and into [-180, 180).
  vcDegree norm() const { return vcDegree(vcRadian(*this).norm()); }
  vcDegree signedNorm() const { return vcDegree(vcRadian(*this).signedNorm()); }

  constexpr vcDegree operator+(vcDegree o) const { return vcDegree(d_ + o.d_); }
  constexpr vcDegree operator-(vcDegree o) const { return vcDegree(d_ - o.d_); }
  constexpr vcDegree operator-() const { return vcDegree(-d_); }
  constexpr vcDegree operator*(double k) const { return vcDegree(d_ * k); }
  vcDegree& operator+=(vcDegree o) {
    d_ += o.d_;
    return *this;
  }
  vcDegree& operator-=(vcDegree o) {
    d_ -= o.d_;
    return *this;
  }
  constexpr auto operator<=>(const vcDegree&) const = default;

 private:
  double d_ = 0.0;
};

constexpr vcRadian::vcRadian(vcDegree degrees) : r_(degrees.plain() * (std::numbers::pi / 180.0)) {}

inline double cos(vcRadian a) { return std::cos(a.plain()); }
inline double sin(vcRadian a) { return std::sin(a.plain()); }
inline double tan(vcRadian a) { return std::tan(a.plain()); }

// An 8-bit direction code: 256 codes per turn, code 0 along +x, 64 along +y, 128 along -x,
// 192 along -y. Sums and differences wrap modulo 256.
class vcAngle8 {
 public:
  constexpr vcAngle8() = default;
  constexpr explicit vcAngle8(std::uint8_t code) : code_(code) {}
  // The nearest code to an angle (any value; whole turns are dropped). Throws vcBadParamsError
  // for a non-finite angle.
  explicit vcAngle8(vcRadian angle);

  // The code, 0..255.
  constexpr std::uint8_t plain() const { return code_; }
  // The code's direction in degrees, [0, 360).
  constexpr double toDouble() const { return code_ * (360.0 / 256.0); }
  constexpr vcDegree toDegree() const { return vcDegree(toDouble()); }
  constexpr vcRadian toRadian() const { return vcRadian(toDegree()); }

  constexpr vcAngle8 operator+(vcAngle8 o) const {
    return vcAngle8(static_cast<std::uint8_t>(code_ + o.code_));
  }
  constexpr vcAngle8 operator-(vcAngle8 o) const {
    return vcAngle8(static_cast<std::uint8_t>(code_ - o.code_));
  }
  constexpr bool operator==(const vcAngle8&) const = default;

 private:
  std::uint8_t code_ = 0;
};
