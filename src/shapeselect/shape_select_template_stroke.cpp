#include "shape_select_stroke_outline.h"
#include "tavshsl/shape_select_template.h"

vcShapeSelectTemplateStroke::vcShapeSelectTemplateStroke(const std::vector<vcLineSeg>& skeleton,
                                                         const std::vector<double>& nominalWidths) {
  set(skeleton, nominalWidths);
}

void vcShapeSelectTemplateStroke::set(const std::vector<vcLineSeg>& skeleton,
                                      const std::vector<double>& nominalWidths) {
  outlineValid_ = false;
  if (skeleton.empty())
    throw vcShapeSelectDefs::BadParams(L"Skeletal segment list cannot be empty");
  if (nominalWidths.size() != skeleton.size())
    throw vcShapeSelectDefs::BadParams(
        L"nominal stroke width count must match skeletal segment count");
  for (const double w : nominalWidths)
    if (!(w > 0.0)) throw vcShapeSelectDefs::BadParams(L"Stroke widths must be > 0");
  // A zero-length stroke has no direction to widen it across.
  for (const vcLineSeg& s : skeleton)
    if (s.p1() == s.p2())
      throw vcShapeSelectDefs::BadParams(L"Skeletal segments must have non-zero length");

  skeleton_ = skeleton;
  widths_ = nominalWidths;
}

const std::vector<vcLineSeg>& vcShapeSelectTemplateStroke::boundarySegments() const {
  if (!outlineValid_) {
    outline_ = vfTraceStrokeOutline(skeleton_, widths_);
    outlineValid_ = true;
  }
  return outline_;
}

long vcShapeSelectTemplateStroke::numBoundarySegments() const {
  return static_cast<long>(boundarySegments().size());
}

vcPtrHandle<vcShapeSelectTemplate> vcShapeSelectTemplateStroke::map(
    const vcShapeSelectTemplateXform& pose) const {
  const std::vector<double>& factors = pose.strokeWidthFactors();
  if (factors.size() != skeleton_.size())
    throw vcShapeSelectDefs::BadParams(
        L"Transform stroke count differs from template stroke count");

  const vcXform<2>& xform = pose.xformLinear().xform();
  const double scale = xform.scale();
  std::vector<vcLineSeg> skeleton;
  std::vector<double> widths;
  skeleton.reserve(skeleton_.size());
  widths.reserve(skeleton_.size());
  for (std::size_t i = 0; i < skeleton_.size(); ++i) {
    skeleton.push_back(skeleton_[i].map(xform));
    widths.push_back(widths_[i] * scale * factors[i]);
  }
  return vcPtrHandle<vcShapeSelectTemplate>(new vcShapeSelectTemplateStroke(skeleton, widths));
}
