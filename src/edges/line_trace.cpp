#include "edges/line_trace.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "edges/chain_codes.h"
#include "platform/base/assert.h"
#include "platform/base/exception.h"

namespace vc_line_detail {
namespace {

// Candidate offsets after the last edgelet taken, in the order tried, and the column step
// that must stay inside the window for the tracer to go on (every tracer also needs the next
// row). A candidate outside the window is skipped.
struct Tracer {
  int dx[3];
  int dy[3];
  int boundDx;
};
constexpr Tracer kDownRight = {{1, 1, 0}, {0, 1, 1}, 1};       // class 1: +x+y
constexpr Tracer kDown = {{0, -1, 1}, {1, 1, 1}, 0};           // class 2: +y
constexpr Tracer kDownLeft = {{-1, -1, 0}, {0, 1, 1}, -1};     // class 3: -x+y
constexpr Tracer kForwards = {{1, 1, 1}, {0, -1, 1}, 1};       // class 0/4: +x
constexpr Tracer kBackwards = {{-1, -1, -1}, {0, -1, 1}, -1};  // class 0/4: -x

// Direction of the tangent of every gradient code, (code + 64) * 2 pi / 256, filled once at
// load.
struct TangentTable {
  double c[256];
  double s[256];
  TangentTable() {
    for (int a = 0; a < 256; ++a) {
      const double t = (a + 64) * (2.0 * std::numbers::pi / 256.0);
      c[a] = std::cos(t);
      s[a] = std::sin(t);
    }
  }
};
const TangentTable kTangent;

// Signed distance of q from the current line (positive on the side of the normal).
inline double distanceFromLine(const LineTraceContext& ctx, const vcVector<2>& q) {
  return -q.x() * ctx.sinA + q.y() * ctx.cosA - ctx.dist;
}

// The line code after a refit: the fitted normal (direction + 90 degrees) as a rounded code,
// turned by half a turn when it points away from the old code, so that it keeps the sense of
// the start gradient. The direction's angle is the fitted line's, in [0, 360] degrees, so one
// subtraction brings the normal into [0, 360).
std::uint8_t refittedCode(const vcVector<2>& direction, std::uint8_t oldCode) {
  double g = vcDegree(direction.angle().norm()).toDouble() + 90.0;
  if (g >= 360.0) g -= 360.0;
  long code = long(g * 256.0 / 360.0 + 0.5);
  if (code >= 256) code -= 256;
  std::uint8_t c = std::uint8_t(code);
  if (vc_tracker_detail::codeAbsDiff(c, oldCode) > 64) c = std::uint8_t(c + 128);
  return c;
}

// Takes the edgelet of `cell`, at (x, y) in the window, into the line.
inline void take(LineTraceContext& ctx, std::int32_t* cell, long x, long y, const vcVector<2>& q) {
  // A map whose cells list an edgelet twice would overrun the pool.
  VC_ASSERT(ctx.indexOut != ctx.indexEnd);
  if (!vc_tracker_detail::liesAt(ctx.edges[*cell], x, y, ctx.offset))
    vc_tracker_detail::throwBadCell(L"vfLineTracker", x, y, *cell);
  ctx.fitter.update(q);
  *ctx.indexOut++ = *cell;
  *cell = -1;
  ctx.unconsumed->consume(x, y);
}

// The candidate test: the gradient code within angleTol of the line code; the position within
// distanceTol of the line, or of the line refitted when new points came since the last fit.
// Requires: the cell, at (x, y) in the window, holds an unconsumed edgelet.
[[gnu::always_inline]] inline bool tryCandidate(LineTraceContext& ctx, std::int32_t* cell, long x,
                                                long y) {
  const vcEdgelet& e = ctx.edges[*cell];
  if (vc_tracker_detail::codeAbsDiff(ctx.lineCode, e.angle().plain()) >= ctx.angleTol) return false;
  const vcVector<2> q(double(e.posQuickX()), double(e.posQuickY()));
  if (!(std::fabs(distanceFromLine(ctx, q)) < ctx.distanceTol)) {
    if (ctx.fitter.numPoints() <= ctx.lastFitCount || !refitLine(ctx)) return false;
    ctx.lastFitCount = ctx.fitter.numPoints();
    if (!(std::fabs(distanceFromLine(ctx, q)) < ctx.distanceTol)) return false;
    ctx.lineCode = refittedCode(ctx.fitDirection, ctx.lineCode);
  }
  take(ctx, cell, x, y, q);
  return true;
}

// Follows one tracer from the edgelet at (x, y) until no candidate is taken. Which of a step's
// three cells hold unconsumed edgelets is read first, as a mask, so that on textured images,
// where that is random, the step branches once on the mask instead of once per cell.
template <const Tracer& tracer>
void follow(LineTraceContext& ctx, long x, long y) {
  std::int32_t* cell = ctx.origin + y * ctx.stride + x;
  while (y + 1 < ctx.h &&
         static_cast<unsigned long>(x + tracer.boundDx) < static_cast<unsigned long>(ctx.w)) {
    std::int32_t* next[3];
    unsigned held = 0;
    for (int k = 0; k < 3; ++k) {
      // What the loop bound does not already guarantee.
      const bool inside =
          (tracer.dx[k] == tracer.boundDx || tracer.dx[k] == 0 ||
           static_cast<unsigned long>(x + tracer.dx[k]) < static_cast<unsigned long>(ctx.w)) &
          (tracer.dy[k] >= 0 || y + tracer.dy[k] >= 0);
      // A neighbour of a window cell is a cell of the map or of its frame, always readable.
      next[k] = cell + tracer.dy[k] * ctx.stride + tracer.dx[k];
      held |= unsigned(inside & (static_cast<std::uint32_t>(*next[k]) < ctx.numEdges)) << k;
    }
    for (;; held &= held - 1) {
      if (held == 0) return;
      const int k = std::countr_zero(held);
      if (tryCandidate(ctx, next[k], x + tracer.dx[k], y + tracer.dy[k])) {
        x += tracer.dx[k];
        y += tracer.dy[k];
        cell = next[k];
        break;
      }
    }
  }
}

}  // namespace

bool refitLine(LineTraceContext& ctx) {
  try {
    ctx.fitter.fitAxis(ctx.fitCentroid, ctx.fitDirection);
  } catch (const vcBadParamsError&) {
    return false;  // all points coincide: keep the line as it is
  }
  // The direction and distance of the line fit() would give; the line itself, with its angle,
  // only when a caller asks for it.
  ctx.fitted = true;
  ctx.cosA = ctx.fitDirection.x();
  ctx.sinA = ctx.fitDirection.y();
  ctx.dist = ctx.fitCentroid * vcVector<2>(-ctx.sinA, ctx.cosA);
  return true;
}

vcFLine lineOf(const LineTraceContext& ctx) {
  if (ctx.fitted) return vcFLine::alongDirection(ctx.fitCentroid, ctx.fitDirection);
  const double turns = (ctx.startCode + 64) * (2.0 * std::numbers::pi / 256.0);
  return vcFLine(vcDegree(vcRadian(turns)), ctx.startPoint, true);
}

void traceLine(LineTraceContext& ctx, long x, long y) {
  // Start: the line through the start edgelet along its tangent, code = its gradient code.
  std::int32_t* start = ctx.origin + y * ctx.stride + x;
  const vcEdgelet& e = ctx.edges[*start];
  const std::uint8_t a = e.angle().plain();
  const vcVector<2> q(double(e.posQuickX()), double(e.posQuickY()));
  ctx.lineCode = a;
  ctx.fitter.reset();
  ctx.startCode = a;
  ctx.startPoint = q;
  ctx.fitted = false;
  ctx.cosA = kTangent.c[a];
  ctx.sinA = kTangent.s[a];
  ctx.dist = -q.x() * ctx.sinA + q.y() * ctx.cosA;
  ctx.lastFitCount = 1;
  long* first = ctx.indexOut;
  take(ctx, start, x, y, q);

  // Grow by direction class; lines along x go both ways, the indexes reversed in between so
  // that they run monotonically along the line.
  switch (kDirClass[a]) {
    case 1:
      follow<kDownRight>(ctx, x, y);
      break;
    case 2:
      follow<kDown>(ctx, x, y);
      break;
    case 3:
      follow<kDownLeft>(ctx, x, y);
      break;
    default:
      follow<kForwards>(ctx, x, y);
      std::reverse(first, ctx.indexOut);
      follow<kBackwards>(ctx, x, y);
      break;
  }
}

}  // namespace vc_line_detail
