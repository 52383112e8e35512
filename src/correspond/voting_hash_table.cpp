#include "tavshsl/voting_hash_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>

#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "table_checks.h"
#include "tavshsl/segments.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kInf = std::numeric_limits<double>::infinity();

[[noreturn]] void badParam(const std::wstring& text) {
  throw vcBadParamsError(L"vcVotingHashTable: " + text);
}

// The same line's cells within the box of w x h cells from cell (x0, y0), relative to that
// cell: Bresenham's walk depends only on the difference of its ends, so the walk between the
// moved ends meets the moved cells of the whole walk.
vcGridLineIterator lineCellsIn(vcVector<2> p, vcVector<2> q, long x0, long y0, long w, long h) {
  constexpr double lim = vcTightLineHashTable<char>::kCoordLimit;
  const bool within = std::abs(p.x()) <= lim && std::abs(p.y()) <= lim && std::abs(q.x()) <= lim &&
                      std::abs(q.y()) <= lim;
  if (!within && !vcTightLineHashTable<char>::clipToLimit(p, q)) return vcGridLineIterator();
  return vcGridLineIterator(w, h, static_cast<std::int64_t>(p.x()) - x0,
                            static_cast<std::int64_t>(p.y()) - y0,
                            static_cast<std::int64_t>(q.x()) - x0,
                            static_cast<std::int64_t>(q.y()) - y0);
}

}  // namespace

vcVotingHashTable::vcVotingHashTable(long numIds, double binSize, vcRadian angleStep, long width,
                                     long height)
    : width_(width),
      height_(height),
      numBins_(1),
      cellsPerBin_(0),
      binSize_(binSize),
      angleStep_(angleStep),
      numIds_(numIds) {
  if (numIds < 0 || numIds > std::numeric_limits<std::int32_t>::max())
    badParam(L"numIds must be in [0, 2^31 - 1], got " + vfStr(numIds));
  if (!vfIsPositiveFinite(binSize)) badParam(L"binSize must be > 0 and finite");
  if (!(angleStep.plain() > 0.0 && angleStep.plain() <= kPi))
    badParam(L"angleStep must be in (0, pi] radians");
  if (width < 1 || height < 1)
    badParam(L"width and height must be >= 1, got " + vfStr(width) + L" x " + vfStr(height));
  // The tolerance keeps pi / (pi / n) at n bins where the division rounds just below n.
  const long nBins = std::max(1L, static_cast<long>(kPi / angleStep.plain() + 1e-9));
  if (static_cast<double>(width) * static_cast<double>(height) * static_cast<double>(nBins) >
      kMaxCells)
    badParam(L"the grid of " + vfStr(width) + L" x " + vfStr(height) + L" cells in " +
             vfStr(nBins) + L" angle bins is too large");

  numBins_ = nBins;
  cellsPerBin_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  binEmpty_.assign(static_cast<std::size_t>(nBins), 1);
  tilesX_ = (static_cast<std::size_t>(width) + kTile - 1) / kTile;
  // Basis frame to grid: scale 1 / binSize, basis origin at the grid centre.
  toGrid_ =
      vcXform<2>(vcMatrix<2>::fromElements(1.0 / binSize, 0.0, 0.0, 1.0 / binSize),
                 vcVector<2>(0.5 * static_cast<double>(width), 0.5 * static_cast<double>(height)));
  votes_.resize(static_cast<std::size_t>(numIds));
  visited_.resize(cellsPerBin_);
}

long vcVotingHashTable::checkBin_(long b) const {
  if (b < 0 || b >= numAngleBins())
    badParam(L"angle bin must be in [0, " + vfStr(numAngleBins()) + L"), got " + vfStr(b));
  return b;
}

std::vector<vcVotingHashTable::BasisInfo> vcVotingHashTable::cell(long b, long x, long y) {
  checkBin_(b);
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    badParam(L"cell (" + vfStr(x) + L", " + vfStr(y) + L") lies outside the grid");
  finish_();
  std::vector<BasisInfo> out;
  if (spans_.empty()) return out;
  const std::size_t c =
      static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  const std::uint32_t* span = spans_.data() + 2 * (static_cast<std::size_t>(b) * cellsPerBin_ + c);
  const auto take = [&](std::uint32_t from, std::uint32_t to) {
    out.insert(out.end(), entries_.begin() + from, entries_.begin() + to);
  };
  if (span[0] <= span[1]) {
    take(span[0], span[1]);
  } else {
    take(span[0], cellRuns_[2 * c + 1]);
    take(cellRuns_[2 * c], span[1]);
  }
  // An id with runs of several overlapping ranges here holds their sum.
  std::stable_sort(out.begin(), out.end(),
                   [](const BasisInfo& p, const BasisInfo& q) { return p.id < q.id; });
  std::size_t kept = 0;
  for (std::size_t k = 0; k < out.size(); ++k) {
    if (kept > 0 && out[kept - 1].id == out[k].id)
      out[kept - 1].value += out[k].value;
    else
      out[kept++] = out[k];
  }
  out.resize(kept);
  return out;
}

bool vcVotingHashTable::isBinEmpty(long b) const {
  return binEmpty_[static_cast<std::size_t>(checkBin_(b))] != 0;
}

// ---- Voting ------------------------------------------------------------------------------

void vcVotingHashTable::clearVotes() {
  maxVote_ = 0.0;
  bestStale_ = false;
  std::fill(votes_.begin(), votes_.end(), 0.0);
  // A new pass number marks every cell unvisited; the marks are cleared once per 65535 passes.
  if (++pass_ == 0) {
    std::fill(visited_.begin(), visited_.end(), std::uint16_t{0});
    pass_ = 1;
  }
}

bool vcVotingHashTable::voteSegment(const vcLineSeg& seg) {
  vcVector<2> g1, g2;
  if (!reachesGrid_(seg, g1, g2)) return false;
  return voteCells_(g1, g2, vcSegmentCorresponderUtil::segmentAngle(seg).plain());
}

bool vcVotingHashTable::voteSegment(const vcLineSeg& seg, vcRadian lineAngle) {
  if (!std::isfinite(lineAngle.plain())) badParam(L"voteSegment: the line angle must be finite");
  vcVector<2> g1, g2;
  if (!reachesGrid_(seg, g1, g2)) return false;
  return voteCells_(g1, g2, lineAngle.plain());
}

// The vote state of one pass held in locals while many segments vote (stores into votes could
// otherwise alias the table's members), with what the cell walks read.
struct vcVotingHashTable::Pass_ {
  explicit Pass_(vcVotingHashTable& t)
      : table(t),
        votes(t.votes_.data()),
        visited(t.visited_.data()),
        pass(t.pass_) {
    if (!t.dirty_) {
      entries = t.entries_.data();
      spans = t.spans_.data();
      cellRuns = t.cellRuns_.data();
    }
  }
  // Tells the table that its best vote is to be found again.
  void flush() const { table.bestStale_ = true; }
  vcVotingHashTable& table;
  double* votes;
  std::uint16_t* visited;
  std::uint16_t pass;
  // The cell lists, once built (the first walk builds them when needed).
  const BasisInfo* entries = nullptr;
  const std::uint32_t* spans = nullptr;
  const std::uint32_t* cellRuns = nullptr;
};

[[gnu::always_inline]] inline long vcVotingHashTable::angleBin_(double a) const {
  // Angle bin of the line angle, folded into [0, pi). Within one turn of the range, adding or
  // taking away pi once is exact and gives what the remainder would.
  if (a < 0.0 && a >= -kPi) {
    a += kPi;
  } else if (a >= kPi && a < 2.0 * kPi) {
    a -= kPi;
  } else if (a < -kPi && a > -2.0 * kPi) {
    // The remainder is a + pi (exact: a and -pi lie within a factor of two), then less than 0.
    a = (a + kPi) + kPi;
  } else if (a < 0.0 || a >= kPi) {
    a = std::fmod(a, kPi);
    if (a < 0.0) a += kPi;
  }
  const long nBins = numAngleBins();
  long b = static_cast<long>(a / angleStep_.plain());
  if (b == nBins) b = 0;
  VC_ASSERT(b >= 0 && b < nBins);
  return b;
}

// The walk of the segment from grid point g1 to g2 within a bin's box, as cell indices of the
// whole grid; false when no cell of it lies in the box. Ends inside the box (the common case)
// give Bresenham's walk directly; others go through the clipping line iterator.
[[gnu::always_inline]] inline bool vcVotingHashTable::boxWalk_(const vcVector<2>& g1,
                                                               const vcVector<2>& g2,
                                                               const Box_& box,
                                                               vcGridLineWalk::Run& run) const {
  const std::int64_t width = width_;
  // A coordinate at or past the box's first cell and before its end truncates into the box
  // (both are non-negative).
  const double x0 = static_cast<double>(box.x0), y0 = static_cast<double>(box.y0);
  if (g1.x() >= x0 && g1.x() < box.right && g2.x() >= x0 && g2.x() < box.right && g1.y() >= y0 &&
      g1.y() < box.bottom && g2.y() >= y0 && g2.y() < box.bottom) {
    const std::int64_t ax = static_cast<std::int64_t>(g1.x());
    const std::int64_t ay = static_cast<std::int64_t>(g1.y());
    const std::int64_t bx = static_cast<std::int64_t>(g2.x());
    const std::int64_t by = static_cast<std::int64_t>(g2.y());
    const std::int64_t dx = bx > ax ? bx - ax : ax - bx;
    const std::int64_t dy = by > ay ? by - ay : ay - by;
    const std::int64_t sx = bx < ax ? -1 : 1;
    const std::int64_t sy = by < ay ? -width : width;
    const bool yMajor = dx < dy;
    const std::int64_t major = yMajor ? dy : dx, minor = yMajor ? dx : dy;
    run = vcGridLineWalk::Run{ay * width + ax, yMajor ? sy : sx,    sx + sy,  2 * minor - major,
                              2 * minor,       2 * (minor - major), major + 1};
    return true;
  }
  const auto it = lineCellsIn(g1, g2, box.x0, box.y0, box.w, box.h);
  if (it.done()) return false;
  run = it.run(width);
  run.index += box.y0 * width + box.x0;
  return true;
}

// Walks the cells of the segment from grid point g1 to g2 in a non-empty angle bin; every new
// cell holding something in the bin adds its entries once per pass: the runs covering the bin,
// one span of them (or of their copy), or two where the span wraps round the cell's runs.
// Cells outside the box of the bin's non-empty cells hold nothing, so the walk keeps to that
// box.
// Inlined into both callers: the call and the reloading of the pass state cost more than
// a short walk.
[[gnu::always_inline]] inline bool vcVotingHashTable::walkCells_(Pass_& p, const vcVector<2>& g1,
                                                                 const vcVector<2>& g2,
                                                                 std::size_t bin) {
  if (p.spans == nullptr) {
    finish_();
    p.entries = entries_.data();
    p.spans = spans_.data();
    p.cellRuns = cellRuns_.data();
  }
  if (bin >= boxes_.size() || boxes_[bin].w == 0) return false;
  vcGridLineWalk::Run run;
  if (!boxWalk_(g1, g2, boxes_[bin], run)) return false;
  const std::uint32_t* spans = p.spans + 2 * bin * cellsPerBin_;
  const std::uint32_t* cellRuns = p.cellRuns;
  const BasisInfo* entries = p.entries;
  double* votes = p.votes;
  std::uint16_t* visited = p.visited;
  const std::uint16_t pass = p.pass;
  bool any = false;
  // Four entries a step: the loop's own count and test are then paid once per four. (One id
  // may appear twice in a range; the votes still add up in the entries' order.)
  const auto add = [&](std::uint32_t e) { votes[entries[e].id] += entries[e].value; };
  const auto addRange = [&](std::uint32_t from, std::uint32_t to) {
    std::uint32_t e = from;
    for (; e + 3 < to; e += 4) {
      add(e);
      add(e + 1);
      add(e + 2);
      add(e + 3);
    }
    for (; e < to; ++e) add(e);
  };
  const auto voteCell = [&](std::size_t c) {
    if (visited[c] == pass) return;
    const std::uint32_t from = spans[2 * c], to = spans[2 * c + 1];
    if (from < to) {
      any = true;
      visited[c] = pass;
      addRange(from, to);
    } else if (from > to) {
      any = true;
      visited[c] = pass;
      // (Rare enough that plain loops do.)
      for (std::uint32_t e = from; e < cellRuns[2 * c + 1]; ++e) add(e);
      for (std::uint32_t e = cellRuns[2 * c]; e < to; ++e) add(e);
    }
  };
  std::int64_t next = run.index;
  std::int64_t term = run.term;
  const auto step = [&] {
    const std::size_t c = static_cast<std::size_t>(next);
    const bool straight = term < 0;
    next += straight ? run.straight : run.diagonal;
    term += straight ? run.termStraight : run.termDiagonal;
    return c;
  };
  // A short walk (most are) reads its few cells as it goes: their loads do not wait on one
  // another, and listing them first would cost more than it hides.
  constexpr std::int64_t kShort = 4;
  if (run.count <= kShort) {
    for (std::int64_t left = run.count; left > 0; --left) voteCell(step());
    return any;
  }
  // The cells are read scattered over the table, so a longer walk goes in chunks: the cells of
  // a chunk are listed first, asking for their spans and marks ahead, then voted in order,
  // asking for the entries of the cell after next ahead (the list ends in two copies of its
  // last cell, so that every cell has one after next).
  constexpr std::int64_t kChunk = 32;
  std::size_t cells[kChunk + 2];
  for (std::int64_t left = run.count; left > 0;) {
    const std::int64_t m = std::min(kChunk, left);
    left -= m;
    for (std::int64_t k = 0; k < m; ++k) {
      const std::size_t c = step();
      __builtin_prefetch(spans + 2 * c);
      __builtin_prefetch(visited + c);
      cells[k] = c;
    }
    cells[m] = cells[m + 1] = cells[m - 1];
    for (std::int64_t k = 0; k < m; ++k) {
      // (A split cell's marks point nowhere; asking for them ahead does no harm.)
      __builtin_prefetch(entries + spans[2 * cells[k + 2]]);
      voteCell(cells[k]);
    }
  }
  return any;
}

void vcVotingHashTable::voteSegments(const std::vector<vcFoundSegment>& found,
                                     const vcXform<2>& frame, vcRadian turn) {
  if (!std::isfinite(turn.plain())) badParam(L"voteSegments: the turn must be finite");
  if (pass_ == 0) clearVotes();  // no pass started yet
  const double w = static_cast<double>(width_), h = static_cast<double>(height_);

  // The box, in the found segments' own coordinates, around the part of the grid that holds
  // anything (the whole grid until the cell lists are built) widened by two cells on every
  // side (and a little more for rounding). A segment wholly beyond one side of it walks no
  // filled cell, so it is passed over before it is mapped. No box when frame cannot be
  // inverted: then every segment is mapped.
  double gx0 = 0.0, gy0 = 0.0, gx1 = w, gy1 = h;
  if (!dirty_ && filled_.w > 0) {
    gx0 = static_cast<double>(filled_.x0);
    gy0 = static_cast<double>(filled_.y0);
    gx1 = static_cast<double>(filled_.x0 + filled_.w);
    gy1 = static_cast<double>(filled_.y0 + filled_.h);
  }
  double lo[2] = {-kInf, -kInf}, hi[2] = {kInf, kInf};
  const double det = frame.matrix().det();
  if (std::isfinite(det) && det != 0.0) {
    const vcXform<2> fromBasis = frame.inverse();
    const vcXform<2> fromGrid = fromBasis * toGrid_.inverse();
    double blo[2] = {kInf, kInf}, bhi[2] = {-kInf, -kInf};
    for (const vcVector<2>& corner :
         {vcVector<2>(gx0 - 2.0, gy0 - 2.0), vcVector<2>(gx1 + 2.0, gy0 - 2.0),
          vcVector<2>(gx0 - 2.0, gy1 + 2.0), vcVector<2>(gx1 + 2.0, gy1 + 2.0)}) {
      const vcVector<2> p = fromGrid.mapPoint(corner);
      blo[0] = std::min(blo[0], p.x());
      bhi[0] = std::max(bhi[0], p.x());
      blo[1] = std::min(blo[1], p.y());
      bhi[1] = std::max(bhi[1], p.y());
    }
    for (int k = 0; k < 2; ++k) {
      const double slack = 1e-9 * (std::abs(blo[k]) + std::abs(bhi[k])) + 1e-9;
      if (std::isfinite(blo[k]) && std::isfinite(bhi[k])) {
        lo[k] = blo[k] - slack;
        hi[k] = bhi[k] + slack;
      }
    }
  }

  const double gridScale = toGrid_.matrix().element(0, 0);
  const vcVector<2> gridShift = toGrid_.trans();
  Pass_ state(*this);
  for (const vcFoundSegment& f : found) {
    const vcVector<2>& p1 = f.segment().p1();
    const vcVector<2>& p2 = f.segment().p2();
    if ((p1.x() < lo[0] && p2.x() < lo[0]) || (p1.x() > hi[0] && p2.x() > hi[0]) ||
        (p1.y() < lo[1] && p2.y() < lo[1]) || (p1.y() > hi[1] && p2.y() > hi[1]))
      continue;
    const vcVector<2> q1 = frame.mapPoint(p1);
    const vcVector<2> q2 = frame.mapPoint(p2);
    const double a = f.lineAngle().plain() - turn.plain();
    if (!std::isfinite(q1.x()) || !std::isfinite(q1.y()) || !std::isfinite(q2.x()) ||
        !std::isfinite(q2.y()) || !std::isfinite(a)) {
      state.flush();
      badParam(L"voteSegments: a mapped segment or its line angle is not finite");
    }
    // toGrid_ only scales and shifts: the products with its zero entries add nothing to finite
    // coordinates, so they are left out.
    const vcVector<2> g1(gridScale * q1.x() + gridShift.x(), gridScale * q1.y() + gridShift.y());
    const vcVector<2> g2(gridScale * q2.x() + gridShift.x(), gridScale * q2.y() + gridShift.y());
    if ((g1.x() < 0.0 && g2.x() < 0.0) || (g1.x() >= w && g2.x() >= w) ||
        (g1.y() < 0.0 && g2.y() < 0.0) || (g1.y() >= h && g2.y() >= h))
      continue;
    const std::size_t bin = static_cast<std::size_t>(angleBin_(a));
    if (binEmpty_[bin]) continue;
    // Wholly beyond one side of the bin's box (a cell is its grid coordinates truncated toward
    // zero, so a coordinate below x0 - 1 lies in a cell left of x0): no cell to walk.
    if (state.spans != nullptr && bin < boxes_.size()) {
      const Box_& box = boxes_[bin];
      if ((g1.x() < box.left && g2.x() < box.left) || (g1.x() >= box.right && g2.x() >= box.right) ||
          (g1.y() < box.top && g2.y() < box.top) || (g1.y() >= box.bottom && g2.y() >= box.bottom))
        continue;
    }
    walkCells_(state, g1, g2, bin);
  }
  state.flush();
}

bool vcVotingHashTable::reachesGrid_(const vcLineSeg& seg, vcVector<2>& g1, vcVector<2>& g2) {
  if (!vfIsFiniteSegment(seg)) badParam(L"voteSegment: the segment's end points must be finite");
  if (pass_ == 0) clearVotes();  // no pass started yet

  // A segment wholly beyond one side of the grid meets no cell.
  g1 = toGrid_.mapPoint(seg.p1());
  g2 = toGrid_.mapPoint(seg.p2());
  const double w = static_cast<double>(width_), h = static_cast<double>(height_);
  return !((g1.x() < 0.0 && g2.x() < 0.0) || (g1.x() >= w && g2.x() >= w) ||
           (g1.y() < 0.0 && g2.y() < 0.0) || (g1.y() >= h && g2.y() >= h));
}

bool vcVotingHashTable::voteCells_(const vcVector<2>& g1, const vcVector<2>& g2, double a) {
  const std::size_t bin = static_cast<std::size_t>(angleBin_(a));
  if (binEmpty_[bin]) return false;
  Pass_ state(*this);
  const bool any = walkCells_(state, g1, g2, bin);
  state.flush();
  return any;
}

void vcVotingHashTable::findBest_() const {
  double best = 0.0;
  std::size_t at = 0;
  for (std::size_t id = 0; id < votes_.size(); ++id)
    if (votes_[id] > best) {
      best = votes_[id];
      at = id;
    }
  maxVote_ = best;
  if (best > 0.0) bestId_ = static_cast<long>(at);
  bestStale_ = false;
}

void vcVotingHashTable::getResults(std::vector<vcVotingResult>& out, double fraction) const {
  out.clear();
  const double threshold = maxVote() * (1.0 - fraction);
  for (long id = 0; id < numIds_; ++id) {
    const double v = votes_[static_cast<std::size_t>(id)];
    if (v > threshold) out.push_back(vcVotingResult{static_cast<std::int32_t>(id), v});
  }
  std::sort(out.begin(), out.end(),
            [](const vcVotingResult& x, const vcVotingResult& y) { return x.vote > y.vote; });
}

std::size_t vcVotingHashTable::memoryBytes() const {
  std::size_t bytes = sizeof(*this);
  bytes += entries_.capacity() * sizeof(BasisInfo) +
           (spans_.capacity() + cellRuns_.capacity()) * sizeof(std::uint32_t) +
           boxes_.capacity() * sizeof(Box_);
  bytes += binEmpty_.capacity() + votes_.capacity() * sizeof(double) +
           visited_.capacity() * sizeof(std::uint16_t);
  bytes += kernel_.values.capacity() * sizeof(double) + patch_.capacity() * sizeof(double) +
           (spanLo_.capacity() + spanHi_.capacity()) * sizeof(long) +
           rowSpans_.capacity() * sizeof(RowSpan_) + slots_.capacity() * sizeof(Slot_) +
           others_.capacity() * sizeof(Other_) + binSums_.capacity() * sizeof(float) +
           binHeld_.capacity() + touched_.capacity() * sizeof(std::uint32_t) +
           added_.capacity() * sizeof(Added_);
  return bytes;
}
