#include "shapeselect/shape_select_impl.h"

// Stroke centre-lines come from the skeletal extraction; until it is part of the library the
// list stays empty and stroke templates are not found.
void vcShapeSelectImpl::extractSkeletalSegments_(vcPelBuffer_const<unsigned char> /*image*/,
                                                 std::vector<vcFoundSegment>& segments,
                                                 double /*minLength*/) const {
  segments.clear();
}
