#pragma once

// vcPair<T>: two values of one type, used for integer offsets and sizes of images and windows.
//
//   vcPair<long> offset(10, 20);
//   long x = offset.x();

template <class T>
class vcPair {
 public:
  constexpr vcPair() = default;
  constexpr vcPair(T x, T y) : x_(x), y_(y) {}

  constexpr T x() const { return x_; }
  constexpr T y() const { return y_; }
  void x(T v) { x_ = v; }
  void y(T v) { y_ = v; }

  constexpr vcPair operator+(const vcPair& o) const { return vcPair(x_ + o.x_, y_ + o.y_); }
  constexpr vcPair operator-(const vcPair& o) const { return vcPair(x_ - o.x_, y_ - o.y_); }
  constexpr bool operator==(const vcPair&) const = default;

 private:
  T x_{};
  T y_{};
};
