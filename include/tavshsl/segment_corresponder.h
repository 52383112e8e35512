#pragma once

// The segment corresponder: finds trained models among line segments found in an image by
// geometric hashing. Training samples every model over its scale and aspect ranges, expresses
// every sample in the frame of each of its segments seen from either end, and stores the
// result in one voting table per model type (boundary, skeleton). A run lets the found
// segments vote in the frames of candidate found bases and verifies the best candidates.
//
//   vcSegmentCorresponderTrainParams params(models, 2.0, vcDegree(15.0), true);
//   vcSegmentCorresponder corresponder(params);                  // trains at once
//   vcSegmentCorresponderResultSet out;
//   corresponder.run(out, vcSegmentCorresponderRunParams(), edgeSegments, nullptr, 0);
//
// Related headers, included here:
//   tavshsl/corresponder_params.h        train and run parameters, the result set
//   tavshsl/voting_hash_table.h          the voting table
//   tavshsl/corresponding_hash_table.h   found segments near a posed model segment
//
// Basis ids: the sample (instance) t, its segment j and the basis side s (0: from p1 towards
// p2, 1: from p2 towards p1) are one integer, s + 2 (t maxSegs + j), with maxSegs the largest
// segment count of any instance.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/handle.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/corresponder_params.h"
#include "tavshsl/corresponder_result.h"
#include "tavshsl/corresponding_hash_table.h"
#include "tavshsl/export.h"
#include "tavshsl/segments.h"
#include "tavshsl/voting_hash_table.h"

class vcDiagObject;

class TAVSHSL_API vcSegmentCorresponder : public vcRepBase {
 public:
  // Default train parameters, not trained.
  vcSegmentCorresponder() = default;
  // Copies params and trains at once (no diagnostics).
  // Throws: as train.
  explicit vcSegmentCorresponder(const vcSegmentCorresponderTrainParams& params);
  ~vcSegmentCorresponder() override;

  const vcSegmentCorresponderTrainParams& trainParams() const { return trainParams_; }
  // Replaces the parameters only; the training stays as it was until train is called.
  void trainParams(const vcSegmentCorresponderTrainParams& params) { trainParams_ = params; }

  // Trains from the current parameters, replacing any earlier training:
  //  - samples every model through iterateDOFs with step 2 x maxPerturbationDist;
  //  - sizes the voting tables from the samples' segment lengths and separations (cell size
  //    min(max(longest / 8, shortest / 3), half the least separation of two segments of one
  //    sample), grid covering twice the largest sample extent, angle bins of at least 10
  //    degrees dividing 180);
  //  - stores every segment of every sample in the frame of each of its segments, from both
  //    ends, in the voting table of the model's type.
  // Models without segments leave the tables unmade: a run then finds nothing.
  // diag and diagFlags are kept for the diagnostics of later calls; training records nothing.
  // Throws: vcAssertionFailure for a null model handle, a model type other than boundary or
  // skeleton, or a zero-length segment used as basis; vcBadParamsError when the tables would
  // be too large (segments very short against the model's extent) or the sampling fails.
  // The corresponder is unchanged then.
  void train(vcDiagObject* diag, unsigned long diagFlags);

  // Finds model instances among the found segments (boundary models only): the two-list run
  // with an empty skeletal list.
  void run(vcSegmentCorresponderResultSet& out, const vcSegmentCorresponderRunParams& params,
           const std::vector<vcFoundSegment>& found, vcDiagObject* diag,
           unsigned long diagFlags) const;
  // Finds model instances in two stages sharing one result list: boundary models voted by and
  // checked against found (edge segments), then skeleton models voted by skeletalFound
  // (stroke centre-lines, whose widths set the strokes' widths) and checked against found.
  // In each stage the longest, strongest found segments (magnitude x length, each also split
  // at the segments crossing it) serve in turn as hashing bases: searches for a vote above
  // the consider threshold start at the first 50 of them and may run on past them; every
  // basis id voted within 80 % of the best vote gets a start pose from its basis, a fine
  // correspondence of its posed model segments with the found segments near them, a
  // least-squares pose and a score (the Gaussian-weighted share of the model's outline
  // covered, 0 to 1). A candidate
  // scoring at least the consider threshold is pruned of pairings that lower its score and
  // kept unless a kept result sharing more than maxOverlapPerimFraction of either outline in
  // found segments scores at least as well (the weaker one goes). Once maxNumResults results
  // are kept, a candidate must beat the worst of them, and the stage ends when that worst
  // score reaches the accept threshold.
  // Ensures: out holds at most maxNumResults results, best first, errorCode 0 and the run's
  // time in microseconds. A stage that finds nothing adds nothing; an untrained corresponder
  // finds nothing. With diag, the records named by diagFlags are appended (0x10000: each
  // stage's inputs; 0x20000: stage messages and one record per result).
  // Throws: vcBadParamsError when a found segment has a non-finite end point, width or
  // magnitude (out and diag unchanged). Errors inside a stage end only that stage.
  void run(vcSegmentCorresponderResultSet& out, const vcSegmentCorresponderRunParams& params,
           const std::vector<vcFoundSegment>& found,
           const std::vector<vcFoundSegment>& skeletalFound, vcDiagObject* diag,
           unsigned long diagFlags) const;

  // ---- The trained state, read-only ----
  bool isTrained() const { return trained_.done; }
  // Every scale/aspect sample of every model, in model order, and each one's model index.
  const std::vector<vcSegmentCorresponderDofModel>& instances() const { return instances_; }
  const std::vector<long>& instanceModel() const { return instanceModel_; }
  // The voting table of a model type; null before training or when no model has segments.
  const vcPtrHandle<vcVotingHashTable>& votingTable(
      vcSegmentCorresponderModel::ModelType type) const;
  long maxSegs() const { return maxSegs_; }
  // Sum of each instance's segment lengths; mean length of all instance segments.
  const std::vector<double>& instanceLength() const { return instanceLength_; }
  double meanSegLength() const { return meanSegLength_; }
  // Cell sizes of the voting tables and of the corresponding tables of a run.
  double votingBinSize() const { return votingBinSize_; }
  double fineBinSize() const { return fineBinSize_; }

 private:
  friend struct vcSegmentCorresponderTestAccess;

  // (instance, segment, side) <-> basis id.
  long idFromIndices_(long instance, long segment, long side) const;
  void indicesFromId_(long id, long& instance, long& segment, long& side) const;

  // The training steps, in calling order, run on a fresh corresponder.
  void train_();
  void sampleModels_(long& numBoundary, long& numSkeleton);
  void fillHashTable_();
  void insertModelBasis_(vcVotingHashTable& table, long t, long j);
  void insertSegment_(vcVotingHashTable& table, long t, long j, long s, const vcLineSeg& seg,
                      double c);

  // ---- The run (corresponder_run.cpp, corresponder_fine.cpp) ----
  // A kept result with the outline length of its model at its fitted pose.
  struct KeptResult_ {
    vcSegmentCorresponderResult result;
    double perimeter = 0.0;
  };
  // The working data of one stage.
  struct Stage_;

  // The end points of a segment list, one array per coordinate, so that a pass testing one
  // line against every segment reads plain numbers the compiler can take several at a time.
  struct EndPoints_ {
    explicit EndPoints_(const std::vector<vcFoundSegment>& v);
    std::vector<double> x1, y1, x2, y2;
  };
  // Segment i of v, then for every other segment crossing it away from its own end points
  // the two pieces before and after the crossing, in index order of the crossing segments.
  // ends are v's end points.
  static void basisPieces_(const std::vector<vcFoundSegment>& v, const EndPoints_& ends, long i,
                           std::vector<vcFoundSegment>& pieces);
  void runType_(std::vector<KeptResult_>& results, const vcSegmentCorresponderRunParams& params,
                vcSegmentCorresponderModel::ModelType modelType,
                const std::vector<vcFoundSegment>& v, const std::vector<vcFoundSegment>& c) const;
  void runStage_(Stage_& stage, std::vector<KeptResult_>& results) const;
  void processCandidate_(Stage_& stage, long id, std::vector<KeptResult_>& results) const;
  vcXform<2> startPose_(const vcSegmentCorresponderDofModel& instance, long j, long side,
                        const vcFoundSegment& basis) const;
  // Lists a candidate's verification fills, kept by the stage from candidate to candidate so
  // that their storage is reused.
  struct Scratch_ {
    std::vector<vcCorrespondingHashTableMatchData> matches;
    std::vector<vcModelSegment> posed;
    std::vector<double> factors;
    std::vector<long> foundsOfK, modelsOfF;
  };
  // The posed model segments are given by their line segments and the segments they were
  // posed from (same order), which supply the polarities.
  void correspondFine_(vcSegmentCorresponderResult& result, const std::vector<vcLineSeg>& lines,
                       const std::vector<vcModelSegment>& posedFrom, long instance,
                       vcCorrespondingHashTable& table, const std::vector<vcFoundSegment>& found,
                       Scratch_& scratch) const;
  static void correspondSingleSegment_(long k,
                                       const std::vector<vcCorrespondingHashTableMatchData>& matches,
                                       const std::vector<vcFoundSegment>& found,
                                       vcSegmentCorresponderResult& result, double& total);
  static bool canShare_(const vcFoundSegment& candidate, const std::vector<vcFoundSegment>& found,
                        const std::vector<long>& assigned);
  // Sets result's score; returns the outline length at the fitted pose (0 when unscored).
  double scoreCorrespondence_(vcSegmentCorresponderResult& result,
                              const vcSegmentCorresponderModel& model,
                              const std::vector<vcFoundSegment>& found, Scratch_& scratch) const;
  double boundaryScore_(const std::vector<vcModelSegment>& segments,
                        const std::vector<vcFoundSegment>& found,
                        const vcSegmentCorresponderResult& result) const;
  void pruneCorrespondence_(KeptResult_& kept, const vcSegmentCorresponderModel& model,
                            const std::vector<vcFoundSegment>& found, Scratch_& scratch) const;
  static void updateCorrespondences_(std::vector<KeptResult_>& results, KeptResult_&& next,
                                     const vcSegmentCorresponderRunParams& params,
                                     const std::vector<vcFoundSegment>& found);
  static bool hasOverlap_(const vcSegmentCorresponderResult& a,
                          const vcSegmentCorresponderResult& b,
                          const std::vector<vcFoundSegment>& found, double limit);

  // ---- Diagnostics (corresponder_diag.cpp) ----
  void recordInputDiags_(const vcSegmentCorresponderRunParams& params,
                         const std::vector<vcFoundSegment>& found) const;
  void recordSingleResultDiags_(long resultIndex, const vcSegmentCorresponderResult& result,
                                const vcSegmentCorresponderRunParams& params,
                                const std::vector<vcFoundSegment>& found, long basisIndex) const;
  void recordCandidateDiags_(const std::vector<vcModelSegment>& segments) const;
  void recordMessage_(const std::wstring& text) const;

  vcSegmentCorresponderTrainParams trainParams_;
  // Whether trained, and the parameters the training used: a run keeps to them (the models
  // and tolerances its tables were made from) even after trainParams() replaced the current
  // ones.
  struct Trained_ {
    bool done = false;
    vcSegmentCorresponderTrainParams params;
  } trained_;
  // Diagnostics destination of the current call (set by train and run).
  mutable vcDiagObject* diag_ = nullptr;
  mutable unsigned long diagFlags_ = 0;
  std::vector<vcSegmentCorresponderDofModel> instances_;
  std::vector<long> instanceModel_;
  // Boundary models' table first, skeleton models' second.
  std::array<vcPtrHandle<vcVotingHashTable>, 2> votingTables_;
  long maxSegs_ = 0;
  std::vector<double> instanceLength_;
  double meanSegLength_ = 0.0;
  double votingBinSize_ = 0.0;
  double fineBinSize_ = 0.0;
};
