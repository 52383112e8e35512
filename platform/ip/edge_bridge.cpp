#include "platform/ip/edge_bridge.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_avx2.h"
#include "platform/ip/edge_list.h"
#include "platform/ip/edge_sobel.h"

namespace vc_edge_detail {
namespace {

int codeDistance(std::uint8_t a, std::uint8_t b) {
  const int d = (a - b) & 255;
  return std::min(d, 256 - d);
}

// The edgelets of three consecutive window rows as column bits, so that the gap patterns are
// tested on 64 columns at a time, with the index and the direction code of the edgelet at each
// set bit. Each row has a zero word before and after its columns, and rows outside the window
// read as zeros, so columns up to 64 beyond the window need no bounds checks. Rows are loaded
// in order as the search moves down; three rows of buffers serve any image size.
class ColumnBits {
 public:
  ColumnBits(const std::vector<vcEdgelet>& edges, long ox, long oy, long w, long h)
      : edges_(edges),
        ox_(ox),
        oy_(oy),
        h_(h),
        words_((w + 63) / 64 + 2),
        bits_(std::size_t(4 * words_), 0),
        index_(std::size_t(4 * words_ * 64)),
        code_(std::size_t(4 * words_ * 64)) {
    for (long r = 0; r < 3; ++r) load_(r);
  }

  long words() const { return words_; }
  // Row r's words, for a row loaded (r to r + 2 after advance(r - 1)); the zero row outside the
  // window. Word 1 holds columns 0..63.
  const std::uint64_t* row(long r) const { return &bits_[slot_(r)]; }
  // The index and the direction code of the edgelet at column x of a loaded row r, which must
  // hold one (other columns hold stale entries).
  std::size_t index(long r, long x) const { return index_[64 * slot_(r) + std::size_t(x + 64)]; }
  std::uint8_t code(long r, long x) const { return code_[64 * slot_(r) + std::size_t(x + 64)]; }
  // The codes of a loaded row r from column 0 on, readable from column -64 to the end of the
  // last word; stale where no edgelet is.
  const std::uint8_t* codes(long r) const { return &code_[64 * slot_(r) + 64]; }
  // Moves on from rows r .. r + 2 to rows r + 1 .. r + 3.
  void advance(long r) { load_(r + 3); }

 private:
  // Slot 3 is the zero row.
  std::size_t slot_(long r) const { return std::size_t((r < h_ ? r % 3 : 3) * words_); }

  // Fills row r's slot from its edgelets, the next ones of the list.
  void load_(long r) {
    if (r >= h_) return;
    std::uint64_t* bits = &bits_[slot_(r)];
    std::uint32_t* index = &index_[64 * slot_(r)];
    std::uint8_t* code = &code_[64 * slot_(r)];
    std::fill(bits, bits + words_, 0);
    // The row's edgelets come in column order: each word's bits gather in a register and are
    // stored whole, rather than read back and or-ed in memory edgelet after edgelet.
    long word = 0;
    std::uint64_t gathered = 0;
    for (; next_ < edges_.size() && long(edges_[next_].get_j()) - oy_ == r; ++next_) {
      const long p = long(edges_[next_].get_i()) - ox_ + 64;
      gathered = ((p >> 6) == word ? gathered : 0) | (1ull << (p & 63));
      word = p >> 6;
      bits[word] = gathered;
      index[p] = std::uint32_t(next_);
      code[p] = edges_[next_].angle().plain();
    }
  }

  const std::vector<vcEdgelet>& edges_;
  long ox_, oy_, h_, words_;
  std::vector<std::uint64_t> bits_;
  std::vector<std::uint32_t> index_;
  std::vector<std::uint8_t> code_;
  std::size_t next_ = 0;  // the first edgelet of the next row to load
};

// The six partners of the gap patterns in the order tried: two columns left in the next row,
// one and two columns left two rows down, then the same to the right.
struct Partner {
  int dx, dy;
};
constexpr Partner kPartners[6] = {{-2, 1}, {-1, 2}, {-2, 2}, {2, 1}, {1, 2}, {2, 2}};

// For the 64 columns from x0 of rows y (codes c0), y + 1 (c1) and y + 2 (c2), and each
// partner k, the columns where the codes of the column and of its partner are within
// kBridgeCodes of each other, as bits of agree[k]. Where the processor has no AVX2 every bit
// is set, and the hits are told apart by their codes one by one only.
using Agreement = void (*)(const std::uint8_t* c0, const std::uint8_t* c1, const std::uint8_t* c2,
                           std::uint64_t* agree);

void allAgree(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint64_t* agree) {
  for (int k = 0; k < 6; ++k) agree[k] = ~0ull;
}

#if VC_EDGE_AVX2

VC_EDGE_AVX2_INLINE std::uint32_t agreeing32(const std::uint8_t* a, const std::uint8_t* b) {
  const __m256i d = _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a)),
                                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)));
  // The circular distance min(d, 256 - d) of codes, as unsigned bytes.
  const __m256i distance = _mm256_min_epu8(d, _mm256_sub_epi8(_mm256_setzero_si256(), d));
  const __m256i close =
      _mm256_cmpeq_epi8(_mm256_min_epu8(distance, _mm256_set1_epi8(kBridgeCodes)), distance);
  return std::uint32_t(_mm256_movemask_epi8(close));
}

[[gnu::target("avx2")]] void avx2Agree(const std::uint8_t* c0, const std::uint8_t* c1,
                                       const std::uint8_t* c2, std::uint64_t* agree) {
  for (int k = 0; k < 6; ++k) {
    const std::uint8_t* partner = (kPartners[k].dy == 1 ? c1 : c2) + kPartners[k].dx;
    agree[k] = std::uint64_t(agreeing32(c0, partner)) |
               std::uint64_t(agreeing32(c0 + 32, partner + 32)) << 32;
  }
}

#endif

// Word j of a row of column bits moved so that bit x reads column x + k (k = 1, 2) or x - k.
inline std::uint64_t ahead(const std::uint64_t* row, long j, int k) {
  return (row[j] >> k) | (row[j + 1] << (64 - k));
}
inline std::uint64_t behind(const std::uint64_t* row, long j, int k) {
  return (row[j] << k) | (row[j - 1] >> (64 - k));
}

// The bridging edgelet at window pixel (mx, my) between edgelets u and l, when it passes the
// tests of the header.
class BridgeMaker {
 public:
  BridgeMaker(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold, float scale,
              const std::vector<vcEdgelet>& edges, const std::vector<float>& positions)
      : row0_(image.pointToRow(0)),
        stride_(image.rowUpdate()),
        w_(image.width()),
        h_(image.height()),
        ox_(image.offset().x()),
        oy_(image.offset().y()),
        threshold_(threshold),
        scale_(scale),
        coder_(AngleCoder::instance()),
        edges_(edges),
        positions_(positions),
        atPositions_(positions.empty()) {}

  // Both ends must point the same way, which the caller has checked with their codes cu, cl.
  void tryBridge(std::size_t u, std::size_t l, std::uint8_t cu, std::uint8_t cl, long mx, long my,
                 std::vector<AddedEdgelet>& out) const {
    // The pixel between is an edge pixel pointing the same way.
    std::int32_t gx = 0, gy = 0;
    sobelAt(row0_, stride_, w_, h_, mx, my, gx, gy);
    const std::int32_t q = gx * gx + gy * gy;
    if (q < threshold_) return;
    const std::uint8_t cm = coder_.code(gx, gy);
    if (codeDistance(cm, cu) > kBridgeCodes || codeDistance(cm, cl) > kBridgeCodes) return;

    // Both ends on one edge: less than a pixel apart across it.
    const float norm = std::sqrt(float(q));
    const float nx = float(gx) / norm, ny = float(gy) / norm;
    const float ux = x_(u), uy = y_(u), lx = x_(l), ly = y_(l);
    if (!(std::fabs((lx - ux) * nx + (ly - uy) * ny) < 1.0f)) return;

    // On the line between them, along the gradient from the pixel centre.
    const float cx = float(ox_ + mx) + 0.5f, cy = float(oy_ + my) + 0.5f;
    const float t = (0.5f * (ux + lx) - cx) * nx + (0.5f * (uy + ly) - cy) * ny;
    const float bx = cx + t * nx, by = cy + t * ny;
    out.push_back({vcEdgelet(std::uint16_t(ox_ + mx), std::uint16_t(oy_ + my),
                             std::uint16_t(scaledMagnitude(q, scale_, 65535)), vcAngle8(cm),
                             atPositions_ ? bx : cx, atPositions_ ? by : cy),
                   bx, by});
  }

 private:
  const unsigned char* row0_;
  long stride_, w_, h_, ox_, oy_;
  std::int32_t threshold_;
  float scale_;
  const AngleCoder& coder_;
  // An edgelet's position: its own, or the one held aside for it.
  float x_(std::size_t k) const { return atPositions_ ? edges_[k].posQuickX() : positions_[2 * k]; }
  float y_(std::size_t k) const {
    return atPositions_ ? edges_[k].posQuickY() : positions_[2 * k + 1];
  }

  const std::vector<vcEdgelet>& edges_;
  const std::vector<float>& positions_;
  bool atPositions_;  // the edgelets are at their positions, none are held aside
};

// Raster order of pixels.
bool rasterBefore(const vcEdgelet& a, const vcEdgelet& b) {
  return a.get_j() != b.get_j() ? a.get_j() < b.get_j() : a.get_i() < b.get_i();
}

}  // namespace

void bridgeGaps(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold, float scale,
                std::vector<vcEdgelet>& edges, std::vector<float>& positions) {
  if (edges.empty()) return;
  const long w = image.width(), h = image.height();
  const long ox = image.offset().x(), oy = image.offset().y();
  ColumnBits bits(edges, ox, oy, w, h);
  const BridgeMaker maker(image, threshold, scale, edges, positions);

  // Find the gaps: from every edgelet u, the four knight's moves downwards and the two
  // diagonal steps over a row. Rows y, y + 1 and y + 2 are tested a word of columns at a time
  // for any of the six patterns; the few hits are then tried one by one.
  Agreement agreement = allAgree;
#if VC_EDGE_AVX2
  if (vfUseAvx2()) agreement = avx2Agree;
#endif
  std::vector<AddedEdgelet> bridges;
  for (long y = 0; y + 1 < h; ++y) {
    const std::uint64_t *r0 = bits.row(y), *r1 = bits.row(y + 1), *r2 = bits.row(y + 2);
    for (long j = 1; j + 1 < bits.words(); ++j) {
      // Two columns over in the next row, with neither pixel neighbouring both set; one
      // column over two rows down, with both pixels between (in the next row) empty; or two
      // columns over two rows down, with the pixel between them empty and also the pixels
      // beside u, below u and above the lower edgelet.
      const std::uint64_t farRight = ahead(r1, j, 2) & ~ahead(r0, j, 1) & ~ahead(r1, j, 1);
      const std::uint64_t farLeft = behind(r1, j, 2) & ~behind(r0, j, 1) & ~behind(r1, j, 1);
      const std::uint64_t lowRight = ahead(r2, j, 1) & ~r1[j] & ~ahead(r1, j, 1);
      const std::uint64_t lowLeft = behind(r2, j, 1) & ~r1[j] & ~behind(r1, j, 1);
      const std::uint64_t diagRight =
          ahead(r2, j, 2) & ~ahead(r1, j, 1) & ~ahead(r1, j, 2) & ~ahead(r0, j, 1) & ~r1[j];
      const std::uint64_t diagLeft =
          behind(r2, j, 2) & ~behind(r1, j, 1) & ~behind(r1, j, 2) & ~behind(r0, j, 1) & ~r1[j];
      // Most words of a sparse image have no gap at all.
      if ((r0[j] & (farRight | farLeft | lowRight | lowLeft | diagRight | diagLeft)) == 0) continue;
      const long x0 = (j - 1) * 64;
      std::uint64_t agree[6];
      agreement(bits.codes(y) + x0, bits.codes(y + 1) + x0, bits.codes(y + 2) + x0, agree);
      // Each pattern's hits in turn. The lower edgelet is at (x + dx, y + dy), the bridge at
      // (x + mx, y + 1). A gap is tried when both ends point the same way: most gaps found
      // join two edges, and the codes of the whole word, tested at once, leave them out before
      // they are visited (without AVX2, the test of each hit's codes does).
      const auto tryGaps = [&](int k, std::uint64_t pattern, long mx) {
        const long dx = kPartners[k].dx, dy = kPartners[k].dy;
        for (std::uint64_t hits = r0[j] & pattern & agree[k]; hits != 0; hits &= hits - 1) {
          const long x = (j - 1) * 64 + std::countr_zero(hits);
          const std::uint8_t cu = bits.code(y, x), cl = bits.code(y + dy, x + dx);
          if (codeDistance(cu, cl) <= kBridgeCodes)
            maker.tryBridge(bits.index(y, x), bits.index(y + dy, x + dx), cu, cl, x + mx, y + 1,
                            bridges);
        }
      };
      tryGaps(0, farLeft, -1);
      tryGaps(1, lowLeft, -1);
      tryGaps(2, diagLeft, -1);
      tryGaps(3, farRight, 1);
      tryGaps(4, lowRight, 1);
      tryGaps(5, diagRight, 1);
    }
    bits.advance(y);
  }
  insertEdgelets(bridges, edges, positions);
}

void insertEdgelets(std::vector<AddedEdgelet>& added, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions, std::vector<std::uint8_t>* isNew) {
  if (added.empty()) return;

  // One edgelet per pixel, the first one found, then merge both lists in raster order.
  std::stable_sort(added.begin(), added.end(), [](const AddedEdgelet& a, const AddedEdgelet& b) {
    return rasterBefore(a.edgelet, b.edgelet);
  });
  added.erase(std::unique(added.begin(), added.end(),
                          [](const AddedEdgelet& a, const AddedEdgelet& b) {
                            return !rasterBefore(a.edgelet, b.edgelet) &&
                                   !rasterBefore(b.edgelet, a.edgelet);
                          }),
              added.end());
  // Merged in place from the back, so nothing is copied twice: each new edgelet's place is found
  // by a binary search, and the edgelets after it move up as one block.
  std::size_t k = edges.size();
  edges.resize(edges.size() + added.size());
  if (!positions.empty()) positions.resize(2 * edges.size());
  if (isNew) isNew->assign(edges.size(), 0);
  for (std::size_t j = added.size(); j-- > 0;) {
    const AddedEdgelet& b = added[j];
    const std::size_t at =
        std::size_t(std::upper_bound(edges.begin(), edges.begin() + std::ptrdiff_t(k), b.edgelet,
                                     rasterBefore) -
                    edges.begin());
    // Edgelets at..k-1 move up by j + 1 places, the new one goes just below them.
    insertBelow(edges, positions, at, k, j + 1, b.edgelet, b.x, b.y);
    if (isNew) (*isNew)[at + j] = 1;
    k = at;
  }
}

}  // namespace vc_edge_detail
