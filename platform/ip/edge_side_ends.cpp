#include "platform/ip/edge_side_ends.h"

#include "platform/base/assert.h"
#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_avx2.h"
#include "platform/ip/edge_sobel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

namespace vc_edge_detail {

namespace {

// Farthest a run's last edgelet moves from its pixel's centre towards the corner: a pixel,
// less a margin for the rounding of single-precision positions.
constexpr double kFarthest = 0.999;

// How far the edge past a run's end is followed, edgelets, and by how much it must turn from
// the run within them to make a corner the run is carried to: 56 degrees (a corner of at most
// 124 degrees between the sides), in codes of 256 per turn. A corner rounded by the smoothing
// and a blur of up to a pixel and a half turns that far within four or five pixels; a round
// edge of radius 7 or more turns by under 6 codes a pixel. At a blunter corner the side beyond
// runs close to the run's line, so the step across the line fades slowly and its half lies
// well past the corner.
constexpr int kAheadSteps = 5;
constexpr double kLeastCornerTurnCodes = 40.0;

// Share of the full step below which it must fall soon after falling to half, for a corner.
constexpr double kGone = 0.25;

// The gradient direction of every code, filled once at load; the tangent is it turned by +90
// degrees, (-y, x).
struct DirectionTable {
  double x[256];
  double y[256];
  DirectionTable() {
    for (int a = 0; a < 256; ++a) {
      x[a] = std::cos(a * (2.0 * std::numbers::pi / 256.0));
      y[a] = std::sin(a * (2.0 * std::numbers::pi / 256.0));
    }
  }
};
const DirectionTable kDirection;

// Which side of an edgelet of every code each neighbour slot lies on (edge_neighbours.h): 1
// ahead along the tangent, 0 behind, -1 across (neither), filled once at load.
struct SideTable {
  std::int8_t of[256][9];
  SideTable() {
    for (int a = 0; a < 256; ++a)
      for (int slot = 0; slot < 9; ++slot) {
        const double along = -double(EdgeletNeighbours::slotX(slot)) * kDirection.y[a] +
                             double(EdgeletNeighbours::slotY(slot)) * kDirection.x[a];
        of[a][slot] = std::int8_t(along > 0.0 ? 1 : along < 0.0 ? 0 : -1);
      }
  }
};
const SideTable kSide;

// Bilinear grey values of the image (window pixel coordinates, centres at + 0.5) and the grey
// step across a line.
class Greys {
 public:
  explicit Greys(const vcPelBuffer_const<unsigned char>& image)
      : width_(image.width()),
        height_(image.height()),
        first_(image.pointToRow(0)),
        stride_(image.rowUpdate()) {}

  // The mean grey difference between points 1 and 2 pixels along the gradient (gx, gy) from
  // (x, y) and the points as far against it, over three places half a pixel apart along the
  // line. False when a point falls outside the image. (gx, gy) is a unit vector.
  bool stepAcross(double x, double y, double gx, double gy, double& step) const {
    // The points lie within sqrt(1 + 1/4) pixels of (x, y): where that much room is left on
    // every side, none needs checking.
    if (!inside(x, y, kStepReach)) return stepAcross<true>(x, y, gx, gy, step);
#if VC_EDGE_AVX2
    if (avx2_) {
      step = stepInsideAvx2(x, y, gx, gy);
      return true;
    }
#endif
    return stepAcross<false>(x, y, gx, gy, step);
  }

 private:
  static constexpr double kStepReach = 1.25;

  // Whether (x, y) has both pixels each way inside the image, with `margin` pixels to spare.
  bool inside(double x, double y, double margin) const {
    const double u = x - 0.5, v = y - 0.5;
    return u - margin >= 0.0 && v - margin >= 0.0 && u + margin < double(width_ - 1) &&
           v + margin < double(height_ - 1);
  }

  // The bilinear grey value at a point where inside(x, y, 0) holds; then truncation is the
  // floor.
  double greyInside(double x, double y) const {
    const double u = x - 0.5, v = y - 0.5;
    const double fu = double(long(u)), fv = double(long(v));
    const unsigned char* r0 = first_ + long(fv) * stride_ + long(fu);
    const unsigned char* r1 = r0 + stride_;
    const double a = u - fu, b = v - fv;
    return (1.0 - b) * ((1.0 - a) * r0[0] + a * r0[1]) + b * ((1.0 - a) * r1[0] + a * r1[1]);
  }

  template <bool kChecked>
  bool stepAcross(double x, double y, double gx, double gy, double& step) const {
    double sum = 0.0;
    for (const double k : {-0.5, 0.0, 0.5})
      for (const double r : {0.5, 1.0}) {
        const double cx = x - gy * k, cy = y + gx * k;
        const double lx = cx + gx * r, ly = cy + gy * r, dx = cx - gx * r, dy = cy - gy * r;
        if (kChecked && !(inside(lx, ly, 0.0) && inside(dx, dy, 0.0))) return false;
        sum += greyInside(lx, ly) - greyInside(dx, dy);
      }
    step = sum / 6.0;
    return true;
  }

#if VC_EDGE_AVX2
  // greyInside at four points at once, with the same steps in each lane.
  VC_EDGE_AVX2_INLINE __m256d greysInside4(__m256d x, __m256d y) const {
    const __m256d half = _mm256_set1_pd(0.5), one = _mm256_set1_pd(1.0);
    const __m256d u = _mm256_sub_pd(x, half), v = _mm256_sub_pd(y, half);
    const __m256d fu = _mm256_round_pd(u, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256d fv = _mm256_round_pd(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    alignas(16) std::int32_t iu[4], iv[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(iu), _mm256_cvttpd_epi32(u));
    _mm_store_si128(reinterpret_cast<__m128i*>(iv), _mm256_cvttpd_epi32(v));
    // Each lane's two pixels in both rows, as 16-bit pairs.
    alignas(16) std::int32_t top[4], bottom[4];
    for (int l = 0; l < 4; ++l) {
      const unsigned char* r0 = first_ + long(iv[l]) * stride_ + long(iu[l]);
      top[l] = r0[0] | (r0[1] << 8);
      bottom[l] = r0[stride_] | (r0[stride_ + 1] << 8);
    }
    const __m128i low = _mm_set1_epi32(255);
    const __m128i t = _mm_load_si128(reinterpret_cast<const __m128i*>(top));
    const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(bottom));
    const __m256d p00 = _mm256_cvtepi32_pd(_mm_and_si128(t, low));
    const __m256d p01 = _mm256_cvtepi32_pd(_mm_srli_epi32(t, 8));
    const __m256d p10 = _mm256_cvtepi32_pd(_mm_and_si128(b, low));
    const __m256d p11 = _mm256_cvtepi32_pd(_mm_srli_epi32(b, 8));
    const __m256d a = _mm256_sub_pd(u, fu), bv = _mm256_sub_pd(v, fv);
    const __m256d ra = _mm256_sub_pd(one, a), rb = _mm256_sub_pd(one, bv);
    const __m256d upper = _mm256_add_pd(_mm256_mul_pd(ra, p00), _mm256_mul_pd(a, p01));
    const __m256d lower = _mm256_add_pd(_mm256_mul_pd(ra, p10), _mm256_mul_pd(a, p11));
    return _mm256_add_pd(_mm256_mul_pd(rb, upper), _mm256_mul_pd(bv, lower));
  }

  // stepAcross<false> with its twelve grey values taken four at a time: places (k, r) in the
  // order of the loops, the points along the gradient (+ r) of the first four, those against
  // it (- r), then both of the last two; the sum in the loops' order.
  [[gnu::target("avx2")]] double stepInsideAvx2(double x, double y, double gx, double gy) const {
    const __m256d vgx = _mm256_set1_pd(gx), vgy = _mm256_set1_pd(gy);
    const __m256d vx = _mm256_set1_pd(x), vy = _mm256_set1_pd(y);
    const __m256d kFirst = _mm256_setr_pd(-0.5, -0.5, 0.0, 0.0);
    const __m256d rFirst = _mm256_setr_pd(0.5, 1.0, 0.5, 1.0);
    const __m256d kLast = _mm256_set1_pd(0.5);
    const __m256d rLast = _mm256_setr_pd(0.5, 1.0, -0.5, -1.0);
    const __m256d cx = _mm256_sub_pd(vx, _mm256_mul_pd(vgy, kFirst));
    const __m256d cy = _mm256_add_pd(vy, _mm256_mul_pd(vgx, kFirst));
    const __m256d ox = _mm256_mul_pd(vgx, rFirst), oy = _mm256_mul_pd(vgy, rFirst);
    const __m256d light =
        greysInside4(_mm256_add_pd(cx, ox), _mm256_add_pd(cy, oy));
    const __m256d dark = greysInside4(_mm256_sub_pd(cx, ox), _mm256_sub_pd(cy, oy));
    // gx * -r is -(gx * r) exactly, so adding it subtracts as the loops do.
    const __m256d cxl = _mm256_sub_pd(vx, _mm256_mul_pd(vgy, kLast));
    const __m256d cyl = _mm256_add_pd(vy, _mm256_mul_pd(vgx, kLast));
    const __m256d last = greysInside4(_mm256_add_pd(cxl, _mm256_mul_pd(vgx, rLast)),
                                      _mm256_add_pd(cyl, _mm256_mul_pd(vgy, rLast)));
    alignas(32) double first[4], end[4];
    _mm256_store_pd(first, _mm256_sub_pd(light, dark));
    _mm256_store_pd(end, last);
    double sum = 0.0;
    for (const double d : first) sum += d;
    sum += end[0] - end[2];
    sum += end[1] - end[3];
    return sum / 6.0;
  }
#endif

  long width_, height_;
  const unsigned char* first_;
  long stride_;
#if VC_EDGE_AVX2
  bool avx2_ = vfUseAvx2();
#endif
};

// One pixel that a run's end asks for: which run, where, and how the edgelet there would read.
struct Claim {
  long pixel;       // j * width + i in the window
  std::size_t run;  // index of the run end
  double distance;  // from the pixel's centre to the run's line
  std::uint16_t i, j, magnitude;
  vcAngle8 code;
  float x, y;
};

}  // namespace

void reachCorners(const vcPelBuffer_const<unsigned char>& image, float scale,
                  EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions) {
  const std::size_t n = edges.size();
  const long width = image.width(), height = image.height();
  if (n < std::size_t(kRunLength) || width < 2 || height < 2) return;
  const long x0 = image.offset().x(), y0 = image.offset().y();
  const bool aside = !positions.empty();
  const auto px = [&](std::size_t k) {
    return double(aside ? positions[2 * k] : edges[k].posQuickX()) - double(x0);
  };
  const auto py = [&](std::size_t k) {
    return double(aside ? positions[2 * k + 1] : edges[k].posQuickY()) - double(y0);
  };

  // The edgelet of pixel `pixel` (window index), or -1.
  VC_ASSERT(near.size() == n);
  const auto edgeletAt = [&](long pixel) {
    const std::size_t m = near.find(edges, pixel % width + x0, pixel / width + y0);
    return m < n ? std::int32_t(m) : std::int32_t(-1);
  };

  // The neighbours of every edgelet (among its 8 neighbouring pixels, pointing within 90
  // degrees of it) that turn least from it, ahead of it along its tangent and behind it, found
  // once: index and turn, or -1 when there is none. Of neighbours turning alike, the first in
  // raster order counts.
  struct Near {
    std::int32_t at[2] = {-1, -1};  // behind, ahead
    std::int16_t turn[2] = {0, 0};
  };
  std::vector<Near> nearest(n);
  for (std::size_t k = 0; k < n; ++k) {
    const int a = edges[k].angle().plain();
    int least[2] = {1000, 1000};
    near.forEachByRows(k, [&](std::size_t m, int slot) {
      const int t = signedTurn(a, edges[m].angle().plain());
      const int side = kSide.of[a][slot];
      if (std::abs(t) > 64 || side < 0) return;
      if (std::abs(t) < least[side]) {
        least[side] = std::abs(t);
        nearest[k].at[side] = std::int32_t(m);
        nearest[k].turn[side] = std::int16_t(t);
      }
    });
  }
  // The neighbour of edgelet k ahead (way +1) or behind (-1); `turn` gets the turn towards it.
  const auto neighbour = [&](std::size_t k, int way, int& turn) {
    const int side = way > 0 ? 1 : 0;
    turn = nearest[k].turn[side];
    return long(nearest[k].at[side]);
  };
  // How many neighbours, up to `most`, the edge runs straight from edgelet k the given way,
  // each turning by less than kRunTurnCodes from the last and from k.
  const auto straightSteps = [&](std::size_t k, int way, int most) {
    std::size_t at = k;
    for (int s = 0; s < most; ++s) {
      int turn = 0;
      const long next = neighbour(at, way, turn);
      if (next < 0 || std::abs(turn) >= kRunTurnCodes ||
          std::abs(signedTurn(edges[k].angle().plain(),
                              edges[std::size_t(next)].angle().plain())) >= kRunTurnCodes)
        return s;
      at = std::size_t(next);
    }
    return most;
  };

  // The detector's magnitude of pixel (i, j) of the window.
  const unsigned char* row0 = image.pointToRow(0);
  const auto magnitudeAt = [&](long i, long j) {
    std::int32_t gx = 0, gy = 0;
    sobelAt(row0, image.rowUpdate(), width, height, i, j, gx, gy);
    return std::uint16_t(scaledMagnitude(gx * gx + gy * gy, scale, 65535.0f));
  };

  // Every run end asks for the pixels along its line up to where the step across the line
  // falls to half.
  const Greys greys(image);
  std::vector<Claim> claims;
  // Each run end that claims pixels: its end edgelet, its line and how far along it the
  // corner lies.
  struct Run {
    std::size_t end;
    double bx, by, ox, oy, corner;
  };
  std::vector<Run> runs;
  for (std::size_t k = 0; k < n; ++k)
    for (const int way : {1, -1}) {
      // Most edgelets go on along their edge without a turn.
      int turn = 0;
      const long next = neighbour(k, way, turn);
      if (next >= 0 && std::abs(turn) <= 1) continue;
      // The straight run behind k, up to kFitLength edgelets.
      const int code = edges[k].angle().plain();
      std::size_t chain[kFitLength];
      int length = 1;
      chain[0] = k;
      int turnSum = 0;
      while (length < kFitLength) {
        const long back = neighbour(chain[length - 1], -way, turn);
        if (back < 0 || std::abs(turn) >= kRunTurnCodes) break;
        const int fromEnd = signedTurn(code, edges[std::size_t(back)].angle().plain());
        if (std::abs(fromEnd) >= kRunTurnCodes) break;
        turnSum += fromEnd;
        chain[length++] = std::size_t(back);
      }
      if (length < kRunLength) continue;
      // The run ends at k when the next edgelet turns away from the run's mean direction.
      const double mean = double(code) + double(turnSum) / double(length);
      if (next >= 0 &&
          std::abs(double(code + signedTurn(code, edges[std::size_t(next)].angle().plain())) -
                   mean) < kEndTurnCodes)
        continue;
      // The edge that goes on past the end, if any, must turn by a corner's angle within
      // kAheadSteps edgelets: past a shallow corner, and along a round edge (a disc or ring,
      // which noise can make look straight for a few pixels), the step across the run's line
      // fades slowly as the edge leaves it and would carry the run well beyond the outline,
      // along its tangent.
      {
        double turned = 0.0;
        int steps = 0;
        for (long m = next; m >= 0 && steps < kAheadSteps; ++steps) {
          const std::size_t ahead = std::size_t(m);
          turned = std::max(
              turned,
              std::abs(double(code + signedTurn(code, edges[ahead].angle().plain())) - mean));
          m = neighbour(ahead, way, turn);
        }
        if (steps == kAheadSteps && turned < kLeastCornerTurnCodes) continue;
      }
      // The run's line through the mean position of its edgelets along its mean direction,
      // pointing out of the run's end.
      const double gx = std::cos(mean * (2.0 * std::numbers::pi / 256.0));
      const double gy = std::sin(mean * (2.0 * std::numbers::pi / 256.0));
      const double ox = -gy * way, oy = gx * way;
      double bx = 0.0, by = 0.0;
      for (int c = 0; c < length; ++c) {
        bx += px(chain[c]);
        by += py(chain[c]);
      }
      bx /= double(length);
      by /= double(length);
      const std::size_t at = chain[length - 1];
      // The full step, along the run.
      const double sEnd = (px(k) - bx) * ox + (py(k) - by) * oy;
      double full = 0.0;
      int samples = 0;
      for (double s = (px(at) - bx) * ox + (py(at) - by) * oy; s <= sEnd; s += 1.0) {
        double step = 0.0;
        if (greys.stepAcross(bx + ox * s, by + oy * s, gx, gy, step)) {
          full += step;
          ++samples;
        }
      }
      if (samples == 0 || !(full / samples > 1.0)) continue;
      full /= samples;
      // Where the step falls to half, from the run's end outward.
      const auto ratio = [&](double s, double& r) {
        double step = 0.0;
        if (!greys.stepAcross(bx + ox * s, by + oy * s, gx, gy, step)) return false;
        r = step / full;
        return true;
      };
      double previous = 0.0;
      if (!ratio(sEnd, previous) || previous < 0.5) continue;
      double corner = -1.0;
      for (double s = sEnd + 0.5; s <= sEnd + kReach + 1e-9; s += 0.5) {
        double r = 0.0;
        if (!ratio(s, r)) break;
        if (r < 0.5) {
          // A corner: the step goes on falling, below a quarter within a pixel and a half;
          // noise on a straight edge dips below half and comes back.
          double beyond = r;
          for (double b = s + 0.5; b <= s + 1.5 + 1e-9 && beyond >= kGone; b += 0.5)
            if (!ratio(b, beyond)) beyond = 1.0;
          if (beyond < kGone) corner = s - 0.5 + 0.5 * (previous - 0.5) / (previous - r);
          break;
        }
        previous = r;
      }
      if (corner < sEnd + 0.25) continue;
      // The pixels the line crosses from the run's end up to that point, each with an edgelet
      // on the line, as near its centre as the point allows.
      const std::size_t run = runs.size();
      runs.push_back({k, bx, by, ox, oy, corner});
      const std::size_t first = claims.size();
      long lastPixel = long(edges[k].get_j() - y0) * width + long(edges[k].get_i() - x0);
      for (double s = sEnd + 0.5;; s += 0.1) {
        const double t = std::min(s, corner);
        const double x = bx + ox * t, y = by + oy * t;
        const long i = long(std::floor(x)), j = long(std::floor(y));
        if (i < 0 || j < 0 || i >= width || j >= height) break;
        const long pixel = j * width + i;
        if (pixel != lastPixel) {
          lastPixel = pixel;
          const double cx = double(i) + 0.5, cy = double(j) + 0.5;
          const double along = std::clamp((cx - bx) * ox + (cy - by) * oy, sEnd, corner);
          const double ex = std::clamp(bx + ox * along, double(i), double(i + 1));
          const double ey = std::clamp(by + oy * along, double(j), double(j + 1));
          claims.push_back({pixel, run, std::abs((cx - bx) * gx + (cy - by) * gy),
                            std::uint16_t(i + x0), std::uint16_t(j + y0), magnitudeAt(i, j),
                            vcAngle8(std::uint8_t(std::lround(mean) & 255)), float(ex + double(x0)),
                            float(ey + double(y0))});
        }
        if (t >= corner) break;
      }
      // A line tracer steps from row to row along lines whose direction class (the gradient
      // code's, as the line tracker takes it) is 2 (along y) or 3 (along -x+y), and within a
      // row only leftward along class 3: a second pixel in the last row of the new edgelets
      // would not be reached, from above at the line's top nor from the row above at its
      // bottom along class 2, and is left out.
      const int lineClass = ((((int(std::lround(mean)) + 64) & 255) & 127) + 16) / 32;
      if ((lineClass == 2 || (lineClass == 3 && oy < 0.0)) && claims.size() > first) {
        const long lastRow = claims.back().pixel / width;
        std::size_t keep = claims.size();
        while (keep > first && claims[keep - 1].pixel / width == lastRow) --keep;
        const bool endInRow = long(edges[k].get_j() - y0) == lastRow;
        claims.resize(endInRow ? keep : keep + 1);
      }
    }
  if (runs.empty()) return;

  // The run whose line passes nearest a pixel's centre gets it, unless the pixel holds an
  // edgelet of a straight run of another direction.
  std::vector<std::size_t> byPixel(claims.size());
  for (std::size_t c = 0; c < claims.size(); ++c) byPixel[c] = c;
  std::sort(byPixel.begin(), byPixel.end(), [&](std::size_t a, std::size_t b) {
    return claims[a].pixel != claims[b].pixel ? claims[a].pixel < claims[b].pixel
                                              : claims[a].distance < claims[b].distance;
  });
  std::vector<bool> granted(claims.size(), false);
  for (std::size_t c = 0; c < byPixel.size(); ++c) {
    const Claim& claim = claims[byPixel[c]];
    if (c > 0 && claims[byPixel[c - 1]].pixel == claim.pixel) continue;
    const std::int32_t m = edgeletAt(claim.pixel);
    if (m >= 0 &&
        std::abs(signedTurn(claim.code.plain(), edges[std::size_t(m)].angle().plain())) >=
            kRunTurnCodes &&
        straightSteps(std::size_t(m), 1, kRunLength - 1) +
                straightSteps(std::size_t(m), -1, kRunLength - 1) >=
            kRunLength - 1)
      continue;
    granted[byPixel[c]] = true;
  }
  // A run's new edgelets stop at the first pixel it does not get (claims are in run order).
  std::vector<Claim> kept;
  for (std::size_t c = 0; c < claims.size(); ++c) {
    if (!granted[c]) {
      const std::size_t run = claims[c].run;
      while (c + 1 < claims.size() && claims[c + 1].run == run) ++c;
      continue;
    }
    kept.push_back(claims[c]);
  }

  // The last edgelet of each run, new or its end, moves along the line towards the corner as
  // far as a pixel from its pixel's centre: where the pixels beyond are not the run's, the
  // line still ends nearer the corner.
  const auto reach = [&](const Run& r, std::uint16_t i, std::uint16_t j, float& x, float& y) {
    const double cx = double(i - x0) + 0.5, cy = double(j - y0) + 0.5;
    const double along = (cx - r.bx) * r.ox + (cy - r.by) * r.oy;
    const double off = (cx - r.bx) * r.oy - (cy - r.by) * r.ox;
    const double room = kFarthest * kFarthest - off * off;
    if (room <= 0.0) return;
    const double t = std::min(r.corner, along + std::sqrt(room));
    const double current =
        (double(x) - double(x0) - r.bx) * r.ox + (double(y) - double(y0) - r.by) * r.oy;
    if (t <= current) return;
    x = float(r.bx + r.ox * t + double(x0));
    y = float(r.by + r.oy * t + double(y0));
  };
  std::vector<bool> reached(runs.size(), false);
  for (std::size_t c = kept.size(); c-- > 0;) {
    if (reached[kept[c].run]) continue;
    reached[kept[c].run] = true;
    reach(runs[kept[c].run], kept[c].i, kept[c].j, kept[c].x, kept[c].y);
  }
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (reached[r]) continue;
    const std::size_t k = runs[r].end;
    float x = float(px(k) + double(x0)), y = float(py(k) + double(y0));
    reach(runs[r], edges[k].get_i(), edges[k].get_j(), x, y);
    if (aside) {
      positions[2 * k] = x;
      positions[2 * k + 1] = y;
    } else {
      const vcEdgelet& e = edges[k];
      edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), e.angle(), x, y);
    }
  }

  // Pixels with an edgelet take the new one in its place; the others are merged in raster
  // order.
  std::vector<Claim> added;
  for (const Claim& c : kept) {
    const std::int32_t m = edgeletAt(c.pixel);
    if (m < 0) {
      added.push_back(c);
      continue;
    }
    const float x = aside ? float(c.i) + 0.5f : c.x, y = aside ? float(c.j) + 0.5f : c.y;
    edges[std::size_t(m)] = vcEdgelet(c.i, c.j, c.magnitude, c.code, x, y);
    if (aside) {
      positions[2 * std::size_t(m)] = c.x;
      positions[2 * std::size_t(m) + 1] = c.y;
    }
  }
  if (added.empty()) return;
  std::sort(added.begin(), added.end(),
            [](const Claim& a, const Claim& b) { return a.pixel < b.pixel; });
  // Each one goes in before the first edgelet at or after its pixel in raster order; the
  // edgelets between are copied in runs.
  std::vector<vcEdgelet> merged;
  std::vector<float> mergedPositions;
  merged.reserve(n + added.size());
  if (aside) mergedPositions.reserve(2 * (n + added.size()));
  const auto copyUpTo = [&](std::size_t from, std::size_t to) {
    merged.insert(merged.end(), edges.begin() + std::ptrdiff_t(from),
                  edges.begin() + std::ptrdiff_t(to));
    if (aside)
      mergedPositions.insert(mergedPositions.end(), positions.begin() + std::ptrdiff_t(2 * from),
                             positions.begin() + std::ptrdiff_t(2 * to));
  };
  std::size_t copied = 0;
  std::vector<std::uint8_t> isNew(n + added.size(), 0);
  for (const Claim& c : added) {
    const std::size_t at = near.atOrAfter(edges, c.i, c.j);
    copyUpTo(copied, at);
    copied = at;
    const float x = aside ? float(c.i) + 0.5f : c.x, y = aside ? float(c.j) + 0.5f : c.y;
    isNew[merged.size()] = 1;
    merged.emplace_back(c.i, c.j, c.magnitude, c.code, x, y);
    if (aside) mergedPositions.insert(mergedPositions.end(), {c.x, c.y});
  }
  copyUpTo(copied, n);
  near.insert(merged, isNew);
  edges.swap(merged);
  if (aside) positions.swap(mergedPositions);
}

}  // namespace vc_edge_detail
