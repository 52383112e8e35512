// Small images and map readers shared by the edge tool tests.

#pragma once

#include <cstdint>
#include <vector>

#include "scenes/canvas.h"
#include "tavshsl/edgelet_map.h"

namespace edgetest {

// A w x h image, dark above row `at` (left of column `at` when vertical), light from it on.
inline vcPelBuffer<unsigned char> step(long w, long h, long at, bool vertical,
                                       unsigned char dark = 50, unsigned char light = 200) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, (vertical ? x : y) < at ? dark : light);
  return image;
}

struct Disc {
  vcVector<2> center;
  double radius;
  double grey;
};

// Discs on a flat background, blurred by 1 and with noise of 2 grey levels from `seed`.
inline vcPelBuffer<unsigned char> discs(long w, long h, const std::vector<Disc>& list,
                                        double background = 40.0, std::uint32_t seed = 11) {
  vcSceneCanvas canvas(w, h, background);
  for (const Disc& d : list) canvas.drawDisc(d.center, d.radius, d.grey);
  canvas.blur(1.0);
  vcSceneRandom random(seed);
  canvas.addNoise(2.0, random);
  return canvas.image();
}

// The cells of a map row by row, with `frame` cells more on every side.
inline std::vector<std::int32_t> cells(const vcEdgeletMap& map, long frame = 0) {
  std::vector<std::int32_t> out;
  for (long y = -frame; y < map.height() + frame; ++y)
    for (long x = -frame; x < map.width() + frame; ++x) out.push_back(*map.pointToPel(x, y));
  return out;
}

// The k-th edgelet of a chain or line result.
template <class Set, class Result>
const vcEdgelet& edgeletOf(const Set& set, const Result& r, long k) {
  return set.edges()[std::size_t(r.edgeletIndexes()[k])];
}

}  // namespace edgetest
