#include "platform/ip/edge_bridge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_sobel.h"

namespace vc_edge_detail {
namespace {

int codeDistance(std::uint8_t a, std::uint8_t b) {
  const int d = (a - b) & 255;
  return std::min(d, 256 - d);
}

// The edgelets of three consecutive window rows by column, as edgelet indexes (-1 where
// none), for neighbour lookups without a search. Columns are padded by two on either side, so
// that lookups up to two columns beyond the window need no bounds checks.
class ThreeRows {
 public:
  ThreeRows(const std::vector<vcEdgelet>& edges, long ox, long oy, long w, long h)
      : edges_(edges), ox_(ox), h_(h), padded_(w + 4), begin_(std::size_t(h) + 1, edges.size()),
        cells_(std::size_t(3 * padded_), -1) {
    std::size_t k = 0;
    for (long r = 0; r < h; ++r) {
      begin_[std::size_t(r)] = k;
      while (k < edges.size() && long(edges[k].get_j()) - oy == r) ++k;
    }
    for (long i = 0; i < 3; ++i) row_[i] = &cells_[std::size_t(i * padded_ + 2)];
    for (long r = 0; r < std::min(3L, h); ++r) set_(row_[r], r, true);
  }

  std::size_t begin(long r) const { return begin_[std::size_t(r)]; }
  std::size_t end(long r) const { return begin_[std::size_t(r) + 1]; }

  // The index of the edgelet at window column x (-2 <= x < w + 2) of the first, second or
  // third row held (k = 0, 1, 2), or -1.
  std::int32_t at(long x, long k) const { return row_[k][x]; }

  // Moves on from rows r .. r + 2 to rows r + 1 .. r + 3.
  void advance(long r) {
    std::int32_t* freed = row_[0];
    set_(freed, r, false);
    row_[0] = row_[1];
    row_[1] = row_[2];
    row_[2] = freed;
    if (r + 3 < h_) set_(freed, r + 3, true);
  }

 private:
  void set_(std::int32_t* row, long r, bool fill) {
    for (std::size_t k = begin(r); k < end(r); ++k)
      row[long(edges_[k].get_i()) - ox_] = fill ? std::int32_t(k) : -1;
  }

  const std::vector<vcEdgelet>& edges_;
  long ox_, h_, padded_;
  std::vector<std::size_t> begin_;
  std::vector<std::int32_t> cells_;
  std::int32_t* row_[3];
};

struct Bridge {
  vcEdgelet edgelet;
  float x, y;
};

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
        positions_(positions) {}

  void tryBridge(std::size_t u, std::size_t l, long mx, long my, std::vector<Bridge>& out) const {
    // Both ends point the same way.
    const std::uint8_t cu = edges_[u].angle().plain(), cl = edges_[l].angle().plain();
    if (codeDistance(cu, cl) > kBridgeCodes) return;

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
    const float ux = positions_[2 * u], uy = positions_[2 * u + 1];
    const float lx = positions_[2 * l], ly = positions_[2 * l + 1];
    if (!(std::fabs((lx - ux) * nx + (ly - uy) * ny) < 1.0f)) return;

    // On the line between them, along the gradient from the pixel centre.
    const float cx = float(ox_ + mx) + 0.5f, cy = float(oy_ + my) + 0.5f;
    const float t = (0.5f * (ux + lx) - cx) * nx + (0.5f * (uy + ly) - cy) * ny;
    out.push_back({vcEdgelet(std::uint16_t(ox_ + mx), std::uint16_t(oy_ + my),
                             std::uint16_t(scaledMagnitude(q, scale_, 65535)), vcAngle8(cm), cx,
                             cy),
                   cx + t * nx, cy + t * ny});
  }

 private:
  const unsigned char* row0_;
  long stride_, w_, h_, ox_, oy_;
  std::int32_t threshold_;
  float scale_;
  const AngleCoder& coder_;
  const std::vector<vcEdgelet>& edges_;
  const std::vector<float>& positions_;
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
  ThreeRows rows(edges, ox, oy, w, h);
  const BridgeMaker maker(image, threshold, scale, edges, positions);

  // Find the gaps: from every edgelet u, the four knight's moves downwards.
  std::vector<Bridge> bridges;
  for (long y = 0; y + 1 < h; rows.advance(y++))
    for (std::size_t u = rows.begin(y); u < rows.end(y); ++u) {
      const long x = long(edges[u].get_i()) - ox;
      for (long s = -1; s <= 1; s += 2) {
        // Two columns over in the next row: the pixels neighbouring both are beside u and
        // below it. The tests use & rather than && so that the common case, no gap, takes no
        // unpredictable branch.
        const std::int32_t far = rows.at(x + 2 * s, 1);
        if ((far >= 0) & (rows.at(x + s, 0) < 0) & (rows.at(x + s, 1) < 0))
          maker.tryBridge(u, std::size_t(far), x + s, y + 1, bridges);
        // One column over two rows down: both in the next row.
        const std::int32_t low = rows.at(x + s, 2);
        if ((low >= 0) & (rows.at(x, 1) < 0) & (rows.at(x + s, 1) < 0))
          maker.tryBridge(u, std::size_t(low), x + s, y + 1, bridges);
      }
    }
  if (bridges.empty()) return;

  // One bridge per pixel, then merge both lists in raster order.
  std::sort(bridges.begin(), bridges.end(),
            [](const Bridge& a, const Bridge& b) { return rasterBefore(a.edgelet, b.edgelet); });
  bridges.erase(std::unique(bridges.begin(), bridges.end(),
                            [](const Bridge& a, const Bridge& b) {
                              return !rasterBefore(a.edgelet, b.edgelet) &&
                                     !rasterBefore(b.edgelet, a.edgelet);
                            }),
                bridges.end());
  // Merged in place from the back, so nothing is copied twice.
  std::size_t k = edges.size(), out = edges.size() + bridges.size();
  edges.resize(out);
  positions.resize(2 * out);
  for (std::size_t j = bridges.size(); j-- > 0;) {
    const Bridge& b = bridges[j];
    for (; k > 0 && rasterBefore(b.edgelet, edges[k - 1]); --k) {
      --out;
      edges[out] = edges[k - 1];
      positions[2 * out] = positions[2 * (k - 1)];
      positions[2 * out + 1] = positions[2 * (k - 1) + 1];
    }
    --out;
    edges[out] = b.edgelet;
    positions[2 * out] = b.x;
    positions[2 * out + 1] = b.y;
  }
}

}  // namespace vc_edge_detail
