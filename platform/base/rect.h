#pragma once

// Axis-aligned rectangles: vcRectangle<T> by its upper-left and lower-right corners, and
// vcPelRect, a rectangle of whole pixels.
//
//   vcPelRect r(10, 20, 64, 48);   // x, y, width, height
//   vcPair<long> ul = r.ul();      // (10, 20), the first pixel inside
//   vcPair<long> lr = r.lr();      // (74, 68), one past the last pixel in x and in y

#include "platform/base/pair.h"

template <class T>
class vcRectangle {
 public:
  // The empty rectangle at the origin.
  constexpr vcRectangle() = default;
  // From the upper-left corner and the lower-right corner. A lower-right corner left of or above
  // the upper-left one is clamped to it (an empty rectangle).
  constexpr vcRectangle(const vcPair<T>& ul, const vcPair<T>& lr)
      : ul_(ul),
        lr_(vcPair<T>(lr.x() < ul.x() ? ul.x() : lr.x(), lr.y() < ul.y() ? ul.y() : lr.y())) {}

  constexpr const vcPair<T>& ul() const { return ul_; }
  constexpr const vcPair<T>& lr() const { return lr_; }
  constexpr T width() const { return lr_.x() - ul_.x(); }
  constexpr T height() const { return lr_.y() - ul_.y(); }
  constexpr bool isEmpty() const { return !(width() > T{}) || !(height() > T{}); }
  // ul <= p < lr in both coordinates.
  constexpr bool contains(const vcPair<T>& p) const {
    return ul_.x() <= p.x() && p.x() < lr_.x() && ul_.y() <= p.y() && p.y() < lr_.y();
  }
  constexpr bool operator==(const vcRectangle&) const = default;

 private:
  vcPair<T> ul_{};
  vcPair<T> lr_{};
};

class vcPelRect : public vcRectangle<long> {
 public:
  constexpr vcPelRect() = default;
  // A width x height rectangle at the origin; vcPelRect(0, 0) is the empty rectangle.
  constexpr vcPelRect(long width, long height)
      : vcRectangle<long>(vcPair<long>(0, 0), vcPair<long>(width, height)) {}
  // A width x height rectangle whose first pixel is (x, y).
  constexpr vcPelRect(long x, long y, long width, long height)
      : vcRectangle<long>(vcPair<long>(x, y), vcPair<long>(x + width, y + height)) {}
};
