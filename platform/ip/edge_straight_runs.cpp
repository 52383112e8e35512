#include "platform/ip/edge_straight_runs.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_links.h"

namespace vc_edge_detail {

namespace {

// Farthest a moved position lies from its pixel's centre: a pixel, less a margin for the
// rounding of single-precision positions.
constexpr double kMost = 0.999;

// The edgelets of the run through edgelet k not yet taken by another run, in order along the
// edge; marks them taken.
void collectRun(const EdgeLinks& links, const std::vector<vcEdgelet>& edges, std::size_t k,
                std::vector<std::uint8_t>& taken, std::vector<std::size_t>& run) {
  run.clear();
  // Behind k, walked out from k and then turned round; then k and the edgelets ahead of it.
  for (const bool ahead : {false, true}) {
    if (ahead) {
      std::reverse(run.begin(), run.end());
      run.push_back(k);
      taken[k] = 1;
    }
    std::size_t from = k, at = ahead ? links.ahead[k] : links.behind[k];
    while (at != kNoLink && !taken[at] && at != k) {
      taken[at] = 1;
      run.push_back(at);
      const std::size_t next = links.next(edges, from, at);
      from = at;
      at = next;
    }
  }
}

}  // namespace

void straightenRuns(const EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions) {
  const std::size_t n = edges.size();
  if (n < std::size_t(kStraightLeast)) return;
  const EdgeLinks links(near, edges);
  const bool aside = !positions.empty();
  const auto px = [&](std::size_t k) { return aside ? positions[2 * k] : edges[k].posQuickX(); };
  const auto py = [&](std::size_t k) {
    return aside ? positions[2 * k + 1] : edges[k].posQuickY();
  };
  const auto place = [&](std::size_t k, double x, double y) {
    if (aside) {
      positions[2 * k] = float(x);
      positions[2 * k + 1] = float(y);
    } else {
      const vcEdgelet& old = edges[k];
      edges[k] =
          vcEdgelet(old.get_i(), old.get_j(), old.magnitude(), old.angle(), float(x), float(y));
    }
  };

  std::vector<std::uint8_t> taken(n, 0);
  std::vector<std::size_t> run;
  for (std::size_t k = 0; k < n; ++k) {
    if (taken[k]) continue;
    collectRun(links, edges, k, taken, run);
    // Pieces: the longest stretches from each start whose directions, followed step by step
    // so that they do not wrap, spread by at most kStraightSpreadCodes.
    for (std::size_t first = 0; first < run.size();) {
      int turn = 0, low = 0, high = 0;
      std::size_t last = first;
      while (last + 1 < run.size()) {
        const int t = turn + signedTurn(edges[run[last]].angle().plain(),
                                        edges[run[last + 1]].angle().plain());
        if (std::max(high, t) - std::min(low, t) > kStraightSpreadCodes) break;
        turn = t;
        low = std::min(low, t);
        high = std::max(high, t);
        ++last;
      }
      const std::size_t count = last - first + 1;
      if (count >= std::size_t(kStraightLeast)) {
        // The piece's line by orthogonal least squares, about its mean.
        double mx = 0.0, my = 0.0;
        for (std::size_t s = first; s <= last; ++s) {
          mx += px(run[s]);
          my += py(run[s]);
        }
        mx /= double(count);
        my /= double(count);
        double sxx = 0.0, syy = 0.0, sxy = 0.0;
        for (std::size_t s = first; s <= last; ++s) {
          const double dx = px(run[s]) - mx, dy = py(run[s]) - my;
          sxx += dx * dx;
          syy += dy * dy;
          sxy += dx * dy;
        }
        const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
        const double ux = std::cos(angle), uy = std::sin(angle);
        // The parabola d = a + b t + c t^2 through the offsets d from the line at positions t
        // along it; its bow over the piece is c (L / 2)^2, L the piece's length.
        double st[5] = {0, 0, 0, 0, 0}, sd[3] = {0, 0, 0};
        double tLow = 0.0, tHigh = 0.0;
        for (std::size_t s = first; s <= last; ++s) {
          const double dx = px(run[s]) - mx, dy = py(run[s]) - my;
          const double t = dx * ux + dy * uy, d = -dx * uy + dy * ux;
          tLow = std::min(tLow, t);
          tHigh = std::max(tHigh, t);
          double power = 1.0;
          for (int e = 0; e < 5; ++e, power *= t) {
            st[e] += power;
            if (e < 3) sd[e] += power * d;
          }
        }
        // Normal equations of the parabola, solved by Cramer's rule for c alone.
        const auto det3 = [](double a, double b, double c, double d, double e, double f, double g,
                             double h, double i) {
          return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
        };
        const double det = det3(st[0], st[1], st[2], st[1], st[2], st[3], st[2], st[3], st[4]);
        const double half = 0.5 * (tHigh - tLow);
        if (det > 0.0) {
          const double c =
              det3(st[0], st[1], sd[0], st[1], st[2], sd[1], st[2], st[3], sd[2]) / det;
          if (std::abs(c) * half * half < kStraightBow) {
            for (std::size_t s = first; s <= last; ++s) {
              const std::size_t m = run[s];
              const double dx = px(m) - mx, dy = py(m) - my;
              const double t = dx * ux + dy * uy;
              const double x = mx + t * ux, y = my + t * uy;
              const double ox = x - (edges[m].get_i() + 0.5), oy = y - (edges[m].get_j() + 0.5);
              if (ox * ox + oy * oy <= kMost * kMost) place(m, x, y);
            }
          }
        }
      }
      first = last + 1;
    }
  }
}

}  // namespace vc_edge_detail
