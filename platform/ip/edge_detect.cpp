#include "platform/ip/edge_detect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_bridge.h"
#include "platform/ip/edge_peak_fit.h"
#include "platform/ip/edge_sobel.h"

namespace vc_edge_detail {

// The one way into a set's storage: swaps freshly detected edgelets in.
class EdgeletSetWriter {
 public:
  static void assign(vcEdgeletSet& set, std::vector<vcEdgelet>& edges, std::vector<float>& pending,
                     const vcXform<2>& clientFromImage) {
    set.edges_.swap(edges);
    set.pending_.swap(pending);
    set.clientFromImage_ = clientFromImage;
  }
};

}  // namespace vc_edge_detail

using namespace vc_edge_detail;

namespace {

// ---- Arguments --------------------------------------------------------------------------

void requireBound(const vcPelBuffer_const<unsigned char>& image) {
  if (!image.isBound()) throw vcBadParamsError(L"vfEdgeDetect: image must be a bound image");
}

// Edgelets store 16-bit pixel coordinates.
void requireCoordinates(const vcPelBuffer_const<unsigned char>& image) {
  const auto inRange = [](long first, long size) { return first >= 0 && first + size <= 65536; };
  if (!inRange(image.offset().x(), image.width()) || !inRange(image.offset().y(), image.height()))
    throw vcBadParamsError(
        L"vfEdgeDetect: image pixel coordinates must lie in [0, 65535], got offset (" +
        vfStr(image.offset().x()) + L", " + vfStr(image.offset().y()) + L") and size " +
        vfStr(image.width()) + L" x " + vfStr(image.height()));
}

// Smallest squared Sobel magnitude (64 x magnitude^2) whose scaled magnitude reaches magThresh.
std::int32_t squaredThreshold(const vcEdgeletParams& params) {
  const double sobel = 8.0 * params.magThresh() / params.magScale();
  const double squared = sobel * sobel * (1.0 - 1e-12);  // a threshold met exactly still counts
  if (squared > 2.1e6) return INT32_MAX;                 // above any 8-bit gradient
  return std::max<std::int32_t>(1, std::int32_t(std::ceil(squared)));  // a zero gradient is no edge
}

// ---- Gradient rows ----------------------------------------------------------------------

// The Sobel gradient of seven consecutive image rows, y - 3 .. y + 3 around the row being
// searched, in a ring. Each row is padded with 3 zero entries at both ends and rows outside
// the image read as zeros, so neighbours up to 3 steps away need no bounds checks and count
// as "no gradient".
class GradientRows {
 public:
  static constexpr long kReach = 3;
  static constexpr long kRows = 2 * kReach + 1;

  explicit GradientRows(const vcPelBuffer_const<unsigned char>& image)
      : image_(image),
        width_(image.width()),
        height_(image.height()),
        padded_(image.width() + 2 * kReach),
        gx_((kRows + 1) * padded_, 0),
        gy_((kRows + 1) * padded_, 0),
        q_((kRows + 1) * padded_, 0),
        vs_(width_ + 2),
        vd_(width_ + 2) {}

  // Computes image row y into its ring slot. Rows must come in increasing order.
  void compute(long y) {
    const unsigned char* up = image_.pointToRow(std::max(y - 1, 0L));
    const unsigned char* mid = image_.pointToRow(y);
    const unsigned char* down = image_.pointToRow(std::min(y + 1, height_ - 1));
    const long at = slot_(y) + kReach;
    sobelRow(up, mid, down, width_, vs_.data(), vd_.data(), &gx_[at], &gy_[at], &q_[at]);
  }

  // Pointers to entry x = 0 of row y (any y; rows outside the image are the zero row).
  const std::int16_t* gx(long y) const { return &gx_[start_(y)]; }
  const std::int16_t* gy(long y) const { return &gy_[start_(y)]; }
  const std::int32_t* q(long y) const { return &q_[start_(y)]; }

 private:
  long slot_(long y) const { return (y % kRows) * padded_; }
  // The zero row is the extra slot after the ring.
  long start_(long y) const {
    return (y < 0 || y >= height_ ? kRows * padded_ : slot_(y)) + kReach;
  }

  const vcPelBuffer_const<unsigned char>& image_;
  long width_, height_, padded_;
  std::vector<std::int16_t> gx_, gy_;
  std::vector<std::int32_t> q_;
  std::vector<std::int16_t> vs_, vd_;
};

// ---- Peaks ------------------------------------------------------------------------------

// Row pointers of the seven rows around row y, so that a column neighbour k steps away is
// entry [kReach + k][x], like a row neighbour is entry [x + k] of row y.
struct Window {
  const std::int16_t* gx[GradientRows::kRows];
  const std::int16_t* gy[GradientRows::kRows];
  const std::int32_t* q[GradientRows::kRows];
};

// The gradient at k steps from pixel x along the searched axis.
struct Sample {
  std::int32_t gx, gy, q;
};

inline Sample sampleAt(const Window& w, long x, bool alongRow, long k) {
  constexpr long c = GradientRows::kReach;
  if (alongRow) return {w.gx[c][x + k], w.gy[c][x + k], w.q[c][x + k]};
  return {w.gx[c + k][x], w.gy[c + k][x], w.q[c + k][x]};
}

inline bool sameWay(const Sample& a, std::int32_t gx, std::int32_t gy) {
  return a.gx * gx + a.gy * gy > 0;
}

// True when pixel x with squared magnitude m is a peak across the edge (see the header).
inline bool isPeak(const Window& w, long x, bool alongRow, std::int32_t m, std::int32_t gx,
                   std::int32_t gy) {
  // Neighbours whose gradient points another way belong to another edge (the far side of a
  // thin bar) and count as no gradient.
  const auto competing = [&](long k) {
    const Sample s = sampleAt(w, x, alongRow, k);
    return sameWay(s, gx, gy) ? s.q : 0;
  };
  return competing(-1) < m && m >= competing(1) && competing(-2) < m && m >= competing(2);
}

// Sub-pixel offset of the peak along the axis (edge_peak_fit.h), from the gradient projected
// on the peak's direction at up to 3 steps each way, each sample smoothed (1 2 1) with its two
// neighbours across the axis, that is along the edge: the wider support along the edge
// averages noise (a fifth less error at 5 grey levels) for an inward shift of curved edges
// of about 0.5 / radius pixel.
inline float axisOffset(const Window& w, long x, bool alongRow, std::int32_t gx, std::int32_t gy,
                        float magnitude) {
  constexpr long c = GradientRows::kReach;
  const auto projected = [&](long row, long column) {
    return float(w.gx[row][column] * gx + w.gy[row][column] * gy);
  };
  float p[2 * c + 1];
  const float inv = 0.25f / magnitude;
  for (long k = -c; k <= c; ++k) {
    const float sum =
        alongRow ? projected(c - 1, x + k) + 2.0f * projected(c, x + k) + projected(c + 1, x + k)
                 : projected(c + k, x - 1) + 2.0f * projected(c + k, x) + projected(c + k, x + 1);
    p[k + c] = sum * inv;
  }
  return peakOffset(p);
}

// Turns the peaks of one row into edgelets (pixel centres) and interpolated positions.
class RowPeaks {
 public:
  RowPeaks(const GradientRows& rows, long y, vcPair<long> offset, double magScale,
           const AngleCoder& coder, std::vector<vcEdgelet>& edges, std::vector<float>& pending)
      : x0_(offset.x()),
        y_(offset.y() + y),
        scale_(float(magScale / 8.0)),
        coder_(coder),
        edges_(edges),
        pending_(pending) {
    for (long k = 0; k < GradientRows::kRows; ++k) {
      w_.gx[k] = rows.gx(y - GradientRows::kReach + k);
      w_.gy[k] = rows.gy(y - GradientRows::kReach + k);
      w_.q[k] = rows.q(y - GradientRows::kReach + k);
    }
  }

  const std::int32_t* magnitudes() const { return w_.q[GradientRows::kReach]; }

  // Adds an edgelet at column x when it is a peak. Kept out of line so that the scan over
  // the row, which rarely calls it, stays a tight loop.
  [[gnu::noinline]] void tryPixel(long x) {
    const std::int32_t m = w_.q[GradientRows::kReach][x];
    const std::int32_t gx = w_.gx[GradientRows::kReach][x];
    const std::int32_t gy = w_.gy[GradientRows::kReach][x];
    const bool alongRow = std::abs(gx) >= std::abs(gy);
    if (!isPeak(w_, x, alongRow, m, gx, gy)) return;

    // Sub-pixel: the peak along the axis, then the foot of the perpendicular on the edge.
    const float magnitude = std::sqrt(float(m));
    const float offsetAlong = axisOffset(w_, x, alongRow, gx, gy, magnitude);
    const float nx = float(gx) / magnitude, ny = float(gy) / magnitude;
    const float across = offsetAlong * (alongRow ? nx : ny);
    const float cx = float(x0_ + x) + 0.5f, cy = float(y_) + 0.5f;
    edges_.emplace_back(std::uint16_t(x0_ + x), std::uint16_t(y_),
                        std::uint16_t(scaledMagnitude(m, scale_, 65535)),
                        vcAngle8(coder_.code(gx, gy)), cx, cy);
    pending_.push_back(cx + across * nx);
    pending_.push_back(cy + across * ny);
  }

 private:
  Window w_;
  long x0_, y_;
  float scale_;
  const AngleCoder& coder_;
  std::vector<vcEdgelet>& edges_;
  std::vector<float>& pending_;
};

}  // namespace

void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& image, const vcEdgeletParams& params,
                  vcEdgeletSet& edgelets, vcDiagObject* /*diag*/, unsigned long /*flags*/) {
  // Check the image; edgelets are built aside and swapped in at the end.
  requireBound(image);
  requireCoordinates(image);
  std::vector<vcEdgelet> edges;
  std::vector<float> pending;
  const long width = image.width(), height = image.height();
  if (width > 0 && height > 0) {
    const std::int32_t threshold = squaredThreshold(params);
    const AngleCoder& coder = AngleCoder::instance();
    GradientRows rows(image);
    // Gradient rows run 3 ahead of the row searched for peaks.
    for (long y = 0; y < std::min(GradientRows::kReach, height); ++y) rows.compute(y);
    for (long y = 0; y < height; ++y) {
      if (y + GradientRows::kReach < height) rows.compute(y + GradientRows::kReach);
      RowPeaks peaks(rows, y, image.offset(), params.magScale(), coder, edges, pending);
      const std::int32_t* magnitudes = peaks.magnitudes();
      for (long x = 0; x < width; ++x)
        if (magnitudes[x] >= threshold) peaks.tryPixel(x);
    }
    // Join the edges where noise set neighbouring peaks two pixels apart.
    bridgeGaps(image, threshold, float(params.magScale() / 8.0), edges, pending);
  }
  EdgeletSetWriter::assign(edgelets, edges, pending, image.clientFromImageXform());
}

void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& image, const vcEdgeletParams& params,
                  vcPelBuffer<unsigned char>& magnitudeImage,
                  vcPelBuffer<unsigned char>& angleImage, vcDiagObject* /*diag*/,
                  unsigned long /*flags*/) {
  // New output images carrying the input's geometry.
  requireBound(image);
  const long width = image.width(), height = image.height();
  vcPelBuffer<unsigned char> magnitudes(width, height, 32), angles(width, height, 32);
  for (vcPelBuffer<unsigned char>* out : {&magnitudes, &angles}) {
    out->offset(image.offset());
    out->copyXforms(image);
  }

  // Gradient row by row; magnitude and code per pixel.
  if (width > 0 && height > 0) {
    const AngleCoder& coder = AngleCoder::instance();
    const float scale = float(params.magScale() / 8.0);
    std::vector<std::int16_t> vs(width + 2), vd(width + 2), gx(width), gy(width);
    std::vector<std::int32_t> q(width);
    for (long y = 0; y < height; ++y) {
      sobelRow(image.pointToRow(std::max(y - 1, 0L)), image.pointToRow(y),
               image.pointToRow(std::min(y + 1, height - 1)), width, vs.data(), vd.data(),
               gx.data(), gy.data(), q.data());
      unsigned char* magRow = magnitudes.pointToRow(y);
      unsigned char* angleRow = angles.pointToRow(y);
      for (long x = 0; x < width; ++x) {
        magRow[x] = static_cast<unsigned char>(scaledMagnitude(q[x], scale, 255));
        angleRow[x] = coder.code(gx[x], gy[x]);
      }
    }
  }
  magnitudeImage = magnitudes;
  angleImage = angles;
}
