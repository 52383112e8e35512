#pragma once

// Reaches the corresponder's private steps from the tests: basis ids, basis pieces, keeping
// results and the result records of the diagnostics.

#include <vector>

#include "platform/diag/diag_object.h"
#include "tavshsl/segment_corresponder.h"

struct vcSegmentCorresponderTestAccess {
  static long id(const vcSegmentCorresponder& c, long t, long j, long s) {
    return c.idFromIndices_(t, j, s);
  }

  static std::vector<vcFoundSegment> pieces(const std::vector<vcFoundSegment>& v, long i) {
    std::vector<vcFoundSegment> out;
    vcSegmentCorresponder::basisPieces_(v, vcSegmentCorresponder::EndPoints_(v), i, out);
    return out;
  }

  // Offers next, with its outline length, to the kept list (results, perimeters); returns the
  // kept results' scores afterwards.
  static std::vector<double> keep(std::vector<vcSegmentCorresponderResult>& results,
                                  std::vector<double>& perimeters,
                                  const vcSegmentCorresponderResult& next, double perimeter,
                                  const vcSegmentCorresponderRunParams& params,
                                  const std::vector<vcFoundSegment>& found) {
    std::vector<vcSegmentCorresponder::KeptResult_> kept;
    for (std::size_t i = 0; i < results.size(); ++i) kept.push_back({results[i], perimeters[i]});
    vcSegmentCorresponder::updateCorrespondences_(kept, {next, perimeter}, params, found);
    results.clear();
    perimeters.clear();
    std::vector<double> scores;
    for (auto& k : kept) {
      results.push_back(k.result);
      perimeters.push_back(k.perimeter);
      scores.push_back(k.result.score());
    }
    return scores;
  }

  static void recordResult(const vcSegmentCorresponder& c, vcDiagObject& diag, long index,
                           const vcSegmentCorresponderResult& result,
                           const std::vector<vcFoundSegment>& found, long basis) {
    c.diag_ = &diag;
    c.diagFlags_ = vcDiagObject::eResults;
    c.recordSingleResultDiags_(index, result, vcSegmentCorresponderRunParams(), found, basis);
  }
};
