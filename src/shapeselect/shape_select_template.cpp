#include "tavshsl/shape_select_template.h"

vcShapeSelectTemplate::~vcShapeSelectTemplate() = default;

vcShapeSelectTemplateXform::vcShapeSelectTemplateXform(
    const vc2XformLinear& xformLinear, const std::vector<double>& strokeWidthFactors)
    : xformLinear_(xformLinear) {
  this->strokeWidthFactors(strokeWidthFactors);
}

void vcShapeSelectTemplateXform::strokeWidthFactors(const std::vector<double>& factors) {
  for (const double f : factors)
    if (!(f > 0.0)) throw vcShapeSelectDefs::BadParams(L"Stroke width must be > 0");
  strokeWidthFactors_ = factors;
}
