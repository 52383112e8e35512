#include "shapeselect/shape_select_impl.h"
#include "skeleton/skeletal_extraction.h"

void vcShapeSelectImpl::extractSkeletalSegments_(vcPelBuffer_const<unsigned char> image,
                                                 std::vector<vcFoundSegment>& segments,
                                                 double minLength) const {
  vfExtractSkeletalSegments(image, segments, minLength, distanceLut_);
}
