#pragma once

// Reproducible random numbers for synthetic scenes.
//
// std::mt19937 is fully specified by the C++ standard, but the standard distributions are not:
// two standard libraries may turn the same engine output into different doubles. This class
// therefore draws raw 32-bit words from std::mt19937 and makes its own uniform and normal
// variates, so that a seed gives the same scene with every compiler and library.
//
//   vcSceneRandom random(42);
//   double angle = random.uniform(0.0, 6.283185307179586);
//   double noise = 2.0 * random.normal();

#include <cstdint>
#include <random>

class vcSceneRandom {
 public:
  // A generator seeded with seed; equal seeds give equal sequences.
  explicit vcSceneRandom(std::uint32_t seed);

  // A double uniform in [0, 1), with 53 random bits.
  double uniform();

  // A double uniform in [low, high).
  // Requires: low <= high, both finite. Throws: vcBadParamsError otherwise.
  double uniform(double low, double high);

  // An integer uniform in [low, high], both ends included.
  // Requires: low <= high. Throws: vcBadParamsError otherwise.
  long integer(long low, long high);

  // A standard normal variate (mean 0, standard deviation 1), by the polar form of the
  // Box-Muller transform; each accepted pair of uniforms gives two variates, the second kept
  // for the next call. Uses only the logarithm and the square root of the maths library.
  double normal();

 private:
  std::mt19937 engine_;
  double spare_ = 0.0;
  bool haveSpare_ = false;
};
