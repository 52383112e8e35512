#include "tavshsl/corresponding_hash_table.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "table_checks.h"

namespace {

constexpr double kPi = std::numbers::pi;

[[noreturn]] void badParam(const std::wstring& text) {
  throw vcBadParamsError(L"vcCorrespondingHashTable: " + text);
}

// The cell of a grid-coordinate point, coordinates truncated toward zero.
long cellOf(double v) { return static_cast<long>(v); }

// |d.signedNorm()|, worked out here when d lies within a turn of the range, as it does for the
// difference of two direction angles. Within one turn either side, adding or taking away a
// whole turn gives exactly what the remainder would.
double absSignedNorm(double d) {
  constexpr double kTurn = 2.0 * kPi;
  double r = d + kPi;
  if (r < 0.0 && r > -kTurn) {
    r += kTurn;
    if (r >= kTurn) r = 0.0;
  } else if (r >= kTurn && r < 2.0 * kTurn) {
    r -= kTurn;
  } else if (!(r >= 0.0 && r < kTurn)) {
    return std::abs(vcRadian(d).signedNorm().plain());
  }
  r -= kPi;
  if (r >= kPi) r = -kPi;
  return std::abs(r);
}

}  // namespace

// ---- Quadrilateral iterator ---------------------------------------------------------------

vcGridQuadIterator::vcGridQuadIterator(long width, long height, long ax, long ay, long bx, long by,
                                       long cx, long cy, std::vector<long>& rows)
    : width_(width), height_(height), rows_(rows) {
  // Fourth corner and the rows the outline spans.
  const long dx = bx + cx - ax, dy = by + cy - ay;
  yMin_ = std::min({ay, by, cy, dy});
  const long yMax = std::max({ay, by, cy, dy});
  rows_.assign(static_cast<std::size_t>(2 * (yMax - yMin_ + 1)), 0);
  for (long r = 0; r <= yMax - yMin_; ++r) {
    rows_[static_cast<std::size_t>(2 * r)] = std::numeric_limits<long>::max();
    rows_[static_cast<std::size_t>(2 * r + 1)] = std::numeric_limits<long>::min();
  }

  // Trace the outline a -> b -> d -> c -> a, widening each row's span.
  widen_(ax, ay, bx, by);
  widen_(bx, by, dx, dy);
  widen_(dx, dy, cx, cy);
  widen_(cx, cy, ax, ay);

  // Rows inside the grid, starting with the first one that has in-grid cells.
  y_ = std::max(yMin_, 0L);
  yEnd_ = std::min(yMax, height_ - 1);
  startRow_();
}

void vcGridQuadIterator::widen_(long x0, long y0, long x1, long y1) {
  for (vcGridLineWalk w(x0, y0, x1, y1); !w.done(); w.next()) {
    const std::size_t r = static_cast<std::size_t>(2 * (w.y() - yMin_));
    rows_[r] = std::min(rows_[r], static_cast<long>(w.x()));
    rows_[r + 1] = std::max(rows_[r + 1], static_cast<long>(w.x()));
  }
}

// Moves to the first in-grid cell of row y_ or of a later row.
void vcGridQuadIterator::startRow_() {
  for (; y_ <= yEnd_; ++y_) {
    const std::size_t r = static_cast<std::size_t>(2 * (y_ - yMin_));
    x_ = std::max(rows_[r], 0L);
    xEnd_ = std::min(rows_[r + 1], width_ - 1);
    if (x_ <= xEnd_) return;
  }
}

void vcGridQuadIterator::next() {
  if (++x_ <= xEnd_) return;
  ++y_;
  startRow_();
}

// ---- Construction ------------------------------------------------------------------------

vcCorrespondingHashTable::vcCorrespondingHashTable(double binSize,
                                                   const std::vector<vcFoundSegment>& found,
                                                   double distTol, vcRadian angleTol)
    : distTol_(distTol), angleTol_(angleTol), found_(&found) {
  if (found.empty()) badParam(L"the found segment list must not be empty");
  if (!vfIsPositiveFinite(binSize)) badParam(L"binSize must be > 0 and finite");
  if (!vfIsPositiveFinite(distTol)) badParam(L"distTol must be > 0 and finite");
  if (!vfIsNonNegativeFinite(angleTol.plain())) badParam(L"angleTol must be >= 0 and finite");

  // Bounds of all end points.
  double minX = std::numeric_limits<double>::infinity(), maxX = -minX;
  double minY = minX, maxY = -minX;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const vcLineSeg& s = found[i].segment();
    if (!vfIsFiniteSegment(s))
      badParam(L"found segment " + vfStr(static_cast<long>(i)) + L" is not finite");
    minX = std::min({minX, s.p1().x(), s.p2().x()});
    maxX = std::max({maxX, s.p1().x(), s.p2().x()});
    minY = std::min({minY, s.p1().y(), s.p2().y()});
    maxY = std::max({maxY, s.p1().y(), s.p2().y()});
  }

  // Grid size with a margin of distTol; (minX - distTol, minY - distTol) maps to cell (0, 0).
  const double w = std::trunc((maxX - minX + 2.0 * distTol) / binSize) + 1.0;
  const double h = std::trunc((maxY - minY + 2.0 * distTol) / binSize) + 1.0;
  if (!(w * h <= kMaxCells))
    badParam(L"the found segments span too many cells of binSize (more than 2^24)");
  width_ = static_cast<long>(w);
  height_ = static_cast<long>(h);
  toGrid_ = vcXform<2>(vcMatrix<2>::fromElements(1.0 / binSize, 0.0, 0.0, 1.0 / binSize),
                       vcVector<2>((distTol - minX) / binSize, (distTol - minY) / binSize));

  // Enter every found segment in the cells of its rectangle, widened by 2 distTol on every
  // side: corners a = p1 + u - v, b = p1 - u - v, c = p2 + u + v, with v along p2 - p1 and u
  // across it. The direction is the geometric one from p1 to p2 whatever the polarity: a
  // reversed or undirected segment's direction angle may point from p2 to p1, which would
  // shorten the rectangle instead of widening it.
  // The (cell, segment) pairs come in increasing segment order; a counting sort by cell
  // keeps that order within every cell.
  std::vector<long> rows;
  std::vector<std::uint32_t> pairs;  // cell, segment, cell, segment, ...
  for (std::size_t i = 0; i < found.size(); ++i) {
    const vcLineSeg& s = found[i].segment();
    const vcRadian d = (s.p2() - s.p1()).angle();
    const vcVector<2> u(2.0 * distTol, d + vcRadian(kPi / 2.0));
    const vcVector<2> v(2.0 * distTol, d);
    const vcVector<2> a = toGrid_.mapPoint(s.p1() + u - v);
    const vcVector<2> b = toGrid_.mapPoint(s.p1() - u - v);
    const vcVector<2> c = toGrid_.mapPoint(s.p2() + u + v);
    for (vcGridQuadIterator it(width_, height_, cellOf(a.x()), cellOf(a.y()), cellOf(b.x()),
                               cellOf(b.y()), cellOf(c.x()), cellOf(c.y()), rows);
         !it.done(); it.next()) {
      if (pairs.size() >= kMaxItems)
        badParam(L"the found segments' rectangles cover more than 2^31 cells in all");
      pairs.push_back(static_cast<std::uint32_t>(it.y() * width_ + it.x()));
      pairs.push_back(static_cast<std::uint32_t>(i));
    }
  }
  start_.assign(static_cast<std::size_t>(width_ * height_) + 1, 0);
  for (std::size_t k = 0; k < pairs.size(); k += 2) ++start_[pairs[k] + 1];
  for (std::size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
  items_.resize(pairs.size() / 2);
  std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
  for (std::size_t k = 0; k < pairs.size(); k += 2) items_[fill[pairs[k]]++] = pairs[k + 1];
  seen_.resize(found.size());
}

// ---- Query -------------------------------------------------------------------------------

void vcCorrespondingHashTable::match(std::vector<vcCorrespondingHashTableMatchData>& out,
                                     const vcModelSegment& modelSeg, long /*modelSegIndex*/) {
  match(out, modelSeg.segment(), modelSeg.polarity());
}

void vcCorrespondingHashTable::match(std::vector<vcCorrespondingHashTableMatchData>& out,
                                     const vcLineSeg& s,
                                     vcSegmentDefs::veSegmentPolarity polarity) {
  if (!vfIsFiniteSegment(s)) badParam(L"match: the model segment is not finite");
  if (polarity != vcSegmentDefs::eForward && polarity != vcSegmentDefs::eReverse &&
      polarity != vcSegmentDefs::eUndirected)
    badParam(L"match: the model segment's polarity is no polarity");
  out.clear();
  // A new mark for this query; the marks are cleared once per 2^32 - 1 queries.
  if (++mark_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0u);
    mark_ = 1;
  }
  const std::vector<vcFoundSegment>& found = *found_;
  // The model segment's direction angle, as vcBaseSegment caches it, worked out for the first
  // found segment judged; the scorer is made for the first one scored.
  double m = 0.0;
  bool haveM = false;
  std::optional<vcSegmentCorresponderUtil::PairingScorer> scorer;

  const double tol = 2.0 * angleTol_.plain();
  const bool modelUndirected = polarity == vcSegmentDefs::eUndirected;

  // Walk the cells under the model segment; each found segment is judged when first met.
  vcVector<2> g1 = toGrid_.mapPoint(s.p1()), g2 = toGrid_.mapPoint(s.p2());
  if (!vcTightLineHashTable<char>::clipToLimit(g1, g2)) return;
  // (Locals: the marks are stores of the same type as the lists and the mark.)
  const std::uint32_t* start = start_.data();
  const std::uint32_t* items = items_.data();
  std::uint32_t* seen = seen_.data();
  const std::uint32_t mark = mark_;
  for (vcGridLineIterator it(width_, height_, static_cast<std::int64_t>(g1.x()),
                             static_cast<std::int64_t>(g1.y()), static_cast<std::int64_t>(g2.x()),
                             static_cast<std::int64_t>(g2.y()));
       !it.done(); it.next()) {
    const std::size_t c = static_cast<std::size_t>(it.y() * width_ + it.x());
    const std::uint32_t end = start[c + 1];
    for (std::uint32_t k = start[c]; k < end; ++k) {
      const std::uint32_t f = items[k];
      if (seen[f] == mark) continue;
      seen[f] = mark;
      const vcFoundSegment& fs = found[static_cast<std::size_t>(f)];

      if (!haveM) {
        m = modelUndirected ? vcSegmentCorresponderUtil::segmentAngle(s).plain()
            : polarity == vcSegmentDefs::eForward ? (s.p2() - s.p1()).angle().plain()
                                                  : (s.p1() - s.p2()).angle().plain();
        haveM = true;
      }
      // Direction difference in [0, pi]; with an undirected side both directions of a line
      // are one, so the difference folds into [0, pi/2].
      double delta = absSignedNorm(m - fs.dirAngle().plain());
      VC_ASSERT(delta >= 0.0 && delta <= kPi);
      if ((modelUndirected || fs.polarity() == vcSegmentDefs::eUndirected) && delta >= kPi / 2.0)
        delta = kPi - delta;
      if (delta > tol) continue;

      // An undirected segment's direction is its line angle.
      if (!scorer)
        scorer.emplace(s,
                       modelUndirected ? vcRadian(m) : vcSegmentCorresponderUtil::segmentAngle(s),
                       distTol_);
      const double score = scorer->score(fs);
      if (score > 0.0)
        out.push_back(vcCorrespondingHashTableMatchData{static_cast<long>(f), score});
    }
  }
}

std::vector<long> vcCorrespondingHashTable::cell(long x, long y) const {
  const std::size_t c = static_cast<std::size_t>(y * width_ + x);
  return std::vector<long>(items_.begin() + start_[c], items_.begin() + start_[c + 1]);
}
