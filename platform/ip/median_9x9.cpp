#include "platform/ip/median_9x9.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/cpu/simd.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// The AVX2 instance relies on GCC's flatten: the templates are checked as ordinary functions
// and only become AVX2 code once inlined into filterStripsAvx2. Without optimisation GCC leaves
// some of those calls in place, and a 32-byte vector passed to a function not compiled for AVX2
// arrives garbled, so unoptimised builds take the SSE2 lanes. Clang refuses 32-byte vectors in
// the signatures of functions not compiled for AVX, so clang builds take the SSE2 lanes too.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__OPTIMIZE__)
#include <immintrin.h>
#define MEDIAN_9X9_AVX2 1
// The 32-lane vectors never cross a call boundary (everything that uses them is inlined into
// one AVX2 function), so the warning about their calling convention does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

#include "platform/ip/median_network.h"

// The image is filtered in narrow vertical strips, and down each strip two output rows at a
// time. A vector lane holds one column of the strip; the steps are:
//  1. Sort the 9 pixels of every input row under each output pixel (row r, columns x .. x + 8)
//     into 9 rank rows. Each input row is sorted once, for the 9 windows that contain it.
//  2. Merge the sorted rows r and r + 1 into sorted pairs (18 values).
//  3. Merge pairs r and r + 2 into sorted quadruples (36 values).
//  4. Output rows y and y + 1 share input rows y + 1 .. y + 8, the quadruples at y + 1 and
//     y + 5. Of their merge only ranks 31 to 40 can be rank 40 of the 81 once the 9 values of
//     the row of each output are added (at most 9 values enter below the median), so those 10
//     are merged with row y and with row y + 9, and rank 9 of each merge is the median.
// Pairs and quadruples are only needed at every second row (y + 1, y + 3, ...), so per two
// output rows the strip sorts two rows, merges one pair and one quadruple, and runs step 4
// once. The rank rows of a strip live in small rings indexed by the input row.

namespace vc_ip_detail {

namespace {

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

// Columns per strip: a multiple of every lane count. The rank rows of a strip (360 of them)
// then fit in the first-level cache.
constexpr long kStrip = 64;

// Step 1: the 9 pixels of a row in, sorted.
constexpr MedianNetworkBuilder buildRows() {
  MedianNetworkBuilder b(9);
  b.output(b.sort(0, 9));
  return b;
}

// Step 2: two sorted rows in, their sorted 18 out.
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

// Step 4: quadruples y + 1 and y + 5, row y and row y + 9 in; the medians of rows y and y + 1
// out.
constexpr MedianNetworkBuilder buildMedians() {
  MedianNetworkBuilder b(90);
  const MedianRun shared = b.merge(b.inputs(0, 36), b.inputs(36, 36));
  MedianRun middle;  // ranks 31 .. 40 of the shared 72
  for (int i = 0; i < 10; ++i) middle.value[i] = shared.value[31 + i];
  middle.size = 10;
  b.output(b.merge(middle, b.inputs(72, 9)), 9, 1);
  b.output(b.merge(middle, b.inputs(81, 9)), 9, 1);
  return b;
}

constexpr auto kRows = compactMedianNetwork<buildRows>();
constexpr auto kPairs = compactMedianNetwork<buildPairs>();
constexpr auto kQuads = compactMedianNetwork<buildQuads>();
constexpr auto kMedians = compactMedianNetwork<buildMedians>();

// The rings of rank rows of one strip, each rank row kStrip bytes: sorted rows (the 10 a step
// reads, in 16 places), pairs and quadruples (those of odd rows; a step reads 2 of each and the
// next step one more, in 4 places).
struct StripRings {
  static constexpr long kRowPlaces = 16, kPairPlaces = 4, kQuadPlaces = 4;
  static constexpr long kBytes = (kRowPlaces * 9 + kPairPlaces * 18 + kQuadPlaces * 36) * kStrip;
  uint8_t* base;
  uint8_t* row(long r) const { return base + (r % kRowPlaces) * 9 * kStrip; }
  uint8_t* pair(long r) const {
    return base + (kRowPlaces * 9 + (r / 2 % kPairPlaces) * 18) * kStrip;
  }
  uint8_t* quad(long r) const {
    return base + (kRowPlaces * 9 + kPairPlaces * 18 + (r / 2 % kQuadPlaces) * 36) * kStrip;
  }
};

// Rank rows in and out of a vector array, every index a constant so that the values can stay
// in registers: v[First + r] = rank row r of p at column u, for r < Count; rank row r of out
// at column u = v[Net.outputs[r]], for every output of Net.
template <class L, int First, std::size_t... R>
void loadRanks(typename L::Lanes* v, const uint8_t* p, std::index_sequence<R...>) {
  ((v[First + static_cast<int>(R)] = L::load(p + static_cast<long>(R) * kStrip)), ...);
}
template <class L, int First, int Count>
void loadRanks(typename L::Lanes* v, const uint8_t* p) {
  loadRanks<L, First>(v, p, std::make_index_sequence<Count>());
}
template <const auto& Net, class L, std::size_t... R>
void storeRanks(uint8_t* out, const typename L::Lanes* v, std::index_sequence<R...>) {
  (L::store(out + static_cast<long>(R) * kStrip, v[Net.outputs[R]]), ...);
}

// Step 1 for the strip's columns 0 .. count - 1 of padded row `in` (at the strip's first
// column) into 9 rank rows.
template <class L>
void sortRow(const uint8_t* in, long count, uint8_t* out) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  for (long u = 0; u < count; u += kLanes) {
    typename L::Lanes v[kRows.kValues];
    [&]<std::size_t... K>(std::index_sequence<K...>) {
      ((v[K] = L::load(in + u + static_cast<long>(K))), ...);
    }(std::make_index_sequence<9>());
    runMedianNetwork<kRows, L>(v);
    storeRanks<kRows, L>(out + u, v, std::make_index_sequence<9>());
  }
}

// Steps 2 and 3: the Net.kInputs / 2 rank rows of a and of b in, their merge out.
template <const auto& Net, class L>
void mergeRows(const uint8_t* a, const uint8_t* b, long count, uint8_t* out) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  constexpr int kHalf = Net.kInputs / 2;
  for (long u = 0; u < count; u += kLanes) {
    typename L::Lanes v[Net.kValues];
    loadRanks<L, 0, kHalf>(v, a + u);
    loadRanks<L, kHalf, kHalf>(v, b + u);
    runMedianNetwork<Net, L>(v);
    storeRanks<Net, L>(out + u, v, std::make_index_sequence<2 * kHalf>());
  }
}

template <class L>
void storeSome(uint8_t* out, long u, long count, typename L::Lanes v) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  if (u + kLanes <= count) {
    L::store(out + u, v);
  } else {
    uint8_t last[kLanes];
    L::store(last, v);
    std::memcpy(out + u, last, static_cast<std::size_t>(count - u));
  }
}

// Step 4 for output rows y and y + 1 (out1 null when the lower row does not exist; bottom is
// then read but not used).
template <class L>
void medianRows(const StripRings& rings, long y, const uint8_t* bottom, long count, uint8_t* out0,
                uint8_t* out1) {
  constexpr long kLanes = sizeof(typename L::Lanes);
  const uint8_t* upper = rings.quad(y + 1);
  const uint8_t* lower = rings.quad(y + 5);
  const uint8_t* top = rings.row(y);
  for (long u = 0; u < count; u += kLanes) {
    typename L::Lanes v[kMedians.kValues];
    loadRanks<L, 0, 36>(v, upper + u);
    loadRanks<L, 36, 36>(v, lower + u);
    loadRanks<L, 72, 9>(v, top + u);
    loadRanks<L, 81, 9>(v, bottom + u);
    runMedianNetwork<kMedians, L>(v);
    storeSome<L>(out0, u, count, v[kMedians.outputs[0]]);
    if (out1) storeSome<L>(out1, u, count, v[kMedians.outputs[1]]);
  }
}

// The strips of the image, one after the other, with lanes L.
template <class L>
void filterStrips(const uint8_t* padded, long stride, long width, long height, uint8_t* out,
                  long outStride, const StripRings& rings) {
  for (long x0 = 0; x0 < width; x0 += kStrip) {
    const long count = width - x0 < kStrip ? width - x0 : kStrip;
    const uint8_t* in = padded + x0;
    // What the first step reads besides its own new rows: rows 0 .. 7, the pairs at rows 1, 3
    // and 5 and the quadruples at rows 1 and 3.
    for (long r = 0; r < 8; ++r) sortRow<L>(in + r * stride, count, rings.row(r));
    for (long r = 1; r <= 5; r += 2)
      mergeRows<kPairs, L>(rings.row(r), rings.row(r + 1), count, rings.pair(r));
    for (long r = 1; r <= 3; r += 2)
      mergeRows<kQuads, L>(rings.pair(r), rings.pair(r + 2), count, rings.quad(r));
    // Two output rows per step; padded rows y + 8 and y + 9 enter.
    for (long y = 0; y < height; y += 2) {
      const bool lower = y + 1 < height;
      sortRow<L>(in + (y + 8) * stride, count, rings.row(y + 8));
      if (lower) sortRow<L>(in + (y + 9) * stride, count, rings.row(y + 9));
      mergeRows<kPairs, L>(rings.row(y + 7), rings.row(y + 8), count, rings.pair(y + 7));
      mergeRows<kQuads, L>(rings.pair(y + 5), rings.pair(y + 7), count, rings.quad(y + 5));
      medianRows<L>(rings, y, rings.row(lower ? y + 9 : y), count, out + y * outStride + x0,
                    lower ? out + (y + 1) * outStride + x0 : nullptr);
    }
  }
}

#if defined(MEDIAN_9X9_AVX2)
// The AVX2 instance: flatten inlines every call, so all of it is compiled for AVX2.
__attribute__((target("avx2"), flatten)) void filterStripsAvx2(const uint8_t* padded,
                                                               long stride, long width,
                                                               long height, uint8_t* out,
                                                               long outStride,
                                                               const StripRings& rings) {
  filterStrips<Lanes32>(padded, stride, width, height, out, outStride, rings);
}
#endif

}  // namespace

void median9x9(const uint8_t* padded, long stride, long width, long height, uint8_t* out,
               long outStride) {
  // The rank rows of one strip, on a cache line boundary.
  std::vector<uint8_t> scratch(static_cast<std::size_t>(StripRings::kBytes + 64));
  const std::size_t misalign = reinterpret_cast<std::uintptr_t>(scratch.data()) % 64;
  const StripRings rings{scratch.data() + (misalign ? 64 - misalign : 0)};

  // Filter with the widest lanes in use.
#if defined(MEDIAN_9X9_AVX2)
  if (vfUseAvx2()) {
    filterStripsAvx2(padded, stride, width, height, out, outStride, rings);
    return;
  }
#endif
  filterStrips<Lanes16>(padded, stride, width, height, out, outStride, rings);
}

}  // namespace vc_ip_detail
