#pragma once

// The working state of a circle finder run, shared by the steps in circle_*.cpp:
//   circle_finder.cpp     preparation, setup, the run in order, results
//   circle_candidates.cpp seeding candidates from chains and growing them by grabbing chains
//   circle_verify.cpp     verification: contrast across the edge and point statistics
//   circle_diag.cpp       diagnostics record
// Geometry is kept in pixels of the searched map; fit sums use positions relative to the map
// centre c0.

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "edges/circle_fit.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/xform.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"

class vcDiagRecord;

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

// A table of records with kBuiltIn entries kept in the finder; a larger table is allocated
// for one run and freed by release().
template <class T>
class RunTable {
 public:
  static constexpr long kBuiltIn = 128;
  // n value-initialised entries. Throws: std::bad_alloc.
  void prepare(long n) {
    if (n > kBuiltIn) {
      heap_.reset(new T[std::size_t(n)]());
      data_ = heap_.get();
    } else {
      builtIn_.fill(T());
      data_ = builtIn_.data();
    }
    size_ = n;
  }
  void release() {
    heap_.reset();
    data_ = builtIn_.data();
    size_ = 0;
  }
  T& operator[](long i) { return data_[i]; }
  const T& operator[](long i) const { return data_[i]; }
  long size() const { return size_; }

 private:
  std::array<T, kBuiltIn> builtIn_{};
  std::unique_ptr<T[]> heap_;
  T* data_ = builtIn_.data();
  long size_ = 0;
};

// One chain of the chain tracker, by its index in the chain results. Candidates are made of
// chains.
struct ChainRecord {
  bool used = false;
  bool closed = false;
  const long* idx = nullptr;  // its edgelet indexes, in chain order
  long count = 0;
  FitSums sums;
};

// One circle candidate.
struct CircleCandidate {
  bool valid = false;
  bool lightOnDark = false;  // polarity 1
  long firstTaken = 0;       // its chains: taken_[firstTaken .. firstTaken + numTaken)
  long numTaken = 0;
  FitSums sums;
  double cx = 0.0, cy = 0.0;  // centre, absolute map pixels
  double radius = 0.0;        // map pixels
  double coverage = 0.0;
  double minDist = 0.0, maxDist = 0.0, meanDevSqr = 0.0, magnitude = 0.0;
  double dark = 0.0, light = 0.0;
};

class FinderImpl {
 public:
  // One run: image form when image is given, else map form; expected centre when given.
  void run(const vcPelBuffer_const<unsigned char>* image, const vcEdgeletMap* map,
           const vcVector<2>* expectedCenter, const vcCircleFinderRunParams& params,
           vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags);

 private:
  // circle_finder.cpp
  void prepareImage_(const vcPelBuffer_const<unsigned char>& image);
  void trackChains_();
  void setup_();
  double pixelsFromClient_(const vcXform<2>& clientFromImage, double r) const;
  void fillResults_(vcCircleFinderResultSet& out) const;
  void cleanup_();

  // circle_candidates.cpp
  void labelMap_();
  void candidatesWithoutCenter_();
  void candidatesWithCenter_(const vcVector<2>& expectedImage);
  bool refit_(CircleCandidate& c) const;
  int chainPolarity_(long rec, double cx, double cy) const;
  long startCandidate_(long rec, bool lightOnDark);
  void take_(CircleCandidate& c, long rec);
  void dropLast_(CircleCandidate& c);
  void releaseAll_(CircleCandidate& c);
  bool inBand_(long rec, const CircleCandidate& c, double tol, double* worst) const;
  void grabFrom_(CircleCandidate& c, std::vector<long>& listed);
  bool listWindow_(CircleCandidate& c, std::vector<long>& listed, std::vector<long>& other);

  // circle_verify.cpp
  void verify_();
  void contrast_(CircleCandidate& c) const;
  void pointStats_(CircleCandidate& c) const;

  // circle_diag.cpp
  void beginDiag_();
  void chainDiag_();
  void resultDiag_();

  vcCircleFinderRunParams params_;
  vcDiagObject* diag_ = nullptr;
  unsigned long flags_ = 0;
  vcDiagRecord* record_ = nullptr;

  vcEdgeletMap map_;
  bool callersMap_ = false;
  vcPelBuffer_const<unsigned char> fullImage_;  // the image passed in (or the map's image)
  vcChainTrackerResultSet chains_;
  long factor_ = 0;

  // Map rectangle and transforms.
  long ox_ = 0, oy_ = 0, w_ = 0, h_ = 0;
  double c0x_ = 0.0, c0y_ = 0.0;
  vcXform<2> clientFromImage_;
  vcXform<2> imageFromClient_;
  double clientScale_ = 1.0;

  // Limits in map pixels.
  double fitMin_ = 1.0, fitMax_ = 0.0, fitMinSqr_ = 1.0, fitMaxSqr_ = 0.0;
  double verifyMin_ = 1.0, verifyMax_ = 0.0;
  long seedThresh_ = 4;
  double centerDistSqr_ = 0.0;

  RunTable<ChainRecord> records_;    // one per chain, in chain order (long ones longest first)
  RunTable<CircleCandidate> cands_;  // at most one per long chain
  long numCands_ = 0;
  long numCandidates_ = 0;                   // reported count
  std::vector<std::int32_t> recordOf_;       // the chain of every edgelet, -1 for none
  const std::int32_t* mapOrigin_ = nullptr;  // cell (0, 0) of the labelled map
  long mapStride_ = 0;                       // cells from one row of it to the next
  std::vector<long> taken_;                  // chain records taken by the candidates, by candidate
  std::vector<long> listed_, other_;         // grab lists, reused
};

}  // namespace vc_circle_detail
