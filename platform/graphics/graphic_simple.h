#pragma once
// vcGraphicSimple<Shape>: one shape stroked with graphic properties.
// Shape is vcLineSeg (a segment), vcPolygon (a polyline or closed polygon,
// see vcPolygon::isClosed) or vcPoint (a point marker).
//
//   list.append(vcGraphicSimple<vcLineSeg>(seg, vcColor::green()));
//   list.append(vcGraphicSimple<vcLineSeg>(seg, vcGraphicProps(vcColor::red(), 3)));

#include "platform/graphics/drawable_check.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/graphic_props.h"

template <class Shape>
class vcGraphicSimple : public vcGraphic {
 public:
  // `shape` in `color`, width 1, solid. Throws vcBadParamsError for a shape
  // with a non-finite coordinate or a polygon without vertices.
  vcGraphicSimple(const Shape& shape, const vcColor& color)
      : vcGraphicSimple(shape, vcGraphicProps(color)) {}
  // `shape` drawn with `props`. Throws as above.
  vcGraphicSimple(const Shape& shape, const vcGraphicProps& props) : shape_(shape), props_(props) {
    vfCheckDrawable(shape_, L"vcGraphicSimple");
  }

  const Shape& shape() const { return shape_; }
  const vcGraphicProps& props() const { return props_; }

  void accept(vcGraphicVisitor& v) const override { v.visit(*this); }

 private:
  Shape shape_;
  vcGraphicProps props_;
};
