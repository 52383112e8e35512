#pragma once

// The three chain tracers (plain, line and trend) over the cells of an edgelet map. The run
// (chain_tracker.cpp) scans the map and calls one tracer per unconsumed edgelet it meets:
//
//   vc_chain_detail::TraceContext ctx = ...;     // map geometry, tolerances, pools
//   ctx.startAt(x, y);                           // an unconsumed cell
//   vc_chain_detail::tracePlain(ctx);            // ctx.length edgelets appended to the pool
//
// Each tracer takes the start edgelet and then, while a neighbour ahead passes its test, steps
// to it and takes it. Taking an edgelet appends its index at ctx.indexOut, writes -1 into its
// cell and clears its bit in ctx.unconsumed. The map's one-cell frame makes every neighbour of a
// window cell readable.

#include <cstdint>

#include "edges/unconsumed_cells.h"
#include "platform/base/pair.h"
#include "platform/ip/edgelet.h"

namespace vc_chain_detail {

struct TraceContext {
  // The map.
  const vcEdgelet* edges = nullptr;
  std::uint32_t numEdges = 0;  // a cell holds an edgelet when 0 <= cell < numEdges
  long w = 0, h = 0;           // window size
  long stride = 0;             // cells from one row to the next
  std::int32_t* origin = nullptr;  // cell (0, 0) of the window
  vcPair<long> offset;             // image coordinates of cell (0, 0)
  // The scan's record of unconsumed cells, told of each take.
  vc_tracker_detail::UnconsumedCells* unconsumed = nullptr;

  // Tolerances as codes.
  std::uint8_t angleTol = 0;
  std::uint8_t trendAngleTol = 0;

  // Trend mode: window W, forward step F, ratio (F + 1) / (W - 1), and the two ring buffers
  // of W + F + 2 entries at the start of misc (checked by the run to fit in miscPool).
  long trendWindow = 0;
  long trendForward = 0;
  double trendRatio = 0.0;
  long* misc = nullptr;

  // The chain being traced.
  long x = 0, y = 0;           // window position of the current cell
  std::int32_t* cell = nullptr;
  long length = 0;
  long* indexOut = nullptr;    // next write position in indexPool
  long* indexEnd = nullptr;    // end of indexPool

  void startAt(long cx, long cy) {
    x = cx;
    y = cy;
    cell = origin + cy * stride + cx;
    length = 0;
  }
};

void tracePlain(TraceContext& ctx);
void traceLine(TraceContext& ctx);
void traceTrend(TraceContext& ctx);

}  // namespace vc_chain_detail
