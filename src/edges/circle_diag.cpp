#include "edges/chain_diag.h"
#include "edges/circle_impl.h"
#include "platform/base/circle.h"

namespace vc_circle_detail {

void FinderImpl::beginDiag_() {
  // One record for the run, opened with the map's image.
  record_ = nullptr;
  vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag_, flags_);
  if (!dest) return;
  record_ = &dest->newDiagRecord();
  if (vcDiagObject::shouldRecord(flags_, vcDiagObject::eInputs)) {
    record_->image(map_.image(), false);
    record_->recordAnnotation(L"Circle Finder");
  }
}

void FinderImpl::chainDiag_() {
  if (!record_ || !vcDiagObject::shouldRecord(flags_, vcDiagObject::eEdgelets)) return;
  const std::vector<vcEdgelet>& edges = chains_.edges();

  // The chains of the valid candidates, cyan and blue by candidate; the other long chains
  // blue.
  std::vector<bool> drawn(std::size_t(records_.size()), false);
  vcUISketch taken;
  vcUITablet takenTablet(taken);
  bool cyan = true;
  for (long i = 0; i < numCands_; ++i) {
    const CircleCandidate& c = cands_[i];
    if (!c.valid) continue;
    for (long k = 0; k < c.numTaken; ++k) {
      const long rec = taken_[std::size_t(c.firstTaken + k)];
      drawn[std::size_t(rec)] = true;
      vc_tracker_detail::drawRun(takenTablet, edges, clientFromImage_, records_[rec].idx,
                                 records_[rec].count, cyan ? vcColor::cyan() : vcColor::blue());
    }
    cyan = !cyan;
  }
  record_->sketch(taken, vcDiagRecord::eClientCoords, L"Circle chains");

  vcUISketch unused;
  vcUITablet unusedTablet(unused);
  for (long k = 0; k < records_.size(); ++k) {
    if (drawn[std::size_t(k)] || k >= chains_.numResults()) continue;
    vc_tracker_detail::drawRun(unusedTablet, edges, clientFromImage_, records_[k].idx,
                               records_[k].count, vcColor::blue());
  }
  record_->sketch(unused, vcDiagRecord::eClientCoords, L"Unused chains");
}

void FinderImpl::resultDiag_() {
  if (!record_ || !vcDiagObject::shouldRecord(flags_, vcDiagObject::eResults)) return;
  // Valid circles green (light on dark) or red (dark on light); candidates that fell short
  // of the coverage yellow when made of several chains, orange when of one.
  vcUISketch sketch;
  vcUITablet tablet(sketch);
  for (long i = 0; i < numCands_; ++i) {
    const CircleCandidate& c = cands_[i];
    vcColor color;
    if (c.valid)
      color = c.lightOnDark ? vcColor::green() : vcColor::red();
    else if (c.coverage < params_.coverageThresh())
      color = c.numTaken > 1 ? vcColor::yellow() : vcColor::orange();
    else
      continue;
    tablet.drawCircle(
        vcCircle(clientFromImage_.mapPoint(vcVector<2>(c.cx, c.cy)), c.radius * clientScale_),
        color);
  }
  record_->sketch(sketch, vcDiagRecord::eClientCoords, L"Found Circles");
}

}  // namespace vc_circle_detail
