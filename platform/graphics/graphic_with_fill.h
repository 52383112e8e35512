#pragma once
// vcGraphicWithFill<vcCircle, vcEllipse2>: a circle outline, optionally
// filled. The fill is given as an ellipse because a circle in client
// coordinates becomes an ellipse on the display when the image's
// client-from-image transform has aspect or shear; a renderer fills
// fillShape() mapped into display coordinates.
//
//   list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(circle, vcGraphicProps(vcColor::cyan())));
//   list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(circle, props, vcColor::yellow()));

#include <optional>

#include "platform/base/circle.h"
#include "platform/graphics/graphic.h"
#include "platform/graphics/graphic_props.h"

template <>
class vcGraphicWithFill<vcCircle, vcEllipse2> : public vcGraphic {
 public:
  // The outline of `circle` drawn with `props`, not filled.
  vcGraphicWithFill(const vcCircle& circle, const vcGraphicProps& props)
      : circle_(circle), props_(props) {}
  // The outline drawn with `props` and the inside filled with `fill`.
  vcGraphicWithFill(const vcCircle& circle, const vcGraphicProps& props, const vcColor& fill)
      : circle_(circle), props_(props), fill_(fill) {}

  const vcCircle& shape() const { return circle_; }
  const vcGraphicProps& props() const { return props_; }
  // The fill colour; empty for an outline only.
  const std::optional<vcColor>& fill() const { return fill_; }
  // The region to fill, in the same coordinates as shape().
  vcEllipse2 fillShape() const { return vcEllipse2(circle_); }

  void accept(vcGraphicVisitor& v) const override { v.visit(*this); }

 private:
  vcCircle circle_;
  vcGraphicProps props_;
  std::optional<vcColor> fill_;
};
