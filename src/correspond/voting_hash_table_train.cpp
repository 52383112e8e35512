// Training of the voting table: storing segments and building the cells' compact lists.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>

#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "table_checks.h"
#include "tavshsl/segments.h"
#include "tavshsl/voting_hash_table.h"

namespace {

constexpr double kPi = std::numbers::pi;

[[noreturn]] void badParam(const std::wstring& text) {
  throw vcBadParamsError(L"vcVotingHashTable: " + text);
}

// The in-grid cells of the line between the cells holding grid points p and q.
vcGridLineIterator lineCells(vcVector<2> p, vcVector<2> q, long width, long height) {
  // Ends within the coordinate limit (a NaN is not) need no cutting to it.
  constexpr double lim = vcTightLineHashTable<char>::kCoordLimit;
  const bool within = std::abs(p.x()) <= lim && std::abs(p.y()) <= lim && std::abs(q.x()) <= lim &&
                      std::abs(q.y()) <= lim;
  if (!within && !vcTightLineHashTable<char>::clipToLimit(p, q)) return vcGridLineIterator();
  return vcGridLineIterator(width, height, static_cast<std::int64_t>(p.x()),
                            static_cast<std::int64_t>(p.y()), static_cast<std::int64_t>(q.x()),
                            static_cast<std::int64_t>(q.y()));
}

// The box of the in-grid cells of the line between the cells holding grid points p and q;
// false when it has none. They lie between the end cells when both lie in the grid.
bool lineCellBox(const vcVector<2>& p, const vcVector<2>& q, long width, long height, long& minX,
                 long& maxX, long& minY, long& maxY) {
  const double w = static_cast<double>(width), h = static_cast<double>(height);
  if (p.x() >= 0.0 && p.x() < w && p.y() >= 0.0 && p.y() < h && q.x() >= 0.0 && q.x() < w &&
      q.y() >= 0.0 && q.y() < h) {
    minX = static_cast<long>(std::min(p.x(), q.x()));
    maxX = static_cast<long>(std::max(p.x(), q.x()));
    minY = static_cast<long>(std::min(p.y(), q.y()));
    maxY = static_cast<long>(std::max(p.y(), q.y()));
    return true;
  }
  minX = width, maxX = -1, minY = height, maxY = -1;
  for (auto it = lineCells(p, q, width, height); !it.done(); it.next()) {
    minX = std::min(minX, static_cast<long>(it.x()));
    maxX = std::max(maxX, static_cast<long>(it.x()));
    minY = std::min(minY, static_cast<long>(it.y()));
    maxY = std::max(maxY, static_cast<long>(it.y()));
  }
  return maxX >= 0;
}

}  // namespace

// K(i, j) = cos(rho / 6 * pi / 2), rho = |(i, j)| / (D / binSize), over the offsets within
// r = ceil(2 D / binSize) cells, where D is distTol but at least half a cell. The cosine falls
// to 0 at rho = 6 and is held at 0 beyond, where it would turn negative and take votes away.
// The floor on D: the line walk puts a found segment one cell off the stored line's cells as
// soon as the two lines fall on either side of a cell border, however close they are, so the
// kernel must reach the neighbouring cells (with weights 0.87 and, diagonally, 0.69). With a
// tolerance far below the cell size it would otherwise be one cell wide, and a found side a
// fraction of a unit off would often vote for nothing. The corresponder passes one distTol
// for a whole training, so the kernel is kept between calls.
void vcVotingHashTable::prepareKernel_(double givenDistTol) {
  if (kernel_.radius >= 0 && kernel_.distTol == givenDistTol) return;
  const double distTol = std::max(givenDistTol, 0.5 * binSize_);
  const double scale = 1.0 / binSize_;
  const long r = static_cast<long>(std::ceil(2.0 * distTol * scale - 1e-10));
  const long side = 2 * r + 1;
  Kernel_ k;
  k.distTol = givenDistTol;
  k.radius = r;
  k.values.resize(static_cast<std::size_t>(side * side));
  for (long j = -r; j <= r; ++j)
    for (long i = -r; i <= r; ++i) {
      const double rho = std::sqrt(static_cast<double>(i * i + j * j)) / (scale * distTol);
      k.values[static_cast<std::size_t>((j + r) * side + (i + r))] =
          rho < 6.0 ? std::cos(rho / 6.0 * kPi / 2.0) : 0.0;
    }
  for (long j = -r; j <= r; ++j)
    k.columnSum += k.values[static_cast<std::size_t>((j + r) * side + r)];
  for (const double v : k.values) k.total += v;
  k.least = *std::min_element(k.values.begin(), k.values.end());
  VC_ASSERT(k.columnSum > 0.0);
  kernel_ = std::move(k);
}

void vcVotingHashTable::addSegment(long id, const vcLineSeg& seg, double normaliser, double distTol,
                                   vcRadian angleTol) {
  if (id < 0 || id >= numIds_)
    badParam(L"addSegment: id must be in [0, " + vfStr(numIds_) + L"), got " + vfStr(id));
  if (!vfIsPositiveFinite(normaliser)) badParam(L"addSegment: normaliser must be > 0 and finite");
  if (!vfIsPositiveFinite(distTol)) badParam(L"addSegment: distTol must be > 0 and finite");
  if (!vfIsNonNegativeFinite(angleTol.plain()))
    badParam(L"addSegment: angleTol must be >= 0 and finite");
  if (!vfIsFiniteSegment(seg)) badParam(L"addSegment: the segment's end points must be finite");
  // Every cell list is sorted by id because ids arrive in non-decreasing order.
  VC_ASSERT(id >= lastId_);
  lastId_ = id;

  Added_ added;
  added.id = static_cast<std::int32_t>(id);
  added.g1 = toGrid_.mapPoint(seg.p1());
  added.g2 = toGrid_.mapPoint(seg.p2());
  added.normaliser = normaliser;
  added.distTol = distTol;
  if (lineCells(added.g1, added.g2, width_, height_).done()) return;  // wholly outside the grid

  // Angle bins: 2 angleTol either side of the line angle, cyclic over [0, pi).
  const long nBins = numAngleBins();
  const double a = vcSegmentCorresponderUtil::segmentAngle(seg).plain();
  double lo = a - 2.0 * angleTol.plain();
  double hi = a + 2.0 * angleTol.plain();
  while (lo < 0.0) lo += kPi;
  while (hi < 0.0) hi += kPi;
  long bLo = static_cast<long>(lo / angleStep_.plain()) % nBins;
  long bHi = static_cast<long>(hi / angleStep_.plain()) % nBins;
  if (4.0 * angleTol.plain() >= kPi) {
    bLo = 0;
    bHi = nBins - 1;
  }
  added.binLo = static_cast<std::uint32_t>(bLo);
  added.binHi = static_cast<std::uint32_t>(bHi);
  for (long b = bLo;; b = (b + 1) % nBins) {
    binEmpty_[static_cast<std::size_t>(b)] = 0;
    if (b == bHi) break;
  }
  added_.push_back(added);
  dirty_ = true;
}

// The cells a stored segment reaches within the cells x0 .. x1, y0 .. y1: for each row of the
// patch from (px0, py0), pw x ph cells, that covers its line cells widened by the kernel
// radius, the columns spanLo_ .. spanHi_ (none where spanLo_ > spanHi_). With sum, the patch
// gets the kernel summed around every line cell. False when no cell is reached.
bool vcVotingHashTable::reachRows_(const Added_& added, long x0, long x1, long y0, long y1,
                                   bool sum, Patch_& p) {
  prepareKernel_(added.distTol);
  const long r = kernel_.radius;
  const long side = 2 * r + 1;

  // Line cells: the grid is the same for every angle bin, so the footprint is summed once.
  long minX, maxX, minY, maxY;
  if (!lineCellBox(added.g1, added.g2, width_, height_, minX, maxX, minY, maxY)) return false;

  const long px0 = std::max(x0, minX - r), px1 = std::min(x1, maxX + r);
  const long py0 = std::max(y0, minY - r), py1 = std::min(y1, maxY + r);
  if (px0 > px1 || py0 > py1) return false;
  const long pw = px1 - px0 + 1, ph = py1 - py0 + 1;
  p = Patch_{px0, py0, pw, ph};
  if (sum) patch_.assign(static_cast<std::size_t>(pw * ph), 0.0);
  spanLo_.assign(static_cast<std::size_t>(ph), px1 + 1);
  spanHi_.assign(static_cast<std::size_t>(ph), px0 - 1);
  for (auto it = lineCells(added.g1, added.g2, width_, height_); !it.done(); it.next()) {
    const long cx = static_cast<long>(it.x()), cy = static_cast<long>(it.y());
    const long i0 = std::max(-r, px0 - cx), i1 = std::min(r, px1 - cx);
    const long j0 = std::max(-r, py0 - cy), j1 = std::min(r, py1 - cy);
    if (i0 > i1) continue;  // the kernel does not reach the patch
    for (long j = j0; j <= j1; ++j) {
      const long row = cy + j - py0;
      if (sum) {
        double* out = &patch_[static_cast<std::size_t>(row * pw + (cx - px0))];
        const double* k = &kernel_.values[static_cast<std::size_t>((j + r) * side + r)];
        for (long i = i0; i <= i1; ++i) out[i] += k[i];
      }
      spanLo_[static_cast<std::size_t>(row)] =
          std::min(spanLo_[static_cast<std::size_t>(row)], cx + i0);
      spanHi_[static_cast<std::size_t>(row)] =
          std::max(spanHi_[static_cast<std::size_t>(row)], cx + i1);
    }
  }
  return true;
}

// The kernel's normalisation for a stored segment: a cell on a long stored line gathers
// binSize / normaliser.
double vcVotingHashTable::kernelNorm_(const Added_& added) const {
  return 1.0 / (kernel_.columnSum * (added.normaliser / binSize_));
}

// Adds the footprint of one stored segment to the open id's values in every angle bin of its
// range: the kernel around every line cell, clipped to the grid. Values of one id in one cell
// add up and are capped at 1.0 when the id is closed (the kernel values are not negative, so
// capping once gives the value of capping after every addition).
void vcVotingHashTable::addFootprint_(const Added_& added, long x0, long x1, long y0, long y1) {
  Patch_ p;
  if (!reachRows_(added, x0, x1, y0, y1, true, p)) return;
  const double norm = kernelNorm_(added);
  const long px0 = p.x0, py0 = p.y0, pw = p.w, ph = p.h;

  const long nBins = numAngleBins();
  // The slots are those of the given cells, row by row.
  const long tileX0 = x0, tileY0 = y0, tileW = x1 - x0 + 1;
  if (slots_.size() < static_cast<std::size_t>(tileW * (y1 - y0 + 1)))
    slots_.resize(static_cast<std::size_t>(tileW * (y1 - y0 + 1)));
  const std::uint32_t lo = added.binLo;
  const std::uint32_t len = static_cast<std::uint32_t>(
      (static_cast<long>(added.binHi) - static_cast<long>(lo) + nBins) % nBins + 1);
  for (long row = 0; row < ph; ++row) {
    const long y = py0 + row;
    const long x0 = spanLo_[static_cast<std::size_t>(row)],
               x1 = spanHi_[static_cast<std::size_t>(row)];
    const double* in = patch_.data() + row * pw;
    for (long x = x0; x <= x1; ++x) {
      const double value = in[x - px0] * norm;
      if (value == 0.0) continue;  // beyond the kernel's reach: an entry would add nothing
      const auto c = static_cast<std::uint32_t>((y - tileY0) * tileW + (x - tileX0));
      Slot_& slot = slots_[c];
      if (slot.len == 0) {
        slot.value = static_cast<float>(value);
        slot.lo = lo;
        slot.len = len;
        touched_.push_back(c);
      } else if (slot.lo == lo && slot.len == len) {
        slot.value += static_cast<float>(value);
      } else {
        addOther_(slot, lo, len, static_cast<float>(value));
      }
    }
  }
}

// Adds a value over a bin range other than the cell's first one: to the value of that range
// when the cell has it already, else as a new range.
void vcVotingHashTable::addOther_(Slot_& slot, std::uint32_t lo, std::uint32_t len, float value) {
  for (std::uint32_t k = slot.other; k != kNone; k = others_[k].next)
    if (others_[k].lo == lo && others_[k].len == len) {
      others_[k].value += value;
      return;
    }
  others_.push_back(Other_{value, lo, len, slot.other});
  slot.other = static_cast<std::uint32_t>(others_.size() - 1);
}

// The number of runs of one tile counted from the cells the stored segments reach, without
// their values: one run for each id, bin range and cell that a segment of the id with that
// range reaches. That is the count the values give when every run is a whole bin range
// (no run is cut), no id's value reaches the cap in the tile (the sum over its segments of
// the most any cell gathers from one, the kernel's total, stays below 1) and no value is 0
// (the least kernel value, normalised, is not). False when one of these may fail.
bool vcVotingHashTable::countRunsQuickly_(const std::vector<std::uint32_t>& list, long x0, long x1,
                                          long y0, long y1, std::uint64_t& count) {
  const long nBins = numAngleBins();
  count = 0;
  for (std::size_t k = 0; k < list.size();) {
    const std::int32_t id = added_[list[k]].id;
    double bound = 0.0;
    rowSpans_.clear();
    for (; k < list.size() && added_[list[k]].id == id; ++k) {
      const Added_& added = added_[list[k]];
      Patch_ p;
      if (!reachRows_(added, x0, x1, y0, y1, false, p)) continue;
      const double norm = kernelNorm_(added);
      if (!(kernel_.least * norm > 0.0)) return false;
      bound += kernel_.total * norm;
      const long range =
          static_cast<long>(added.binLo) * (nBins + 1) +
          (static_cast<long>(added.binHi) - static_cast<long>(added.binLo) + nBins) % nBins + 1;
      for (long row = 0; row < p.h; ++row)
        if (spanLo_[static_cast<std::size_t>(row)] <= spanHi_[static_cast<std::size_t>(row)])
          rowSpans_.push_back(RowSpan_{range, p.y0 + row, spanLo_[static_cast<std::size_t>(row)],
                                       spanHi_[static_cast<std::size_t>(row)]});
    }
    // (Float sums of the values may round a little above their exact sums.)
    if (bound * (1.0 + 1e-4) >= 1.0) return false;
    // The cells of each range and row: the union of the segments' spans.
    std::sort(rowSpans_.begin(), rowSpans_.end(), [](const RowSpan_& a, const RowSpan_& b) {
      return a.range != b.range ? a.range < b.range : a.y != b.y ? a.y < b.y : a.lo < b.lo;
    });
    for (std::size_t i = 0; i < rowSpans_.size();) {
      const RowSpan_& first = rowSpans_[i];
      long lo = first.lo, hi = first.hi;
      for (++i;
           i < rowSpans_.size() && rowSpans_[i].range == first.range && rowSpans_[i].y == first.y;
           ++i) {
        if (rowSpans_[i].lo > hi + 1) {
          count += static_cast<std::uint64_t>(hi - lo + 1);
          lo = rowSpans_[i].lo;
        }
        hi = std::max(hi, rowSpans_[i].hi);
      }
      count += static_cast<std::uint64_t>(hi - lo + 1);
    }
  }
  return true;
}

// The open id's summed footprint as runs: take(c, lo, len, value) for every run over the bins
// lo .. lo + len - 1 (cyclically, len at most limit) of every tile cell c it reached; then the id
// is closed. A cell gets one run for each bin range of the id's segments that reached it, with
// the sum of their values: where those ranges overlap, the vote adds their runs up, which
// is the bin's value while it stays within the cap of 1.0. Runs of whole segment ranges all
// have about one length, so that the runs covering one bin mostly lie together. A cell where
// some bin's sum exceeds the cap gets instead a run for each stretch of bins of equal capped
// value (the kernel values are not negative, so capping once gives the value of capping
// after every addition).
template <class Take>
void vcVotingHashTable::takeRuns_(std::size_t limit, Take&& take) {
  const std::size_t n = static_cast<std::size_t>(numBins_);
  const auto cut = [&](std::uint32_t c, std::size_t lo, std::size_t len, float value) {
    for (; len > limit; len -= limit, lo = (lo + limit) % n) take(c, lo, limit, value);
    take(c, lo, len, value);
  };
  const auto addToBins = [&](std::size_t lo, std::size_t len, float value) {
    for (std::size_t k = 0; k < len; ++k) {
      binSums_[(lo + k) % n] += value;
      binHeld_[(lo + k) % n] = 1;
    }
  };
  for (const std::uint32_t c : touched_) {
    Slot_& slot = slots_[c];
    if (slot.other == kNone) {
      cut(c, slot.lo, slot.len, std::min(1.0f, slot.value));
      slot = Slot_();
      continue;
    }
    // A bin's sum adds some of the ranges' values in the order of the total of all of them;
    // float rounding keeps the order of sums of non-negative values, so no bin passes the cap
    // when the total does not, and the bins need not be summed one by one.
    float total = slot.value;
    for (std::uint32_t k = slot.other; k != kNone; k = others_[k].next) total += others_[k].value;
    bool capped = total > 1.0f;
    if (capped) {
      binSums_.assign(n, 0.0f);
      binHeld_.assign(n, 0);
      addToBins(slot.lo, slot.len, slot.value);
      for (std::uint32_t k = slot.other; k != kNone; k = others_[k].next)
        addToBins(others_[k].lo, others_[k].len, others_[k].value);
      capped = *std::max_element(binSums_.begin(), binSums_.end()) > 1.0f;
    }
    if (!capped) {
      cut(c, slot.lo, slot.len, slot.value);
      for (std::uint32_t k = slot.other; k != kNone; k = others_[k].next)
        cut(c, others_[k].lo, others_[k].len, others_[k].value);
    } else {
      // Bins in order, each stretch of held bins with one capped value a run.
      for (std::size_t b = 0; b < n;) {
        if (!binHeld_[b]) {
          ++b;
          continue;
        }
        const float value = std::min(1.0f, binSums_[b]);
        std::size_t e = b + 1;
        while (e < n && binHeld_[e] && std::min(1.0f, binSums_[e]) == value) ++e;
        cut(c, b, e - b, value);
        b = e;
      }
    }
    slot = Slot_();
  }
  touched_.clear();
  others_.clear();
}

// One tile: its first cell and size.
struct vcVotingHashTable::Tile_ {
  long x0, y0;
  std::size_t w, h;
};

// The runs are built from every segment stored so far, tile by tile: each tile takes the
// segments whose footprint reaches it, id by id, lists the runs of its cells and sorts them
// into place by cell and group. Ids arrive in increasing order, so every group comes out in
// id order. Twice over the tiles: first to count each tile's runs and copies, so that the
// entries are allocated once at their final size, then to write them.
void vcVotingHashTable::finish_() {
  if (!dirty_) return;
  // The stored segments are given back their spare room before the lists are built, not
  // after, when the lists are there too.
  added_.shrink_to_fit();
  const std::size_t n = static_cast<std::size_t>(numAngleBins());
  // Runs are cut at the longest bin range stored, and shorter still when the counts of every
  // (cell, first bin, length) would outgrow the grid limit.
  std::size_t longest = 1;
  for (const Added_& a : added_)
    longest = std::max<std::size_t>(longest, (a.binHi + n - a.binLo) % n + 1);
  const double cellBins = static_cast<double>(cellsPerBin_) * static_cast<double>(n);
  const std::size_t limit =
      std::min(longest, std::max<std::size_t>(1, static_cast<std::size_t>(kMaxCells / cellBins)));
  const std::size_t groups = n * limit;
  // Runs whole bin ranges of one of two neighbouring lengths cover every bin in one stretch
  // of a cell's runs, or two that wrap round it: no cell is copied unless a value is capped.
  bool wholeRanges = limit == longest;
  for (const Added_& a : added_)
    wholeRanges = wholeRanges && (a.binHi + n - a.binLo) % n + 2 >= longest;

  // The segments reaching each tile: those whose line cells, widened by the kernel radius,
  // meet it.
  const std::size_t tilesY = (static_cast<std::size_t>(height_) + kTile - 1) / kTile;
  std::vector<std::vector<std::uint32_t>> reaching(tilesX_ * tilesY);
  for (std::size_t a = 0; a < added_.size(); ++a) {
    prepareKernel_(added_[a].distTol);
    long minX, maxX, minY, maxY;
    if (!lineCellBox(added_[a].g1, added_[a].g2, width_, height_, minX, maxX, minY, maxY)) continue;
    const long r = kernel_.radius;
    const std::size_t tx0 = static_cast<std::size_t>(std::max(0L, minX - r)) / kTile;
    const std::size_t tx1 = static_cast<std::size_t>(std::min(width_ - 1, maxX + r)) / kTile;
    const std::size_t ty0 = static_cast<std::size_t>(std::max(0L, minY - r)) / kTile;
    const std::size_t ty1 = static_cast<std::size_t>(std::min(height_ - 1, maxY + r)) / kTile;
    for (std::size_t ty = ty0; ty <= ty1; ++ty)
      for (std::size_t tx = tx0; tx <= tx1; ++tx)
        reaching[ty * tilesX_ + tx].push_back(static_cast<std::uint32_t>(a));
  }

  // The first pass counts each tile's runs by cell and group; the second lists them with
  // their keys and sorts them into the tile's place in the entries (the list is sized for the
  // tile with the most runs at once).
  struct Run {
    std::uint32_t key;  // cell within the tile x groups + group
    BasisInfo info;
  };
  std::vector<Run> runs;
  std::vector<std::uint32_t> offsets, cursor;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> slices;
  std::vector<std::uint64_t> tileStart(reaching.size() + 1, 0);
  std::size_t mostRuns = 0;
  std::vector<BasisInfo> entries;
  std::vector<std::uint32_t> spans, cellRuns;
  for (int fill = 0; fill < 2; ++fill) {
    if (fill) {
      for (std::size_t t = 0; t < reaching.size(); ++t) tileStart[t + 1] += tileStart[t];
      if (static_cast<double>(tileStart.back()) > kMaxEntries) {
        dropUnfinished_();
        badParam(L"more than 2^32 - 1 entries");
      }
      entries.resize(static_cast<std::size_t>(tileStart.back()));
      spans.assign(2 * n * cellsPerBin_, 0);
      cellRuns.assign(2 * cellsPerBin_, 0);
      spans.swap(spans_);
      cellRuns.swap(cellRuns_);
      runs.reserve(mostRuns);
    }
    for (std::size_t t = 0; t < reaching.size(); ++t) {
      Tile_ tile{static_cast<long>(t % tilesX_ * kTile), static_cast<long>(t / tilesX_ * kTile), 0,
                 0};
      const long x1 = std::min(width_, tile.x0 + static_cast<long>(kTile)) - 1;
      const long y1 = std::min(height_, tile.y0 + static_cast<long>(kTile)) - 1;
      tile.w = static_cast<std::size_t>(x1 - tile.x0 + 1);
      tile.h = static_cast<std::size_t>(y1 - tile.y0 + 1);
      const std::vector<std::uint32_t>& list = reaching[t];
      std::uint64_t quick = 0;
      if (!fill && wholeRanges && countRunsQuickly_(list, tile.x0, x1, tile.y0, y1, quick)) {
        mostRuns = std::max<std::size_t>(mostRuns, quick);
        tileStart[t + 1] = quick;
        continue;
      }
      offsets.assign(tile.w * tile.h * groups + 1, 0);
      runs.clear();
      BasisInfo* const out = fill ? entries.data() + tileStart[t] : nullptr;
      std::size_t count = 0;
      for (std::size_t k = 0; k < list.size();) {
        const std::int32_t id = added_[list[k]].id;
        for (; k < list.size() && added_[list[k]].id == id; ++k)
          addFootprint_(added_[list[k]], tile.x0, x1, tile.y0, y1);
        takeRuns_(limit, [&](std::uint32_t k, std::size_t lo, std::size_t len, float value) {
          const auto key = static_cast<std::uint32_t>(k * groups + lo * limit + len - 1);
          ++offsets[key + 1];
          if (out != nullptr) runs.push_back(Run{key, BasisInfo{id, value}});
          ++count;
        });
      }
      for (std::size_t k = 1; k < offsets.size(); ++k) offsets[k] += offsets[k - 1];
      if (!fill) {
        mostRuns = std::max(mostRuns, count);
        tileStart[t + 1] = count + placeTile_(tile, offsets, limit, 0, nullptr, 0, slices);
        continue;
      }
      // Counting sort by cell and group; each group keeps the runs' id order. The runs and
      // copies fill the tile's place exactly as counted.
      const std::uint64_t place = tileStart[t + 1] - tileStart[t];
      VC_ASSERT(runs.size() <= place);
      cursor = offsets;
      for (const Run& run : runs) out[cursor[run.key]++] = run.info;
      const std::size_t copies =
          placeTile_(tile, offsets, limit, static_cast<std::uint32_t>(tileStart[t]), entries.data(),
                     place - runs.size(), slices);
      VC_ASSERT(runs.size() + copies == place);
    }
  }
  runs = std::vector<Run>();
  entries_ = std::move(entries);
  findBoxes_();
  finished_ = added_.size();
  dirty_ = false;
}

// For every cell of the tile and every bin: the slices of the cell's runs covering the bin
// (those starting d bins before it that span more than d bins). Leaving out empty ones, they
// mostly make one stretch, or two of which one begins the cell's runs and one ends them
// (wrapping round); else they are copied one after the other behind the tile's runs.
std::size_t vcVotingHashTable::placeTile_(
    const Tile_& tile, const std::vector<std::uint32_t>& offsets, std::size_t limit,
    std::uint32_t base, BasisInfo* entries, std::size_t room,
    std::vector<std::pair<std::uint32_t, std::uint32_t>>& slices) {
  const std::size_t n = static_cast<std::size_t>(numBins_);
  const std::size_t groups = n * limit;
  const std::uint32_t runsEnd = offsets.back();
  std::size_t copies = 0;
  for (std::size_t k = 0; k < tile.w * tile.h; ++k) {
    const std::size_t c =
        (static_cast<std::size_t>(tile.y0) + k / tile.w) * static_cast<std::size_t>(width_) +
        static_cast<std::size_t>(tile.x0) + k % tile.w;
    const std::uint32_t* o = offsets.data() + k * groups;
    const std::uint32_t begin = o[0], end = o[groups];
    if (begin == end) continue;  // an empty cell
    if (entries != nullptr) {
      cellRuns_[2 * c] = base + begin;
      cellRuns_[2 * c + 1] = base + end;
    }
    for (std::size_t b = 0; b < n; ++b) {
      slices.clear();
      for (std::size_t d = 0; d < limit; ++d) {
        const std::size_t lo = d <= b ? b - d : b + n - d;
        const std::uint32_t from = o[lo * limit + d], to = o[lo * limit + limit];
        if (from != to) slices.emplace_back(from, to);
      }
      if (slices.empty()) continue;
      std::sort(slices.begin(), slices.end());
      std::size_t gaps = 0, gap = 0;
      for (std::size_t s = 1; s < slices.size(); ++s)
        if (slices[s].first != slices[s - 1].second) {
          ++gaps;
          gap = s;
        }
      std::uint32_t from = 0, to = 0;
      if (gaps == 0) {
        from = slices.front().first;
        to = slices.back().second;
      } else if (gaps == 1 && slices.front().first == begin && slices.back().second == end) {
        from = slices[gap].first;
        to = slices[gap - 1].second;
      } else {
        from = static_cast<std::uint32_t>(runsEnd + copies);
        for (const auto& slice : slices) {
          const std::size_t size = slice.second - slice.first;
          if (entries != nullptr) {
            VC_ASSERT(copies + size <= room);
            std::copy(entries + base + slice.first, entries + base + slice.second,
                      entries + base + runsEnd + copies);
          }
          copies += size;
        }
        to = static_cast<std::uint32_t>(runsEnd + copies);
      }
      if (entries != nullptr) {
        std::uint32_t* span = spans_.data() + 2 * (b * cellsPerBin_ + c);
        span[0] = base + from;
        span[1] = base + to;
      }
    }
  }
  return copies;
}

// The box of each bin's filled cells, and of all bins together.
void vcVotingHashTable::findBoxes_() {
  const std::size_t n = static_cast<std::size_t>(numBins_);
  boxes_.assign(n, Box_());
  filled_ = Box_();
  long fx0 = std::numeric_limits<long>::max(), fy0 = fx0, fx1 = -1, fy1 = -1;
  for (std::size_t b = 0; b < n; ++b) {
    long x0 = std::numeric_limits<long>::max(), y0 = x0, x1 = -1, y1 = -1;
    const std::uint32_t* span = spans_.data() + 2 * b * cellsPerBin_;
    for (std::size_t c = 0; c < cellsPerBin_; ++c) {
      if (span[2 * c] == span[2 * c + 1]) continue;
      const long x = static_cast<long>(c % static_cast<std::size_t>(width_));
      const long y = static_cast<long>(c / static_cast<std::size_t>(width_));
      x0 = std::min(x0, x);
      x1 = std::max(x1, x);
      y0 = std::min(y0, y);
      y1 = std::max(y1, y);
    }
    if (x1 < 0) continue;
    boxes_[b] = Box_{x0,
                     y0,
                     x1 - x0 + 1,
                     y1 - y0 + 1,
                     static_cast<double>(x0 - 1),
                     static_cast<double>(x1 + 1),
                     static_cast<double>(y0 - 1),
                     static_cast<double>(y1 + 1)};
    fx0 = std::min(fx0, x0);
    fy0 = std::min(fy0, y0);
    fx1 = std::max(fx1, x1);
    fy1 = std::max(fy1, y1);
  }
  if (fx1 >= 0) filled_ = Box_{fx0, fy0, fx1 - fx0 + 1, fy1 - fy0 + 1};
}

// Forgets the segments stored since the last finish (their bins count as empty again unless
// an earlier segment filled them).
void vcVotingHashTable::dropUnfinished_() {
  added_.resize(finished_);
  lastId_ = added_.empty() ? -1 : added_.back().id;
  std::fill(binEmpty_.begin(), binEmpty_.end(), std::uint8_t{1});
  const long nBins = numAngleBins();
  for (const Added_& a : added_)
    for (long b = static_cast<long>(a.binLo);; b = (b + 1) % nBins) {
      binEmpty_[static_cast<std::size_t>(b)] = 0;
      if (b == static_cast<long>(a.binHi)) break;
    }
  for (const std::uint32_t c : touched_) slots_[c] = Slot_();
  touched_.clear();
  others_.clear();
  dirty_ = false;
}

void vcVotingHashTable::reserveSegments(long count) {
  if (count < 0 || static_cast<double>(count) > kMaxEntries)
    badParam(L"reserveSegments: count must be in [0, 2^32 - 1], got " + vfStr(count));
  added_.reserve(added_.size() + static_cast<std::size_t>(count));
}

void vcVotingHashTable::shrinkToFit() {
  finish_();
  slots_ = std::vector<Slot_>();
  others_ = std::vector<Other_>();
  binSums_ = std::vector<float>();
  binHeld_ = std::vector<std::uint8_t>();
  touched_ = std::vector<std::uint32_t>();
  patch_ = std::vector<double>();
  spanLo_ = std::vector<long>();
  spanHi_ = std::vector<long>();
  rowSpans_ = std::vector<RowSpan_>();
}
