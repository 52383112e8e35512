// Running a computation on the portable and on the vectorised paths, and the images that put
// both through their paces: noise, photograph-like texture and the sizes around lane widths.

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/cpu/simd.h"
#include "scenes/canvas.h"
#include "scenes/random.h"

namespace vectortest {

// f() run with every vectorised step capped at its portable path, then with the best path the
// processor has; the cap is restored whatever happens.
template <class F>
auto bothPaths(F f) {
  struct Restore {
    vcSimdLevel cap;
    ~Restore() { vfSetSimdCap(cap); }
  } restore{vfSetSimdCap(vcSimdLevel::portable)};
  EXPECT_EQ(vfSimdLevel(), vcSimdLevel::portable);
  auto portable = f();
  vfSetSimdCap(vcSimdLevel::avx2);
  auto vectorised = f();
  return std::pair(std::move(portable), std::move(vectorised));
}

// "" when a and b are equal, else where they first differ.
template <class T>
std::string difference(const std::vector<T>& a, const std::vector<T>& b) {
  if (a == b) return "";
  const auto first = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  return std::to_string(a.size()) + " vs " + std::to_string(b.size()) +
         " values, first difference at " + std::to_string(first);
}

// Whether this processor has only the portable path, so that there is nothing to compare.
inline bool portableOnly() { return vfSimdSupported() == vcSimdLevel::portable; }

struct NamedImage {
  std::string name;
  vcPelBuffer<unsigned char> image;
};

// An image whose pixel (x, y) is f(x, y).
template <class F>
vcPelBuffer<unsigned char> drawn(long w, long h, F f) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, (unsigned char)f(x, y));
  return image;
}

// Grey levels uniform in [mid - spread, mid + spread].
inline vcPelBuffer<unsigned char> noise(long w, long h, std::uint32_t seed, int mid = 128,
                                        int spread = 128) {
  vcSceneRandom random(seed);
  return drawn(w, h, [&](long, long) {
    return std::clamp<long>(random.integer(mid - spread, mid + spread), 0, 255);
  });
}

// Something like a photograph: shaded objects with soft and sharp rims over texture of every
// scale (value noise, amplitude growing with scale), sensor noise, and clipped highlights.
inline vcPelBuffer<unsigned char> photoLike(long w, long h, std::uint32_t seed) {
  vcSceneRandom random(seed);
  vcSceneCanvas canvas(w, h, 60.0);
  for (int k = 0; k < 6; ++k) {
    const vcVector<2> c(random.uniform(0.0, double(w)), random.uniform(0.0, double(h)));
    canvas.drawDisc(c, random.uniform(3.0, 0.3 * double(std::min(w, h))),
                    random.uniform(0.0, 120.0));
    const vcVector<2> p(random.uniform(0.0, double(w)), random.uniform(0.0, double(h)));
    canvas.drawHalfPlane(p, vcVector<2>(random.uniform(-1.0, 1.0), random.uniform(-1.0, 1.0)),
                         random.uniform(40.0, 80.0));
  }
  canvas.blur(random.uniform(0.3, 1.5));
  const vcPelBuffer<unsigned char> shapes = canvas.image();
  std::vector<double> texture(std::size_t(w * h), 0.0);
  for (long scale = 2; scale <= 64; scale *= 2) {
    const long gw = w / scale + 2, gh = h / scale + 2;
    std::vector<double> grid(std::size_t(gw * gh));
    for (double& v : grid) v = random.uniform(-1.0, 1.0) * 6.0 * std::pow(double(scale), 0.6);
    for (long y = 0; y < h; ++y)
      for (long x = 0; x < w; ++x) {
        const double u = double(x) / double(scale), v = double(y) / double(scale);
        const long i = long(u), j = long(v);
        const double a = u - double(i), b = v - double(j);
        const auto at = [&](long di, long dj) { return grid[std::size_t((j + dj) * gw + i + di)]; };
        texture[std::size_t(y * w + x)] += (1 - b) * ((1 - a) * at(0, 0) + a * at(1, 0)) +
                                           b * ((1 - a) * at(0, 1) + a * at(1, 1));
      }
  }
  return drawn(w, h, [&](long x, long y) {
    const double v = 110.0 + 1.6 * (double(shapes.get(x, y)) - 60.0) + texture[std::size_t(y * w + x)] +
                     3.0 * random.normal();
    return std::clamp(std::lround(v), 0L, 255L);
  });
}

// Noise, photograph-like images and the edge cases of the vectorised steps: widths around
// their lane counts (8, 32 and 64 columns), one pixel wide or high, flat, saturated and
// alternating images, and a window whose rows are longer than it and whose offset is not 0.
inline std::vector<NamedImage> vectorPathImages() {
  std::vector<NamedImage> images;
  images.push_back({"noise 203x151", noise(203, 151, 1)});
  images.push_back({"faint noise 130x70", noise(130, 70, 2, 128, 4)});
  images.push_back({"photograph-like 320x240", photoLike(320, 240, 3)});
  images.push_back({"photograph-like 97x61", photoLike(97, 61, 4)});
  for (long w : {1L, 2L, 7L, 8L, 9L, 31L, 32L, 33L, 63L, 64L, 65L, 129L})
    images.push_back({"noise width " + std::to_string(w), noise(w, 6, std::uint32_t(w))});
  images.push_back({"1x1", noise(1, 1, 5)});
  images.push_back({"one row", noise(77, 1, 6)});
  images.push_back({"flat", drawn(70, 9, [](long, long) { return 77; })});
  images.push_back({"white", drawn(40, 9, [](long, long) { return 255; })});
  images.push_back({"checkerboard", drawn(67, 19, [](long x, long y) {
                      return (x + y) % 2 ? 255 : 0;
                    })});
  images.push_back({"stripes", drawn(131, 12, [](long x, long) { return x % 3 ? 0 : 255; })});
  images.push_back({"diagonals", drawn(90, 40, [](long x, long y) {
                      return (x + 2 * y) % 7 < 3 ? 200 : 20;
                    })});
  vcPelBuffer<unsigned char> root = photoLike(150, 90, 7);
  vcPelBuffer<unsigned char> window = root.window(13, 5, 101, 71);
  window.offset(300, 1000);
  images.push_back({"offset window", window});
  return images;
}

}  // namespace vectortest
