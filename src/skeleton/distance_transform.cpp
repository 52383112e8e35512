#include "distance_transform.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "distance_lut.h"
#include "platform/base/exception.h"

namespace vc_skeleton {
namespace {

// A pixel reached by the wave and its offset from its source.
struct PropagationRecord {
  std::int32_t x, y;    // the pixel, window coordinates
  std::int32_t dx, dy;  // the pixel minus its source
};

void requireInputs(const vcPelBuffer_const<unsigned char>& mask,
                   const vcPelBuffer_const<unsigned char>& lut,
                   const vcPelBuffer<unsigned char>& distance) {
  const wchar_t* op = L"distanceTransform";
  if (!mask.isBound() || !distance.isBound())
    throw vcBadParamsError(std::wstring(op) + L": mask and distance must be bound images");
  if (mask.width() != distance.width() || mask.height() != distance.height())
    throw vcBadParamsError(std::wstring(op) + L": distance must have the size of mask");
  requireDistanceLut(lut, op);
}

// The background pixels off the outermost rows and columns with a stroke pixel among their
// four side neighbours, in row-major order; each is its own source.
void collectSources(const vcPelBuffer_const<unsigned char>& mask,
                    std::vector<PropagationRecord>& sources) {
  const long w = mask.width(), h = mask.height();
  const long stride = mask.rowUpdate();
  for (long y = 1; y + 1 < h; ++y) {
    const unsigned char* row = mask.pointToRow(y);
    for (long x = 1; x + 1 < w; ++x) {
      // Away from strokes the row and its neighbours are all 0: skip eight pixels at a time
      // when columns x - 1 .. x + 8 of the three rows are.
      if (x + 9 <= w) {
        std::uint64_t words[5];
        std::memcpy(&words[0], row + x - 1, 8);
        std::memcpy(&words[1], row + x + 1, 8);
        std::memcpy(&words[2], row + x, 8);
        std::memcpy(&words[3], row - stride + x, 8);
        std::memcpy(&words[4], row + stride + x, 8);
        if ((words[0] | words[1] | words[2] | words[3] | words[4]) == 0) {
          x += 7;
          continue;
        }
      }
      if (row[x] != 0) continue;
      if (row[x - 1] | row[x + 1] | row[x - stride] | row[x + stride])
        sources.push_back({std::int32_t(x), std::int32_t(y), 0, 0});
    }
  }
}

}  // namespace

void distanceTransform(const vcPelBuffer_const<unsigned char>& mask,
                       const vcPelBuffer_const<unsigned char>& lut,
                       vcPelBuffer<unsigned char>& distance) {
  requireInputs(mask, lut, distance);
  distance.offset(mask.offset());
  for (long y = 0; y < distance.height(); ++y)
    std::fill_n(distance.pointToRow(y), distance.width(), 0);
  const long w = mask.width(), h = mask.height();
  if (w < 3 || h < 3) return;  // no pixel lies off the outermost rows and columns

  std::vector<PropagationRecord> current, next;
  current.reserve(1000);
  next.reserve(1000);
  collectSources(mask, current);
  std::size_t numCurrent = current.size();

  const unsigned char* maskOrigin = mask.pointToOffset();
  const long maskStride = mask.rowUpdate();
  unsigned char* distOrigin = distance.pointToOffset();
  const long distStride = distance.rowUpdate();

  // Table look-ups take |dx| and |dy|, each clamped to 255.
  const unsigned char* lutOrigin = lut.pointToOffset();
  const long lutStride = lut.rowUpdate();
  auto clamped = [](std::int32_t v) {
    return std::min<long>(std::labs(long(v)), kDistanceLutSize - 1);
  };
  auto tableRow = [&](std::int32_t dy) { return lutOrigin + clamped(dy) * lutStride; };

  // Offers a neighbour (mask pixel m, distance pixel cell) at offset (dx, dy) from the source
  // of the record being spread, with d the table value of that offset: a stroke pixel not yet
  // reached, or reached by a farther source, takes d and joins the next wave. Written without
  // branches on the outcome, which the wave makes unpredictable: the record is always written
  // and counted only when the pixel improved.
  std::size_t numNext = 0;
  auto offer = [&](std::int32_t nx, std::int32_t ny, std::int32_t dx, std::int32_t dy, unsigned d,
                   unsigned char m, unsigned char& cell) {
    const unsigned old = cell;
    // A 0 cell (not reached) counts as farther than any source: old - 1 wraps around.
    const bool improved = (m != 0) & (old - 1u >= d);
    cell = static_cast<unsigned char>(improved ? d : old);
    next[numNext] = {nx, ny, dx, dy};
    numNext += improved;
  };

  while (numCurrent > 0) {
    numNext = 0;
    // Neighbours in the order up, left, right, down, those inside the image only. Up and down
    // share the record's |dx|, left and right its |dy|.
    for (std::size_t i = 0; i < numCurrent; ++i) {
      if (next.size() < numNext + 4) next.resize(2 * (numNext + 4));
      const PropagationRecord r = current[i];
      const unsigned char* m = maskOrigin + long(r.y) * maskStride + r.x;
      unsigned char* cell = distOrigin + long(r.y) * distStride + r.x;
      const long ax = clamped(r.dx);
      const unsigned char* row = tableRow(r.dy);
      if (r.y > 0)
        offer(r.x, r.y - 1, r.dx, r.dy - 1, tableRow(r.dy - 1)[ax], m[-maskStride],
              cell[-distStride]);
      if (r.x > 0) offer(r.x - 1, r.y, r.dx - 1, r.dy, row[clamped(r.dx - 1)], m[-1], cell[-1]);
      if (r.x + 1 < w) offer(r.x + 1, r.y, r.dx + 1, r.dy, row[clamped(r.dx + 1)], m[1], cell[1]);
      if (r.y + 1 < h)
        offer(r.x, r.y + 1, r.dx, r.dy + 1, tableRow(r.dy + 1)[ax], m[maskStride],
              cell[distStride]);
    }
    current.swap(next);
    numCurrent = numNext;
  }
}

}  // namespace vc_skeleton
