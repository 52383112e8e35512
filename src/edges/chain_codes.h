#pragma once

// Constant tables of 8-bit direction codes shared by the chain tracker and the line tracker.
// All of them are built at compile time, so they are ready before any code runs and are only
// read afterwards.
//
//   std::uint8_t d = vc_tracker_detail::kTangentDir[code];       // neighbour 0..7
//   if (vc_tracker_detail::codeAbsDiff(a, b) <= tol) ...         // circular distance 0..128
//   const vc_tracker_detail::CandidateSteps& s = vc_tracker_detail::kCandidates[d];
//
// Codes: 256 per turn, 0 along +x, 64 along +y. Neighbour directions: 0 = (+1, 0),
// 1 = (+1, +1), 2 = (0, +1), 3 = (-1, +1), 4 = (-1, 0), 5 = (-1, -1), 6 = (0, -1), 7 = (+1, -1).

#include <array>
#include <cmath>
#include <cstdint>

namespace vc_tracker_detail {

// The neighbour direction nearest to the tangent of gradient code a (a + 90 degrees):
// ((a + 80) / 32) mod 8.
inline constexpr std::array<std::uint8_t, 256> kTangentDir = [] {
  std::array<std::uint8_t, 256> t{};
  for (int a = 0; a < 256; ++a) t[a] = std::uint8_t(((a + 80) / 32) % 8);
  return t;
}();

// Circular distance of two codes, by their difference modulo 256: min(d, 256 - d). Indexing by
// the difference gives the same values as a full 256 x 256 table in 1/256 of the space.
inline constexpr std::array<std::uint8_t, 256> kAbsDiffOfDelta = [] {
  std::array<std::uint8_t, 256> t{};
  for (int d = 0; d < 256; ++d) t[d] = std::uint8_t(d < 128 ? d : 256 - d);
  return t;
}();

// Circular distance of codes a and b, 0 to 128.
inline std::uint8_t codeAbsDiff(std::uint8_t a, std::uint8_t b) {
  return kAbsDiffOfDelta[std::uint8_t(a - b)];
}

// a - b reduced modulo 256 into -128 .. 127.
inline int codeSignedDiff(std::uint8_t a, std::uint8_t b) {
  return int(std::int8_t(std::uint8_t(a - b)));
}

// Turn table [current direction d][tangent direction e]: follow e when it is within 45 degrees
// of d, turn by 45 degrees towards the undirected tangent when it points backwards (d + 3,
// d + 5), keep d when the tangent is square to it or opposite.
inline constexpr std::array<std::array<std::uint8_t, 8>, 8> kTurn = [] {
  std::array<std::array<std::uint8_t, 8>, 8> t{};
  for (int d = 0; d < 8; ++d)
    for (int e = 0; e < 8; ++e) {
      const int rel = (e - d + 8) % 8;
      int out = d;
      if (rel == 7 || rel == 0 || rel == 1) out = e;
      else if (rel == 3) out = d + 7;
      else if (rel == 5) out = d + 1;
      t[d][e] = std::uint8_t(out % 8);
    }
  return t;
}();

// The neighbours a chain may step to from direction d, in the order they are tried, as offsets
// from the current cell. Axis directions try straight ahead, the two side neighbours and the
// two forward diagonals; diagonal directions the two axis neighbours, then the diagonal.
struct CandidateSteps {
  int count;
  std::int8_t dx[5];
  std::int8_t dy[5];
};

inline constexpr CandidateSteps kCandidates[8] = {
    {5, {1, 0, 0, 1, 1}, {0, 1, -1, 1, -1}},      // 0: +x
    {3, {1, 0, 1, 0, 0}, {0, 1, 1, 0, 0}},        // 1: +x+y
    {5, {0, -1, 1, -1, 1}, {1, 0, 0, 1, 1}},      // 2: +y
    {3, {0, -1, -1, 0, 0}, {1, 0, 1, 0, 0}},      // 3: -x+y
    {5, {-1, 0, 0, -1, -1}, {0, -1, 1, -1, 1}},   // 4: -x
    {3, {-1, 0, -1, 0, 0}, {0, -1, -1, 0, 0}},    // 5: -x-y
    {5, {0, 1, -1, 1, -1}, {-1, 0, 0, -1, -1}},   // 6: -y
    {3, {0, 1, 1, 0, 0}, {-1, 0, -1, 0, 0}},      // 7: +x-y
};

// The neighbour step nearest to gradient code a, an exact 22.5 degree boundary going to the
// axis step: dx +1 for codes 0..47 and 209..255, 0 for 48..80 and 176..208, -1 for 81..175;
// dy +1 for 17..111, -1 for 145..239, 0 otherwise.
inline constexpr std::array<std::int8_t, 256> kProbeDx = [] {
  std::array<std::int8_t, 256> t{};
  for (int a = 0; a < 256; ++a)
    t[a] = std::int8_t((a <= 47 || a >= 209) ? 1 : ((a <= 80 || a >= 176) ? 0 : -1));
  return t;
}();
inline constexpr std::array<std::int8_t, 256> kProbeDy = [] {
  std::array<std::int8_t, 256> t{};
  for (int a = 0; a < 256; ++a)
    t[a] = std::int8_t((a >= 17 && a <= 111) ? 1 : ((a >= 145 && a <= 239) ? -1 : 0));
  return t;
}();

// An angle tolerance in degrees as a code, rounded: integer part of deg * 256 / 360 + 0.5
// (35 gives 25). Requires 0 <= degrees <= 180, which the callers check.
inline std::uint8_t roundedToleranceCode(double degrees) {
  return std::uint8_t(long(degrees * 256.0 / 360.0 + 0.5));
}

// An angle tolerance in degrees as a code, truncated: integer part of deg * 256 / 360 (35 gives
// 24). Requires 0 <= degrees <= 180.
inline std::uint8_t truncatedToleranceCode(double degrees) {
  return std::uint8_t(long(degrees * 256.0 / 360.0));
}

}  // namespace vc_tracker_detail
