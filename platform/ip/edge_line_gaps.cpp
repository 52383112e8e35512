#include "platform/ip/edge_line_gaps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_bridge.h"
#include "platform/ip/edge_hysteresis.h"
#include "platform/ip/edge_links.h"
#include "platform/ip/edge_sobel.h"

namespace vc_edge_detail {
namespace {

int codeDistance(int a, int b) { return std::abs(signedTurn(a, b)); }

// The unit tangents of the 256 direction codes (the gradient turned a quarter), filled once at
// load and only read after.
struct TangentTable {
  std::array<double, 256> x{}, y{};
  TangentTable() {
    for (int code = 0; code < 256; ++code) {
      const double turn = (code + 64) * (std::numbers::pi / 128.0);
      x[std::size_t(code)] = std::cos(turn);
      y[std::size_t(code)] = std::sin(turn);
    }
  }
};
const TangentTable kTangent;

// True when the run from edgelet k through `at` (its link ahead or behind) holds at least
// kGapRunLeast edgelets, k included, pointing within `codes` of k.
bool steadyRun(const EdgeLinks& links, const std::vector<vcEdgelet>& edges, std::size_t k,
               std::size_t at, int codes) {
  const int code = edges[k].angle().plain();
  std::size_t from = k;
  for (int count = 1; count < kGapRunLeast; ++count) {
    if (at == kNoLink || at == k || codeDistance(code, edges[at].angle().plain()) > codes)
      return false;
    const std::size_t next = links.next(edges, from, at);
    from = at;
    at = next;
  }
  return true;
}

// True when edgelet e's gradient lies within kArcCodes of the radius (dx, dy) from a centre to
// it, either way: on a circle, not on the straight sides of a corner the circle cuts.
bool alongRadius(const vcEdgelet& e, double dx, double dy) {
  const long radius = std::lround(std::atan2(dy, dx) * (128.0 / std::numbers::pi));
  const int turn = codeDistance(e.angle().plain(), int(radius & 255));
  return std::min(turn, 128 - turn) <= kArcCodes;
}

// The edgelets of a run either side of a hole, from the hole out.
using ArcRun = std::array<std::size_t, std::size_t(kArcRunLeast)>;

class GapFiller {
 public:
  GapFiller(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold, float scale,
            const EdgeletNeighbours& near, const std::vector<vcEdgelet>& edges,
            const std::vector<float>& positions, const EdgeLinks& links, GapEnds ends)
      : image_(image),
        ends_(ends),
        least_(kWeakFraction * std::sqrt(double(threshold))),
        scale_(scale),
        near_(near),
        edges_(edges),
        positions_(positions),
        links_(links),
        aside_(!positions.empty()) {}

  // The gap ahead of edgelet k, when it ends a steady run there and a steady run faces it.
  void fillAhead(std::size_t k, std::vector<AddedEdgelet>& out) const {
    if (edges_[k].magnitude() >= ends_.below || links_.ahead[k] != kNoLink ||
        !steadyRun(links_, edges_, k, links_.behind[k], ends_.codes))
      return;
    const std::size_t m = facing_(k, kGapMostPixels, ends_.codes);
    if (m == kNoLink || !steadyRun(links_, edges_, m, links_.ahead[m], ends_.codes)) return;
    fillBetween_(k, m, out);
  }

  // The one-pixel hole ahead of edgelet k, when the runs behind k and ahead of the edgelet
  // across the hole bend on one circle (bendsOnOneCircle_ below), whether or not k is linked
  // on round the hole.
  void fillArcHole(std::size_t k, std::vector<AddedEdgelet>& out) {
    // Most edgelets have a neighbour one pixel along their tangent: no hole.
    const std::size_t code = edges_[k].angle().plain();
    const long ti = long(std::floor(x_(k) + kTangent.x[code]));
    const long tj = long(std::floor(y_(k) + kTangent.y[code]));
    const long di = ti - edges_[k].get_i(), dj = tj - edges_[k].get_j();
    if (std::max(std::abs(di), std::abs(dj)) <= 1) {
      // The pixel itself, or a neighbour the index knows.
      if ((di == 0 && dj == 0) || near_.occupied(k, int(3 * (dj + 1) + (di + 1)))) return;
    } else if (near_.find(edges_, ti, tj) != edges_.size()) {
      return;
    }
    // Most of the rest end short runs (texture): the run behind k first, a walk along the
    // links, then the search across the hole, the hole's gradient and the run beyond it.
    if (!run_(k, links_.behind[k], arcRunA_)) return;
    const std::size_t m = facing_(k, 1, kGapCodes);
    if (m == kNoLink) return;
    const std::size_t first = out.size();
    fillBetween_(k, m, out);
    if (out.size() == first) return;
    if (!run_(m, links_.ahead[m], arcRunB_) || !bendsOnOneCircle_(k, m)) out.resize(first);
  }

 private:
  // The kArcRunLeast edgelets of the run from k through `at` (its link behind or ahead), k
  // first, into `run`; false where the run is shorter.
  bool run_(std::size_t k, std::size_t at, ArcRun& run) const {
    run[0] = k;
    std::size_t from = k;
    for (std::size_t s = 1; s < run.size(); ++s) {
      if (at == kNoLink || at == k) return false;
      run[s] = at;
      const std::size_t next = links_.next(edges_, from, at);
      from = at;
      at = next;
    }
    return true;
  }

  // True when the two runs (arcRunA_ from k, arcRunB_ from m) bend: k and m both lie at least
  // kArcLeastBend off the chord of the runs' far ends, on one side; every edgelet lies within
  // kArcMostOff of the circle through the far ends and the hole's middle and points along its
  // radius; and the circle fits them kArcBetterFit times better (RMS distance) than the best
  // straight line.
  bool bendsOnOneCircle_(std::size_t k, std::size_t m) const {
    const std::size_t a = arcRunA_.back(), b = arcRunB_.back();
    const double ax = x_(a), ay = y_(a), bx = x_(b), by = y_(b);
    const double chord = std::hypot(bx - ax, by - ay);
    if (chord < 1.0) return false;
    const double ux = (bx - ax) / chord, uy = (by - ay) / chord;
    const auto offChord = [&](std::size_t e) { return (y_(e) - ay) * ux - (x_(e) - ax) * uy; };
    const double offK = offChord(k), offM = offChord(m);
    if (std::fabs(offK) < kArcLeastBend || std::fabs(offM) < kArcLeastBend || offK * offM <= 0)
      return false;
    // The circle through a, the hole's middle c and b.
    const double cx = 0.5 * (x_(k) + x_(m)), cy = 0.5 * (y_(k) + y_(m));
    const double d = 2.0 * (ax * (cy - by) + cx * (by - ay) + bx * (ay - cy));
    const double a2 = ax * ax + ay * ay, c2 = cx * cx + cy * cy, b2 = bx * bx + by * by;
    const double ox = (a2 * (cy - by) + c2 * (by - ay) + b2 * (ay - cy)) / d;
    const double oy = (a2 * (bx - cx) + c2 * (ax - bx) + b2 * (cx - ax)) / d;
    const double radius = std::hypot(ax - ox, ay - oy);
    // Squared distances to the circle, and the scatter about the mean for the line's.
    double offCircle = 0.0, n = 0.0, mx = 0.0, my = 0.0;
    for (const ArcRun* run : {&arcRunA_, &arcRunB_})
      for (const std::size_t e : *run) {
        const double off = std::hypot(x_(e) - ox, y_(e) - oy) - radius;
        if (std::fabs(off) > kArcMostOff || !alongRadius(edges_[e], x_(e) - ox, y_(e) - oy))
          return false;
        offCircle += off * off;
        mx += x_(e);
        my += y_(e);
        n += 1.0;
      }
    mx /= n;
    my /= n;
    double sxx = 0.0, sxy = 0.0, syy = 0.0;
    for (const ArcRun* run : {&arcRunA_, &arcRunB_})
      for (const std::size_t e : *run) {
        const double dx = x_(e) - mx, dy = y_(e) - my;
        sxx += dx * dx;
        sxy += dx * dy;
        syy += dy * dy;
      }
    // The scatter's smaller eigenvalue: the sum of squared distances to the best line.
    const double half = 0.5 * (sxx + syy);
    const double offLine = half - std::sqrt(std::max(0.0, half * half - (sxx * syy - sxy * sxy)));
    return offLine >= kArcBetterFit * kArcBetterFit * offCircle;
  }

  float x_(std::size_t k) const { return aside_ ? positions_[2 * k] : edges_[k].posQuickX(); }
  float y_(std::size_t k) const { return aside_ ? positions_[2 * k + 1] : edges_[k].posQuickY(); }

  // The nearest edgelet ahead of k along its tangent, 2 to `most` + 1 pixels on and less than
  // a pixel off its line, below ends_.below in magnitude, that points within `codes` of it;
  // kNoLink if none.
  std::size_t facing_(std::size_t k, int most, int codes) const {
    const int code = edges_[k].angle().plain();
    const double tx = kTangent.x[std::size_t(code)], ty = kTangent.y[std::size_t(code)];
    const double px = x_(k), py = y_(k);
    const long ki = edges_[k].get_i(), kj = edges_[k].get_j();
    std::size_t best = kNoLink;
    double bestAlong = 1e9;
    for (int step = 2; step <= most + 1 && best == kNoLink; ++step) {
      const long ci = long(std::floor(px + step * tx)), cj = long(std::floor(py + step * ty));
      for (long j = cj - 1; j <= cj + 1; ++j)
        // The edgelets of columns ci - 1 to ci + 1 of row j, one search per row.
        for (std::size_t m = near_.atOrAfter(edges_, ci - 1, j);
             m < edges_.size() && long(edges_[m].get_j()) == j && long(edges_[m].get_i()) <= ci + 1;
             ++m) {
          const long i = edges_[m].get_i();
          if (std::max(std::abs(i - ki), std::abs(j - kj)) < 2) continue;  // no gap
          if (codeDistance(code, edges_[m].angle().plain()) > codes ||
              edges_[m].magnitude() >= ends_.below)
            continue;
          const double dx = x_(m) - px, dy = y_(m) - py;
          const double along = dx * tx + dy * ty, across = -dx * ty + dy * tx;
          if (along > 1.0 && along < bestAlong && std::fabs(across) < 1.0) {
            best = m;
            bestAlong = along;
          }
        }
    }
    return best;
  }

  // The edgelets of the pixels between k and m, one per step along the major axis where the
  // chord of their positions crosses it, when every one is empty, takes a tracer's step from
  // the one before, and has a gradient as the header requires; none otherwise.
  void fillBetween_(std::size_t k, std::size_t m, std::vector<AddedEdgelet>& out) const {
    const long ki = edges_[k].get_i(), kj = edges_[k].get_j();
    const long mi = edges_[m].get_i(), mj = edges_[m].get_j();
    const long di = mi - ki, dj = mj - kj;
    const bool alongX = std::abs(di) >= std::abs(dj);
    const long steps = std::max(std::abs(di), std::abs(dj));
    if (steps - 1 > kGapMostPixels) return;
    const double px = x_(k), py = y_(k), qx = x_(m), qy = y_(m);
    const int code = edges_[k].angle().plain();
    const int mean = (code + signedTurn(code, edges_[m].angle().plain()) / 2) & 255;
    const double normal = mean * (std::numbers::pi / 128.0);
    const double nx = std::cos(normal), ny = std::sin(normal);
    const double cosJoin = std::cos(kJoinCodes * (std::numbers::pi / 128.0));
    const std::size_t first = out.size();
    long lastMinor = alongX ? kj : ki;
    for (long s = 1; s <= steps; ++s) {
      const long major = alongX ? ki + (di > 0 ? s : -s) : kj + (dj > 0 ? s : -s);
      long minor = alongX ? mj : mi;
      double cx = 0.0, cy = 0.0;
      if (s < steps) {
        if (alongX) {
          cx = major + 0.5;
          cy = py + (cx - px) * (qy - py) / (qx - px);
          minor = std::clamp(long(std::floor(cy)), std::min(kj, mj), std::max(kj, mj));
        } else {
          cy = major + 0.5;
          cx = px + (cy - py) * (qx - px) / (qy - py);
          minor = std::clamp(long(std::floor(cx)), std::min(ki, mi), std::max(ki, mi));
        }
      }
      if (std::abs(minor - lastMinor) > 1) break;  // not a tracer's step
      lastMinor = minor;
      if (s == steps) return;  // every pixel between passed
      const long i = alongX ? major : minor, j = alongX ? minor : major;
      if (near_.find(edges_, i, j) != edges_.size()) break;
      // The gradient across the edge reaches the weak threshold and points within kJoinCodes
      // of the ends' mean, as a faint peak joining an edge must (edge_hysteresis.h).
      std::int32_t gx = 0, gy = 0;
      sobelAt(image_.pointToRow(0), image_.rowUpdate(), image_.width(), image_.height(),
              i - image_.offset().x(), j - image_.offset().y(), gx, gy);
      const double across = gx * nx + gy * ny;
      if (across < least_ || across < cosJoin * std::sqrt(double(gx * gx + gy * gy))) break;
      // On the chord, inside the pixel.
      const float x = float(std::clamp(cx, i + 0.001, i + 0.999));
      const float y = float(std::clamp(cy, j + 0.001, j + 0.999));
      out.push_back({vcEdgelet(std::uint16_t(i), std::uint16_t(j),
                               std::uint16_t(scaledMagnitude(float(across), scale_, 65535)),
                               vcAngle8(std::uint8_t(mean)), aside_ ? float(i) + 0.5f : x,
                               aside_ ? float(j) + 0.5f : y),
                     x, y});
    }
    out.resize(first);  // the gap stays
  }

  const vcPelBuffer_const<unsigned char>& image_;  // the gradient's
  GapEnds ends_;
  double least_;  // least gradient across the edge, Sobel units
  float scale_;
  const EdgeletNeighbours& near_;
  const std::vector<vcEdgelet>& edges_;
  const std::vector<float>& positions_;
  const EdgeLinks& links_;
  bool aside_;
  ArcRun arcRunA_, arcRunB_;  // the runs either side of a hole
};

// Runs `fill` (a GapFiller member) on every edgelet, then adds what it found; `links` follow.
template <typename Fill>
void fillEach(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold, float scale,
              EdgeletNeighbours& near, std::vector<vcEdgelet>& edges, std::vector<float>& positions,
              EdgeLinks& links, GapEnds ends, Fill fill) {
  std::vector<AddedEdgelet> added;
  {
    GapFiller filler(image, threshold, scale, near, edges, positions, links, ends);
    for (std::size_t k = 0; k < edges.size(); ++k) (filler.*fill)(k, added);
  }
  if (added.empty()) return;
  std::vector<std::uint8_t> isNew;
  insertEdgelets(added, edges, positions, &isNew);
  near.insert(edges, isNew);
  links.insert(near, edges, isNew);
}

}  // namespace

void fillLineGaps(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold,
                  float scale, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions, EdgeLinks& links, GapEnds ends) {
  fillEach(image, threshold, scale, near, edges, positions, links, ends, &GapFiller::fillAhead);
}

void fillArcHoles(const vcPelBuffer_const<unsigned char>& image, std::int32_t threshold,
                  float scale, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                  std::vector<float>& positions, EdgeLinks& links) {
  fillEach(image, threshold, scale, near, edges, positions, links, {}, &GapFiller::fillArcHole);
}

}  // namespace vc_edge_detail
