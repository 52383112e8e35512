#include "platform/ip/median_9x9.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/cpu/simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The AVX2 instance relies on GCC's flatten: the templates are checked as ordinary functions
// and only become AVX2 code once inlined into filterStripsAvx2. Clang refuses 32-byte vectors
// in the signatures of functions not compiled for AVX, so clang builds take the SSE2 lanes.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#include <immintrin.h>
#define MEDIAN_9X9_AVX2 1
// The 32-lane vectors never cross a call boundary (everything that uses them is inlined into
// one AVX2 function), so the warning about their calling convention does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#include "platform/ip/median_network.h"

// The image is filtered in vertical strips, so that the intermediate rows of a strip stay in
// the first-level cache, and down each strip two output rows at a time:
//  1. Sort every column of 9: the 8 rows two neighbouring output rows share are sorted once,
//     then the row above and the row below are merged in.
//  2. Merge neighbouring sorted columns into sorted pairs (18 values), kept for every column.
//  3. Merge pairs two columns apart into sorted quadruples (36 values), kept for every column.
//  4. Per output pixel, select rank 40 from quadruples x and x + 4 and column x + 8.
// A vector lane holds one column, so each step runs on 16 (SSE2) or 32 (AVX2) neighbouring
// columns at once; the data a step reads for column x + d comes from the rows the previous
// step wrote, at x + d.

namespace vc_ip_detail {

namespace {

constexpr long kStrip = 256;  // output columns per strip

// Lanes of 16 grey levels (SSE2, the x86-64 baseline) with their lane-wise minimum and maximum;
// the compiler does not find pminub/pmaxub in the portable vector form.
struct Lanes16 {
  using Lanes = uint8_t __attribute__((vector_size(16)));
  static Lanes load(const uint8_t* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static void store(uint8_t* p, Lanes v) { std::memcpy(p, &v, sizeof v); }
#if defined(__SSE2__)
  static Lanes min(Lanes a, Lanes b) { return Lanes(_mm_min_epu8(__m128i(a), __m128i(b))); }
  static Lanes max(Lanes a, Lanes b) { return Lanes(_mm_max_epu8(__m128i(a), __m128i(b))); }
#else
  static Lanes min(Lanes a, Lanes b) { return a < b ? a : b; }
  static Lanes max(Lanes a, Lanes b) { return a > b ? a : b; }
#endif
};

#if defined(MEDIAN_9X9_AVX2)
// Lanes of 32 grey levels for processors with AVX2, chosen at run time. Every function that
// touches them is compiled for AVX2 and inlined into filterStripsAvx2 below.
struct Lanes32 {
  using Lanes = uint8_t __attribute__((vector_size(32)));
  __attribute__((target("avx2"))) static Lanes load(const uint8_t* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  __attribute__((target("avx2"))) static void store(uint8_t* p, Lanes v) {
    std::memcpy(p, &v, sizeof v);
  }
  __attribute__((target("avx2"))) static Lanes min(Lanes a, Lanes b) {
    return Lanes(_mm256_min_epu8(__m256i(a), __m256i(b)));
  }
  __attribute__((target("avx2"))) static Lanes max(Lanes a, Lanes b) {
    return Lanes(_mm256_max_epu8(__m256i(a), __m256i(b)));
  }
};
#endif

// Step 1: inputs 0..7 the shared rows, 8 the row above, 9 the row below; outputs the sorted
// column of the upper output row, then that of the lower one.
constexpr MedianNetworkBuilder buildColumns() {
  MedianNetworkBuilder b(10);
  const MedianRun shared = b.sort(0, 8);
  b.output(b.merge(shared, b.inputs(8, 1)));
  b.output(b.merge(shared, b.inputs(9, 1)));
  return b;
}

// Step 2: two sorted columns in, their sorted 18 out.
constexpr MedianNetworkBuilder buildPairs() {
  MedianNetworkBuilder b(18);
  b.output(b.merge(b.inputs(0, 9), b.inputs(9, 9)));
  return b;
}

// Step 3: two sorted pairs in, their sorted 36 out.
constexpr MedianNetworkBuilder buildQuads() {
  MedianNetworkBuilder b(36);
  b.output(b.merge(b.inputs(0, 18), b.inputs(18, 18)));
  return b;
}

// Step 4: quadruples x and x + 4 and column x + 8 in, rank 40 of the 81 out.
constexpr MedianNetworkBuilder buildMedian() {
  MedianNetworkBuilder b(81);
  b.output(b.merge(b.inputs(0, 36), b.merge(b.inputs(36, 36), b.inputs(72, 9))), 40, 1);
  return b;
}

constexpr auto kColumns = compactMedianNetwork<buildColumns>();
constexpr auto kPairs = compactMedianNetwork<buildPairs>();
constexpr auto kQuads = compactMedianNetwork<buildQuads>();
constexpr auto kMedian = compactMedianNetwork<buildMedian>();

// Row buffers of one strip: sorted columns of the two output rows, pairs and quadruples,
// each row one rank, indexed by the strip's column.
struct StripRows {
  uint8_t* columns[2][9];
  uint8_t* pairs[18];
  uint8_t* quads[36];
};

// Step 1 for `count` columns from `in` (padded row y, strip's first column); `lower` tells
// whether the lower output row exists (row y + 9 is read only then).
template <class L>
void sortColumns(const uint8_t* in, long stride, long count, bool lower, StripRows& rows) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  const uint8_t* below = in + (lower ? 9 : 8) * stride;
  for (long u = 0; u < count; u += kLanes) {
    typename L::Lanes v[kColumns.kValues];
    for (int r = 0; r < 8; ++r) v[r] = L::load(in + (r + 1) * stride + u);
    v[8] = L::load(in + u);
    v[9] = L::load(below + u);
    runMedianNetwork<kColumns, L>(v);
    for (int r = 0; r < 9; ++r) {
      L::store(rows.columns[0][r] + u, v[kColumns.outputs[r]]);
      L::store(rows.columns[1][r] + u, v[kColumns.outputs[9 + r]]);
    }
  }
}

// Steps 2 to 4 for one output row of `count` pixels from the sorted columns.
template <class L>
void filterRow(uint8_t* const* columns, long count, StripRows& rows, uint8_t* out) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  // Pairs of neighbouring columns, for strip columns 0 .. count + 5.
  for (long u = 0; u < count + 6; u += kLanes) {
    typename L::Lanes v[kPairs.kValues];
    for (int r = 0; r < 9; ++r) {
      v[r] = L::load(columns[r] + u);
      v[9 + r] = L::load(columns[r] + u + 1);
    }
    runMedianNetwork<kPairs, L>(v);
    for (int r = 0; r < 18; ++r) L::store(rows.pairs[r] + u, v[kPairs.outputs[r]]);
  }
  // Quadruples from pairs two columns apart, for strip columns 0 .. count + 3.
  for (long u = 0; u < count + 4; u += kLanes) {
    typename L::Lanes v[kQuads.kValues];
    for (int r = 0; r < 18; ++r) {
      v[r] = L::load(rows.pairs[r] + u);
      v[18 + r] = L::load(rows.pairs[r] + u + 2);
    }
    runMedianNetwork<kQuads, L>(v);
    for (int r = 0; r < 36; ++r) L::store(rows.quads[r] + u, v[kQuads.outputs[r]]);
  }
  // The median of quadruples u and u + 4 and column u + 8.
  for (long u = 0; u < count; u += kLanes) {
    typename L::Lanes v[kMedian.kValues];
    for (int r = 0; r < 36; ++r) {
      v[r] = L::load(rows.quads[r] + u);
      v[36 + r] = L::load(rows.quads[r] + u + 4);
    }
    for (int r = 0; r < 9; ++r) v[72 + r] = L::load(columns[r] + u + 8);
    runMedianNetwork<kMedian, L>(v);
    if (u + kLanes <= count) {
      L::store(out + u, v[kMedian.outputs[0]]);
    } else {
      uint8_t last[kLanes];
      L::store(last, v[kMedian.outputs[0]]);
      std::memcpy(out + u, last, static_cast<std::size_t>(count - u));
    }
  }
}

// The strips of the image, one after the other, with lanes L.
template <class L>
void filterStrips(const uint8_t* padded, long stride, long width, long height, uint8_t* out,
                  long outStride, StripRows& rows) {
  for (long x0 = 0; x0 < width; x0 += kStrip) {
    const long count = width - x0 < kStrip ? width - x0 : kStrip;
    for (long y = 0; y < height; y += 2) {
      const bool lower = y + 1 < height;
      sortColumns<L>(padded + y * stride + x0, stride, count + 8, lower, rows);
      filterRow<L>(rows.columns[0], count, rows, out + y * outStride + x0);
      if (lower) filterRow<L>(rows.columns[1], count, rows, out + (y + 1) * outStride + x0);
    }
  }
}

#if defined(MEDIAN_9X9_AVX2)
// The AVX2 instance: flatten inlines every call, so all of it is compiled for AVX2.
__attribute__((target("avx2"), flatten)) void filterStripsAvx2(const uint8_t* padded,
                                                               long stride, long width,
                                                               long height, uint8_t* out,
                                                               long outStride, StripRows& rows) {
  filterStrips<Lanes32>(padded, stride, width, height, out, outStride, rows);
}
#endif

}  // namespace

void median9x9(const uint8_t* padded, long stride, long width, long height, uint8_t* out,
               long outStride) {
  // Scratch rows for one strip; the steps read up to 8 columns and one vector past the strip.
  constexpr long kMaxLanes = 32;
  constexpr long rowStride = kStrip + 8 + 2 * kMaxLanes;
  std::vector<uint8_t> scratch(static_cast<std::size_t>(rowStride * (18 + 18 + 36)));
  StripRows rows;
  uint8_t* next = scratch.data();
  for (auto& side : rows.columns)
    for (uint8_t*& row : side) row = std::exchange(next, next + rowStride);
  for (uint8_t*& row : rows.pairs) row = std::exchange(next, next + rowStride);
  for (uint8_t*& row : rows.quads) row = std::exchange(next, next + rowStride);

  // Filter with the widest lanes in use.
#if defined(MEDIAN_9X9_AVX2)
  if (vfUseAvx2()) {
    filterStripsAvx2(padded, stride, width, height, out, outStride, rows);
    return;
  }
#endif
  filterStrips<Lanes16>(padded, stride, width, height, out, outStride, rows);
}

}  // namespace vc_ip_detail
