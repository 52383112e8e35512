#include "ridge_seeds.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/base/exception.h"

namespace vc_skeleton {
namespace {

// The seed test for pixel (x, y) of an image of size w x h with rows `stride` apart, using only
// the neighbours inside the image.
bool isSeedAt(const unsigned char* origin, long stride, long w, long h, long x, long y) {
  const unsigned char* p = origin + y * stride + x;
  const unsigned char v = *p;
  const bool hasLeft = x > 0, hasRight = x + 1 < w, hasUp = y > 0, hasDown = y + 1 < h;
  // Strictly greater than the neighbours before it in raster order.
  if (hasLeft && !(v > p[-1])) return false;
  if (hasUp) {
    if (!(v > p[-stride])) return false;
    if (hasLeft && !(v > p[-stride - 1])) return false;
    if (hasRight && !(v > p[-stride + 1])) return false;
  }
  // At least the neighbours after it.
  if (hasRight && v < p[1]) return false;
  if (hasDown) {
    if (v < p[stride]) return false;
    if (hasRight && v < p[stride + 1]) return false;
    if (hasLeft && v < p[stride - 1]) return false;
  }
  return true;
}

// The seeds of one image in discovery order, coordinates shifted by (dx, dy).
void collectSeeds(const unsigned char* origin, long stride, long w, long h, unsigned char threshold,
                  long dx, long dy, std::vector<vc_SeedInfo>& found) {
  auto test = [&](long x, long y) {
    const unsigned char v = origin[y * stride + x];
    if (v >= threshold && isSeedAt(origin, stride, w, h, x, y))
      found.push_back({x + dx, y + dy, v});
  };
  // Inner pixels: all eight neighbours exist.
  for (long y = 1; y + 1 < h; ++y) {
    const unsigned char* row = origin + y * stride;
    for (long x = 1; x + 1 < w; ++x) {
      // Distance images are mostly 0, and a 0 is never above its left neighbour: skip zeros
      // eight at a time.
      if (x + 8 < w) {
        std::uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        if (word == 0) {
          x += 7;
          continue;
        }
      }
      const unsigned char v = row[x];
      if (v < threshold || v == 0) continue;
      if (v > row[x - 1] && v > row[x - stride - 1] && v > row[x - stride] &&
          v > row[x - stride + 1] && v >= row[x + 1] && v >= row[x + stride + 1] &&
          v >= row[x + stride] && v >= row[x + stride - 1])
        found.push_back({x + dx, y + dy, v});
    }
  }
  // The first and last rows, the first and last columns, then the corners.
  for (long y : {0L, h - 1})
    for (long x = 1; x + 1 < w; ++x) test(x, y);
  for (long x : {0L, w - 1})
    for (long y = 1; y + 1 < h; ++y) test(x, y);
  test(0, 0);
  test(w - 1, 0);
  test(0, h - 1);
  test(w - 1, h - 1);
}

}  // namespace

void findRidgeSeeds(const vcPelBuffer_const<unsigned char>& distance, unsigned char threshold,
                    std::vector<vc_SeedInfo>& seeds) {
  if (!distance.isBound())
    throw vcBadParamsError(L"findRidgeSeeds: distance must be a bound image");
  std::vector<vc_SeedInfo> found;
  const long w = distance.width(), h = distance.height();
  if (w > 2 && h > 2) {
    collectSeeds(distance.pointToOffset(), distance.rowUpdate(), w, h, threshold, 0, 0, found);
  } else if (w > 0 && h > 0) {
    // Too small for inner pixels: search a copy framed by one pixel of zeros.
    const long pw = w + 2, ph = h + 2;
    std::vector<unsigned char> padded(std::size_t(pw * ph), 0);
    for (long y = 0; y < h; ++y)
      std::memcpy(&padded[std::size_t((y + 1) * pw + 1)], distance.pointToRow(y), std::size_t(w));
    collectSeeds(padded.data(), pw, pw, ph, threshold, -1, -1, found);
  }
  // Highest value first; among equal values the one found last first.
  std::stable_sort(found.begin(), found.end(),
                   [](const vc_SeedInfo& a, const vc_SeedInfo& b) { return a.value < b.value; });
  std::reverse(found.begin(), found.end());
  seeds.swap(found);
}

}  // namespace vc_skeleton
