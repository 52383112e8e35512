#pragma once

// The working state of a circle finder run, shared by the steps in circle_*.cpp:
//   circle_finder.cpp     preparation, setup, the run in order, results
//   circle_candidates.cpp seeding candidates from chains and growing them by grabbing chains
//   circle_verify.cpp     verification: contrast across the edge and point statistics
//   circle_diag.cpp       diagnostics record
// Geometry is kept in pixels of the searched map; fit sums use positions relative to the map
// centre c0.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "edges/circle_fit.h"
#include "edges/circle_pieces.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/xform.h"
#include "tavshsl/chain_tracker.h"
#include "tavshsl/circle_finder.h"

class vcDiagRecord;

namespace vc_circle_detail {

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

// One piece of a chain of the chain tracker: the whole chain, or the part between two of its
// corners. Candidates are made of pieces.
struct ChainRecord {
  bool used = false;
  bool closed = false;        // a closed chain that was not cut
  long chain = 0;             // index into the chain results
  const long* idx = nullptr;  // its edgelet indexes, in chain order
  long count = 0;
  FitSums sums;
};

// Twist statistics over the supporting edgelets of a candidate: the squares of the 5-edgelet
// mean twists and of the steps between neighbouring twists, radians squared.
struct TwistWave {
  double meanSqr = 0.0, stepSqr = 0.0;
  long means = 0, steps = 0;
};

// One circle candidate.
struct CircleCandidate {
  bool valid = false;
  bool lightOnDark = false;  // polarity 1
  bool holds = false;        // its chains are marked used
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
  void joinPieces_();
  double pixelsFromClient_(const vcXform<2>& clientFromImage, double r) const;
  double clientRadius_(const CircleCandidate& c) const;
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
  bool keepsTakenChains_(const CircleCandidate& c) const;
  void grabFrom_(CircleCandidate& c, std::vector<long>& listed);
  bool listWindow_(CircleCandidate& c, std::vector<long>& listed, std::vector<long>& other);
  void listRow_(const CircleCandidate& c, long y, long x0, long x1, std::vector<long>& listed,
                std::vector<long>& other);
  bool completeCandidate_(CircleCandidate& c);

  // circle_verify.cpp
  void verify_();
  FitSums markSupport_(const CircleCandidate& c);
  bool keepSupport_(CircleCandidate& c);
  bool round_(const CircleCandidate& c) const;  // no polygon's twist wave in the last support
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

  RunTable<ChainRecord> records_;    // the pieces of every chain: long ones first, longest first
  long numLong_ = 0;                 // pieces of 3 or more edgelets of the long chains
  RunTable<CircleCandidate> cands_;  // at most one per long piece
  long numCands_ = 0;
  long numCandidates_ = 0;                   // reported count
  std::vector<std::int32_t> recordOf_;       // the record of every edgelet, -1 for none
  bool labelled_ = false;                    // the map cells lead to records (no expected centre)
  const std::int32_t* mapOrigin_ = nullptr;  // cell (0, 0) of the labelled map
  long mapStride_ = 0;                       // cells from one row of it to the next
  std::vector<long> taken_;                  // chain records taken by the candidates, by candidate
  std::vector<long> listed_, other_;         // grab lists, reused
  std::vector<unsigned char> support_;       // per edgelet of the candidate verified: on its circle
  std::vector<double> twist_;                // scratch: prefix sums of the edgelets' twists
  TwistWave wave_;                           // of the support last marked
  CornerCutter cutter_;
  std::vector<ChainPiece> pieceEnds_;
  std::vector<ChainRecord> pieces_;  // pieces before they are sorted into records_
  PieceLinker linker_;
  std::vector<PieceRun> runs_;
  std::vector<LinkStep> linkSteps_;
  std::vector<long> stringEnds_;
  std::vector<long> joinedIdx_;  // the edgelet indexes of joined pieces, one after the other
};

}  // namespace vc_circle_detail
