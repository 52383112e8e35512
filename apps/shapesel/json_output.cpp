#include "apps/shapesel/json_output.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

double vfJsonNumber(double v) {
  if (!std::isfinite(v) || v == 0.0) return v == 0.0 ? 0.0 : v;  // no "-0"
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", v);
  return std::strtod(text, nullptr);
}

nlohmann::ordered_json vfJsonPoint(const vcVector<2>& p) {
  return nlohmann::ordered_json::array({vfJsonNumber(p.x()), vfJsonNumber(p.y())});
}

std::string vfJsonText(const nlohmann::ordered_json& doc) {
  return doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
}

void vfWriteJson(const std::string& path, const nlohmann::ordered_json& doc) {
  // The text first, so that nothing is written when it cannot be made.
  const std::string text = vfJsonText(doc);
  const auto fail = [&](int error) {
    return std::runtime_error("cannot write \"" + path + "\" (" + std::strerror(error) + ")");
  };
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw fail(errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int writeError = errno;
  if (std::fclose(file) != 0 || !written) throw fail(written ? errno : writeError);
}
