#include "edges/pixel_probe.h"

#include <algorithm>
#include <cstdint>

#include "edges/chain_codes.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace vc_tracker_detail {

PelAverages probePels(const vcPelBuffer_const<unsigned char>& image,
                      const std::vector<vcEdgelet>& edges, const long* indexes, long count) {
  PelAverages out;
  if (count <= 0) return out;

  const long w = image.width(), h = image.height();
  const long ox = image.offset().x(), oy = image.offset().y();
  const long stride = image.rowUpdate();
  const unsigned char* origin = image.pointToOffset();
  const long numEdges = long(edges.size());

  // The pixels whose walks of 3 pixels both ways stay inside the image: x - 3 in
  // [0, innerW) and y - 3 in [0, innerH), as unsigned values.
  const unsigned long innerW = w > 6 ? static_cast<unsigned long>(w - 6) : 0;
  const unsigned long innerH = h > 6 ? static_cast<unsigned long>(h - 6) : 0;

  // Sums as integers: at most 255 per edgelet.
  std::int64_t darkSum = 0, lightSum = 0;
  for (long k = 0; k < count; ++k) {
    const long index = indexes[k];
    if (static_cast<unsigned long>(index) >= static_cast<unsigned long>(numEdges))
      throw vcBadParamsError(L"pixel probe: edgelet index " + vfStr(index) +
                             L" is not in [0, " + vfStr(numEdges) + L")");
    const vcEdgelet& e = edges[std::size_t(index)];
    const long x = long(e.get_i()) - ox, y = long(e.get_j()) - oy;
    const std::uint8_t code = e.angle().plain();
    const long step = kProbeDx[code] + kProbeDy[code] * stride;

    // Both walks of 3 pixels inside the image: no border checks needed.
    if (static_cast<unsigned long>(x - 3) < innerW && static_cast<unsigned long>(y - 3) < innerH) {
      const unsigned char* c = origin + y * stride + x;
      lightSum += std::max(std::max(c[0], c[step]), std::max(c[2 * step], c[3 * step]));
      darkSum += std::min(std::min(c[0], c[-step]), std::min(c[-2 * step], c[-3 * step]));
      continue;
    }
    if (x < 0 || x >= w || y < 0 || y >= h)
      throw vcBadParamsError(L"pixel probe: edgelet pixel (" + vfStr(e.get_i()) + L", " +
                             vfStr(e.get_j()) + L") lies outside the image");
    const long dx = kProbeDx[code], dy = kProbeDy[code];
    const unsigned char* centre = origin + y * stride + x;
    unsigned char lightest = *centre, darkest = *centre;

    // Along the gradient: the light side.
    const unsigned char* p = centre;
    for (long s = 1, cx = x + dx, cy = y + dy; s <= 3; ++s, cx += dx, cy += dy) {
      if (cx < 0 || cx >= w || cy < 0 || cy >= h) break;
      p += step;
      lightest = std::max(lightest, *p);
    }
    // Against the gradient: the dark side.
    p = centre;
    for (long s = 1, cx = x - dx, cy = y - dy; s <= 3; ++s, cx -= dx, cy -= dy) {
      if (cx < 0 || cx >= w || cy < 0 || cy >= h) break;
      p -= step;
      darkest = std::min(darkest, *p);
    }
    darkSum += darkest;
    lightSum += lightest;
  }
  out.dark = double(darkSum) / double(count);
  out.light = double(lightSum) / double(count);
  return out;
}

}  // namespace vc_tracker_detail
