#include "platform/ip/edge_neighbours.h"

#include <algorithm>

#include "platform/base/assert.h"

namespace vc_edge_detail {

namespace {

// The first edgelet of every row of `edges` (rows y0 to y0 + height - 1) and one past the last
// row; rows without edgelets start where the next one does. Checks raster order.
void findRowStarts(long y0, long height, const std::vector<vcEdgelet>& edges,
                   std::vector<std::uint32_t>& starts) {
  const std::size_t n = edges.size();
  VC_ASSERT(height >= 0 && n < std::size_t(UINT32_MAX));
  const vcEdgelet* e = edges.data();
  starts.assign(std::size_t(height + 1), std::uint32_t(n));
  long row = -1;
  for (std::size_t k = 0; k < n; ++k) {
    const long j = long(e[k].get_j()) - y0;
    if (k > 0 && j == row) {
      VC_ASSERT(e[k - 1].get_i() < e[k].get_i());
      continue;
    }
    VC_ASSERT(j > row && j >= 0 && j < height);
    while (row < j) starts[std::size_t(++row)] = std::uint32_t(k);
  }
}

}  // namespace

template <bool kOwn, bool kAbove>
void EdgeletNeighbours::linkRow(const vcEdgelet* e, long j) {
  Around* around = around_.data();
  const std::size_t first = rowStart_[std::size_t(j)], last = rowStart_[std::size_t(j + 1)];
  if (first == last) return;
  if (kOwn)
    for (std::size_t k = first + 1; k < last; ++k)
      if (e[k - 1].get_i() + 1 == e[k].get_i()) {
        around[k].slots |= 1u << 3;
        around[k - 1].slots |= 1u << 5;
      }
  if (j == 0) return;
  // Both rows walked together; each neighbour above also has the edgelet below it as a
  // neighbour there.
  std::size_t up = rowStart_[std::size_t(j - 1)];
  const std::size_t upEnd = first;
  for (std::size_t k = first; k < last && up < upEnd; ++k) {
    const int i = e[k].get_i();
    while (up < upEnd && int(e[up].get_i()) + 1 < i) ++up;
    unsigned slots = 0;
    for (std::size_t m = up; m < upEnd && int(e[m].get_i()) <= i + 1; ++m) {
      const int di = int(e[m].get_i()) - i;
      slots |= 1u << (di + 1);
      if (kAbove) {
        // The first edgelet below m in raster order is where m's neighbours below begin.
        if ((around[m].slots & (7u << 6)) == 0) around[m].down = std::uint32_t(k);
        around[m].slots |= std::uint16_t(1u << (7 - di));
      }
    }
    if (kOwn) {
      around[k].up = std::uint32_t(up);
      around[k].slots |= std::uint16_t(slots);
    }
  }
}

void EdgeletNeighbours::build(long y0, long height, const std::vector<vcEdgelet>& edges) {
  y0_ = y0;
  findRowStarts(y0, height, edges, rowStart_);
  around_.assign(edges.size(), Around{});
  for (long j = 0; j < height; ++j) linkRow<true, true>(edges.data(), j);
}

void EdgeletNeighbours::update(const std::vector<vcEdgelet>& edges) {
  const long height = long(rowStart_.size()) - 1;
  const std::vector<std::uint32_t>& before = rowStart_;
  std::vector<std::uint32_t> after;
  findRowStarts(y0_, height, edges, after);
  const auto count = [](const std::vector<std::uint32_t>& starts, long j) {
    return starts[std::size_t(j + 1)] - starts[std::size_t(j)];
  };
  // Edgelets were only added or only removed: no row grew while another shrank.
  bool grown = false, shrunk = false;
  for (long j = 0; j < height; ++j) {
    grown = grown || count(after, j) > count(before, j);
    shrunk = shrunk || count(after, j) < count(before, j);
  }
  VC_ASSERT(!(grown && shrunk));
  // The rows that changed, and those whose neighbours are found again: a row that changed and
  // the rows next to it.
  std::vector<std::uint8_t> changed(std::size_t(height + 2), 0), redo(std::size_t(height), 0);
  for (long j = 0; j < height; ++j)
    changed[std::size_t(j + 1)] = count(after, j) != count(before, j);
  for (long j = 0; j < height; ++j)
    redo[std::size_t(j)] =
        changed[std::size_t(j)] | changed[std::size_t(j + 1)] | changed[std::size_t(j + 2)];

  // The other rows keep their neighbours, moved with the rows above and below.
  std::vector<Around> around(edges.size());
  const auto shift = [&](long j) { return after[std::size_t(j)] - before[std::size_t(j)]; };
  for (long j = 0; j < height; ++j) {
    if (redo[std::size_t(j)]) continue;
    const std::uint32_t upShift = j > 0 ? shift(j - 1) : 0;
    const std::uint32_t downShift = j + 1 < height ? shift(j + 1) : 0;
    const std::uint32_t from = before[std::size_t(j)], to = after[std::size_t(j)];
    for (std::uint32_t t = 0; t < count(before, j); ++t) {
      Around a = around_[from + t];
      a.up += upShift;  // unsigned: a slot without neighbours may wrap, unread
      a.down += downShift;
      around[to + t] = a;
    }
  }
  around_.swap(around);
  rowStart_.swap(after);
  for (long j = 0; j < height; ++j) {
    const bool own = redo[std::size_t(j)], above = j > 0 && redo[std::size_t(j - 1)];
    if (own && above)
      linkRow<true, true>(edges.data(), j);
    else if (own)
      linkRow<true, false>(edges.data(), j);
    else if (above)
      linkRow<false, true>(edges.data(), j);
  }
}

void EdgeletNeighbours::remove(const std::vector<std::uint8_t>& gone) {
  const std::size_t n = around_.size();
  VC_ASSERT(gone.size() == n);
  // Where every edgelet kept goes: the number kept before it; one past the last at the end. A
  // removed edgelet maps to the next one kept, so the first neighbour kept in a row above or
  // below is where the first neighbour there was.
  std::vector<std::uint32_t> to(n + 1);
  std::uint32_t kept = 0;
  for (std::size_t k = 0; k < n; ++k) {
    to[k] = kept;
    kept += gone[k] ? 0u : 1u;
  }
  to[n] = kept;
  // The neighbours kept of the edgelets removed lose them: each lies in the slot opposite to
  // theirs. (The edgelets removed keep their slots, which their visits count on.)
  for (std::size_t k = 0; k < n; ++k)
    if (gone[k])
      forEachByRows(k, [&](std::size_t m, int slot) {
        if (!gone[m]) around_[m].slots &= std::uint16_t(~(1u << (8 - slot)));
      });
  std::size_t at = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (gone[k]) continue;
    Around a = around_[k];
    if (a.slots & 7u) a.up = to[a.up];
    if (a.slots & (7u << 6)) a.down = to[a.down];
    around_[at++] = a;
  }
  around_.resize(kept);
  for (std::uint32_t& start : rowStart_) start = to[start];
}

void EdgeletNeighbours::insert(const std::vector<vcEdgelet>& edges,
                               const std::vector<std::uint8_t>& added) {
  const std::size_t n = edges.size(), before = around_.size();
  VC_ASSERT(added.size() == n);
  // Where every edgelet indexed goes, and one past the last at the end; and those added.
  std::vector<std::uint32_t> to(before + 1), fresh;
  std::size_t old = 0;
  for (std::size_t k = 0; k < n; ++k)
    if (added[k]) {
      fresh.push_back(std::uint32_t(k));
    } else {
      VC_ASSERT(old < before);
      to[old++] = std::uint32_t(k);
    }
  VC_ASSERT(old == before);
  to[before] = std::uint32_t(n);
  // Every row starts later by the edgelets added to the rows above it. The list stays in
  // raster order, one edgelet per pixel, where each one added is so with those next to it.
  const vcEdgelet* e = edges.data();
  const long height = long(rowStart_.size()) - 1;
  const auto precedes = [&](std::size_t a, std::size_t b) {
    return e[a].get_j() < e[b].get_j() ||
           (e[a].get_j() == e[b].get_j() && e[a].get_i() < e[b].get_i());
  };
  std::vector<std::uint32_t> starts(std::size_t(height + 1), 0);
  for (const std::uint32_t k : fresh) {
    const long j = long(e[k].get_j()) - y0_;
    VC_ASSERT(j >= 0 && j < height && (k == 0 || precedes(k - 1, k)) &&
              (k + 1 == n || precedes(k, k + 1)));
    ++starts[std::size_t(j + 1)];
  }
  for (long j = 0; j < height; ++j) starts[std::size_t(j + 1)] += starts[std::size_t(j)];
  for (long j = 0; j <= height; ++j) starts[std::size_t(j)] += rowStart_[std::size_t(j)];
  std::vector<Around> around(n);
  for (std::size_t k = 0; k < before; ++k) {
    Around a = around_[k];
    if (a.slots & 7u) a.up = to[a.up];
    if (a.slots & (7u << 6)) a.down = to[a.down];
    around[to[k]] = a;
  }
  // Each edgelet added finds its neighbours in its row and the rows above and below, and
  // becomes theirs; one added too finds its own.
  for (const std::uint32_t k : fresh) {
    const long i = e[k].get_i(), j = long(e[k].get_j()) - y0_;
    Around& a = around[k];
    const auto join = [&](std::size_t m, int slot) {
      a.slots = std::uint16_t(a.slots | (1u << slot));
      if (added[m]) return;
      Around& b = around[m];
      const int back = 8 - slot;
      const auto at = std::uint32_t(k);
      if (back < 3 && ((b.slots & 7u) == 0 || at < b.up)) b.up = at;
      if (back > 5 && ((b.slots & (7u << 6)) == 0 || at < b.down)) b.down = at;
      b.slots = std::uint16_t(b.slots | (1u << back));
    };
    if (k > starts[std::size_t(j)] && long(e[k - 1].get_i()) + 1 == i) join(k - 1, 3);
    if (k + 1 < starts[std::size_t(j + 1)] && long(e[k + 1].get_i()) == i + 1) join(k + 1, 5);
    for (const long dj : {-1L, 1L}) {
      const long r = j + dj;
      if (r < 0 || r >= height) continue;
      const auto first = edges.begin() + std::ptrdiff_t(starts[std::size_t(r)]);
      const auto last = edges.begin() + std::ptrdiff_t(starts[std::size_t(r + 1)]);
      const auto from = std::lower_bound(first, last, i - 1, [](const vcEdgelet& x, long column) {
        return long(x.get_i()) < column;
      });
      const auto m0 = std::uint32_t(from - edges.begin());
      if (from != last && long(from->get_i()) <= i + 1) (dj < 0 ? a.up : a.down) = m0;
      for (std::size_t m = m0; m < starts[std::size_t(r + 1)] && long(e[m].get_i()) <= i + 1; ++m)
        join(m, int(3 * (dj + 1) + (long(e[m].get_i()) - i + 1)));
    }
  }
  around_.swap(around);
  rowStart_.swap(starts);
}

std::size_t EdgeletNeighbours::atOrAfter(const std::vector<vcEdgelet>& edges, long i,
                                         long j) const {
  VC_ASSERT(edges.size() == size());
  const long r = j - y0_;
  if (r < 0) return 0;
  if (r + 1 >= long(rowStart_.size())) return edges.size();
  const auto first = edges.begin() + std::ptrdiff_t(rowStart_[std::size_t(r)]);
  const auto last = edges.begin() + std::ptrdiff_t(rowStart_[std::size_t(r + 1)]);
  const auto m = std::lower_bound(
      first, last, i, [](const vcEdgelet& e, long column) { return long(e.get_i()) < column; });
  return std::size_t(m - edges.begin());
}

std::size_t EdgeletNeighbours::find(const std::vector<vcEdgelet>& edges, long i, long j) const {
  const std::size_t m = atOrAfter(edges, i, j);
  return m < edges.size() && long(edges[m].get_i()) == i && long(edges[m].get_j()) == j
             ? m
             : edges.size();
}

}  // namespace vc_edge_detail
