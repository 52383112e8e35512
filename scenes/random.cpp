#include "scenes/random.h"

#include <cmath>

#include "scenes/check.h"

vcSceneRandom::vcSceneRandom(std::uint32_t seed) : engine_(seed) {}

double vcSceneRandom::uniform()
{
    // 27 + 26 bits from two words, as in the reference generator's 53-bit real.
    const std::uint32_t a = static_cast<std::uint32_t>(engine_()) >> 5;
    const std::uint32_t b = static_cast<std::uint32_t>(engine_()) >> 6;
    return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

double vcSceneRandom::uniform(double low, double high)
{
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high))
        vfSceneRefuse(L"vcSceneRandom::uniform", L"requires finite low <= high, got " +
                                                     vfSceneText(low) + L" and " + vfSceneText(high));
    return low + (high - low) * uniform();
}

long vcSceneRandom::integer(long low, long high)
{
    // Spans up to 2^32 values; the product below is then exact in a double.
    if (low > high || static_cast<double>(high) - static_cast<double>(low) >= 4294967296.0)
        vfSceneRefuse(L"vcSceneRandom::integer",
                      L"requires low <= high and a span below 2^32, got " +
                          vfSceneText(static_cast<double>(low)) + L" and " +
                          vfSceneText(static_cast<double>(high)));
    const double span = static_cast<double>(high) - static_cast<double>(low) + 1.0;
    return low + static_cast<long>(std::floor(uniform() * span));
}

double vcSceneRandom::normal()
{
    if (haveSpare_) {
        haveSpare_ = false;
        return spare_;
    }
    // u1 in (0, 1] so that the logarithm is finite.
    const double u1 = 1.0 - uniform();
    const double u2 = uniform();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = 6.283185307179586 * u2;
    spare_ = radius * std::sin(angle);
    haveSpare_ = true;
    return radius * std::cos(angle);
}
