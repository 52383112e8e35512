#include <algorithm>
#include <cmath>

#include "platform/base/assert.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/color.h"
#include "platform/graphics/graphic_list.h"
#include "platform/graphics/graphic_simple.h"
#include "tavshsl/skeleton_model.h"

void vcSegmentCorresponderSkeletonModel::findPose(
    vcXform<2>& pose, std::vector<double>& strokeWidthFactors,
    const std::vector<vcFoundSegment>& foundSegments, const vcSegmentCorresponderResult& result,
    bool& fitFailed, bool& outOfRange, vcDiagObject* diag, unsigned long diagFlags) const {
  const std::size_t n = skeleton_.size();
  VC_ASSERT((!isDOFEnabled(eAspect) || n >= 2) && "aspect needs at least two strokes");
  // The corresponder matches the outline transformModel draws at the widths it measured. Where
  // strokes meet at an oblique angle, the walk at unequal widths can take another path round
  // them and draw a different number of segments (an arrow's head at 40 degrees does for about
  // half of the width factors from 0.6 to 1.45). Such a correspondence says nothing about this
  // model's outline, so it gives no pose, like any other that cannot be fitted.
  // (A wrong result fails here too; the corresponder's stage would otherwise end at the first
  // such candidate and search no further basis.)
  if (result.numModelSegs() != numBoundarySegments()) {
    strokeWidthFactors.resize(n, 0.0);
    fitFailed = true;
    outOfRange = false;
    return;
  }
  checkResult_(result, static_cast<long>(foundSegments.size()));
  const std::size_t numBoundary = boundarySegments_.size();
  const auto found = [&](long f) -> const vcLineSeg& {
    return foundSegments[static_cast<std::size_t>(f)].segment();
  };
  const auto assigned = [&](std::size_t b) -> const std::vector<long>& {
    return result.foundSegsForModelSeg(static_cast<long>(b));
  };

  // Side evidence, one fitter per stroke: found end points onto the side's line (weight x
  // found length) and a weak pull of the midpoints. A side of zero length has no line and
  // gives nothing.
  std::vector<vcLSGeneralFitter> strokeFitters(n);
  for (std::size_t b = 0; b < numBoundary; ++b) {
    const vcModelSegment& side = boundarySegments_[b];
    if (boundaryTypes_[b] != eStrokeSide || side.length() == 0.0) continue;
    const std::size_t s = static_cast<std::size_t>(boundaryStrokes_[b]);
    vcLSGeneralFitter& fitter = strokeFitters[s];
    for (const long f : assigned(b)) {
      const vcLineSeg& F = found(f);
      const double w = side.weight() * F.length();
      fitter.update(F.p1(), boundaryLines_[b], w);
      fitter.update(F.p2(), boundaryLines_[b], w);
      fitter.update(F.midpoint(), side.segment().midpoint(), w / 10000.0);
    }
  }
  strokeWidthFactors.resize(n, 0.0);
  fitFailed = false;
  outOfRange = false;

  // Per-stroke similarity fits: the found centre-line and width of every stroke. A stroke
  // without side evidence has a singular fit and fails the whole pose.
  std::vector<vcXform<2>> strokePose(n);
  std::vector<double> width(n);
  std::vector<vcFLine> centre(n);
  try {
    for (std::size_t s = 0; s < n; ++s) {
      double rms = 0.0;
      strokePose[s] = strokeFitters[s].fit(4, rms, 1e14).inverse();
      width[s] = strokePose[s].scale() * nominalStrokeWidths_[s];
      centre[s] = skeletonLines_[s].map(strokePose[s]);
    }
  } catch (const vcException&) {
    fitFailed = true;
    return;
  }

  // End constraints: the found stroke end, moved half the found width inward, lands on the
  // model's skeleton end point.
  vcLSGeneralFitter global;
  std::vector<double> along;
  for (std::size_t b = 0; b < numBoundary; ++b) {
    const std::size_t s = static_cast<std::size_t>(boundaryStrokes_[b]);
    if (boundaryTypes_[b] != eStrokeEnd) continue;
    const vcLineSeg M = skeleton_[s].segment().map(strokePose[s]);
    vcVector<2> inward = (M.p2() - M.p1()).unit();
    if (boundaryPoints_[b].pos() == skeleton_[s].segment().p2()) inward = -inward;

    vcVector<2> E;
    if (!assigned(b).empty()) {
      // The end itself was found: the mean of its end points projected onto the centre-line.
      for (const long f : assigned(b))
        E += centre[s].closestPoint(found(f).p1()) + centre[s].closestPoint(found(f).p2());
      E = E / (2.0 * static_cast<double>(assigned(b).size()));
    } else {
      // Otherwise: the two outermost side end points of the stroke, measured along inward.
      const vcVector<2> O = centre[s].closestPoint(vcVector<2>(0.0, 0.0));
      const bool useX = std::abs(inward.x()) > 1e-15;
      along.clear();
      for (std::size_t b2 = 0; b2 < numBoundary; ++b2) {
        if (boundaryTypes_[b2] != eStrokeSide || boundaryStrokes_[b2] != boundaryStrokes_[b])
          continue;
        for (const long f : assigned(b2))
          for (const vcVector<2>& p : {found(f).p1(), found(f).p2()}) {
            const vcVector<2> q = centre[s].closestPoint(p) - O;
            along.push_back(useX ? q.x() / inward.x() : q.y() / inward.y());
          }
      }
      if (along.size() < 2) {
        fitFailed = true;
        return;
      }
      std::partial_sort(along.begin(), along.begin() + 2, along.end());
      E = O + inward * ((along[0] + along[1]) / 2.0);
    }
    global.update(E + inward * (width[s] / 2.0), boundaryPoints_[b].pos(),
                  skeleton_[s].weight() / 100.0);
  }

  // Junction constraints: where found centre-lines meet, the model's strokes meet.
  for (std::size_t s = 1; s < n; ++s)
    for (std::size_t t = 0; t < s; ++t) {
      if (!adjacency_[s][t]) continue;
      const std::vector<vcVector<2>> I = centre[s].intersection(centre[t]);
      if (!I.empty())
        global.update(I.front(), junctionPoints_[s][t].pos(),
                      skeleton_[s].weight() + skeleton_[t].weight());
    }

  // One pose from ends and junctions.
  finalLinearFit_(global, fitDOFCount_(), pose, fitFailed, outOfRange);
  if (fitFailed) return;

  // The fitted centre-lines, for a viewer.
  if (!outOfRange && diag != nullptr && diagFlags != 0) {
    vcGraphicList list;
    for (const vcModelSegment& s : skeleton_)
      list.append(vcGraphicSimple<vcLineSeg>(s.segment().map(pose), vcColor::green()));
    vcDiagRecord& record =
        diag->numRecords() > 0 ? diag->diagRecord(diag->numRecords() - 1) : diag->newDiagRecord();
    record.graphics(list, vcDiagRecord::eClientCoords, L"Final fitted skeleton");
  }

  // Width factors relative to the pose's scale, checked whether or not the DOF is enabled.
  const double g = pose.scale();
  const vcRange& range = dofRange(eStrokeWidth);
  for (std::size_t s = 0; s < n; ++s) {
    strokeWidthFactors[s] = width[s] / (g * nominalStrokeWidths_[s]);
    if (!range.isWithin(strokeWidthFactors[s])) outOfRange = true;
  }
}
