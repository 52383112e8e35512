#pragma once

// vcPolygon: a list of points to be drawn as an outline, open or closed (closed by default).
// It is a polyline kept for drawing; the graphics draw it side by side.
//
//   vcPolygon outline({{0, 0}, {10, 0}, {5, 8}});
//   tablet.draw(outline, vcColor::red(), layer);

#include <utility>
#include <vector>

#include "platform/base/polyline.h"
#include "platform/base/vector.h"

class vcPolygon : public vcPolyline {
 public:
  vcPolygon() : vcPolyline({}, true) {}
  explicit vcPolygon(std::vector<vcVector<2>> points, bool closed = true)
      : vcPolyline(std::move(points), closed) {}
};
