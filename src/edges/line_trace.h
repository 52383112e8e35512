#pragma once

// Growing one line of edgelets over the cells of an edgelet map, for the line tracker run
// (line_tracker.cpp):
//
//   vc_line_detail::LineTraceContext ctx = ...;   // map geometry, tolerances, pool
//   vc_line_detail::traceLine(ctx, x, y);          // from the unconsumed cell (x, y)
//   long n = ctx.fitter.numPoints();               // edgelets taken, indexes at the pool
//
// The line starts along the tangent of the start edgelet and grows by its direction class,
// taking each candidate whose gradient agrees with the line code and whose sub-pixel position
// lies close to the line, refitting the line when a candidate falls outside it.

#include <array>
#include <cstdint>

#include "edges/unconsumed_cells.h"
#include "platform/base/fline.h"
#include "platform/base/line_fitter.h"
#include "platform/base/pair.h"
#include "platform/base/vector.h"
#include "platform/ip/edgelet.h"

namespace vc_line_detail {

// Undirected direction class of a gradient code: ((((a + 64) mod 256) mod 128) + 16) / 32.
// 0 or 4: lines along x (tangent within 22.5 degrees of the x axis); 1: along +x+y; 2: along y;
// 3: along -x+y.
inline constexpr std::array<std::uint8_t, 256> kDirClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (int a = 0; a < 256; ++a) t[a] = std::uint8_t(((((a + 64) % 256) % 128) + 16) / 32);
  return t;
}();

struct LineTraceContext {
  // The map.
  const vcEdgelet* edges = nullptr;
  std::uint32_t numEdges = 0;      // a cell holds an edgelet when 0 <= cell < numEdges
  long w = 0, h = 0;               // window size
  long stride = 0;                 // cells from one row to the next
  std::int32_t* origin = nullptr;  // cell (0, 0) of the window
  vcPair<long> offset;             // image coordinates of cell (0, 0)
  vc_tracker_detail::UnconsumedCells* unconsumed = nullptr;  // the scan, told of each take

  // Tolerances: distance in pixels (exclusive), gradient code difference (exclusive).
  double distanceTol = 1.0;
  std::uint8_t angleTol = 0;

  // Index pool write position and end.
  long* indexOut = nullptr;
  long* indexEnd = nullptr;

  // The line being grown: its points, the code of its gradient side and the number of points
  // at the last fit. The line is kept as direction and distance only, the start edgelet's
  // tangent until the first fit and the fitted axis after it (a vcFLine costs trigonometry, and
  // most starts stay single edgelets, most refits are not followed by a new code); lineOf()
  // makes the vcFLine when one is needed.
  vcLSLineFitter fitter;
  std::uint8_t lineCode = 0;
  long lastFitCount = 0;
  std::uint8_t startCode = 0;
  vcVector<2> startPoint;
  bool fitted = false;
  vcVector<2> fitCentroid, fitDirection;  // the last fit's axis, when fitted
  double cosA = 1.0;  // the current line: direction (cosA, sinA), signed distance dist
  double sinA = 0.0;
  double dist = 0.0;
};

// The current line of ctx as a vcFLine: the last fit, or the line through the start edgelet
// along its tangent.
vcFLine lineOf(const LineTraceContext& ctx);

// Grows a line from the unconsumed cell (x, y): takes the start edgelet, then follows its
// direction class (for lines along x towards +x, reverses the indexes taken so far, then
// towards -x from the start). Ensures: the fitter holds the positions of the edgelets taken,
// whose indexes are the last fitter.numPoints() entries before indexOut, in order along the
// line; their cells read -1 and their bits in ctx.unconsumed are clear.
void traceLine(LineTraceContext& ctx, long x, long y);

// Refits the current line from the fitter; false (line unchanged) when its points all
// coincide.
bool refitLine(LineTraceContext& ctx);

}  // namespace vc_line_detail
