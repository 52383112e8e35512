#include "platform/ip/edge_detect.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/cpu/loop_hints.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_avx2.h"
#include "platform/ip/edge_blur.h"
#include "platform/ip/edge_bridge.h"
#include "platform/ip/edge_corner_gaps.h"
#include "platform/ip/edge_corners.h"
#include "platform/ip/edge_curvature.h"
#include "platform/ip/edge_direction_smooth.h"
#include "platform/ip/edge_hysteresis.h"
#include "platform/ip/edge_line_gaps.h"
#include "platform/ip/edge_links.h"
#include "platform/ip/edge_neighbours.h"
#include "platform/ip/edge_noise.h"
#include "platform/ip/edge_peak_fit.h"
#include "platform/ip/edge_peak_list.h"
#include "platform/ip/edge_peak_samples.h"
#include "platform/ip/edge_peak_test.h"
#include "platform/ip/edge_place_peaks.h"
#include "platform/ip/edge_position_smooth.h"
#include "platform/ip/edge_presmooth.h"
#include "platform/ip/edge_rising_starts.h"
#include "platform/ip/edge_settle.h"
#include "platform/ip/edge_side_ends.h"
#include "platform/ip/edge_sobel.h"
#include "platform/ip/edge_straight_runs.h"

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

// Images whose noise (edge_noise.h) reaches this many grey levels sigma are smoothed with the
// wide filter. Over generated scenes of noise 0 to 12 the wide filter keeps more of a side's
// length in one line than the narrow one from about 9 grey levels on (below, the half pixel it
// takes off every corner costs more than the noise it removes), and from 8 on it halves the
// false lines and cuts the short noise lines by five.
constexpr double kNoisyImageSigma = 9.0;

// The smoothed image the gradient is taken on, and the factor that puts magnitudes on the
// contrast scale: the Sobel operator over 8, after binomial smoothing, gives a sharp step of
// contrast C a peak of 5 C / 16 (the narrow filter) or 63 C / 256 (the wide one), so the
// factor is 16 / 5 or 256 / 63 and a sharp step reads C either way.
constexpr double kNarrowContrastFactor = 16.0 / 5.0;
constexpr double kWideContrastFactor = 256.0 / 63.0;
// The same for the wider filter of noisy, blurred images: the peak is 858 C / 4096.
constexpr double kWiderContrastFactor = 4096.0 / 858.0;

// Images whose edges measure at least this profile width (edge_blur.h) after the narrow filter
// are smoothed with the wide one too, and noisy ones with the wider one. A sharp step measures
// 1.24 pixels; this is a step blurred by about 0.9 pixel sigma. On a profile that wide each
// further filter lowers the gradient peak by a tenth only while it cuts the gradient noise by
// a third to a half, so faint blurred edges come out in longer pieces, with fewer short lines in
// noise, not more. Over 200 generated scenes the contrast 20-40 sides found in one piece rose
// from 71 to 75 % with the wide filter for blurred images, and from 75 to 77 % with the wider
// one for blurred noisy images (the contrast 20-40 circles found from 91 to 94 %, then 96 %);
// the wider filter costs sides that meet at sharp corners a little length.
constexpr double kBlurredEdgeWidth = 1.49;
// Steps whose slope is below this many times the noise sigma, or below kWidthMinSlope grey
// levels per pixel, are left out of the width: noise alone makes narrow, steep-looking steps.
constexpr double kWidthSlopeNoise = 0.8;
constexpr double kWidthMinSlope = 4.0;

struct Smoothed {
  vcPelBuffer_const<unsigned char> image;
  double contrastFactor = kNarrowContrastFactor;
  // Smoothed wide or wider for its noise (not only for its blur): weak peaks are as often noise
  // as edge.
  bool noisy = false;
};

Smoothed smoothForEdges(const vcPelBuffer_const<unsigned char>& input) {
  if (input.width() <= 0 || input.height() <= 0) return {input, kNarrowContrastFactor};
  const double noise = noiseSigma(input);
  const bool noisy = noise >= kNoisyImageSigma;
  vcPelBuffer<unsigned char> narrow = presmooth(input);
  const bool blurred =
      edgeWidth(narrow, std::max(kWidthMinSlope, kWidthSlopeNoise * noise)) >= kBlurredEdgeWidth;
  // The wider filter: the wide one over the narrow one's output.
  if (noisy && blurred) return {presmoothWide(narrow), kWiderContrastFactor, true};
  if (noisy || blurred) return {presmoothWide(input), kWideContrastFactor, noisy};
  return {narrow, kNarrowContrastFactor};
}

// The parameters with magScale times the smoothing's contrast factor.
vcEdgeletParams contrastScaled(const vcEdgeletParams& params, double contrastFactor) {
  vcEdgeletParams scaled = params;
  scaled.magScale(params.magScale() * contrastFactor);
  return scaled;
}

// Smallest squared Sobel magnitude (64 x magnitude^2) whose scaled magnitude reaches magThresh.
std::int32_t squaredThreshold(const vcEdgeletParams& params) {
  const double sobel = 8.0 * params.magThresh() / params.magScale();
  const double squared = sobel * sobel * (1.0 - 1e-12);  // a threshold met exactly still counts
  if (squared > 2.1e6) return INT32_MAX;                 // above any 8-bit gradient
  return std::max<std::int32_t>(1, std::int32_t(std::ceil(squared)));  // a zero gradient is no edge
}

// Smallest edgelet magnitude whose direction is kept as it is (edge_direction_smooth.h): above
// any magnitude on noisy images.
int steadyBelow(const vcEdgeletParams& params, bool noisy) {
  if (noisy) return 65536;
  return int(std::min(65536.0, std::ceil(kSteadyThresholds * params.magThresh())));
}

// ---- Gradient rows ----------------------------------------------------------------------

// s = the interleaved gradients g of a row of width pixels smoothed (1 2 1) along the row,
// both components at once: a pixel's neighbours are 2 entries away. g must be readable one
// pixel beyond both ends (the zero padding stands for the pixels beyond them). Also built for
// AVX2, chosen per call by vfUseAvx2().
[[gnu::always_inline]] inline void smoothAlongRowPass(const std::int16_t* g, std::int16_t* s,
                                                      long width) {
  VC_LOOP_INDEPENDENT
  for (long i = 0; i < 2 * width; ++i) s[i] = std::int16_t(g[i - 2] + 2 * g[i] + g[i + 2]);
}
#if VC_EDGE_AVX2
[[gnu::target("avx2")]] void smoothAlongRowAvx2(const std::int16_t* g, std::int16_t* s,
                                                long width) {
  smoothAlongRowPass(g, s, width);
}
#endif
void smoothAlongRow(const std::int16_t* g, std::int16_t* s, long width) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return smoothAlongRowAvx2(g, s, width);
#endif
  smoothAlongRowPass(g, s, width);
}

// The Sobel gradient of seven consecutive image rows, y - 3 .. y + 3 around the row being
// searched, in a ring, with each row's gradient also smoothed (1 2 1) along the row on demand,
// for the sub-pixel samples of steep edges. Gradients are interleaved, (gx, gy) of pixel x at
// entries 2x and 2x + 1. Each row is padded with 3 zero pixels at both ends and rows outside
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
        // One more zero pixel at the right end: samples read 8 pixels from 3 before a peak.
        padded_(image.width() + 2 * kReach + 1),
        g_(2 * (kRows + 1) * padded_, 0),
        s_(2 * (kRows + 1) * padded_, 0),
        q_((kRows + 1) * padded_, 0),
        vs_(width_ + 2),
        vd_(width_ + 2) {}

  // Computes image row y into its ring slot. Rows must come in increasing order.
  void compute(long y) {
    const unsigned char* up = image_.pointToRow(std::max(y - 1, 0L));
    const unsigned char* mid = image_.pointToRow(y);
    const unsigned char* down = image_.pointToRow(std::min(y + 1, height_ - 1));
    const long at = slot_(y) + kReach;
    sobelRow(up, mid, down, width_, vs_.data(), vd_.data(), &g_[2 * at], &q_[at]);
    smoothed_[std::size_t(y % kRows)] = false;
  }

  // Smooths row y along the row unless done already since it was computed; rows outside the
  // image stay zero. Only rows near steep edgelets need it, few on most images.
  void smooth(long y) {
    if (y < 0 || y >= height_ || smoothed_[std::size_t(y % kRows)]) return;
    smoothed_[std::size_t(y % kRows)] = true;
    const long at = 2 * (slot_(y) + kReach);
    smoothAlongRow(&g_[at], &s_[at], width_);
  }

  // Pointers to pixel x = 0 of row y (any y; rows outside the image are the zero row).
  const std::int16_t* g(long y) const { return &g_[2 * start_(y)]; }
  const std::int16_t* smoothed(long y) const { return &s_[2 * start_(y)]; }
  const std::int32_t* q(long y) const { return &q_[start_(y)]; }

 private:
  long slot_(long y) const { return (y % kRows) * padded_; }
  // The zero row is the extra slot after the ring.
  long start_(long y) const {
    return (y < 0 || y >= height_ ? kRows * padded_ : slot_(y)) + kReach;
  }

  const vcPelBuffer_const<unsigned char>& image_;
  long width_, height_, padded_;
  std::vector<std::int16_t> g_, s_;  // gradient, and smoothed along the row
  std::vector<std::int32_t> q_;
  std::vector<std::int16_t> vs_, vd_;
  std::array<bool, kRows> smoothed_{};  // per ring slot
};

// ---- Peaks ------------------------------------------------------------------------------

// Row pointers of the seven rows around row y, so that a column neighbour k steps away is
// entry [kReach + k][x], like a row neighbour is entry [x + k] of row y.
struct Window {
  const std::int16_t* g[GradientRows::kRows];
  const std::int32_t* q[GradientRows::kRows];
  // The gradient smoothed (1 2 1) along each row.
  const std::int16_t* rowSmoothed[GradientRows::kRows];
};

// The peaks of one row, gathered first and fitted together (edge_peak_fit.h), then turned into
// edgelets and their interpolated positions. Holds its buffers for all rows.
class RowPeaks {
 public:
  // With positionsAside, edgelets sit at their pixel centres and their positions go to
  // pending; else they sit at their positions.
  RowPeaks(long width, vcPair<long> offset, double magScale, std::vector<vcEdgelet>& edges,
           std::vector<float>& pending, std::vector<std::uint8_t>& strong,
           std::int32_t strongThreshold, bool positionsAside)
      : positionsAside_(positionsAside),
        x0_(offset.x()),
        y0_(offset.y()),
        scale_(float(magScale / 8.0)),
        edges_(edges),
        pending_(pending),
        strong_(strong),
        strongThreshold_(strongThreshold),
        width_(width),
        samples_(std::size_t(7 * width)),
        columns_(std::size_t(width)),
        gradients_(std::size_t(width)),
        magnitudes_(std::size_t(width)),
        axes_(std::size_t(width)),
        rowEdges_(std::size_t(width)),
        offsets_(std::size_t(width)),
        order_(std::size_t(2 * width)),
        flags_(std::size_t(width)) {
    batch_ = {samples_.data(), width};
    peaks_ = {columns_.data(), gradients_.data(), magnitudes_.data(), axes_.data()};
  }

  // Starts row y.
  void beginRow(GradientRows& rows, long y) {
    rows_ = &rows;
    row_ = y;
    for (long k = 0; k < GradientRows::kRows; ++k) {
      w_.g[k] = rows.g(y - GradientRows::kReach + k);
      w_.q[k] = rows.q(y - GradientRows::kReach + k);
      w_.rowSmoothed[k] = rows.smoothed(y - GradientRows::kReach + k);
    }
    y_ = y0_ + y;
  }

  // Lists row y's peaks (edge_peak_test.h) and gathers their samples.
  void findPeaks(std::int32_t threshold) {
    constexpr long c = GradientRows::kReach;
    PeakRows rows;
    for (long k = 0; k < 5; ++k) {
      rows.g[k] = w_.g[c - 2 + k];
      rows.q[k] = w_.q[c - 2 + k];
    }
    count_ = peakColumns(rows, width_, threshold, peaks_.x, flags_.data());
    if (count_ == 0) return;
    const bool steep = describePeaks(w_.g[c], w_.q[c], count_, peaks_);
    // Steep peaks read the rows around this one smoothed along the row.
    if (steep)
      for (long k = -c; k <= c; ++k) rows_->smooth(row_ + k);
    SmoothedGradients smoothed;
    for (long k = 0; k < 3; ++k) smoothed.around[k] = w_.g[c - 1 + k];
    for (long k = 0; k < GradientRows::kRows; ++k) smoothed.rows[k] = w_.rowSmoothed[k];
    axisSamples(smoothed, peaks_, count_, samples_.data(), batch_.stride, order_.data());
  }

  // Fits the gathered peaks and appends their edgelets, in column order.
  void endRow() {
    peakOffsets(batch_, count_, offsets_.data());
    // The row's edgelets go to a row buffer and are appended in one copy (growing the list in
    // place would construct every entry before it is written); positions held aside are
    // written in place.
    float* positions = nullptr;
    if (positionsAside_) {
      const std::size_t first = edges_.size();
      pending_.resize(2 * (first + std::size_t(count_)));
      positions = pending_.data() + 2 * first;
    }
    placePeaks(peaks_, offsets_.data(), count_, {x0_, y_, scale_}, rowEdges_.data(), positions);
    edges_.insert(edges_.end(), rowEdges_.data(), rowEdges_.data() + count_);
    const std::int32_t* q = w_.q[GradientRows::kReach];
    const std::size_t first = strong_.size();
    strong_.resize(first + std::size_t(count_));
    std::uint8_t* strong = strong_.data() + first;
    for (long j = 0; j < count_; ++j) strong[j] = q[peaks_.x[j]] >= strongThreshold_;
  }

 private:
  bool positionsAside_;
  GradientRows* rows_ = nullptr;
  long row_ = 0;  // in the image
  Window w_;
  long x0_, y0_, y_ = 0;  // y_ in the image's offset coordinates
  float scale_;
  std::vector<vcEdgelet>& edges_;
  std::vector<float>& pending_;
  std::vector<std::uint8_t>& strong_;  // per edgelet: its peak reaches the threshold
  std::int32_t strongThreshold_;
  long width_;
  std::vector<float> samples_;
  PeakSamples batch_;
  // The row's peaks, field by field.
  std::vector<std::int32_t> columns_, gradients_;
  std::vector<float> magnitudes_;
  std::vector<std::uint8_t> axes_;
  PeakList peaks_;
  std::vector<vcEdgelet> rowEdges_;
  std::vector<float> offsets_;
  std::vector<std::int32_t> order_;  // scratch of the samples
  std::vector<std::uint8_t> flags_;
  long count_ = 0;
};

}  // namespace

void vfEdgeDetectCheckImage(const vcPelBuffer_const<unsigned char>& image) {
  requireBound(image);
  requireCoordinates(image);
}

namespace {

// The edgelet forms of the detector: positions held aside until doEdgeInterp(), or taken at
// once.
void detect(const vcPelBuffer_const<unsigned char>& input, const vcEdgeletParams& userParams,
            vcEdgeletSet& edgelets, bool positionsAside) {
  // Check the image; edgelets are built aside and swapped in at the end.
  vfEdgeDetectCheckImage(input);
  std::vector<vcEdgelet> edges;
  std::vector<float> pending;
  const long width = input.width(), height = input.height();
  const Smoothed smoothed = smoothForEdges(input);
  const vcEdgeletParams params = contrastScaled(userParams, smoothed.contrastFactor);
  const vcPelBuffer_const<unsigned char>& image = smoothed.image;
  if (width > 0 && height > 0) {
    // Peaks are searched at the weak threshold, and those below the threshold proper stay only
    // where they continue an edge that reaches it (in noise, where they join it over a span).
    const std::int32_t threshold = squaredThreshold(params);
    vcEdgeletParams weakParams = params;
    weakParams.magThresh(params.magThresh() * kWeakFraction);
    const std::int32_t weakThreshold = squaredThreshold(weakParams);
    std::vector<std::uint8_t> strong;
    GradientRows rows(image);
    // Gradient rows run 3 ahead of the row searched for peaks.
    for (long y = 0; y < std::min(GradientRows::kReach, height); ++y) rows.compute(y);
    RowPeaks peaks(width, image.offset(), params.magScale(), edges, pending, strong, threshold,
                   positionsAside);
    for (long y = 0; y < height; ++y) {
      if (y + GradientRows::kReach < height) rows.compute(y + GradientRows::kReach);
      peaks.beginRow(rows, y);
      peaks.findPeaks(weakThreshold);
      peaks.endRow();
      // Once an eighth of the rows is searched, room for what the whole image is likely to
      // hold (a quarter more than that share suggests), so that the lists are seldom moved
      // while they grow.
      if (y + 1 == height / 8) {
        const std::size_t likely = edges.size() * std::size_t(height) / std::size_t(y + 1) * 5 / 4;
        const std::size_t room = std::min(likely, std::size_t(width * height));
        edges.reserve(room);
        strong.reserve(room);
        if (positionsAside) pending.reserve(2 * room);
      }
    }
    // Each edgelet in the pixel of its position, then the edges joined where noise set
    // neighbouring peaks two pixels apart.
    keepConnected(image.offset().x(), image.offset().y(), width, height, strong, edges, pending,
                  smoothed.noisy ? kNoisyJoinSpan : 0);
    settleInPixels(image.offset().x(), image.offset().y(), width, height, edges, pending);
    bridgeGaps(image, weakThreshold, float(params.magScale() / 8.0), edges, pending);
    // The steps that follow edges from edgelet to edgelet share one index of neighbours, which
    // those that add or remove edgelets keep up to date.
    EdgeletNeighbours near;
    near.build(image.offset().y(), height, edges);
    commitCornerTips(near, edges, pending);
    reachCorners(image, float(params.magScale() / 8.0), near, edges, pending);
    // Placing on curves moves positions only: the links along the edge it finds on the way
    // serve parting at corners too.
    EdgeLinks links(0);
    placeOnCurves(image, near, edges, pending, links);
    // No run of edgelets goes round a corner; the index follows the edgelets parting removes.
    partAtCorners(near, links, edges, pending);
    // Directions steadied along the edge (in noise, or where it is faint), positions too in
    // noise, and directions at its ends, so that trackers neither end it early nor start it
    // the wrong way; short gaps in straight edges (on quiet images faint ones only) and one-pixel
    // holes in curved ones filled.
    smoothDirections(near, edges, steadyBelow(params, smoothed.noisy));
    // Faint edgelets once more, whose directions wander the most: the mean then reaches two
    // pixels each way along the edge.
    smoothDirections(near, edges, steadyBelow(params, false));
    if (smoothed.noisy) {
      smoothPositions(near, edges, pending);
      // Faint edgelets' positions once more, as their directions.
      smoothPositions(near, edges, pending, steadyBelow(params, false));
    }
    steadyEdgeEnds(near, edges);
    // The links along the edges as the directions now are, for the last steps.
    links = EdgeLinks(near, edges);
    fillLineGaps(image, threshold, float(params.magScale() / 8.0), near, edges, pending, links,
                 smoothed.noisy ? GapEnds{} : GapEnds{kQuietGapCodes, steadyBelow(params, false)});
    fillArcHoles(image, threshold, float(params.magScale() / 8.0), near, edges, pending, links);
    // Straight edges on their lines, so that no circle fits them by their scatter alone; in
    // noise, faint ones in longer pieces, as their directions wander the most.
    straightenRuns(links, near, edges, pending, smoothed.noisy ? steadyBelow(params, false) : 0);
    // Arcs started where the chain tracker follows them down both sides.
    turnRisingStarts(near, edges);
  }
  EdgeletSetWriter::assign(edgelets, edges, pending, image.clientFromImageXform());
}

}  // namespace

void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& image, const vcEdgeletParams& params,
                  vcEdgeletSet& edgelets, vcDiagObject* /*diag*/, unsigned long /*flags*/) {
  detect(image, params, edgelets, true);
}

void vfEdgeDetectInterpolated(const vcPelBuffer_const<unsigned char>& image,
                              const vcEdgeletParams& params, vcEdgeletSet& edgelets) {
  detect(image, params, edgelets, false);
}

namespace {

// The magnitude (scaled, rounded, at most 255) and angle code of each pixel of a gradient row:
// g the interleaved (gx, gy) pairs, q the squared Sobel magnitudes. Also built for AVX2, eight
// pixels at a time with the same steps (a correctly rounded square root, then a product and a
// sum without fused rounding), so both give the same bytes; chosen per call by vfUseAvx2().
void magnitudesAndCodesPortable(const AngleCoder& coder, const std::int16_t* g,
                                const std::int32_t* q, long from, long width, float scale,
                                unsigned char* magnitude, unsigned char* code) {
  for (long x = from; x < width; ++x) {
    magnitude[x] = static_cast<unsigned char>(scaledMagnitude(q[x], scale, 255));
    code[x] = coder.code(g[2 * x], g[2 * x + 1]);
  }
}
#if VC_EDGE_AVX2
// Eight 32-bit lanes of values 0..255 as eight bytes in order.
VC_EDGE_AVX2_INLINE __m128i bytes8(__m256i v) {
  const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(v, v), v);
  return _mm_unpacklo_epi32(_mm256_castsi256_si128(packed), _mm256_extracti128_si256(packed, 1));
}
[[gnu::target("avx2")]] void magnitudesAndCodesAvx2(const AngleCoder& coder, const std::int16_t* g,
                                                    const std::int32_t* q, long width, float scale,
                                                    unsigned char* magnitude, unsigned char* code) {
  const __m256 scales = _mm256_set1_ps(scale), half = _mm256_set1_ps(0.5f),
               limit = _mm256_set1_ps(255.0f);
  long x = 0;
  for (; x + 8 <= width; x += 8) {
    const __m256 root = _mm256_sqrt_ps(
        _mm256_cvtepi32_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + x))));
    const __m256 scaled = _mm256_min_ps(_mm256_add_ps(_mm256_mul_ps(root, scales), half), limit);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(magnitude + x),
                     bytes8(_mm256_cvttps_epi32(scaled)));
    const __m256i pairs = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(g + 2 * x));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(code + x), bytes8(coder.codes8(pairs)));
  }
  magnitudesAndCodesPortable(coder, g, q, x, width, scale, magnitude, code);
}
#endif
void magnitudesAndCodes(const AngleCoder& coder, const std::int16_t* g, const std::int32_t* q,
                        long width, float scale, unsigned char* magnitude, unsigned char* code) {
#if VC_EDGE_AVX2
  if (vfUseAvx2()) return magnitudesAndCodesAvx2(coder, g, q, width, scale, magnitude, code);
#endif
  magnitudesAndCodesPortable(coder, g, q, 0, width, scale, magnitude, code);
}

}  // namespace

void vfEdgeDetect(const vcPelBuffer_const<unsigned char>& input, const vcEdgeletParams& userParams,
                  vcPelBuffer<unsigned char>& magnitudeImage,
                  vcPelBuffer<unsigned char>& angleImage, vcDiagObject* /*diag*/,
                  unsigned long /*flags*/) {
  // New output images carrying the input's geometry.
  requireBound(input);
  const long width = input.width(), height = input.height();
  const Smoothed smoothed = smoothForEdges(input);
  const vcEdgeletParams params = contrastScaled(userParams, smoothed.contrastFactor);
  const vcPelBuffer_const<unsigned char>& image = smoothed.image;
  vcPelBuffer<unsigned char> magnitudes(width, height, 32), angles(width, height, 32);
  for (vcPelBuffer<unsigned char>* out : {&magnitudes, &angles}) {
    out->offset(image.offset());
    out->copyXforms(image);
  }

  // Gradient row by row; magnitude and code per pixel.
  if (width > 0 && height > 0) {
    const AngleCoder& coder = AngleCoder::instance();
    const float scale = float(params.magScale() / 8.0);
    std::vector<std::int16_t> vs(width + 2), vd(width + 2), g(2 * width);
    std::vector<std::int32_t> q(width);
    for (long y = 0; y < height; ++y) {
      sobelRow(image.pointToRow(std::max(y - 1, 0L)), image.pointToRow(y),
               image.pointToRow(std::min(y + 1, height - 1)), width, vs.data(), vd.data(), g.data(),
               q.data());
      magnitudesAndCodes(coder, g.data(), q.data(), width, scale, magnitudes.pointToRow(y),
                         angles.pointToRow(y));
    }
  }
  magnitudeImage = magnitudes;
  angleImage = angles;
}
