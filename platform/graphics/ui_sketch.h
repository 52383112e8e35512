#pragma once
// vcUISketch: a recorded drawing made of pixels, circles and polygons, each
// with a colour and a layer. A vcUITablet draws into it; a renderer reads
// items() back in drawing order, lower layers underneath higher ones.
//
//   vcUISketch sketch;
//   vcUITablet tablet(sketch);
//   tablet.drawPixel(p, vcColor::green());
//   record.sketch(sketch, vcDiagRecord::eClientCoords, L"Edgelets");
//   for (const vcUISketchItem& item : sketch.items())
//     std::visit([&](const auto& it) { paint(it); }, item);
// A sketch is a plain value: copies are independent.

#include <variant>
#include <vector>

#include "platform/base/circle.h"
#include "platform/base/polygon.h"
#include "platform/base/vector.h"
#include "platform/graphics/color.h"

// One pixel-sized mark at `position`.
struct vsSketchPixel {
  vcVector<2> position;
  vcColor color;
  long layer = 0;
};

// A circle outline.
struct vsSketchCircle {
  vcCircle circle;
  vcColor color;
  long layer = 0;
};

// A polygon outline, open or closed as the polygon says.
struct vsSketchPolygon {
  vcPolygon polygon;
  vcColor color;
  long layer = 0;
};

using vcUISketchItem = std::variant<vsSketchPixel, vsSketchCircle, vsSketchPolygon>;

class vcUISketch {
 public:
  // Everything drawn so far, in drawing order.
  const std::vector<vcUISketchItem>& items() const { return items_; }
  long size() const { return static_cast<long>(items_.size()); }
  bool empty() const { return items_.empty(); }

 private:
  friend class vcUITablet;
  std::vector<vcUISketchItem> items_;
};
