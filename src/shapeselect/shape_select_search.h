#pragma once

// Pieces of the shape selection search that stand on their own: the edge segments of an image
// and their direction rule, the result of a confirmed circle, the result of a correspondence, and
// the merge of the two candidate lists.

#include <cstddef>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/circle.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/export.h"
#include "tavshsl/segment_defs.h"
#include "tavshsl/shape_select_result.h"

namespace vc_shapeselect {

// A circle found by the circle finder and confirmed by the circle pattern: the finder's circle
// (client coordinates) and the pattern's score.
struct vsCircleCandidate {
  vcCircle circle;
  double score = 0.0;
};

// The polarity of an edge line from p1 to p2 whose gradient (dark to light) points along
// gradientAngle: eForward when p2 - p1 points along the gradient turned by +90 degrees
// (positive dot product), else eReverse (a right angle included, within 1e-12 of the
// length for the rounding of the angle's sine and cosine).
TAVSHSL_API vcSegmentDefs::veSegmentPolarity edgePolarity(vcDegree gradientAngle,
                                                          const vcVector<2>& p1,
                                                          const vcVector<2>& p2);

// The edge segments the search gives the corresponder for an image: the edge lines of the
// image reduced by 2, each directed by its gradient (edgePolarity), with the line's mean edge
// magnitude and width 0, in client coordinates.
TAVSHSL_API std::vector<vcFoundSegment> edgeSegments(const vcPelBuffer_const<unsigned char>& image);

// The result of a confirmed circle: pose translation = the circle's centre, no rotation, both
// scales radius / nominalRadius, no factors; isFound = score >= acceptThreshold. The found
// template is tmpl carried by that pose (its centre offset scaled and moved along).
TAVSHSL_API vcShapeSelectResult circleResult(const vsCircleCandidate& candidate,
                                             double nominalRadius, long templateIndex,
                                             const vcShapeSelectTemplate& tmpl,
                                             double acceptThreshold);

// The result of correspondence r of model under template tmpl (index templateIndex): the pose
// and factors fitted by the model's findPose over the edge segments (the identity and no
// factors when the fit fails), score r.score(), isFound = score >= acceptThreshold.
// Throws: BadParams when the pose cannot carry the template (a stroke factor that is not > 0).
TAVSHSL_API vcShapeSelectResult correspondenceResult(const vcSegmentCorresponderResult& r,
                                                     const vcSegmentCorresponderModel& model,
                                                     const std::vector<vcFoundSegment>& edges,
                                                     long templateIndex,
                                                     const vcShapeSelectTemplate& tmpl,
                                                     double acceptThreshold);

// One step of the merge: which list the next result comes from, and its index there.
struct vsMergeStep {
  bool circle = false;
  std::size_t index = 0;
};

// The order in which two score-sorted lists (correspondence results, circle candidates, each
// best first) are merged: the correspondence result when its score is strictly greater, else
// the circle (so a circle comes first on equal scores); the rest of a list once the other is
// used up.
TAVSHSL_API std::vector<vsMergeStep> mergeOrder(const std::vector<double>& correspondenceScores,
                                                const std::vector<double>& circleScores);

}  // namespace vc_shapeselect
