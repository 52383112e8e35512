#include "edges/chain_diag.h"

namespace vc_tracker_detail {

vcDiagRecord* beginTrackerRecord(vcDiagObject* diag, unsigned long flags,
                                 const vcEdgeletMap& map) {
  vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag, flags);
  if (!dest) return nullptr;
  vcDiagRecord& record = dest->newDiagRecord();

  // The image the edgelets came from, shared, with the tool's annotation.
  if (vcDiagObject::shouldRecord(flags, vcDiagObject::eInputs)) {
    record.image(map.image(), false);
    record.recordAnnotation(L"Line Tracker");
  }

  // Every edgelet at its pixel centre.
  if (vcDiagObject::shouldRecord(flags, vcDiagObject::eEdgelets)) {
    const vcXform<2>& clientFromImage = map.clientFromImageXform();
    vcUISketch sketch;
    vcUITablet tablet(sketch);
    for (const vcEdgelet& e : map.edges())
      tablet.drawPixel(clientFromImage.mapPoint(vcVector<2>(e.get_i() + 0.5, e.get_j() + 0.5)),
                       vcColor::green());
    record.sketch(sketch, vcDiagRecord::eClientCoords, L"Edgelets");
  }
  return &record;
}

void drawRun(vcUITablet& tablet, const std::vector<vcEdgelet>& edges,
             const vcXform<2>& clientFromImage, const long* indexes, long count,
             const vcColor& color) {
  if (count <= 0) return;
  if (count == 1) {
    tablet.drawPixel(clientFromImage.mapPoint(edges[std::size_t(indexes[0])].position()), color);
    return;
  }
  std::vector<vcVector<2>> points;
  points.reserve(std::size_t(count));
  for (long k = 0; k < count; ++k)
    points.push_back(clientFromImage.mapPoint(edges[std::size_t(indexes[k])].position()));
  tablet.draw(vcPolygon(std::move(points), false), color);
}

}  // namespace vc_tracker_detail
