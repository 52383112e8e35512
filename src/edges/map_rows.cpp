#include "edges/map_rows.h"

#include "platform/base/assert.h"
#include "platform/ip/edge_avx2.h"

namespace vc_tracker_detail {
namespace {

// A run followed by more of the row is written as a fixed block of kRunBlock cells from its
// first cell, whatever its length, and only a longer run needs more; the block's cells past
// the run are written again by what follows in the row. A fixed length saves a mispredicted
// branch per run on texture, where run lengths are random. Rows whose remaining cells are
// fewer than a block use the exact runs.
constexpr long kRunBlock = 32;

// The row, with Block::fill(row, from, to) writing a run followed by more of the row.
template <class Block>
[[gnu::always_inline]] inline std::size_t writeRow(std::int32_t* row, long w,
                                                   const std::vector<vcEdgelet>& edges,
                                                   std::size_t k, long ox, long j) {
  long column = 0;
  for (; k < edges.size() && edges[k].get_j() == j; ++k) {
    const long i = edges[k].get_i() - ox;
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

std::size_t writeRowPortable(std::int32_t* row, long w, const std::vector<vcEdgelet>& edges,
                             std::size_t k, long ox, long j) {
  return writeRow<PortableBlock>(row, w, edges, k, ox, j);
}

#if VC_EDGE_AVX2

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

[[gnu::target("avx2")]] std::size_t writeRowAvx2(std::int32_t* row, long w,
                                                 const std::vector<vcEdgelet>& edges, std::size_t k,
                                                 long ox, long j) {
  return writeRow<Avx2Block>(row, w, edges, k, ox, j);
}

#endif

}  // namespace

MapRowWriter mapRowWriter() {
#if VC_EDGE_AVX2
  if (__builtin_cpu_supports("avx2")) return writeRowAvx2;
#endif
  return writeRowPortable;
}

}  // namespace vc_tracker_detail
