#include "edges/chain_trace.h"

#include "edges/chain_codes.h"
#include "platform/base/assert.h"

namespace vc_chain_detail {
namespace {

using vc_tracker_detail::codeAbsDiff;
using vc_tracker_detail::kCandidates;
using vc_tracker_detail::kTangentDir;
using vc_tracker_detail::kTurn;

// Code of the edgelet in the current cell.
inline std::uint8_t currentCode(const TraceContext& ctx) {
  return ctx.edges[*ctx.cell].angle().plain();
}

// Takes the edgelet of the current cell: records its index, marks the cell consumed.
inline void take(TraceContext& ctx) {
  // A map whose cells list an edgelet twice would overrun the pool.
  VC_ASSERT(ctx.indexOut != ctx.indexEnd);
  if (!vc_tracker_detail::liesAt(ctx.edges[*ctx.cell], ctx.x, ctx.y, ctx.offset))
    vc_tracker_detail::throwBadCell(L"vfChainTracker", ctx.x, ctx.y, *ctx.cell);
  *ctx.indexOut++ = *ctx.cell;
  *ctx.cell = -1;
  ctx.unconsumed->consume(ctx.x, ctx.y);
  ++ctx.length;
}

// The start direction: the tangent of the start code, turned into the half turn that goes
// forward in raster order (+x, +x+y, +y or -x+y).
inline int startDirection(std::uint8_t code) {
  const int d = kTangentDir[code];
  return d >= 4 ? d - 4 : d;
}

// Tries the candidates of direction d in table order and moves to the first one inside the
// window holding an unconsumed edgelet whose code passes `accept`; returns its code in *code.
// False when none passes (the context is then unchanged).
template <class Accept>
inline bool stepTo(TraceContext& ctx, int d, Accept accept, std::uint8_t* code) {
  const vc_tracker_detail::CandidateSteps& steps = kCandidates[d];
  for (int k = 0; k < steps.count; ++k) {
    const long nx = ctx.x + steps.dx[k];
    const long ny = ctx.y + steps.dy[k];
    if (static_cast<unsigned long>(nx) >= static_cast<unsigned long>(ctx.w) ||
        static_cast<unsigned long>(ny) >= static_cast<unsigned long>(ctx.h))
      continue;
    std::int32_t* cell = ctx.cell + steps.dy[k] * ctx.stride + steps.dx[k];
    const std::int32_t v = *cell;
    if (static_cast<std::uint32_t>(v) >= ctx.numEdges) continue;  // empty, consumed or bad
    const std::uint8_t b = ctx.edges[v].angle().plain();
    if (!accept(b)) continue;
    ctx.x = nx;
    ctx.y = ny;
    ctx.cell = cell;
    *code = b;
    return true;
  }
  return false;
}

}  // namespace

void tracePlain(TraceContext& ctx) {
  // Start towards the forward half of the tangent.
  std::uint8_t a = currentCode(ctx);
  int d = startDirection(a);
  take(ctx);

  // Step while a candidate's code is within angleTol of the previous edgelet's, turning the
  // direction towards each new tangent.
  const std::uint8_t tol = ctx.angleTol;
  std::uint8_t b = 0;
  while (stepTo(ctx, d, [&](std::uint8_t c) { return codeAbsDiff(a, c) <= tol; }, &b)) {
    d = kTurn[d][kTangentDir[b]];
    a = b;
    take(ctx);
  }
}

void traceLine(TraceContext& ctx) {
  // Direction and reference code both stay those of the start edgelet.
  const std::uint8_t a = currentCode(ctx);
  const int d = startDirection(a);
  take(ctx);

  const std::uint8_t tol = ctx.angleTol;
  std::uint8_t b = 0;
  while (stepTo(ctx, d, [&](std::uint8_t c) { return codeAbsDiff(a, c) <= tol; }, &b))
    take(ctx);
}

void traceTrend(TraceContext& ctx) {
  // Ring buffers of R entries: codes a_k at ring[k % R], step differences s_k = a_{k+1} - a_k
  // at steps[k % R]. R = W + F + 2 covers the oldest step still in the window (k - F - W + 1)
  // up to the newest (k).
  const long W = ctx.trendWindow, F = ctx.trendForward;
  const long R = W + F + 2;
  long* ring = ctx.misc;
  long* steps = ctx.misc + R;

  std::uint8_t a = currentCode(ctx);
  int d = startDirection(a);
  take(ctx);
  long k = 0;  // number of the last edgelet taken
  ring[0] = a;
  long sum = 0;  // a_{W-1} - a_0 so far, as a sum of step differences

  // Phase 1: the plain tracer up to edgelet W + F - 1, summing the first W - 1 steps.
  const std::uint8_t tol = ctx.angleTol;
  std::uint8_t b = 0;
  while (k < W + F - 1) {
    if (!stepTo(ctx, d, [&](std::uint8_t c) { return codeAbsDiff(a, c) <= tol; }, &b)) return;
    const long s = vc_tracker_detail::codeSignedDiff(b, a);
    steps[k % R] = s;
    if (k < W - 1) sum += s;
    ++k;
    ring[k % R] = b;
    d = kTurn[d][kTangentDir[b]];
    a = b;
    take(ctx);
  }

  // Phase 2: candidate c = k + 1 is compared with the prediction from edgelet c - F - 1
  // extrapolated by the turn over the window (sum = a_{c-F-1} - a_{c-F-W}) times
  // (F + 1) / (W - 1), truncated towards zero.
  const std::uint8_t trendTol = ctx.trendAngleTol;
  for (;;) {
    const long c = k + 1;
    const long base = ring[(c - F - 1) % R];
    const std::uint8_t p =
        static_cast<std::uint8_t>(base + static_cast<long>(double(sum) * ctx.trendRatio));
    if (!stepTo(ctx, d, [&](std::uint8_t code) { return codeAbsDiff(p, code) <= trendTol; },
                &b))
      return;
    // The window slides by one: s_{c-F-1} enters, s_{c-F-W} leaves.
    steps[k % R] = vc_tracker_detail::codeSignedDiff(b, a);
    sum += steps[(c - F - 1) % R] - steps[(c - F - W) % R];
    k = c;
    ring[k % R] = b;
    d = kTurn[d][kTangentDir[b]];
    a = b;
    take(ctx);
  }
}

}  // namespace vc_chain_detail
