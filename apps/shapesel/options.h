#pragma once
// Option values of the command line that CLI11 does not check by itself:
// finite numbers in a range, and pairs written as "A:B", "X,Y" or "WxH".
//
//   sub.add_option("--distance-tol", tol)->check(vfFiniteIn(0.0, 1e6));
//   sub.add_option("--size", size)->check(vfPairCheck('x', "WIDTHxHEIGHT"));
//   vfParsePair("640x480", 'x', w, h);
// A failed check makes CLI11 refuse the option with a message naming it.

#include <string>

#include <CLI/CLI.hpp>

// Accepts finite numbers in [lo, hi] (NaN and infinities refused).
CLI::Validator vfFiniteIn(double lo, double hi);

// Accepts text "A<sep>B" with A and B finite numbers; `what` names the form
// in messages.
CLI::Validator vfPairCheck(char sep, const std::string& what);

// Accepts text "A<sep>B" with A and B finite numbers, 0 < A <= B; `what`
// names the form in messages.
CLI::Validator vfPositiveRangeCheck(char sep, const std::string& what);

// Reads "A<sep>B" into a and b. Returns false, leaving a and b unchanged,
// unless both are finite numbers and nothing else follows.
bool vfParsePair(const std::string& text, char sep, double& a, double& b);
