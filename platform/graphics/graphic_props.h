#pragma once
// How a graphic is stroked: colour, line width and pen style.
//
//   vcGraphicProps props(vcColor::cyan());   // width 1, solid
//   props.width(3);                           // thicker outline
//   list.append(makeGraphic<vcGraphicSimple<vcLineSeg>>(seg, props));
// A plain value with a getter and a setter of the same name per property.

#include "platform/graphics/color.h"

class vcGraphicProps {
 public:
  // How the outline is dashed.
  enum vePenStyle : long { eSolid = 0, eDash = 1, eDot = 2 };

  // White, width 1, solid.
  vcGraphicProps() = default;
  // `color`, width 1, solid.
  explicit vcGraphicProps(const vcColor& color) : color_(color) {}
  // Requires width >= 1 (display pixels); throws vcBadParamsError otherwise.
  vcGraphicProps(const vcColor& color, long width, vePenStyle penStyle = eSolid);

  const vcColor& color() const { return color_; }
  void color(const vcColor& c) { color_ = c; }

  // Line width in display pixels, whatever the coordinate system of the
  // geometry. Requires width >= 1; throws vcBadParamsError otherwise.
  long width() const { return width_; }
  void width(long w);

  // Requires one of the enumerated styles; throws vcBadParamsError otherwise.
  vePenStyle penStyle() const { return penStyle_; }
  void penStyle(vePenStyle s);

  bool operator==(const vcGraphicProps&) const = default;

 private:
  vcColor color_ = vcColor::white();
  long width_ = 1;
  vePenStyle penStyle_ = eSolid;
};
