#include "apps/shapesel/options.h"

#include <cmath>
#include <cstdlib>

namespace {

// The whole of text as a finite number.
bool finiteNumber(const std::string& text, double& v) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return false;
  char* end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(parsed)) return false;
  v = parsed;
  return true;
}

std::string show(double v) {
  std::ostringstream os;
  os << v;
  return os.str();
}

}  // namespace

CLI::Validator vfFiniteIn(double lo, double hi) {
  return CLI::Validator(
      [lo, hi](std::string& text) -> std::string {
        double v = 0.0;
        if (!finiteNumber(text, v) || v < lo || v > hi)
          return "value " + text + " is not a number in [" + show(lo) + ", " + show(hi) + "]";
        return "";
      },
      "[" + show(lo) + ", " + show(hi) + "]");
}

CLI::Validator vfPairCheck(char sep, const std::string& what) {
  return CLI::Validator(
      [sep, what](std::string& text) -> std::string {
        double a = 0.0, b = 0.0;
        if (!vfParsePair(text, sep, a, b)) return "value " + text + " is not of the form " + what;
        return "";
      },
      what);
}

CLI::Validator vfPositiveRangeCheck(char sep, const std::string& what) {
  return CLI::Validator(
      [sep, what](std::string& text) -> std::string {
        double a = 0.0, b = 0.0;
        if (!vfParsePair(text, sep, a, b) || !(a > 0.0 && a <= b))
          return "value " + text + " is not of the form " + what + " with 0 < " +
                 what.substr(0, what.find(sep)) + " <= " + what.substr(what.find(sep) + 1);
        return "";
      },
      what);
}

bool vfParsePair(const std::string& text, char sep, double& a, double& b) {
  const std::size_t at = text.find(sep);
  if (at == std::string::npos) return false;
  double x = 0.0, y = 0.0;
  if (!finiteNumber(text.substr(0, at), x) || !finiteNumber(text.substr(at + 1), y)) return false;
  a = x;
  b = y;
  return true;
}
