#include <string>

#include "platform/base/exception.h"
#include "tavshsl/segments.h"

namespace {

// Refuses a value that is no polarity, so that no segment carries an undefined direction.
void checkPolarity(vcSegmentDefs::veSegmentPolarity polarity) {
  if (polarity != vcSegmentDefs::eForward && polarity != vcSegmentDefs::eReverse &&
      polarity != vcSegmentDefs::eUndirected)
    throw vcBadParamsError(
        L"segment polarity must be eForward (0), eReverse (1) or "
        L"eUndirected (2), got " +
        std::to_wstring(static_cast<long>(polarity)));
}

}  // namespace

vcBaseSegment::vcBaseSegment()
    : polarity_(vcSegmentDefs::eForward), length_(0.0), lineAngle_(0.0), dirAngle_(0.0) {}

vcBaseSegment::vcBaseSegment(const vcLineSeg& seg, vcSegmentDefs::veSegmentPolarity polarity)
    : segment_(seg), polarity_(polarity), length_(0.0) {
  checkPolarity(polarity);
  calcCachedData_();
}

void vcBaseSegment::segment(const vcLineSeg& seg) {
  segment_ = seg;
  calcCachedData_();
}

void vcBaseSegment::polarity(vcSegmentDefs::veSegmentPolarity polarity) {
  checkPolarity(polarity);
  polarity_ = polarity;
}

void vcBaseSegment::calcCachedData_() {
  length_ = vcSegmentCorresponderUtil::segmentLength(segment_);
  lineAngle_ = vcSegmentCorresponderUtil::segmentAngle(segment_);
  switch (polarity_) {
    case vcSegmentDefs::eUndirected:
      dirAngle_ = lineAngle_;
      break;
    case vcSegmentDefs::eForward:
      dirAngle_ = (segment_.p2() - segment_.p1()).angle();
      break;
    case vcSegmentDefs::eReverse:
      dirAngle_ = (segment_.p1() - segment_.p2()).angle();
      break;
  }
}

vcModelSegment::vcModelSegment(const vcLineSeg& seg, double weight,
                               vcSegmentDefs::veSegmentPolarity polarity)
    : vcBaseSegment(seg, polarity), weight_(weight) {}

vcFoundSegment::vcFoundSegment(const vcLineSeg& seg, double magnitude,
                               vcSegmentDefs::veSegmentPolarity polarity, double width)
    : vcBaseSegment(seg, polarity), magnitude_(magnitude), width_(width) {}
