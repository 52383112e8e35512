#include "binarize_locally.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/ip/edge_detect.h"
#include "platform/ip/true_peak.h"

namespace vc_skeleton {
namespace {

void requireInputs(const vcPelBuffer_const<unsigned char>& input, double fraction, long ceiling,
                   long minCount) {
  const std::wstring op = L"binarizeLocally: ";
  if (!input.isBound() || input.width() == 0 || input.height() == 0)
    throw vcBadParamsError(op + L"input must be a bound, non-empty image");
  if (!(fraction >= 0.0 && fraction <= 1.0))
    throw vcBadParamsError(op + L"fraction must be in [0, 1]");
  if (ceiling < 0 || ceiling > 255) throw vcBadParamsError(op + L"ceiling must be in [0, 255]");
  if (minCount < 0) throw vcBadParamsError(op + L"minCount must be >= 0");
}

// Edge peaks of at least edgeThreshold (the detector's gradient, thinned across the edge).
vcPelBuffer<unsigned char> edgePeaks(const vcPelBuffer_const<unsigned char>& input,
                                     unsigned char edgeThreshold) {
  // The detector refuses coordinates outside 16 bits; only pixel values matter here, so it
  // sees the window at offset (0, 0).
  vcPelBuffer_const<unsigned char> view = input;
  view.offset(0, 0);
  vcPelBuffer<unsigned char> magnitude, angle;
  vfEdgeDetect(view, vcEdgeletParams(1.0, 20.0, 1), magnitude, angle);
  return vfTruePeak(magnitude, angle, edgeThreshold, nullptr);
}

// The edge neighbourhood row by row: row y marks the pixels within one pixel (a 3 x 3 square)
// of a peak of at least the threshold, that is the edge map (0 below the threshold, 255 from
// it) dilated once by the square. Three rows of the edge map grown along x are kept in turn,
// so the dilation costs two passes of ORs and no image.
class EdgeNeighbourhood {
 public:
  EdgeNeighbourhood(const vcPelBuffer_const<unsigned char>& peaks, unsigned char threshold)
      : peaks_(peaks),
        threshold_(threshold),
        w_(peaks.width()),
        flags_(std::size_t(w_) + 2, 0),
        grown_(3 * std::size_t(w_), 0),
        zeros_(std::size_t(w_), 0),
        near_(std::size_t(w_), 0) {}

  // Flags (0 or 1) of row y; rows must be asked for in order from 0.
  const unsigned char* row(long y) {
    const long h = peaks_.height();
    if (y == 0) growRow_(0);
    if (y + 1 < h) growRow_(y + 1);
    const unsigned char* above = y > 0 ? slot_(y - 1) : zeros_.data();
    const unsigned char* here = slot_(y);
    const unsigned char* below = y + 1 < h ? slot_(y + 1) : zeros_.data();
    unsigned char* out = near_.data();
    for (long x = 0; x < w_; ++x) out[x] = above[x] | here[x] | below[x];
    return out;
  }

 private:
  unsigned char* slot_(long y) { return &grown_[std::size_t(y % 3) * std::size_t(w_)]; }

  // Edge flags of row y, grown by one pixel to each side.
  void growRow_(long y) {
    const unsigned char* p = peaks_.pointToRow(y);
    unsigned char* flags = flags_.data() + 1;  // flags[-1] and flags[w] stay 0
    for (long x = 0; x < w_; ++x) flags[x] = p[x] >= threshold_;
    unsigned char* out = slot_(y);
    for (long x = 0; x < w_; ++x) out[x] = flags[x - 1] | flags[x] | flags[x + 1];
  }

  const vcPelBuffer_const<unsigned char>& peaks_;
  unsigned char threshold_;
  long w_;
  std::vector<unsigned char> flags_;  // edge flags of one row, framed by a 0 on each side
  std::vector<unsigned char> grown_;  // three grown rows, row y in slot y mod 3
  std::vector<unsigned char> zeros_;  // the row beyond the image
  std::vector<unsigned char> near_;
};

// Number of grid cells covering n pixels: the ceiling of n / 24, exact multiples adding none.
long cellCount(long n) {
  return long(std::ceil(double(n) / double(kBinarizeBlock) * (1.0 - 1e-11)));
}

// Histograms of the non-zero pixels of every 24 x 24 block, so that each window's histogram is
// the sum of the four blocks it covers instead of a second look at its pixels. Only blocks that
// hold such pixels get a histogram (most blocks lie away from edges).
class BlockHistograms {
 public:
  // The histograms of the input's non-zero grey values in the edge neighbourhood.
  BlockHistograms(const vcPelBuffer_const<unsigned char>& input, EdgeNeighbourhood& edges, long nx,
                  long ny)
      : nx_(nx), slots_(std::size_t(nx * ny), -1), totals_(std::size_t(nx * ny), 0) {
    static_assert(kBinarizeWindow == 2 * kBinarizeBlock, "a window covers 2 x 2 blocks");
    const long w = input.width();
    for (long y = 0; y < input.height(); ++y) {
      const unsigned char* row = input.pointToRow(y);
      const unsigned char* near = edges.row(y);
      const long j = y / kBinarizeBlock;
      for (long x = 0; x < w; ++x) {
        // Most pixels lie away from edges: skip them eight at a time.
        if (x + 8 <= w) {
          std::uint64_t word;
          std::memcpy(&word, near + x, sizeof word);
          if (word == 0) {
            x += 7;
            continue;
          }
        }
        const unsigned char v = row[x];
        if (near[x] == 0 || v == 0) continue;
        const std::size_t cell = std::size_t(j * nx + x / kBinarizeBlock);
        if (slots_[cell] < 0) {
          slots_[cell] = long(bins_.size());
          bins_.resize(bins_.size() + 256, 0);
        }
        ++bins_[std::size_t(slots_[cell]) + v];
        ++totals_[cell];
      }
    }
  }

  // The threshold of the window of cell (i, j), that is of blocks (i..i+1, j..j+1): the level
  // below which `fraction` of its non-zero pixels lie, capped at ceiling, or 255 with fewer than
  // minCount of them.
  unsigned char windowThreshold(long i, long j, long ny, double fraction, long ceiling,
                                long minCount) const {
    const std::uint16_t* blocks[4];
    int n = 0;
    long count = 0;
    for (long jj = j; jj <= std::min(j + 1, ny - 1); ++jj)
      for (long ii = i; ii <= std::min(i + 1, nx_ - 1); ++ii) {
        const std::size_t cell = std::size_t(jj * nx_ + ii);
        if (totals_[cell] == 0) continue;
        blocks[n++] = &bins_[std::size_t(slots_[cell])];
        count += long(totals_[cell]);
      }
    if (count < minCount || count == 0) return 255;
    // Walk up from bin 1 until the sum is no longer below the wanted share.
    const double target = double(count) * fraction;
    long sum = 0, bin = 1;
    for (; bin < 256; ++bin) {
      for (int k = 0; k < n; ++k) sum += long(blocks[k][bin]);
      if (!(double(sum) < target)) break;
    }
    return static_cast<unsigned char>(std::min(bin + 1, ceiling));
  }

 private:
  long nx_;
  std::vector<long> slots_;            // per block: its first bin in bins_, or -1 without pixels
  std::vector<std::uint16_t> bins_;    // 256 bins per block with pixels (at most 576 each)
  std::vector<std::uint32_t> totals_;  // non-zero pixels per block
};

// Gives every cell still at 255 the smallest threshold among its 3 x 3 neighbours, in place,
// sweep after sweep until one changes nothing.
void fillEmptyCells(std::vector<unsigned char>& cells, long nx, long ny) {
  for (bool changed = true; changed;) {
    changed = false;
    for (long i = 0; i < nx; ++i)
      for (long j = 0; j < ny; ++j) {
        unsigned char& cell = cells[std::size_t(j * nx + i)];
        if (cell != 255) continue;
        for (long jj = std::max(j - 1, 0L); jj <= std::min(j + 1, ny - 1); ++jj)
          for (long ii = std::max(i - 1, 0L); ii <= std::min(i + 1, nx - 1); ++ii)
            cell = std::min(cell, cells[std::size_t(jj * nx + ii)]);
        if (cell != 255) changed = true;
      }
  }
}

}  // namespace

void binarizeLocally(const vcPelBuffer_const<unsigned char>& input, unsigned char edgeThreshold,
                     vcPelBuffer<unsigned char>& output, double fraction, long ceiling,
                     long minCount) {
  requireInputs(input, fraction, ceiling, minCount);
  const long w = input.width(), h = input.height();

  // Grey values near edges, histogrammed per block.
  const vcPelBuffer<unsigned char> peaks = edgePeaks(input, edgeThreshold);
  EdgeNeighbourhood edges(peaks, edgeThreshold);
  const long nx = cellCount(w), ny = cellCount(h);
  const BlockHistograms histograms(input, edges, nx, ny);

  // One threshold per window of the grid.
  std::vector<unsigned char> cells(std::size_t(nx * ny), 255);
  for (long j = 0; j < ny; ++j)
    for (long i = 0; i < nx; ++i)
      cells[std::size_t(j * nx + i)] =
          histograms.windowThreshold(i, j, ny, fraction, ceiling, minCount);

  // Windows without edges borrow from their neighbours.
  fillEmptyCells(cells, nx, ny);

  // Cut each block at the lowest threshold of the windows covering it, then the image row by
  // row through the cuts of its blocks.
  std::vector<unsigned char> cuts(std::size_t(nx * ny));
  for (long j = 0; j < ny; ++j)
    for (long i = 0; i < nx; ++i) {
      long level = ceiling;
      for (long jj = std::max(j - 1, 0L); jj <= j; ++jj)
        for (long ii = std::max(i - 1, 0L); ii <= i; ++ii)
          level = std::min<long>(level, cells[std::size_t(jj * nx + ii)]);
      cuts[std::size_t(j * nx + i)] = static_cast<unsigned char>(level);
    }
  vcPelBuffer<unsigned char> result(w, h, 32, vcUnsetPels{});
  result.offset(input.offset());
  const unsigned char* inRow = input.pointToOffset();
  unsigned char* outRow = result.pointToOffset();
  for (long y = 0; y < h; ++y, inRow += input.rowUpdate(), outRow += result.rowUpdate()) {
    const unsigned char* rowCuts = &cuts[std::size_t((y / kBinarizeBlock) * nx)];
    for (long i = 0; i < nx; ++i) {
      const unsigned char cut = rowCuts[i];
      const long x1 = std::min((i + 1) * kBinarizeBlock, w);
      for (long x = i * kBinarizeBlock; x < x1; ++x) outRow[x] = inRow[x] >= cut ? 255 : 0;
    }
  }
  output = result;
}

}  // namespace vc_skeleton
