#pragma once

// vcSegmentCorresponderResult: one model instance found by the segment corresponder, as the
// correspondence between its model's boundary segments and the found segments of the run.
//
// Two tables say the same thing from both sides and are kept consistent by add and remove:
// model segment k is in modelSegsForFoundSeg(f) exactly when found segment f is in
// foundSegsForModelSeg(k).
//
//   vcSegmentCorresponderResult result(modelIdx, model->numBoundarySegments(), found.size());
//   result.add(f, k);                    // found segment f lies on model segment k
//   result.basisSegmentIdx(i);
//   result.score(0.8);
//   model->findPose(pose, factors, found, result, fitFailed, outOfRange, nullptr, 0);
//
// Indexes and counts are long; a list holds the indexes in the order they were added (no
// duplicate check).

#include <vector>

#include "tavshsl/export.h"

class TAVSHSL_API vcSegmentCorresponderResult {
 public:
  // Model index 0, score 0, no basis segment (-1), both tables empty.
  vcSegmentCorresponderResult() = default;
  // A result for model modelIdx with numModelSegs empty lists in foundSegsForModelSeg and
  // numFoundSegs empty lists in modelSegsForFoundSeg. Score 0 and basis segment -1 until the
  // corresponder sets them.
  // Throws: vcBadParamsError when an argument is negative.
  vcSegmentCorresponderResult(long modelIdx, long numModelSegs, long numFoundSegs);
  // Makes this what the constructor with the same arguments makes, keeping the storage of its
  // lists for reuse (cheaper than a new result when one is filled over and over).
  // Throws: vcBadParamsError when an argument is negative (this is then unchanged).
  void reset(long modelIdx, long numModelSegs, long numFoundSegs);

  // Index of the model in the corresponder's training parameters.
  long modelIdx() const { return modelIdx_; }
  // Quality of the correspondence, 0 (none) to 1 (the whole model boundary explained).
  double score() const { return score_; }
  void score(double score) { score_ = score; }
  // Index of the found segment that served as hashing basis (-1 when not set).
  long basisSegmentIdx() const { return basisSegmentIdx_; }
  void basisSegmentIdx(long index) { basisSegmentIdx_ = index; }

  // Sizes of the two tables.
  long numModelSegs() const { return static_cast<long>(foundSegsForModelSeg_.size()); }
  long numFoundSegs() const { return static_cast<long>(modelSegsForFoundSeg_.size()); }

  // The model segments that found segment f lies on. Requires 0 <= f < numFoundSegs().
  // The modifiable form lets the corresponder edit one side directly; keeping the other side
  // consistent is then the caller's job.
  // Throws: vcBadParamsError for f out of range.
  const std::vector<long>& modelSegsForFoundSeg(long f) const {
    checkFound_(f, L"vcSegmentCorresponderResult::modelSegsForFoundSeg");
    return modelSegsForFoundSeg_[static_cast<std::size_t>(f)];
  }
  std::vector<long>& modelSegsForFoundSeg(long f) {
    checkFound_(f, L"vcSegmentCorresponderResult::modelSegsForFoundSeg");
    direct_ = true;
    return modelSegsForFoundSeg_[static_cast<std::size_t>(f)];
  }
  // The found segments assigned to model segment k. Requires 0 <= k < numModelSegs().
  // Throws: vcBadParamsError for k out of range.
  const std::vector<long>& foundSegsForModelSeg(long k) const {
    checkModel_(k, L"vcSegmentCorresponderResult::foundSegsForModelSeg");
    return foundSegsForModelSeg_[static_cast<std::size_t>(k)];
  }
  std::vector<long>& foundSegsForModelSeg(long k) {
    checkModel_(k, L"vcSegmentCorresponderResult::foundSegsForModelSeg");
    direct_ = true;
    return foundSegsForModelSeg_[static_cast<std::size_t>(k)];
  }

  // Appends k to modelSegsForFoundSeg(f) and f to foundSegsForModelSeg(k), even when the pair
  // is already there.
  // Throws: vcBadParamsError for f or k out of range (the result is unchanged).
  void add(long f, long k);
  // Erases every k from modelSegsForFoundSeg(f) and every f from foundSegsForModelSeg(k).
  // Throws: vcBadParamsError for f or k out of range (the result is unchanged).
  void remove(long f, long k);

  // Equal model, score, basis segment and lists.
  bool operator==(const vcSegmentCorresponderResult& other) const;

 private:
  // The corresponder's pruning takes a pairing out and puts both lists back as they were, which
  // leaves the two tables mirror images without marking them as edited directly.
  friend class vcSegmentCorresponder;

  // Index checks, inline as the accessors are called for every pairing a pose fit reads; the
  // throwing part is out of line.
  void checkFound_(long f, const wchar_t* operation) const {
    if (f < 0 || f >= numFoundSegs())
      badIndex_(operation, L"found segment index", f, numFoundSegs());
  }
  void checkModel_(long k, const wchar_t* operation) const {
    if (k < 0 || k >= numModelSegs())
      badIndex_(operation, L"model segment index", k, numModelSegs());
  }
  // Throws vcBadParamsError "<operation>: <name> must be in [0, <size>), got <value>".
  [[noreturn]] static void badIndex_(const wchar_t* operation, const wchar_t* name, long value,
                                     long size);

  long modelIdx_ = 0;
  double score_ = 0.0;
  long basisSegmentIdx_ = -1;
  std::vector<std::vector<long>> modelSegsForFoundSeg_;
  std::vector<std::vector<long>> foundSegsForModelSeg_;
  // Whether a list may have been changed directly, through a modifiable accessor: until then
  // add and remove keep the two tables mirror images, so the model lists name every found
  // list that holds something and reset need not look at the others.
  bool direct_ = false;
};
