#pragma once

// vcRange: a closed interval of doubles, or one of two special kinds, the full range (every
// value lies within) and the empty range (no value does).
//
//   vcRange r(0.5, 2.0);          // [0.5, 2.0]
//   bool in = r.isWithin(2.0);    // true: both ends belong to the range
//   vcRange s = r.scale(10.0);    // [5, 20]
//   vcRange any;                  // default construction gives the full range

#include <limits>

class vcRange {
 public:
  // The kind tag that range() returns.
  enum Kind { eOrdinary = 0, eFull = 1, eEmpty = 2 };

  // The full range: start -inf, end +inf.
  constexpr vcRange() = default;
  // The ordinary range [low, high]. Requires finite low <= high; throws vcBadParamsError
  // otherwise. low == high gives a one-point range.
  vcRange(double low, double high);

  static constexpr vcRange FullRange() { return vcRange(); }
  // The empty range reports start +inf and end -inf.
  static constexpr vcRange EmptyRange() {
    return vcRange(std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity(), eEmpty);
  }

  constexpr double start() const { return start_; }
  constexpr double end() const { return end_; }
  constexpr Kind range() const { return kind_; }

  // start <= x <= end; always true for the full range, always false for the empty one, false for
  // NaN.
  constexpr bool isWithin(double x) const { return start_ <= x && x <= end_; }

  // Both ends times k (a negative k swaps them). The full and the empty range are unchanged.
  // Throws vcBadParamsError for a non-finite k.
  vcRange scale(double k) const;

  constexpr bool operator==(const vcRange&) const = default;

 private:
  constexpr vcRange(double low, double high, Kind kind) : start_(low), end_(high), kind_(kind) {}

  double start_ = -std::numeric_limits<double>::infinity();
  double end_ = std::numeric_limits<double>::infinity();
  Kind kind_ = eFull;
};
