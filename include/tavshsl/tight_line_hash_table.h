#pragma once

// vcTightLineHashTable<T>: a width x height grid of cells whose contents are created on first
// use, walked along straight lines. The geometric-hashing tables of the segment corresponder
// are built on it: the voting table keeps one grid per angle bin, the corresponding table one
// grid over the found segments.
//
//   vcTightLineHashTable<std::vector<long>> grid(width, height);
//   for (auto it = grid.lineIterator(p1, p2); !it.done(); it.next())   // grid coordinates
//     grid.cellOrCreate(it.x(), it.y()).push_back(index);
//   for (auto it = grid.lineIterator(p1, p2); !it.done(); it.next())
//     if (const auto* cell = grid.cell(it.x(), it.y())) ...
//
// Cells are addressed by integer (x, y), x in [0, width), y in [0, height), stored row by row
// (cell (x, y) is element y * width + x). A point in grid coordinates lies in the cell of its
// coordinates truncated toward zero.
//
// The line iterator yields the cells of Bresenham's line from one cell to another, both ends
// included, keeping only the cells inside the grid. It computes where the line enters and
// leaves the grid, so the part outside costs nothing, and yields exactly the in-grid cells of
// the unclipped walk.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/handle.h"
#include "platform/base/vector.h"

// The cells of Bresenham's line from cell a to cell b, in order, both ends included, without
// clipping. The major axis is x unless |by - ay| > |bx - ax|; the decision term starts at
// 2 dMinor - dMajor, a negative term takes the straight step.
class vcGridLineWalk {
 public:
  vcGridLineWalk(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) {
    const std::int64_t dx = bx > ax ? bx - ax : ax - bx;
    const std::int64_t dy = by > ay ? by - ay : ay - by;
    const std::int64_t sx = bx < ax ? -1 : 1;
    const std::int64_t sy = by < ay ? -1 : 1;
    const bool yMajor = dx < dy;
    major_ = yMajor ? dy : dx;
    minor_ = yMajor ? dx : dy;
    straightX_ = yMajor ? 0 : sx;
    straightY_ = yMajor ? sy : 0;
    diagX_ = sx;
    diagY_ = sy;
    x_ = ax;
    y_ = ay;
    term_ = 2 * minor_ - major_;
    left_ = major_;
  }

  bool done() const { return left_ < 0; }
  std::int64_t x() const { return x_; }
  std::int64_t y() const { return y_; }

  // The rest of the walk as cell indices in rows of stride cells: the current cell's index,
  // the index change of a straight and of a diagonal step, the decision term and its change
  // on either step, and the number of cells left (the current one included). A caller that
  // steps the index itself saves the two coordinates.
  struct Run {
    std::int64_t index, straight, diagonal, term, termStraight, termDiagonal, count;
  };
  Run run(std::int64_t stride) const {
    return Run{y_ * stride + x_, straightY_ * stride + straightX_, diagY_ * stride + diagX_,
               term_, 2 * minor_, 2 * (minor_ - major_), left_ + 1};
  }
  void next() {
    if (term_ < 0) {
      x_ += straightX_;
      y_ += straightY_;
      term_ += 2 * minor_;
    } else {
      x_ += diagX_;
      y_ += diagY_;
      term_ += 2 * (minor_ - major_);
    }
    --left_;
  }

 protected:
  // Places the walk at step k of the line from (ax, ay) and lets it run up to step kEnd.
  // The minor coordinate after k steps is round-half-up(k minor / major), which is what the
  // decision term produces step by step.
  void start(std::int64_t ax, std::int64_t ay, std::int64_t k, std::int64_t kEnd) {
    const std::int64_t n = diagonalsBefore(k);
    x_ = ax + (k - n) * straightX_ + n * diagX_;
    y_ = ay + (k - n) * straightY_ + n * diagY_;
    term_ = 2 * minor_ - major_ + 2 * k * minor_ - 2 * major_ * n;
    left_ = kEnd - k;
  }
  // Number of diagonal steps among the first k steps.
  std::int64_t diagonalsBefore(std::int64_t k) const {
    return major_ == 0 ? 0 : (2 * k * minor_ + major_) / (2 * major_);
  }

  std::int64_t major_ = 0, minor_ = 0;
  std::int64_t straightX_ = 0, straightY_ = 0, diagX_ = 0, diagY_ = 0;
  std::int64_t x_ = 0, y_ = 0, term_ = 0, left_ = -1;
};

// The in-grid cells of the walk from a to b, in walk order.
class vcGridLineIterator : public vcGridLineWalk {
 public:
  // An empty iteration.
  vcGridLineIterator() : vcGridLineWalk(0, 0, 0, 0) { left_ = -1; }
  vcGridLineIterator(std::int64_t width, std::int64_t height, std::int64_t ax, std::int64_t ay,
                     std::int64_t bx, std::int64_t by)
      : vcGridLineWalk(ax, ay, bx, by) {
    // Both ends inside the grid: every cell of the walk is, and the walk is set already.
    if (ax >= 0 && ax < width && bx >= 0 && bx < width && ay >= 0 && ay < height && by >= 0 &&
        by < height)
      return;
    left_ = -1;
    // Trivial rejection: both ends beyond the same side of the grid.
    if ((ax < 0 && bx < 0) || (ax >= width && bx >= width) || (ay < 0 && by < 0) ||
        (ay >= height && by >= height))
      return;
    // Steps whose major coordinate lies in the grid, then those whose minor one does.
    const bool yMajor = straightX_ == 0;
    std::int64_t kLo = 0, kHi = major_;
    clipMajor(yMajor ? ay : ax, yMajor ? diagY_ : diagX_, yMajor ? height : width, kLo, kHi);
    clipMinor(yMajor ? ax : ay, yMajor ? diagX_ : diagY_, yMajor ? width : height, kLo, kHi);
    if (kLo <= kHi) start(ax, ay, kLo, kHi);
  }

 private:
  // Keeps the steps k with a + s k in [0, size).
  static void clipMajor(std::int64_t a, std::int64_t s, std::int64_t size, std::int64_t& kLo,
                        std::int64_t& kHi) {
    if (s > 0) {
      kLo = std::max(kLo, -a);
      kHi = std::min(kHi, size - 1 - a);
    } else {
      kLo = std::max(kLo, a - size + 1);
      kHi = std::min(kHi, a);
    }
  }
  // Keeps the steps k whose diagonal count n(k) puts a + s n(k) in [0, size); n(k) never
  // decreases, so the kept steps form one interval.
  void clipMinor(std::int64_t a, std::int64_t s, std::int64_t size, std::int64_t& kLo,
                 std::int64_t& kHi) const {
    const std::int64_t nLo = s > 0 ? -a : a - size + 1;
    const std::int64_t nHi = s > 0 ? size - 1 - a : a;
    if (nHi < 0 || (minor_ == 0 && nLo > 0)) {
      kHi = kLo - 1;
      return;
    }
    if (minor_ == 0) return;
    // n(k) >= nLo  <=>  2 k minor + major >= 2 major nLo.
    if (nLo > 0) kLo = std::max(kLo, ceilDiv(2 * major_ * nLo - major_, 2 * minor_));
    // n(k) <= nHi  <=>  2 k minor + major < 2 major (nHi + 1).
    kHi = std::min(kHi, ceilDiv(2 * major_ * (nHi + 1) - major_, 2 * minor_) - 1);
  }
  static std::int64_t ceilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }
};

template <class T>
class vcTightLineHashTable : public vcRepBase {
 public:
  // Farthest grid coordinate a line end may have; longer lines are cut there first, which
  // keeps the integer walk free of overflow and changes no in-grid cell of any sane line.
  static constexpr double kCoordLimit = 268435456.0;  // 2^28

  // A grid of empty cells.
  // Throws: vcBadParamsError unless width and height are >= 1.
  vcTightLineHashTable(long width, long height) : width_(width), height_(height) {
    if (width < 1 || height < 1)
      throw vcBadParamsError(L"vcTightLineHashTable: width and height must be >= 1");
    cells_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  }
  vcTightLineHashTable(vcTightLineHashTable&&) noexcept = default;
  vcTightLineHashTable& operator=(vcTightLineHashTable&&) noexcept = default;

  long width() const { return width_; }
  long height() const { return height_; }
  bool isOutside(long x, long y) const { return x < 0 || y < 0 || x >= width_ || y >= height_; }

  // The contents of cell (x, y), null until something was put there.
  // Requires: the cell is inside the grid (not checked).
  const T* cell(long x, long y) const { return cells_[index(x, y)].get(); }
  const T* cell(std::size_t index) const { return cells_[index].get(); }
  // The contents of cell (x, y), created empty on first use.
  // Requires: the cell is inside the grid (not checked).
  T& cellOrCreate(long x, long y) {
    std::unique_ptr<T>& slot = cells_[index(x, y)];
    if (!slot) slot = std::make_unique<T>();
    return *slot;
  }
  // The contents of a cell by index, null until something was put there; may be modified.
  T* mutableCell(std::size_t index) { return cells_[index].get(); }
  std::size_t index(long x, long y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }

  // The in-grid cells of the line between the cells holding grid points p and q. A line with
  // a non-finite end yields nothing.
  vcGridLineIterator lineIterator(const vcVector<2>& p, const vcVector<2>& q) const {
    vcVector<2> a = p, b = q;
    if (!clipToLimit(a, b)) return vcGridLineIterator();
    return lineIterator(static_cast<std::int64_t>(a.x()), static_cast<std::int64_t>(a.y()),
                        static_cast<std::int64_t>(b.x()), static_cast<std::int64_t>(b.y()));
  }
  // The in-grid cells of the line from cell a to cell b.
  // Requires: |coordinates| <= kCoordLimit.
  vcGridLineIterator lineIterator(std::int64_t ax, std::int64_t ay, std::int64_t bx,
                                  std::int64_t by) const {
    return vcGridLineIterator(width_, height_, ax, ay, bx, by);
  }

  // Every cell of the grid, row by row: for (auto it = grid.begin(); it != grid.end(); ++it).
  // Dereferencing gives the cell's contents or null.
  class GridIterator {
   public:
    GridIterator(const vcTightLineHashTable* table, std::size_t index)
        : table_(table), index_(index) {}
    const T* operator*() const { return table_->cells_[index_].get(); }
    GridIterator& operator++() {
      ++index_;
      return *this;
    }
    long x() const { return static_cast<long>(index_ % static_cast<std::size_t>(table_->width_)); }
    long y() const { return static_cast<long>(index_ / static_cast<std::size_t>(table_->width_)); }
    bool operator==(const GridIterator& o) const { return index_ == o.index_; }

   private:
    const vcTightLineHashTable* table_;
    std::size_t index_;
  };
  GridIterator begin() const { return GridIterator(this, 0); }
  GridIterator end() const { return GridIterator(this, cells_.size()); }

  // Cuts segment ab to the square |x|, |y| <= kCoordLimit (Cohen-Sutherland: an end outside
  // moves along the line onto the side it lies beyond, exactly onto that side). False when
  // nothing of it is left or an end is not finite.
  static bool clipToLimit(vcVector<2>& a, vcVector<2>& b) {
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
        !std::isfinite(b.y()))
      return false;
    constexpr double lim = kCoordLimit;
    const auto code = [](const vcVector<2>& p) {
      return (p.x() < -lim ? 1 : 0) | (p.x() > lim ? 2 : 0) | (p.y() < -lim ? 4 : 0) |
             (p.y() > lim ? 8 : 0);
    };
    // Each move clears one side's bit; four moves leave at most rounding beyond the square.
    for (int moves = 0; moves < 4; ++moves) {
      const int ca = code(a), cb = code(b);
      if (!(ca | cb)) break;
      if (ca & cb) return false;  // both beyond one side
      vcVector<2>& p = ca ? a : b;
      const int c = ca ? ca : cb;
      const vcVector<2> d = b - a;
      if (c & 3) {
        const double x = (c & 1) ? -lim : lim;
        p = vcVector<2>(x, a.y() + d.y() * ((x - a.x()) / d.x()));
      } else {
        const double y = (c & 4) ? -lim : lim;
        p = vcVector<2>(a.x() + d.x() * ((y - a.y()) / d.y()), y);
      }
    }
    for (vcVector<2>* p : {&a, &b})
      *p = vcVector<2>(std::clamp(p->x(), -lim, lim), std::clamp(p->y(), -lim, lim));
    return true;
  }

 private:
  long width_;
  long height_;
  std::vector<std::unique_ptr<T>> cells_;
};
