#include "platform/graphics/drawable_check.h"

#include <cmath>
#include <string>

#include "platform/base/exception.h"

void vfCheckDrawable(const vcVector<2>& p, const wchar_t* caller) {
  if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
    throw vcBadParamsError(std::wstring(caller) + L": coordinates must be finite numbers");
}

void vfCheckDrawable(const vcLineSeg& s, const wchar_t* caller) {
  vfCheckDrawable(s.p1(), caller);
  vfCheckDrawable(s.p2(), caller);
}

void vfCheckDrawable(const vcPolygon& poly, const wchar_t* caller) {
  if (poly.numVertices() < 1)
    throw vcBadParamsError(std::wstring(caller) + L": a polygon needs at least 1 vertex, got 0");
  for (const vcVector<2>& v : poly.vertices()) vfCheckDrawable(v, caller);
}
