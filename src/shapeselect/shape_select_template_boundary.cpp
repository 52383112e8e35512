#include <cstddef>
#include <utility>

#include "tavshsl/shape_select_template.h"

vcShapeSelectTemplateBoundary::vcShapeSelectTemplateBoundary(const vcPolyline& poly) {
  boundaryPoly(poly);
}

void vcShapeSelectTemplateBoundary::boundaryPoly(const vcPolyline& poly) {
  if (poly.numVertices() < 1) throw vcShapeSelectDefs::BadParams(L"Boundary cannot be empty");
  if (!poly.isClosed()) throw vcShapeSelectDefs::BadParams(L"Boundary must be closed");

  // One side per vertex; the last one closes the polygon.
  const std::vector<vcVector<2>>& vertices = poly.vertices();
  std::vector<vcLineSeg> sides;
  sides.reserve(vertices.size());
  for (std::size_t k = 0; k < vertices.size(); ++k)
    sides.emplace_back(vertices[k], vertices[(k + 1) % vertices.size()]);

  boundaryPoly_ = poly;
  sides_ = std::move(sides);
}

vcPtrHandle<vcShapeSelectTemplate> vcShapeSelectTemplateBoundary::map(
    const vcShapeSelectTemplateXform& pose) const {
  return vcPtrHandle<vcShapeSelectTemplate>(
      new vcShapeSelectTemplateBoundary(boundaryPoly_.map(pose.xformLinear().xform())));
}
