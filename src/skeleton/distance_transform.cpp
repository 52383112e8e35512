#include "distance_transform.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
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

// Records without initialisation, of at least a given capacity.
struct RecordBuffer {
  std::unique_ptr<PropagationRecord[]> data;
  std::size_t capacity = 0;
  void reserve(std::size_t n) {
    if (capacity >= n) return;
    data.reset(new PropagationRecord[n]);
    capacity = n;
  }
};

// What a wave reads and writes: the mask, the distance image and the offset tables.
struct WaveImages {
  const unsigned char* mask;
  long maskStride;
  unsigned char* distance;
  long distStride;
  long w, h;
  const unsigned char* column;        // column[dx]: min(|dx|, 255), -w <= dx <= w
  const unsigned char* const* table;  // table[dy]: the table row of min(|dy|, 255)
};

// Spreads the records in[0..n) to their neighbours in the order up, left, right, down (those
// inside the image): a stroke pixel not yet reached, or reached by a farther source, takes the
// table value of its offset from the record's source and joins the next wave in out. Returns
// the number of records of the next wave; out must hold 4 n records. Written without branches
// on the outcome, which the wave makes unpredictable: a record is always written and counted
// only when its pixel improved. Everything lives in locals, so the byte stores into the
// distance image do not force the compiler to reload them.
std::size_t spreadWave(const WaveImages& im, const PropagationRecord* in, std::size_t n,
                       PropagationRecord* out) {
  const unsigned char* const maskOrigin = im.mask;
  unsigned char* const distOrigin = im.distance;
  const long maskStride = im.maskStride, distStride = im.distStride, w = im.w, h = im.h;
  const unsigned char* const column = im.column;
  const unsigned char* const* const table = im.table;
  std::size_t count = 0;
  auto offer = [&count, out](std::int32_t nx, std::int32_t ny, std::int32_t dx, std::int32_t dy,
                             unsigned d, unsigned char m, unsigned char* cell) {
    const unsigned old = *cell;
    // A 0 cell (not reached) counts as farther than any source: old - 1 wraps around.
    const bool improved = (m != 0) & (old - 1u >= d);
    *cell = static_cast<unsigned char>(improved ? d : old);
    out[count] = {nx, ny, dx, dy};
    count += improved;
  };
  for (std::size_t i = 0; i < n; ++i) {
    const PropagationRecord r = in[i];
    const unsigned char* m = maskOrigin + long(r.y) * maskStride + r.x;
    unsigned char* cell = distOrigin + long(r.y) * distStride + r.x;
    // Up and down share the record's |dx|, left and right its |dy|.
    const unsigned ax = column[r.dx];
    const unsigned char* row = table[r.dy];
    if (r.y > 0)
      offer(r.x, r.y - 1, r.dx, r.dy - 1, table[r.dy - 1][ax], m[-maskStride], cell - distStride);
    if (r.x > 0) offer(r.x - 1, r.y, r.dx - 1, r.dy, row[column[r.dx - 1]], m[-1], cell - 1);
    if (r.x + 1 < w) offer(r.x + 1, r.y, r.dx + 1, r.dy, row[column[r.dx + 1]], m[1], cell + 1);
    if (r.y + 1 < h)
      offer(r.x, r.y + 1, r.dx, r.dy + 1, table[r.dy + 1][ax], m[maskStride], cell + distStride);
  }
  return count;
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

  std::vector<PropagationRecord> current;
  collectSources(mask, current);
  std::size_t numCurrent = current.size();

  const unsigned char* maskOrigin = mask.pointToOffset();
  const long maskStride = mask.rowUpdate();
  unsigned char* distOrigin = distance.pointToOffset();
  const long distStride = distance.rowUpdate();

  // Table look-ups take |dx| and |dy|, each clamped to 255. Offsets between pixels of the
  // image lie within +-(w - 1) and +-(h - 1), so two small tables indexed by the signed offset
  // give the clamped column and the table row without a branch or an abs per look-up.
  const unsigned char* lutOrigin = lut.pointToOffset();
  const long lutStride = lut.rowUpdate();
  auto clamped = [](long v) { return std::min<long>(std::labs(v), kDistanceLutSize - 1); };
  std::vector<unsigned char> columns(std::size_t(2 * w + 1));
  for (long v = -w; v <= w; ++v)
    columns[std::size_t(v + w)] = static_cast<unsigned char>(clamped(v));
  std::vector<const unsigned char*> rows(std::size_t(2 * h + 1));
  for (long v = -h; v <= h; ++v) rows[std::size_t(v + h)] = lutOrigin + clamped(v) * lutStride;
  const unsigned char* column = columns.data() + w;        // column[dx], -w <= dx <= w
  const unsigned char* const* tableRow = rows.data() + h;  // tableRow[dy], -h <= dy <= h

  // One wave after another; a record offers at most four neighbours. The queues are plain
  // buffers: growing one keeps nothing of its old contents.
  const WaveImages images{maskOrigin, maskStride, distOrigin, distStride, w, h, column, tableRow};
  RecordBuffer wave, spread;
  wave.reserve(numCurrent);
  std::copy(current.begin(), current.end(), wave.data.get());
  current = std::vector<PropagationRecord>();
  while (numCurrent > 0) {
    spread.reserve(4 * numCurrent);
    numCurrent = spreadWave(images, wave.data.get(), numCurrent, spread.data.get());
    std::swap(wave, spread);
  }
}

}  // namespace vc_skeleton
