#pragma once
// vcUITablet: the pen that draws into a vcUISketch.
//
//   vcUISketch sketch;
//   vcUITablet tablet(sketch);
//   tablet.draw(vcPolygon(points, false), vcColor::red(), 0);   // an open polyline
//   tablet.drawCircle(circle, vcColor::green());
//   tablet.drawPixel(p, vcColor::green());
// Coordinates are those of the sketch's later recording (image or client
// coordinates); the tablet only stores them. Layers order the drawing: a
// renderer paints lower layers first, and items of one layer in drawing
// order. The tablet keeps a reference to its sketch, which must outlive it.
// Every draw checks its input first and leaves the sketch unchanged when it
// throws.

#include "platform/base/circle.h"
#include "platform/base/polygon.h"
#include "platform/base/vector.h"
#include "platform/graphics/color.h"
#include "platform/graphics/ui_sketch.h"

class vcUITablet {
 public:
  explicit vcUITablet(vcUISketch& sketch) : sketch_(sketch) {}

  // The outline of `polygon` (closed or open as it says). Throws
  // vcBadParamsError for a polygon without vertices or with a non-finite one.
  void draw(const vcPolygon& polygon, const vcColor& color, long layer = 0);
  // The outline of `circle` (vcCircle itself refuses bad radii and centres).
  void drawCircle(const vcCircle& circle, const vcColor& color, long layer = 0);
  // One pixel-sized mark centred on `position`. Throws vcBadParamsError for
  // a non-finite position.
  void drawPixel(const vcVector<2>& position, const vcColor& color, long layer = 0);

 private:
  vcUISketch& sketch_;
};
