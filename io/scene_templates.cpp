#include "io/scene_templates.h"

#include <cmath>

#include "platform/base/polyline.h"

namespace {

using Defs = vcShapeSelectDefs;

// Zones are kept to 0.001, so that template files read well.
void enableZone(vcShapeSelectTemplateParams& dofs, Defs::DOF dof, double low, double high) {
  dofs.zone(dof, std::floor(low * 1000.0) / 1000.0, std::ceil(high * 1000.0) / 1000.0);
  dofs.zoneEnable(dofs.zoneEnable() | unsigned(dof));
}

}  // namespace

vsTemplateList vfSceneTemplates(const vsShapeScene& scene) {
  vsTemplateList list;
  for (const vsSceneTemplate& t : scene.templates) {
    vsTemplateEntry e;
    e.name = t.name;
    enableZone(e.dofs, Defs::eScale, 0.97 * scene.minScale, 1.03 * scene.maxScale);
    switch (t.kind) {
      case veShapeKind::eCircle:
        e.shape.reset(new vcShapeSelectTemplateCircle(t.radius, vcVector<2>(0.0, 0.0)));
        e.dofs.zoneEnable(e.dofs.zoneEnable() & ~unsigned(Defs::eAngle));
        break;
      case veShapeKind::ePolygon:
        e.shape.reset(new vcShapeSelectTemplateBoundary(vcPolyline(t.vertices, true)));
        break;
      case veShapeKind::eStroke: {
        std::vector<vcLineSeg> skeleton;
        for (const auto& [p1, p2] : t.skeleton) skeleton.emplace_back(p1, p2);
        e.shape.reset(new vcShapeSelectTemplateStroke(skeleton, t.widths));
        enableZone(e.dofs, Defs::eStrokeWidth, 0.9 * scene.minWidthFactor,
                   1.1 * scene.maxWidthFactor);
        break;
      }
    }
    list.push_back(e);
  }
  return list;
}

std::vector<vsFoundShape> vfFoundShapes(const vcShapeSelectResultSet& results) {
  std::vector<vsFoundShape> found;
  for (const vcShapeSelectResult& r : results.results())
    if (r.isFound())
      found.push_back({r.templateIndex(), r.location(), r.angle().toDouble(), r.uniformScale(),
                       r.poseStrokeWidthFactors()});
  return found;
}
