#pragma once

// Placing non-overlapping shapes at random in a scene: each shape is a disc of reach about
// its centre, kept a gap away from the border and from every shape placed before it.
//
//   vcScenePlacement places(width, height, gap);
//   vcVector<2> centre;
//   if (places.find(random, extent, centre)) draw(centre);   // else try another shape

#include <vector>

#include "platform/base/vector.h"
#include "scenes/random.h"

class vcScenePlacement {
 public:
  vcScenePlacement(double width, double height, double gap)
      : width_(width), height_(height), gap_(gap) {}

  // Draws a centre for a shape reaching extent pixels from it; true and the place taken when
  // it is clear of the border and of every shape placed so far, false when this try collides
  // or the shape cannot fit.
  bool find(vcSceneRandom& random, double extent, vcVector<2>& center) {
    const double reach = extent + gap_;
    if (2.0 * reach > width_ || 2.0 * reach > height_) return false;
    center =
        vcVector<2>(random.uniform(reach, width_ - reach), random.uniform(reach, height_ - reach));
    for (const Taken& t : taken_)
      if (center.distance(t.center) < t.extent + reach) return false;
    taken_.push_back({center, extent});
    return true;
  }

 private:
  struct Taken {
    vcVector<2> center;
    double extent;
  };
  double width_, height_, gap_;
  std::vector<Taken> taken_;
};
