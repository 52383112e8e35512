#pragma once

// The correspondence models of the segment corresponder: the abstract base with its DOFs and
// scale/aspect samples, the boundary model of a closed polygon and the skeleton model of a
// stroke figure. Include this header for all of them, or the single ones:
//   tavshsl/corresponder_model.h   vcSegmentCorresponderModel, vcSegmentCorresponderDofModel
//   tavshsl/boundary_model.h       vcSegmentCorresponderBoundaryModel
//   tavshsl/skeleton_model.h       vcSegmentCorresponderSkeletonModel

#include "tavshsl/boundary_model.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/skeleton_model.h"
