#include "apps/shapesel/json_output.h"

#include <cmath>
#include <fstream>
#include <stdexcept>

double vfJsonNumber(double v) {
  const double r = std::round(v * 1e6) / 1e6;
  if (!std::isfinite(r)) return v;  // too large to round: keep as it is
  return r == 0.0 ? 0.0 : r;        // no "-0"
}

nlohmann::ordered_json vfJsonPoint(const vcVector<2>& p) {
  return nlohmann::ordered_json::array({vfJsonNumber(p.x()), vfJsonNumber(p.y())});
}

void vfWriteJson(const std::string& path, const nlohmann::ordered_json& doc) {
  std::ofstream file(path, std::ios::binary);
  file << doc.dump(2) << '\n';
  file.close();
  if (!file) throw std::runtime_error("cannot write \"" + path + "\"");
}
