#pragma once

// The raster scan shared by the trackers: every unconsumed edgelet cell of an edgelet-map
// window, row by row, skipping each empty run (or consumed cell, -1) in one step.

#include <cstdint>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace vc_tracker_detail {

// Calls start(x, y) at every cell of the w by h window (row stride `stride`, first cell
// `origin`) that holds an edgelet index, in raster order; the scan then moves on from the next
// cell, so whatever start() consumed (the start cell included) is passed over. A cell whose
// value is not below numEdges throws vcBadParamsError naming `tool` and the cell.
template <class Start>
void vfScanUnconsumedCells(const std::int32_t* origin, long stride, long w, long h,
                           std::uint32_t numEdges, const wchar_t* tool, Start&& start) {
  for (long y = 0; y < h; ++y) {
    const std::int32_t* row = origin + y * stride;
    for (long x = 0; x < w;) {
      const std::int32_t v = row[x];
      if (v < 0) {
        x -= v;
        continue;
      }
      if (std::uint32_t(v) >= numEdges)
        throw vcBadParamsError(std::wstring(tool) + L": map cell (" + vfStr(x) + L", " +
                               vfStr(y) + L") holds " + vfStr(v) +
                               L", which is no edgelet index");
      start(x, y);
      ++x;
    }
  }
}

}  // namespace vc_tracker_detail
