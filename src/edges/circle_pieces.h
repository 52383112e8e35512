#pragma once

// Cutting a chain at its corners, so that a circle is fitted only to edgelets that turn at
// one rate. The chain tracker follows an edge round a blurred corner: a visible arc of a
// partly hidden circle can run on into the straight edge of whatever hides it, and a few such
// edgelets are enough to pull the fit of a short arc far off the circle.
//
//   vc_circle_detail::CornerCutter cutter;           // reused; keeps its scratch
//   cutter.cut(edges, idx, n, pieces);               // consecutive pieces, the last ends at n
//
// A corner is a step of the unwrapped gradient code along the chain: the mean code over up to
// 4 edgelets after a position, less the mean over up to 4 before it, less what the chain's own
// mean turn rate accounts for. It counts when it stands well out of the chain's own code noise
// (estimated from its step-to-step turns), so noisy faint edges are not chopped up. The
// edgelets of the bend itself, whose codes leave the trend of the edge on their side, form a
// piece of their own that belongs to neither edge.

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "platform/ip/edgelet.h"

namespace vc_circle_detail {

// Unit vectors of the 256 gradient codes.
struct CodeVectors {
  std::array<double, 256> dx, dy;
  CodeVectors() {
    for (int a = 0; a < 256; ++a) {
      dx[std::size_t(a)] = std::cos(a * 2.0 * std::numbers::pi / 256.0);
      dy[std::size_t(a)] = std::sin(a * 2.0 * std::numbers::pi / 256.0);
    }
  }
};
inline const CodeVectors kCodeVectors;

struct ChainPiece {
  long end = 0;       // the piece runs from the previous piece's end (or 0) to here
  bool bend = false;  // the edgelets round a corner
};

class CornerCutter {
 public:
  // Requires: idx holds n >= 1 indexes into edges, in chain order.
  // Ensures: pieces is cleared and filled with consecutive pieces of increasing ends, the last
  // ending at n; a chain without corners is one piece.
  void cut(const std::vector<vcEdgelet>& edges, const long* idx, long n,
           std::vector<ChainPiece>& pieces);

 private:
  // Corner strength of the position between b - 1 and b: the code step over its threshold
  // (above 1 is a corner).
  double strength_(long n, long b) const;
  // Whether the code of edgelet j leaves the trend of the w edgelets from a on.
  bool offTrend_(long j, long a, long w) const;
  double mean_(long a, long w) const {
    return (sum_[std::size_t(a + w)] - sum_[std::size_t(a)]) / double(w);
  }

  std::vector<double> sum_;      // prefix sums of the unwrapped codes, n + 1 entries
  std::vector<double> scratch_;  // turn deviations, then strengths
  double rate_ = 0.0;            // mean turn per edgelet, codes
  double noise_ = 0.0;           // code noise of one edgelet, codes
};

// Joining pieces that continue one another across a gap of a few pixels. On a faint noisy rim
// the edge detector misses an edgelet here and there and the chain tracker ends the chain at
// each gap, so a large circle comes as many short arcs, none long enough to seed a candidate.
// Two piece ends are joined when they lie close together on one edge: their gradients agree,
// each lies ahead of the other along the edge, and the gap runs along the edge, not across it.
// Corners are never bridged: two pieces of one chain are never joined (the cutter parted them
// at a corner), and across a corner the gradients differ too much.
//
//   vc_circle_detail::PieceLinker linker;            // reused; keeps its scratch
//   linker.link(edges, runs, steps, stringEnds);      // strings of two or more runs
//   // string k: steps[stringEnds[k - 1] (or 0) .. stringEnds[k]), in order along the edge

struct PieceRun {
  const long* idx = nullptr;  // edgelet indexes in chain order
  long count = 0;
  long chain = 0;
  bool joinable = false;  // takes part (an open piece of 3 or more edgelets)
};

struct LinkStep {
  long run = 0;
  bool reversed = false;  // its edgelets are taken last to first
};

class PieceLinker {
 public:
  // Requires: every joinable run has count >= 3 and indexes into edges.
  // Ensures: steps and stringEnds are cleared and filled with every string of two or more
  // joinable runs linked end to end; each joinable run is in at most one string.
  void link(const std::vector<vcEdgelet>& edges, const std::vector<PieceRun>& runs,
            std::vector<LinkStep>& steps, std::vector<long>& stringEnds);

 private:
  struct End {
    double x = 0.0, y = 0.0;    // position of the end edgelet
    double gx = 0.0, gy = 0.0;  // unit gradient
    double tx = 0.0, ty = 0.0;  // unit tangent pointing out of the run
    std::uint8_t code = 0;
  };
  struct Pair {
    double gap;
    long a, b;  // ends, 2 run + (0 first, 1 last)
  };

  std::vector<End> ends_;
  std::vector<long> listed_;     // the ends of the joinable runs
  std::vector<long> cellStart_;  // grid: the ends of cell k are sorted_[cellStart_[k] ..]
  std::vector<long> fill_;
  std::vector<long> sorted_;
  std::vector<Pair> pairs_;
  std::vector<long> partner_;  // the end linked to each end, -1 for none
  std::vector<bool> visited_;  // runs
};

}  // namespace vc_circle_detail
