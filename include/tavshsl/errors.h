#pragma once

// The library's error families: the shape selection errors (vcShapeSelectDefs::BadParams,
// InvalidDOF, BadIndex, NotTrained, NotImplemented) and the segment errors
// (vcSegmentDefs::notFound), all vcExceptionWithString with a fixed errorNumber().

#include "tavshsl/segment_defs.h"
#include "tavshsl/shape_select_defs.h"
