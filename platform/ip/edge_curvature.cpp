#include "platform/ip/edge_curvature.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "platform/base/assert.h"
#include "platform/ip/edge_angle_code.h"

namespace vc_edge_detail {

namespace {

constexpr std::size_t kNone = std::size_t(-1);
constexpr float kRadiansPerCode = float(2.0 * std::numbers::pi / 256.0);
// Farthest a position lies from its pixel's centre: a pixel, less a margin for the rounding
// of single-precision positions.
constexpr float kMost = 0.999f;
// The spread fitted over 5 pixels across the edge falls short of the spread that sets the
// shift by this factor (the profile after the detector's smoothing and the Sobel kernel is not
// quite Gaussian). Measured on drawn discs of radius 5 to 40, sharp and blurred by 1.5 pixels:
// with it, circles fitted to their edgelets come out within 0.7 % of the drawn radii.
constexpr float kSpreadScale = 1.3f;
// Largest spread taken from one edgelet, pixels squared: about that of an edge blurred by 2
// pixels after the detector's widest smoothing. A flat or noisy profile reads far more.
constexpr float kMostSpread = 6.0f;
// The turn on one side of an edgelet is at most this many times the turn on the other along
// a curve.
constexpr int kEvenTurn = 3;
// The turn over the neighbourhood is at least this share of the sum of the turns between
// neighbouring edgelets along a curve (times 2 here: half).
constexpr int kSteadyShare = 2;
// Code noise allowed for in comparing two turns, codes.
constexpr int kCodeSlack = 2;
// Below this turn over the whole neighbourhood, codes, an edgelet is taken as straight and not
// measured: the largest spread moves it by less than a hundredth of a pixel.
constexpr int kLeastTurn = 4;

// Unit gradient and its pixel step across the edge (the nearest of the 8 directions) for every
// code, filled once at load.
struct CodeTable {
  std::array<float, 256> gx, gy, tx, ty;
  std::array<int, 256> dx, dy;
  std::array<float, 256> across;  // length of the step projected on the gradient
  CodeTable() {
    constexpr int kStepX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    constexpr int kStepY[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    for (int a = 0; a < 256; ++a) {
      const double t = a * (2.0 * std::numbers::pi / 256.0);
      const std::size_t k = std::size_t(a);
      gx[k] = float(std::cos(t));
      gy[k] = float(std::sin(t));
      tx[k] = -gy[k];
      ty[k] = gx[k];
      const int d = ((a + 16) / 32) % 8;
      dx[k] = kStepX[d];
      dy[k] = kStepY[d];
      across[k] = float(dx[k]) * gx[k] + float(dy[k]) * gy[k];
    }
  }
};
const CodeTable kCodes;

// How far along the tangent of every code each neighbour slot lies (edge_neighbours.h),
// pixels, filled once at load.
struct AlongTable {
  float of[256][9];
  AlongTable() {
    for (std::size_t a = 0; a < 256; ++a)
      for (int slot = 0; slot < 9; ++slot)
        of[a][slot] = float(EdgeletNeighbours::slotX(slot)) * kCodes.tx[a] +
                      float(EdgeletNeighbours::slotY(slot)) * kCodes.ty[a];
  }
};
const AlongTable kAlong;

// The image whose gradient found the edgelets, as the spreads read it: pixel (x, y) of the
// window (offset coordinates less x0, y0) at origin + y * stride + x.
struct Pixels {
  const unsigned char* origin;
  long stride, width, height, x0, y0;
  explicit Pixels(const vcPelBuffer_const<unsigned char>& image)
      : origin(image.pointToOffset()),
        stride(image.rowUpdate()),
        width(image.width()),
        height(image.height()),
        x0(image.offset().x()),
        y0(image.offset().y()) {}
  // Whether pixel (x, y) has its 3 x 3 neighbourhood in the window.
  bool inner(long x, long y) const { return x >= 1 && y >= 1 && x + 1 < width && y + 1 < height; }
};

// Squared Sobel magnitude of pixel (x, y) of the window, an inner pixel.
float sobelSquared(const Pixels& image, long x, long y) {
  const long stride = image.stride;
  const unsigned char* p = image.origin + y * stride + x;
  const int gx =
      (p[1 - stride] + 2 * p[1] + p[1 + stride]) - (p[-1 - stride] + 2 * p[-1] + p[-1 + stride]);
  const int gy = (p[stride - 1] + 2 * p[stride] + p[stride + 1]) -
                 (p[-stride - 1] + 2 * p[-stride] + p[-stride + 1]);
  return float(gx * gx + gy * gy);
}

// The spread sigma^2 of the gradient magnitude across the edge at edgelet e, pixels squared,
// or 0 when the profile has no maximum there or reaches beyond the window's inner pixels. ln g
// over the steps k = -2..2 across the edge is fitted with a parabola through the second
// orthogonal polynomial k^2 - 2, whose coefficient c2 = sum (k^2 - 2) ln g_k / 14 is
// -1 / (2 s^2) for a Gaussian of spread s in steps. With q = g^2 the sum is one logarithm:
// ln(q_-2^2 q_2^2 / (q_-1 q_1 q_0^2)) / 2.
float spreadAt(const Pixels& image, const vcEdgelet& e) {
  const std::size_t a = e.angle().plain();
  const long x = long(e.get_i()) - image.x0, y = long(e.get_j()) - image.y0;
  const long dx = kCodes.dx[a], dy = kCodes.dy[a];
  // The five pixels lie on a line: all are inner when both ends are.
  if (!image.inner(x - 2 * dx, y - 2 * dy) || !image.inner(x + 2 * dx, y + 2 * dy)) return 0.0f;
  double q[5];
  for (int k = -2; k <= 2; ++k) {
    q[k + 2] = sobelSquared(image, x + k * dx, y + k * dy);
    if (!(q[k + 2] > 0.0)) return 0.0f;
  }
  const double c2 = std::log((q[0] * q[0]) * (q[4] * q[4]) / (q[1] * q[3] * (q[2] * q[2]))) / 28.0;
  if (!(c2 < 0.0)) return 0.0f;
  return std::min(kCodes.across[a] * kCodes.across[a] / float(-2.0 * c2), kMostSpread);
}

}  // namespace

void placeOnCurves(const vcPelBuffer_const<unsigned char>& smoothed, const EdgeletNeighbours& near,
                   std::vector<vcEdgelet>& edges, std::vector<float>& positions, EdgeLinks& links) {
  const std::size_t n = edges.size();
  if (n < 3) {
    links = EdgeLinks(near, edges);
    return;
  }
  links = EdgeLinks(n);
  const bool aside = !positions.empty();
  const auto px = [&](std::size_t k) { return aside ? positions[2 * k] : edges[k].posQuickX(); };
  const auto py = [&](std::size_t k) {
    return aside ? positions[2 * k + 1] : edges[k].posQuickY();
  };

  // The neighbour ahead of every edgelet along its edge and the one behind it: of the edgelets
  // of its 8 neighbouring pixels that point within 45 degrees of it, the one farthest along its
  // tangent each way (the first of those alike, its own row first).
  VC_ASSERT(near.size() == n);
  // With each, the turn towards it and its size, which the walks below pass up to 2 kCurveSteps
  // times. Indexes fit 32 bits (the index of neighbours holds them so); none is the largest.
  constexpr std::uint32_t kNoLink = UINT32_MAX;
  struct Link {
    std::uint32_t to = kNoLink;
    std::int8_t turn = 0;
    std::uint8_t size = 0;
  };
  std::vector<Link> ahead(n), behind(n);
  // The neighbours come in raster order, where the row above precedes the edgelet's own row:
  // a neighbour on its row (slot 3 or 5) takes over a like one in the row above (slots 0 to 2).
  const auto before = [](int slot, int best) { return (slot == 3 || slot == 5) && best < 3; };
  for (std::size_t k = 0; k < n; ++k) {
    const int a = edges[k].angle().plain();
    float bestAhead = 0.0f, bestBehind = 0.0f;
    int slotAhead = 9, slotBehind = 9;
    EdgeLinks::Choice choice(a);
    near.forEachByRows(k, [&](std::size_t m, int slot) {
      const int turn = signedTurn(a, edges[m].angle().plain());
      choice.offer(m, slot, turn);
      if (std::abs(turn) > 32) return;
      const float along = kAlong.of[a][slot];
      const Link link{std::uint32_t(m), std::int8_t(turn), std::uint8_t(std::abs(turn))};
      if (along > bestAhead || (along == bestAhead && before(slot, slotAhead))) {
        bestAhead = along;
        slotAhead = slot;
        ahead[k] = link;
      } else if (along < bestBehind || (along == bestBehind && before(slot, slotBehind))) {
        bestBehind = along;
        slotBehind = slot;
        behind[k] = link;
      }
    });
    links.ahead[k] = choice.ahead;
    links.behind[k] = choice.behind;
  }

  // The spread of each edgelet, measured only where it is needed (0: not yet, -1: none).
  std::vector<float> spread(n, 0.0f);
  const Pixels pixels(smoothed);
  const auto spreadOf = [&](std::size_t k) {
    if (spread[k] == 0.0f) {
      const float s = spreadAt(pixels, edges[k]);
      spread[k] = s > 0.0f ? s : -1.0f;
    }
    return spread[k];
  };

  // One way along the edge from edgelet k, link by link: up to kCurveSteps edgelets, fewer
  // where the edge ends, and not onto the walk the other way.
  struct Walk {
    std::size_t at[kCurveSteps];  // the edgelets passed, from k's neighbour on
    int steps = 0;
    int turn = 0;    // from k to the last one, codes, in the sense of the walk
    int inner = 0;   // the part of it over the first half of the steps
    int wander = 0;  // the sum of the turns between neighbours, unsigned
  };
  const auto walk = [&](std::size_t k, bool forward, std::size_t other) {
    const std::vector<Link>& links = forward ? ahead : behind;
    // Kept in locals while walking, so that the loop does not wait on its own stores.
    Walk w;
    int steps = 0, turn = 0, wander = 0;
    std::size_t from = k;
    const auto stepOn = [&] {
      const Link& link = links[from];
      const std::size_t m = link.to;
      if (link.to == kNoLink || m == k || m == other) return false;
      turn += link.turn;
      wander += link.size;
      w.at[steps++] = m;
      from = m;
      return true;
    };
    while (steps < kCurveSteps / 2 && stepOn()) {
    }
    const int inner = steps == kCurveSteps / 2 ? turn : 0;
    while (steps >= kCurveSteps / 2 && steps < kCurveSteps && stepOn()) {
    }
    w.steps = steps;
    w.turn = turn;
    w.inner = inner;
    w.wander = wander;
    return w;
  };
  // The length of a walk along the edgelets, pixels.
  const auto arcOf = [&](std::size_t k, const Walk& w) {
    float arc = 0.0f;
    for (int c = 0; c < w.steps; ++c) {
      const std::size_t from = c == 0 ? k : w.at[c - 1], m = w.at[c];
      const float dx = px(m) - px(from), dy = py(m) - py(from);
      arc += std::sqrt(dx * dx + dy * dy);
    }
    return arc;
  };
  // A curve goes on turning the same way over the second half of a full walk, at a like rate.
  const auto keepsTurning = [](const Walk& w) {
    if (w.steps < kCurveSteps) return true;
    const int outer = w.turn - w.inner;
    return (outer > 0) == (w.inner > 0) &&
           std::abs(outer) * kEvenTurn + kCodeSlack >= std::abs(w.inner);
  };

  // The shifts, all found from the positions as detected, then applied. The tests on turns
  // come first, those on lengths along the edge only for the edgelets that pass them; a front
  // walk without a turn, or one that stops turning, rules an edgelet out whatever lies behind.
  std::vector<float> shift(n, 0.0f);
  for (std::size_t k = 0; k < n; ++k) {
    const Walk front = walk(k, true, kNone);
    if (front.steps == 0 || front.turn == 0 || !keepsTurning(front)) continue;
    const Walk back = walk(k, false, front.at[front.steps - 1]);
    if (back.steps == 0) continue;
    // Along the edge, the turn behind k runs from the far end towards k.
    const int turn = front.turn - back.turn;
    if (std::abs(turn) < kLeastTurn) continue;
    // A curve turns the same way at one rate on both sides of the edgelet; a corner turns on
    // one side only, and noise on a straight edge either way.
    if ((front.turn > 0) != (-back.turn > 0)) continue;
    // And it turns steadily: noise turns the code back and forth from one edgelet to the next,
    // and the turn of a rounded corner dies out along its sides.
    if (std::abs(turn) * kSteadyShare < front.wander + back.wander) continue;
    if (!keepsTurning(back)) continue;
    const float frontArc = arcOf(k, front), backArc = arcOf(k, back);
    const float rateAhead = float(front.turn) / frontArc, rateBehind = -float(back.turn) / backArc;
    if (!(frontArc > 0.0f && backArc > 0.0f) ||
        std::min(std::abs(rateAhead), std::abs(rateBehind)) * float(kEvenTurn) <
            std::max(std::abs(rateAhead), std::abs(rateBehind)))
      continue;
    const float curvature = float(turn) * kRadiansPerCode / (frontArc + backArc);
    if (std::abs(curvature) * kMinRadius > 1.0f) continue;
    // The spread, over the edgelets walked.
    float spreadSum = 0.0f;
    int spreads = 0;
    const auto addSpread = [&](std::size_t m) {
      const float v = spreadOf(m);
      if (v > 0.0f) {
        spreadSum += v;
        ++spreads;
      }
    };
    addSpread(k);
    for (int c = 0; c < front.steps; ++c) addSpread(front.at[c]);
    for (int c = 0; c < back.steps; ++c) addSpread(back.at[c]);
    if (spreads == 0) continue;
    const float spread = kSpreadScale * spreadSum / float(spreads);
    shift[k] = std::clamp(0.5f * spread * curvature, -kMaxShift, kMaxShift);
  }

  for (std::size_t k = 0; k < n; ++k) {
    if (shift[k] == 0.0f) continue;
    const vcEdgelet& e = edges[k];
    const std::size_t a = e.angle().plain();
    const float cx = float(e.get_i()) + 0.5f, cy = float(e.get_j()) + 0.5f;
    float x = px(k) + shift[k] * kCodes.gx[a] - cx, y = py(k) + shift[k] * kCodes.gy[a] - cy;
    const float d2 = x * x + y * y;
    if (d2 > kMost * kMost) {
      const float reach = kMost / std::sqrt(d2);
      x *= reach;
      y *= reach;
    }
    if (aside) {
      positions[2 * k] = cx + x;
      positions[2 * k + 1] = cy + y;
    } else {
      edges[k] = vcEdgelet(e.get_i(), e.get_j(), e.magnitude(), e.angle(), cx + x, cy + y);
    }
  }
}

}  // namespace vc_edge_detail
