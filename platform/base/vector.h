#pragma once

// vcVector<2>: a 2-D vector of doubles, used for points, offsets and directions.
//
//   vcVector<2> p(3.0, 4.0);                       // from coordinates
//   vcVector<2> d(2.0, vcRadian(std::numbers::pi)); // from length and direction
//   double l = p.len();                            // 5
//   vcVector<2> u = p.unit();                      // throws for the null vector
//   double dot = p * d;                            // dot product

#include <cmath>
#include <concepts>

#include "platform/base/angle.h"
#include "platform/base/pair.h"

template <int N>
class vcVector;

template <>
class vcVector<2> {
 public:
  constexpr vcVector() = default;
  constexpr vcVector(double x, double y) : x_(x), y_(y) {}
  // From an integer pair: vcVector<2>(3, 4) picks this form rather than a polar one.
  template <std::integral I>
  constexpr vcVector(I x, I y) : x_(static_cast<double>(x)), y_(static_cast<double>(y)) {}
  template <std::integral I>
  constexpr explicit vcVector(const vcPair<I>& p)
      : x_(static_cast<double>(p.x())), y_(static_cast<double>(p.y())) {}
  // From polar form: length (any sign) along the direction angle.
  vcVector(double length, vcRadian angle)
      : x_(length * std::cos(angle.plain())), y_(length * std::sin(angle.plain())) {}

  constexpr double x() const { return x_; }
  constexpr double y() const { return y_; }
  void x(double v) { x_ = v; }
  void y(double v) { y_ = v; }

  double len() const { return std::hypot(x_, y_); }
  // Direction from +x towards +y, atan2 convention: (-pi, pi]; the null vector gives 0.
  vcRadian angle() const { return vcRadian(std::atan2(y_, x_)); }
  // The vector scaled to length 1. Throws vcBadParamsError for the null vector.
  vcVector unit() const;
  double distance(const vcVector& v) const { return std::hypot(x_ - v.x_, y_ - v.y_); }
  // The 2-D cross product x1 y2 - y1 x2 (positive when o turns from this towards +y).
  constexpr double cross(const vcVector& o) const { return x_ * o.y_ - y_ * o.x_; }
  // This vector turned by +90 degrees (from +x towards +y).
  constexpr vcVector perp() const { return vcVector(-y_, x_); }
  constexpr bool isNull() const { return x_ == 0.0 && y_ == 0.0; }

  constexpr vcVector operator+(const vcVector& o) const { return vcVector(x_ + o.x_, y_ + o.y_); }
  constexpr vcVector operator-(const vcVector& o) const { return vcVector(x_ - o.x_, y_ - o.y_); }
  constexpr vcVector operator-() const { return vcVector(-x_, -y_); }
  constexpr vcVector operator*(double k) const { return vcVector(x_ * k, y_ * k); }
  constexpr vcVector operator/(double k) const { return vcVector(x_ / k, y_ / k); }
  // Dot product.
  constexpr double operator*(const vcVector& o) const { return x_ * o.x_ + y_ * o.y_; }
  vcVector& operator+=(const vcVector& o) {
    x_ += o.x_;
    y_ += o.y_;
    return *this;
  }
  vcVector& operator-=(const vcVector& o) {
    x_ -= o.x_;
    y_ -= o.y_;
    return *this;
  }
  vcVector& operator*=(double k) {
    x_ *= k;
    y_ *= k;
    return *this;
  }
  // Exact comparison of both coordinates; use vfRealEq for a tolerance.
  constexpr bool operator==(const vcVector&) const = default;

 private:
  double x_ = 0.0;
  double y_ = 0.0;
};

constexpr vcVector<2> operator*(double k, const vcVector<2>& v) { return v * k; }
