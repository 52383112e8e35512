#include "scenes/random.h"

#include <cmath>

#include "scenes/check.h"

vcSceneRandom::vcSceneRandom(std::uint32_t seed) : engine_(seed) {}

double vcSceneRandom::uniform() {
  // 27 + 26 bits from two words, as in the reference generator's 53-bit real.
  const std::uint32_t a = static_cast<std::uint32_t>(engine_()) >> 5;
  const std::uint32_t b = static_cast<std::uint32_t>(engine_()) >> 6;
  return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

double vcSceneRandom::uniform(double low, double high) {
  if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high))
    vfSceneRefuse(L"vcSceneRandom::uniform", L"requires finite low <= high, got " +
                                                 vfSceneText(low) + L" and " + vfSceneText(high));
  return low + (high - low) * uniform();
}

long vcSceneRandom::integer(long low, long high) {
  // Spans up to 2^32 values; the product below is then exact in a double.
  if (low > high || static_cast<double>(high) - static_cast<double>(low) >= 4294967296.0)
    vfSceneRefuse(L"vcSceneRandom::integer", L"requires low <= high and a span below 2^32, got " +
                                                 vfSceneText(static_cast<double>(low)) + L" and " +
                                                 vfSceneText(static_cast<double>(high)));
  const double span = static_cast<double>(high) - static_cast<double>(low) + 1.0;
  return low + static_cast<long>(std::floor(uniform() * span));
}

double vcSceneRandom::normal() {
  if (haveSpare_) {
    haveSpare_ = false;
    return spare_;
  }
  // The polar form of Box-Muller: a point drawn uniformly in the unit disc gives two
  // independent normal variates with one logarithm and one square root, no sine or cosine.
  // 32-bit coordinates are plenty for noise and cost one engine word each.
  double u, v, s;
  do {
    u = (static_cast<std::uint32_t>(engine_()) + 0.5) * (2.0 / 4294967296.0) - 1.0;
    v = (static_cast<std::uint32_t>(engine_()) + 0.5) * (2.0 / 4294967296.0) - 1.0;
    s = u * u + v * v;
  } while (s >= 1.0);
  const double f = std::sqrt(-2.0 * std::log(s) / s);
  spare_ = v * f;
  haveSpare_ = true;
  return u * f;
}
