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

// ---- Training ----------------------------------------------------------------------------

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

// Adds the footprint of one stored segment to the open id's values in every angle bin of its
// range: the kernel around every line cell, clipped to the grid. Values of one id in one cell
// add up and are capped at 1.0 when the id is closed (the kernel values are not negative, so
// capping once gives the value of capping after every addition).
void vcVotingHashTable::addFootprint_(const Added_& added, long x0, long x1, long y0, long y1) {
  prepareKernel_(added.distTol);
  // Kernel normalisation: a cell on a long stored line gathers binSize / normaliser.
  const long r = kernel_.radius;
  const long side = 2 * r + 1;
  const double norm = 1.0 / (kernel_.columnSum * (added.normaliser / binSize_));

  // Line cells: the grid is the same for every angle bin, so the footprint is summed once.
  long minX = width_, maxX = -1, minY = height_, maxY = -1;
  for (auto it = lineCells(added.g1, added.g2, width_, height_); !it.done(); it.next()) {
    minX = std::min(minX, static_cast<long>(it.x()));
    maxX = std::max(maxX, static_cast<long>(it.x()));
    minY = std::min(minY, static_cast<long>(it.y()));
    maxY = std::max(maxY, static_cast<long>(it.y()));
  }
  if (maxX < 0) return;

  // The footprint, summed into a patch that covers the line's cells widened by r, within the
  // given cells.
  const long px0 = std::max(x0, minX - r), px1 = std::min(x1, maxX + r);
  const long py0 = std::max(y0, minY - r), py1 = std::min(y1, maxY + r);
  if (px0 > px1 || py0 > py1) return;
  const long pw = px1 - px0 + 1, ph = py1 - py0 + 1;
  patch_.assign(static_cast<std::size_t>(pw * ph), 0.0);
  spanLo_.assign(static_cast<std::size_t>(ph), px1 + 1);
  spanHi_.assign(static_cast<std::size_t>(ph), px0 - 1);
  for (auto it = lineCells(added.g1, added.g2, width_, height_); !it.done(); it.next()) {
    const long cx = static_cast<long>(it.x()), cy = static_cast<long>(it.y());
    const long i0 = std::max(-r, px0 - cx), i1 = std::min(r, px1 - cx);
    const long j0 = std::max(-r, py0 - cy), j1 = std::min(r, py1 - cy);
    if (i0 > i1) continue;  // the kernel does not reach the patch
    for (long j = j0; j <= j1; ++j) {
      const long row = cy + j - py0;
      double* out = &patch_[static_cast<std::size_t>(row * pw + (cx - px0))];
      const double* k = &kernel_.values[static_cast<std::size_t>((j + r) * side + r)];
      for (long i = i0; i <= i1; ++i) out[i] += k[i];
      spanLo_[static_cast<std::size_t>(row)] =
          std::min(spanLo_[static_cast<std::size_t>(row)], cx + i0);
      spanHi_[static_cast<std::size_t>(row)] =
          std::max(spanHi_[static_cast<std::size_t>(row)], cx + i1);
    }
  }

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

  // The segments reaching each tile: those whose line cells, widened by the kernel radius,
  // meet it.
  const std::size_t tilesY = (static_cast<std::size_t>(height_) + kTile - 1) / kTile;
  std::vector<std::vector<std::uint32_t>> reaching(tilesX_ * tilesY);
  for (std::size_t a = 0; a < added_.size(); ++a) {
    prepareKernel_(added_[a].distTol);
    long minX = width_, maxX = -1, minY = height_, maxY = -1;
    for (auto it = lineCells(added_[a].g1, added_[a].g2, width_, height_); !it.done(); it.next()) {
      minX = std::min(minX, static_cast<long>(it.x()));
      maxX = std::max(maxX, static_cast<long>(it.x()));
      minY = std::min(minY, static_cast<long>(it.y()));
      maxY = std::max(maxY, static_cast<long>(it.y()));
    }
    if (maxX < 0) continue;
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
      offsets.assign(tile.w * tile.h * groups + 1, 0);
      runs.clear();
      BasisInfo* const out = fill ? entries.data() + tileStart[t] : nullptr;
      std::size_t count = 0;
      const std::vector<std::uint32_t>& list = reaching[t];
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
        tileStart[t + 1] = count + placeTile_(tile, offsets, limit, 0, nullptr, slices);
        continue;
      }
      // Counting sort by cell and group, each group keeping the runs' id order: every key
      // becomes its run's place, and the runs are swapped into place cycle by cycle.
      cursor = offsets;
      for (const Run& run : runs) out[cursor[run.key]++] = run.info;
      placeTile_(tile, offsets, limit, static_cast<std::uint32_t>(tileStart[t]), entries.data(),
                 slices);
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
    std::uint32_t base, BasisInfo* entries,
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
          if (entries != nullptr)
            std::copy(entries + base + slice.first, entries + base + slice.second,
                      entries + base + runsEnd + copies);
          copies += slice.second - slice.first;
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
           slots_.capacity() * sizeof(Slot_) + others_.capacity() * sizeof(Other_) +
           binSums_.capacity() * sizeof(float) + binHeld_.capacity() +
           touched_.capacity() * sizeof(std::uint32_t) + added_.capacity() * sizeof(Added_);
  return bytes;
}
