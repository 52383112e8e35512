#include "platform/base/timer.h"
#include "tavshsl/segment_corresponder.h"

void vcSegmentCorresponder::run(vcSegmentCorresponderResultSet& out,
                                const vcSegmentCorresponderRunParams& params,
                                const std::vector<vcFoundSegment>& found, vcDiagObject* diag,
                                unsigned long diagFlags) const {
  run(out, params, found, std::vector<vcFoundSegment>(), diag, diagFlags);
}

// The search itself is not built yet: every run ends with no results, which is also what a
// run finding nothing reports.
void vcSegmentCorresponder::run(vcSegmentCorresponderResultSet& out,
                                const vcSegmentCorresponderRunParams& /*params*/,
                                const std::vector<vcFoundSegment>& /*found*/,
                                const std::vector<vcFoundSegment>& /*skeletalFound*/,
                                vcDiagObject* diag, unsigned long diagFlags) const {
  vcTimer timer(true);
  diag_ = diag;
  diagFlags_ = diagFlags;
  out.results_.clear();
  out.errorCode_ = 0;
  out.time_ = static_cast<long>(timer.usec());
}
