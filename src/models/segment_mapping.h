#pragma once

// Mapping of model segments by a pose, shared by the models.

#include <vector>

#include "platform/base/xform.h"
#include "tavshsl/segments.h"

// out := every segment of in mapped by pose, in order, with weight and polarity unchanged.
// Requires: out is not in.
inline void vfMapModelSegments(std::vector<vcModelSegment>& out,
                               const std::vector<vcModelSegment>& in, const vcXform<2>& pose) {
  out.clear();
  out.reserve(in.size());
  for (const vcModelSegment& s : in)
    out.emplace_back(s.segment().map(pose), s.weight(), s.polarity());
}
