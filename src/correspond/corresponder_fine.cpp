// Verification of one voted candidate: which found segments lie on which posed model segments,
// the pose fitted to them and the score; pruning of pairings that lower the score; keeping the
// result unless a better one already explains the same found segments.

#include <algorithm>
#include <cmath>
#include <utility>

#include "tavshsl/segment_corresponder.h"

// Every posed model segment in turn takes the found segments near it, best pairing first.
void vcSegmentCorresponder::correspondFine_(vcSegmentCorresponderResult& result,
                                            const std::vector<vcLineSeg>& lines,
                                            const std::vector<vcModelSegment>& posedFrom,
                                            long instance, vcCorrespondingHashTable& table,
                                            const std::vector<vcFoundSegment>& found,
                                            Scratch_& scratch) const {
  result.reset(instanceModel_[static_cast<std::size_t>(instance)], static_cast<long>(lines.size()),
               static_cast<long>(found.size()));
  double total = 0.0;
  std::vector<vcCorrespondingHashTableMatchData>& matches = scratch.matches;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    table.match(matches, lines[k], posedFrom[k].polarity());
    if (matches.empty()) continue;
    // Stable, so that equal scores keep the order in which the walk met them. The lists are
    // short: an insertion sort needs no buffer.
    for (std::size_t i = 1; i < matches.size(); ++i) {
      const vcCorrespondingHashTableMatchData m = matches[i];
      std::size_t j = i;
      for (; j > 0 && matches[j - 1].score < m.score; --j) matches[j] = matches[j - 1];
      matches[j] = m;
    }
    correspondSingleSegment_(static_cast<long>(k), matches, found, result, total);
  }
}

// Greedy: a match joins model segment k unless it overlaps one already there; matches come
// best first, so of two overlapping found segments the better-scoring one wins.
void vcSegmentCorresponder::correspondSingleSegment_(
    long k, const std::vector<vcCorrespondingHashTableMatchData>& matches,
    const std::vector<vcFoundSegment>& found, vcSegmentCorresponderResult& result, double& total) {
  for (const vcCorrespondingHashTableMatchData& match : matches) {
    const std::vector<long>& assigned = std::as_const(result).foundSegsForModelSeg(k);
    if (assigned.empty() ||
        canShare_(found[static_cast<std::size_t>(match.foundIndex)], found, assigned)) {
      result.add(match.foundIndex, k);
      total += match.score;
    }
  }
}

// A found segment may join a model segment unless it overlaps, along the line of one already
// assigned there, by more than a fifth of the shorter of the two.
bool vcSegmentCorresponder::canShare_(const vcFoundSegment& candidate,
                                      const std::vector<vcFoundSegment>& found,
                                      const std::vector<long>& assigned) {
  for (long g : assigned) {
    const vcFoundSegment& other = found[static_cast<std::size_t>(g)];
    if (vcSegmentCorresponderUtil::calculateOverlap(other, candidate.segment()) >
        0.2 * std::min(candidate.length(), other.length()))
      return false;
  }
  return true;
}

double vcSegmentCorresponder::scoreCorrespondence_(vcSegmentCorresponderResult& result,
                                                   const vcSegmentCorresponderModel& model,
                                                   const std::vector<vcFoundSegment>& found,
                                                   Scratch_& scratch) const {
  result.score(0.0);
  vcXform<2> pose;
  std::vector<double>& factors = scratch.factors;
  factors.clear();  // as a new list: a model may size it without setting every factor
  bool fitFailed = false, outOfRange = false;
  model.findPose(pose, factors, found, result, fitFailed, outOfRange, nullptr, 0);
  if (fitFailed || outOfRange) return 0.0;
  std::vector<vcModelSegment>& segments = scratch.posed;
  model.transformModel(segments, pose, factors);
  double perimeter = 0.0;
  for (const vcModelSegment& s : segments) perimeter += s.length();
  if (!(perimeter > 0.0)) return 0.0;
  result.score(boundaryScore_(segments, found, result) / perimeter);
  return perimeter;
}

// Sum over the pairings of their Gaussian-weighted overlaps.
double vcSegmentCorresponder::boundaryScore_(const std::vector<vcModelSegment>& segments,
                                             const std::vector<vcFoundSegment>& found,
                                             const vcSegmentCorresponderResult& result) const {
  const double sigma = trained_.params.maxPerturbationDist();
  double sum = 0.0;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const std::vector<long>& list = result.foundSegsForModelSeg(static_cast<long>(k));
    if (list.empty()) continue;
    const vcSegmentCorresponderUtil::PairingScorer scorer(segments[k], sigma);
    for (long f : list) sum += scorer.score(found[static_cast<std::size_t>(f)]);
  }
  return sum;
}

// Drops, one at a time, every pairing whose removal raises the score (strictly). A pairing is
// tried in place: taken out, scored, and put back as it was when the score does not rise.
void vcSegmentCorresponder::pruneCorrespondence_(KeptResult_& kept,
                                                 const vcSegmentCorresponderModel& model,
                                                 const std::vector<vcFoundSegment>& found,
                                                 Scratch_& scratch) const {
  vcSegmentCorresponderResult& result = kept.result;
  std::vector<long>& foundsOfK = scratch.foundsOfK;
  std::vector<long>& modelsOfF = scratch.modelsOfF;
  for (long k = 0; k < model.numBoundarySegments(); ++k) {
    std::size_t pos = 0;
    while (pos < std::as_const(result).foundSegsForModelSeg(k).size()) {
      const long f = std::as_const(result).foundSegsForModelSeg(k)[pos];
      const double score = result.score();
      foundsOfK = std::as_const(result).foundSegsForModelSeg(k);
      modelsOfF = std::as_const(result).modelSegsForFoundSeg(f);
      result.remove(f, k);
      const double perimeter = scoreCorrespondence_(result, model, found, scratch);
      if (result.score() > score) {
        kept.perimeter = perimeter;  // the same position now holds the next found segment
      } else {
        result.foundSegsForModelSeg_[static_cast<std::size_t>(k)].swap(foundsOfK);
        result.modelSegsForFoundSeg_[static_cast<std::size_t>(f)].swap(modelsOfF);
        result.score(score);
        ++pos;
      }
    }
  }
}

// Keeps next unless a kept result sharing too much of the found evidence scores at least as
// well; kept results it beats are dropped. The share allowed is maxOverlapPerimFraction of the
// shorter of the two outlines, each measured at its own fitted pose (so that two instances of
// one model at different scales are compared by their real sizes).
void vcSegmentCorresponder::updateCorrespondences_(std::vector<KeptResult_>& results,
                                                   KeptResult_&& next,
                                                   const vcSegmentCorresponderRunParams& params,
                                                   const std::vector<vcFoundSegment>& found) {
  const double fraction = params.maxOverlapPerimFraction();
  for (std::size_t pos = 0; pos < results.size();) {
    const KeptResult_& r = results[pos];
    const double limit = std::min(fraction * r.perimeter, fraction * next.perimeter);
    if (hasOverlap_(r.result, next.result, found, limit)) {
      if (r.result.score() >= next.result.score()) return;
      results.erase(results.begin() + static_cast<std::ptrdiff_t>(pos));
    } else {
      ++pos;
    }
  }
  // Best first; among equal scores the earlier result stays ahead. A full list drops its last.
  const auto at = std::find_if(results.begin(), results.end(), [&](const KeptResult_& r) {
    return r.result.score() < next.result.score();
  });
  results.insert(at, std::move(next));
  if (results.size() > static_cast<std::size_t>(params.maxNumResults())) results.pop_back();
}

// Whether the found segments a uses that b uses too are longer in total than limit (a segment
// counted once per model segment of a it lies on).
bool vcSegmentCorresponder::hasOverlap_(const vcSegmentCorresponderResult& a,
                                        const vcSegmentCorresponderResult& b,
                                        const std::vector<vcFoundSegment>& found, double limit) {
  double sum = 0.0;
  for (long k = 0; k < a.numModelSegs(); ++k)
    for (long f : a.foundSegsForModelSeg(k)) {
      if (b.modelSegsForFoundSeg(f).empty()) continue;
      sum += found[static_cast<std::size_t>(f)].length();
      if (sum > limit) return true;
    }
  return sum > limit;
}
