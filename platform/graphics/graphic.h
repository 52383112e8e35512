#pragma once
// The graphic objects of a graphic list, and the visitor that reads them.
//
// A graphic is an immutable, shared drawing item: a line segment, a polyline
// or polygon, a point, a circle with optional fill, or a text. It keeps
// everything needed to draw it later (geometry, colour, line width, fill,
// text). Graphics are created once and shared by the lists that hold them
// (vcPtrHandle_const<vcGraphic>); since none of them can be changed after
// construction, sharing is safe.
//
// Reading a list back: derive from vcGraphicVisitor, override one visit()
// per kind, and call list.accept(visitor) (or graphic.accept(visitor)).
//   struct Painter : vcGraphicVisitor {
//     void visit(const vcGraphicSimple<vcLineSeg>& g) override { line(g.shape(), g.props()); }
//     ...
//   };

#include "platform/base/handle.h"

class vcLineSeg;
class vcPolygon;
class vcPoint;
class vcCircle;
class vcEllipse2;
class vcGraphicText;
template <class Shape>
class vcGraphicSimple;
template <class Shape, class FillShape>
class vcGraphicWithFill;

// One visit() per kind of graphic; a list calls them in drawing order.
class vcGraphicVisitor {
 public:
  virtual ~vcGraphicVisitor() = default;
  virtual void visit(const vcGraphicSimple<vcLineSeg>& g) = 0;
  virtual void visit(const vcGraphicSimple<vcPolygon>& g) = 0;
  virtual void visit(const vcGraphicSimple<vcPoint>& g) = 0;
  virtual void visit(const vcGraphicWithFill<vcCircle, vcEllipse2>& g) = 0;
  virtual void visit(const vcGraphicText& g) = 0;
};

// Base of every graphic.
class vcGraphic : public vcRepBase {
 public:
  // Calls the visit() of `v` that matches this graphic's kind.
  virtual void accept(vcGraphicVisitor& v) const = 0;

 protected:
  vcGraphic() = default;
};
