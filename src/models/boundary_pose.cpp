#include "tavshsl/boundary_model.h"

void vcSegmentCorresponderBoundaryModel::findPose(
    vcXform<2>& pose, std::vector<double>& strokeWidthFactors,
    const std::vector<vcFoundSegment>& foundSegments, const vcSegmentCorresponderResult& result,
    bool& fitFailed, bool& outOfRange, vcDiagObject* /*diag*/,
    unsigned long /*diagFlags*/) const {
  checkResult_(result, static_cast<long>(foundSegments.size()));
  const long n = numBoundarySegments();

  // The midpoint pull is 1/10000 of the line weight; small models, whose few lines leave
  // sliding less well pinned, get it ten times stronger per missing side below four.
  double pull = 1e-4;
  for (long k = n; k < 4; ++k) pull *= 10.0;

  // Every found segment on side i: both end points onto side i's line, weighted by the
  // found length, and its midpoint weakly onto the side's midpoint.
  vcLSGeneralFitter fitter;
  long constraints = 0;
  for (long i = 0; i < n; ++i) {
    const vcModelSegment& side = boundarySegments_[static_cast<std::size_t>(i)];
    if (side.length() == 0.0) continue;
    const vcFLine& line = boundaryLines_[static_cast<std::size_t>(i)];
    for (const long f : result.foundSegsForModelSeg(i)) {
      const vcLineSeg& F = foundSegments[static_cast<std::size_t>(f)].segment();
      const double w = side.weight() * F.length();
      fitter.update(F.p1(), line, w);
      fitter.update(F.p2(), line, w);
      ++constraints;
      fitter.update(F.midpoint(), side.segment().midpoint(), w * pull);
    }
  }

  // Nothing assigned: no pose.
  strokeWidthFactors.clear();
  fitFailed = false;
  outOfRange = false;
  if (constraints == 0) {
    fitFailed = true;
    return;
  }
  finalLinearFit_(fitter, fitDOFCount_(), pose, fitFailed, outOfRange);
}
