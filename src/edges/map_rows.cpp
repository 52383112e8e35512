#include "edges/map_rows.h"

#include <algorithm>
#include <climits>

#include "platform/base/assert.h"
#include "platform/cpu/avx2.h"

namespace vc_tracker_detail {
namespace {

// A run followed by more of the row is written as a fixed block of kRunBlock cells from its
// first cell, whatever its length, and only a longer run needs more; the block's cells past
// the run are written again by what follows in the row. A fixed length saves a mispredicted
// branch per run on texture, where run lengths are random. Rows whose remaining cells are
// fewer than a block use the exact runs.
constexpr long kRunBlock = 32;

// The row of edgelets from k on whose get_j() is j, run by run, with Block::fill(row, from, to)
// writing a run followed by more of the row; returns the index after them.
template <class Block>
[[gnu::always_inline]] inline std::size_t writeRuns(std::int32_t* row, long w,
                                                    const std::vector<vcEdgelet>& edges,
                                                    std::size_t k, long ox, long j) {
  const vcEdgelet* e = edges.data();
  const std::size_t n = edges.size();
  long column = 0;
  for (; k < n && e[k].get_j() == j; ++k) {
    const long i = e[k].get_i() - ox;
    VC_ASSERT(i >= column && i < w);
    if (column + kRunBlock <= w)
      Block::fill(row, column, i);
    else
      fillRun(row, column, i);
    row[i] = std::int32_t(k);
    column = i + 1;
  }
  fillRun(row, column, w);
  return k;
}

struct PortableBlock {
  static void fill(std::int32_t* row, long from, long to) {
    const std::int32_t first = std::int32_t(from - to);
    for (long c = 0; c < kRunBlock; ++c) row[from + c] = first + std::int32_t(c);
    fillRun(row, from + kRunBlock, to);
  }
};

constexpr std::int32_t kNone = INT32_MAX;  // no edgelet at this column

#if VC_AVX2

// A block as four stores of eight cells, a longer run eight cells at a time. Not forced inline
// (the row loop is built for the default target first), but inlined into the AVX2 writer.
struct Avx2Block {
  [[gnu::target("avx2")]] static void fill(std::int32_t* row, long from, long to) {
    const __m256i eight = _mm256_set1_epi32(8);
    __m256i run = _mm256_add_epi32(_mm256_set1_epi32(std::int32_t(from - to)),
                                   _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    for (long c = 0; c < kRunBlock; c += 8) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + from + c), run);
      run = _mm256_add_epi32(run, eight);
    }
    long c = from + kRunBlock;
    for (; c + 8 <= to; c += 8, run = _mm256_add_epi32(run, eight))
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + c), run);
    fillRun(row, c, to);
  }
};

[[gnu::target("avx2")]] std::size_t writeRunsAvx2(std::int32_t* row, long w,
                                                  const std::vector<vcEdgelet>& edges,
                                                  std::size_t k, long ox, long j) {
  return writeRuns<Avx2Block>(row, w, edges, k, ox, j);
}

// Every cell from the right end, eight at a time: the next edgelet's column at or after each
// cell is the minimum of `at` over the cells from it to the row end (the row end counting as
// an edgelet at column w), found within the eight by three shifted minimums and carried on
// from the eight to their right. A cell holds its edgelet's index where one is, else its
// column minus that next column.
[[gnu::target("avx2")]] void writeCells(std::int32_t* row, long w, const std::int32_t* at,
                                        const std::int32_t* index) {
  const __m256i by1 = _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 7);
  const __m256i by2 = _mm256_setr_epi32(2, 3, 4, 5, 6, 7, 7, 7);
  const __m256i by4 = _mm256_setr_epi32(4, 5, 6, 7, 7, 7, 7, 7);
  const __m256i iota = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256i next = _mm256_set1_epi32(std::int32_t(w));
  for (long c = (w - 1) / 8 * 8; c >= 0; c -= 8) {
    __m256i m = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + c));
    m = _mm256_min_epi32(m, _mm256_permutevar8x32_epi32(m, by1));
    m = _mm256_min_epi32(m, _mm256_permutevar8x32_epi32(m, by2));
    m = _mm256_min_epi32(m, _mm256_permutevar8x32_epi32(m, by4));
    m = _mm256_min_epi32(m, next);
    next = _mm256_permutevar8x32_epi32(m, _mm256_setzero_si256());
    const __m256i columns = _mm256_add_epi32(_mm256_set1_epi32(std::int32_t(c)), iota);
    const __m256i cells =
        _mm256_blendv_epi8(_mm256_sub_epi32(columns, m),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + c)),
                           _mm256_cmpeq_epi32(m, columns));
    if (c + 8 <= w) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + c), cells);
    } else {
      const __m256i inRow = _mm256_cmpgt_epi32(_mm256_set1_epi32(std::int32_t(w)), columns);
      _mm256_maskstore_epi32(row + c, inRow, cells);
    }
  }
}

#endif

}  // namespace

MapRowWriter::MapRowWriter(long w) : w_(w), avx2_(false) {
#if VC_AVX2
  avx2_ = vfUseAvx2();
#endif
  // Room for the last group of eight beyond the row end.
  if (avx2_) {
    at_.assign(std::size_t(w + 8), kNone);
    index_.assign(std::size_t(w + 8), 0);
  }
}

std::size_t MapRowWriter::write(std::int32_t* row, const std::vector<vcEdgelet>& edges,
                                std::size_t k, long ox, long j) {
  const std::size_t first = k;
#if VC_AVX2
  if (avx2_ && dense_) {
    std::fill(at_.begin(), at_.begin() + w_, kNone);
    std::int32_t* at = at_.data();
    std::int32_t* index = index_.data();
    const vcEdgelet* e = edges.data();
    const std::size_t n = edges.size();
    for (long column = 0; k < n && e[k].get_j() == j; ++k) {
      const long i = e[k].get_i() - ox;
      VC_ASSERT(i >= column && i < w_);
      at[i] = std::int32_t(i);
      index[i] = std::int32_t(k);
      column = i + 1;
    }
    writeCells(row, w_, at, index);
  } else if (avx2_) {
    k = writeRunsAvx2(row, w_, edges, k, ox, j);
  } else
#endif
  {
    k = writeRuns<PortableBlock>(row, w_, edges, k, ox, j);
  }
  // Rows next to each other hold about as many edgelets: the next row is written the way that
  // suits this one, cell by cell where more than one cell in kDense holds an edgelet.
  constexpr long kDense = 8;
  dense_ = long(k - first) * kDense > w_;
  return k;
}

}  // namespace vc_tracker_detail
