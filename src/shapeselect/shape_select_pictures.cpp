#include "shapeselect/shape_select_pictures.h"

#include "platform/base/circle.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_with_fill.h"

namespace vc_shapeselect {

vcGraphicList templatePicture(const vcShapeSelectTemplate& tmpl, const vcGraphicProps& props) {
  vcGraphicList list;
  if (tmpl.modelType() == vcShapeSelectDefs::eCircle) {
    const auto& circle = static_cast<const vcShapeSelectTemplateCircle&>(tmpl);
    list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(
        vcCircle(circle.center(), circle.nominalRadius()), props));
  }
  for (const vcLineSeg& side : tmpl.boundarySegments())
    list.append(vcGraphicSimple<vcLineSeg>(side, props));
  return list;
}

}  // namespace vc_shapeselect
