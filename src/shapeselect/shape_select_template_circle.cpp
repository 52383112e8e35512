#include "tavshsl/shape_select_template.h"

vcShapeSelectTemplateCircle::vcShapeSelectTemplateCircle(double nominalRadius,
                                                         const vcVector<2>& center) {
  this->nominalRadius(nominalRadius);
  this->center(center);
}

void vcShapeSelectTemplateCircle::nominalRadius(double radius) {
  if (!(radius > 0.0)) throw vcShapeSelectDefs::BadParams(L"Radius must be greater than 0");
  nominalRadius_ = radius;
}

vcPtrHandle<vcShapeSelectTemplate> vcShapeSelectTemplateCircle::map(
    const vcShapeSelectTemplateXform& pose) const {
  const vc2XformLinear& xform = pose.xformLinear();
  return vcPtrHandle<vcShapeSelectTemplate>(
      new vcShapeSelectTemplateCircle(nominalRadius_ * xform.scale(), xform.mapPoint(center_)));
}
