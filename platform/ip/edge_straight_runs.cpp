#include "platform/ip/edge_straight_runs.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/ip/edge_angle_code.h"
#include "platform/ip/edge_remove.h"

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

// A stretch of a run, places first..last: its mean direction code, its line (a point on it
// and its unit direction) and whether it is straight.
struct Piece {
  std::size_t first = 0, last = 0;
  int code = 0;
  double mx = 0.0, my = 0.0, ux = 1.0, uy = 0.0;
  bool straight = false;
  // Too short to be laid on its line alone, but within the bow limit: a side where it meets
  // another side at a corner.
  bool shortSide = false;
};

// The edgelets with their positions (aside, x, y pairs, or their own), as the steps below
// read and move them.
class Placer {
 public:
  Placer(std::vector<vcEdgelet>& edges, std::vector<float>& positions)
      : edges_(edges), positions_(positions), aside_(!positions.empty()) {}

  double x(std::size_t k) const { return aside_ ? positions_[2 * k] : edges_[k].posQuickX(); }
  double y(std::size_t k) const { return aside_ ? positions_[2 * k + 1] : edges_[k].posQuickY(); }

  // The line through run places from..to by orthogonal least squares into p; with testBow,
  // whether they are straight: a parabola fitted to their offsets from the line bows by less
  // than bowScale times kStraightBow plus kStraightBowPerPixel times their length.
  void fit(const std::vector<std::size_t>& run, std::size_t from, std::size_t to, bool testBow,
           Piece& p, double bowScale = 1.0) const {
    const double count = double(to - from + 1);
    p.mx = p.my = 0.0;
    for (std::size_t s = from; s <= to; ++s) {
      p.mx += x(run[s]);
      p.my += y(run[s]);
    }
    p.mx /= count;
    p.my /= count;
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (std::size_t s = from; s <= to; ++s) {
      const double dx = x(run[s]) - p.mx, dy = y(run[s]) - p.my;
      sxx += dx * dx;
      syy += dy * dy;
      sxy += dx * dy;
    }
    const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
    p.ux = std::cos(angle);
    p.uy = std::sin(angle);
    p.straight = false;
    if (!testBow) return;
    // The parabola d = a + b t + c t^2 through the offsets d from the line at positions t
    // along it; its bow over the stretch is c (L / 2)^2, L the stretch's length.
    double st[5] = {0, 0, 0, 0, 0}, sd[3] = {0, 0, 0};
    double tLow = 0.0, tHigh = 0.0;
    for (std::size_t s = from; s <= to; ++s) {
      const double dx = x(run[s]) - p.mx, dy = y(run[s]) - p.my;
      const double t = dx * p.ux + dy * p.uy, d = -dx * p.uy + dy * p.ux;
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
    if (det <= 0.0) return;
    const double c = det3(st[0], st[1], sd[0], st[1], st[2], sd[1], st[2], st[3], sd[2]) / det;
    const double length = tHigh - tLow;
    p.straight = std::abs(c) * 0.25 * length * length <
                 bowScale * (kStraightBow + kStraightBowPerPixel * length);
  }

  // Distance of edgelet m from p's line.
  double offset(std::size_t m, const Piece& p) const {
    return std::abs(-(x(m) - p.mx) * p.uy + (y(m) - p.my) * p.ux);
  }

  // Moves edgelet m onto p's line with direction `code` where its pixel allows (within kMost
  // of its centre); false where it does not.
  bool layOn(std::size_t m, const Piece& p, int code) {
    const double dx = x(m) - p.mx, dy = y(m) - p.my;
    const double t = dx * p.ux + dy * p.uy;
    const double lx = p.mx + t * p.ux, ly = p.my + t * p.uy;
    const vcEdgelet old = edges_[m];
    const double ox = lx - (old.get_i() + 0.5), oy = ly - (old.get_j() + 0.5);
    if (ox * ox + oy * oy > kMost * kMost) return false;
    float ex = float(lx), ey = float(ly);
    if (aside_) {
      positions_[2 * m] = ex;
      positions_[2 * m + 1] = ey;
      ex = old.posQuickX();
      ey = old.posQuickY();
    }
    edges_[m] = vcEdgelet(old.get_i(), old.get_j(), old.magnitude(),
                          vcAngle8(std::uint8_t(code & 255)), ex, ey);
    return true;
  }

  // Moves edgelet m onto p's line as layOn, or drops it where its pixel does not allow.
  void layOnOrDrop(std::size_t m, const Piece& p, int code) {
    if (!layOn(m, p, code)) drop(m);
  }

  // Marks edgelet m to be dropped by removeDropped().
  void drop(std::size_t m) {
    if (gone_.empty()) gone_.assign(edges_.size(), 0);
    gone_[m] = 1;
  }

  // Drops the edgelets marked and their positions, keeping the order, and from `near`.
  void removeDropped(EdgeletNeighbours& near) {
    if (gone_.empty()) return;
    near.remove(gone_);
    removeMarkedEdgelets(gone_, edges_, positions_);
  }

 private:
  std::vector<vcEdgelet>& edges_;
  std::vector<float>& positions_;
  bool aside_;
  std::vector<std::uint8_t> gone_;
};

// The pieces of a run, of at least kStraightSideLeast edgelets each: the longest stretches from
// each start whose directions, followed step by step so that they do not wrap, spread by at most
// `spread`. Straight ones are laid on their lines.
void findPieces(const std::vector<vcEdgelet>& edges, const std::vector<std::size_t>& run,
                int spread, Placer& placer, std::vector<Piece>& pieces) {
  pieces.clear();
  for (std::size_t first = 0; first < run.size();) {
    int turn = 0, low = 0, high = 0, turnSum = 0;
    std::size_t last = first;
    while (last + 1 < run.size()) {
      const int t =
          turn + signedTurn(edges[run[last]].angle().plain(), edges[run[last + 1]].angle().plain());
      if (std::max(high, t) - std::min(low, t) > spread) break;
      turn = t;
      turnSum += t;
      low = std::min(low, t);
      high = std::max(high, t);
      ++last;
    }
    const std::size_t count = last - first + 1;
    if (count >= std::size_t(kStraightSideLeast)) {
      Piece piece;
      piece.first = first;
      piece.last = last;
      piece.code =
          edges[run[first]].angle().plain() + int(std::lround(double(turnSum) / double(count)));
      placer.fit(run, first, last, true, piece);
      if (count < std::size_t(kStraightLeast)) std::swap(piece.straight, piece.shortSide);
      if (piece.straight)
        for (std::size_t s = first; s <= last; ++s)
          placer.layOn(run[s], piece, edges[run[s]].angle().plain());
      pieces.push_back(piece);
    }
    first = last + 1;
  }
}

// Joins neighbouring pieces of at least kStraightJoinLeast edgelets, at most kStraightJoinGap
// edgelets apart and within kStraightJoinTurnCodes of one direction, that are straight
// together, and lays them (and the edgelets between them) on their common line: noise cuts a
// long straight edge into pieces by direction, and each piece laid on its own line leaves the
// edge bent.
void joinPieces(const std::vector<vcEdgelet>& edges, const std::vector<std::size_t>& run,
                Placer& placer, std::vector<Piece>& pieces) {
  const auto tiny = [](const Piece& p) { return p.last - p.first + 1 < kStraightJoinLeast; };
  for (std::size_t p = 0; p < pieces.size(); ++p) {
    std::size_t joinedUpTo = p;
    Piece joined, trial;
    if (tiny(pieces[p])) continue;
    for (std::size_t q = p + 1; q < pieces.size(); ++q) {
      if (tiny(pieces[q])) break;
      if (pieces[q].first - pieces[q - 1].last - 1 > std::size_t(kStraightJoinGap)) break;
      if (std::abs(signedTurn(pieces[p].code, pieces[q].code)) > kStraightJoinTurnCodes) break;
      placer.fit(run, pieces[p].first, pieces[q].last, true, trial, kStraightJoinBowScale);
      if (!trial.straight) break;
      joined = trial;
      joinedUpTo = q;
    }
    if (joinedUpTo == p) continue;
    joined.first = pieces[p].first;
    joined.last = pieces[joinedUpTo].last;
    joined.code = pieces[p].code;
    for (std::size_t s = joined.first; s <= joined.last; ++s)
      placer.layOn(run[s], joined, edges[run[s]].angle().plain());
    pieces[p] = joined;
    pieces.erase(pieces.begin() + std::ptrdiff_t(p + 1),
                 pieces.begin() + std::ptrdiff_t(joinedUpTo + 1));
  }
}

// At each end of the run, the up to kStraightEndReach edgelets past its outermost piece, when that
// is straight: the rest of a corner's rounding whose far side was parted off. Those within
// kStraightEndTurnCodes of the piece's direction go onto its line with its direction, so that the
// edge ends straight at the corner; the first that turns further, and those past it, already
// point along the far side and stay.
void straightenEnds(const std::vector<vcEdgelet>& edges, const std::vector<std::size_t>& run,
                    Placer& placer, const std::vector<Piece>& pieces) {
  if (pieces.empty()) return;
  const auto follows = [&](const Piece& p, std::size_t s) {
    return std::abs(signedTurn(p.code, edges[run[s]].angle().plain())) <= kStraightEndTurnCodes;
  };
  const Piece &front = pieces.front(), &back = pieces.back();
  if (front.straight && front.first <= std::size_t(kStraightEndReach))
    for (std::size_t s = front.first; s-- > 0 && follows(front, s);)
      placer.layOnOrDrop(run[s], front, front.code);
  if (back.straight && run.size() - 1 - back.last <= std::size_t(kStraightEndReach))
    for (std::size_t s = back.last + 1; s < run.size() && follows(back, s); ++s)
      placer.layOnOrDrop(run[s], back, back.code);
}

// Corners: where two straight pieces that turn from one another by kStraightCornerTurnCodes
// or more follow each other within kStraightCornerGap edgelets, the edgelets between them go
// onto the nearer of the two lines with its direction. The sides then meet at a sharp corner,
// as the edge does before the smoothing rounds it, and the direction jumps there instead of
// turning through the rounding. A short piece within the bow limit counts as a side where it
// meets a straight piece so within kStraightShortCornerGap edgelets, and is laid on its line.
void sharpenCorners(const std::vector<vcEdgelet>& edges, const std::vector<std::size_t>& run,
                    Placer& placer, std::vector<Piece>& pieces) {
  const auto side = [](const Piece& p) { return p.straight || p.shortSide; };
  const auto layShort = [&](Piece& p) {
    if (!p.shortSide) return;
    for (std::size_t s = p.first; s <= p.last; ++s)
      placer.layOn(run[s], p, edges[run[s]].angle().plain());
    p.shortSide = false;
    p.straight = true;
  };
  for (std::size_t p = 0; p + 1 < pieces.size(); ++p) {
    Piece &a = pieces[p], &b = pieces[p + 1];
    if (!side(a) || !side(b) || (a.shortSide && b.shortSide)) continue;
    const std::size_t gap = b.first - a.last - 1;
    if (gap > std::size_t(kStraightCornerGap)) continue;
    if ((a.shortSide || b.shortSide) && gap > std::size_t(kStraightShortCornerGap)) continue;
    if (std::abs(signedTurn(a.code, b.code)) < kStraightCornerTurnCodes) continue;
    layShort(a);
    layShort(b);
    for (std::size_t s = a.last + 1; s < b.first; ++s) {
      const std::size_t m = run[s];
      const bool nearA = placer.offset(m, a) <= placer.offset(m, b);
      placer.layOnOrDrop(m, nearA ? a : b, nearA ? a.code : b.code);
    }
  }
}

}  // namespace

void straightenRuns(const EdgeLinks& links, EdgeletNeighbours& near, std::vector<vcEdgelet>& edges,
                    std::vector<float>& positions, int wanderBelow) {
  const std::size_t n = edges.size();
  if (n < std::size_t(kStraightSideLeast)) return;
  Placer placer(edges, positions);
  std::vector<std::uint8_t> taken(n, 0);
  std::vector<std::size_t> run;
  std::vector<Piece> pieces;
  for (std::size_t k = 0; k < n; ++k) {
    if (taken[k]) continue;
    collectRun(links, edges, k, taken, run);
    double magnitudes = 0.0;
    for (const std::size_t m : run) magnitudes += edges[m].magnitude();
    const bool wanders = magnitudes < double(wanderBelow) * double(run.size());
    findPieces(edges, run, wanders ? kStraightWanderSpreadCodes : kStraightSpreadCodes, placer,
               pieces);
    joinPieces(edges, run, placer, pieces);
    straightenEnds(edges, run, placer, pieces);
    sharpenCorners(edges, run, placer, pieces);
  }
  placer.removeDropped(near);
}

}  // namespace vc_edge_detail
