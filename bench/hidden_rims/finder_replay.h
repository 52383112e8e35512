#pragma once

// The circle finder's candidate steps without an expected centre, replayed outside the library
// on the chains it tracks, so that a probe can see what became of every chain: which candidate
// it seeded or joined, the seed's own circle and the candidate's circle after grabbing. The
// finder is run with radii 6 to 126 in either polarity and its other parameters at their
// defaults, as bench_accuracy runs it, on the image as given (no reduction). The steps follow
// src/edges/circle_candidates.cpp and must be kept in step with it: bench_hidden_rims
// counts the reported circles that the replay did not keep, which shows when they drift apart.
//
//   FinderReplay replay(image);
//   for (const ReplayCandidate& c : replay.candidates()) ...
//   replay.chainOf(edgeletIndex), replay.takenBy(chain), replay.seededBy(chain)

#include <vector>

#include "edges/circle_fit.h"
#include "platform/base/pel_buffer.h"
#include "tavshsl/chain_tracker.h"

namespace hidden_rims {

struct ReplayCandidate {
  long seed = 0;                // chain index of the seed
  double seedCx = 0.0, seedCy = 0.0, seedRadius = 0.0, seedCoverage = 0.0;
  bool seedInside = false;      // centre inside the image and a polarity found
  bool polarityRefused = false;
  bool grew = false;            // reached the grabbing (not closed, initial coverage met)
  double cx = 0.0, cy = 0.0, radius = 0.0, coverage = 0.0;  // after grabbing
  bool kept = false;            // coverage and radius passed (chains stay taken)
  std::vector<long> chains;     // taken, seed first
  std::vector<long> wideTaken;  // those taken from the wide band, in order
  double coverageBeforeWide = -1.0;  // at the first wide-band take, -1 without one
};

class FinderReplay {
 public:
  explicit FinderReplay(const vcPelBuffer_const<unsigned char>& image);

  const vcChainTrackerResultSet& chains() const { return chains_; }
  const std::vector<ReplayCandidate>& candidates() const { return cands_; }
  // Chain of an edgelet, or -1.
  long chainOf(long edgelet) const { return chainOf_[std::size_t(edgelet)]; }
  // The candidate that kept a chain, or -1 (a chain is kept by at most one).
  long keptBy(long chain) const { return keptBy_[std::size_t(chain)]; }
  // The candidate a chain seeded, or -1.
  long seededBy(long chain) const { return seededBy_[std::size_t(chain)]; }
  long seedThreshold() const { return seedThresh_; }
  // The edgelet in pixel (i, j), or -1 (also outside the image).
  long edgeletAt(long i, long j) const {
    if (i < ox_ || j < oy_ || i >= ox_ + w_ || j >= oy_ + h_) return -1;
    return edgeletOf_[std::size_t((j - oy_) * w_ + i - ox_)];
  }

 private:
  struct Record {
    bool used = false, closed = false;
    long count = 0;
    const long* idx = nullptr;
    vc_circle_detail::FitSums sums;
  };
  struct Circle {
    vc_circle_detail::FitSums sums;
    double cx = 0, cy = 0, radius = 0, coverage = 0;
  };
  bool refit_(Circle& c) const;
  int polarity_(long rec, double cx, double cy) const;
  bool inBand_(long rec, const Circle& c, double tol, double* worst) const;
  void grab_(Circle& c, ReplayCandidate& rc, std::vector<long>& listed);
  bool listWindow_(const Circle& c, bool lightOnDark, std::vector<long>& listed,
                   std::vector<long>& other);

  vcChainTrackerResultSet chains_;
  std::vector<Record> recs_;
  std::vector<long> chainOf_, keptBy_, seededBy_;
  std::vector<long> cell_;  // chain of the edgelet in each pixel, -1 for none
  std::vector<long> edgeletOf_;  // the edgelet in each pixel, -1 for none
  std::vector<ReplayCandidate> cands_;
  long ox_ = 0, oy_ = 0, w_ = 0, h_ = 0;
  double c0x_ = 0, c0y_ = 0;
  long seedThresh_ = 4;
  double fitMin_ = 0, fitMax_ = 0, verifyMin_ = 0, verifyMax_ = 0, centerDistSqr_ = 0;
};

}  // namespace hidden_rims
