#pragma once

// Diagnostics records of the chain and line trackers: one record per run, holding what the
// flags ask for.
//
//   vcDiagRecord* rec = vc_tracker_detail::beginTrackerRecord(diag, flags, map);
//   if (rec && (flags & vcDiagObject::eResults))
//     vc_tracker_detail::sketchRuns(*rec, results, map.edges(), clientFromImage, L"Chains");
//
// Inputs (0x10000): the map's image, shared, and the annotation "Line Tracker". Edgelets
// (0x40000): the sketch "Edgelets", every edgelet a green pixel at the client position of its
// pixel centre. Results (0x20000): a sketch of runs of edgelets, red and green alternately,
// a run of one edgelet as a pixel at its position, a longer one as an open polygon through
// the positions of its edgelets. Everything in client coordinates.

#include <string>
#include <vector>

#include "platform/base/xform.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/ui_tablet.h"
#include "tavshsl/edgelet_map.h"

namespace vc_tracker_detail {

// A new record with the inputs and the edgelets when diag is not null and flags is not 0;
// null otherwise.
vcDiagRecord* beginTrackerRecord(vcDiagObject* diag, unsigned long flags,
                                 const vcEdgeletMap& map);

// Draws one run of edgelets with the given colour (see the top of this file).
void drawRun(vcUITablet& tablet, const std::vector<vcEdgelet>& edges,
             const vcXform<2>& clientFromImage, const long* indexes, long count,
             const vcColor& color);

// Records the sketch `label` of every result (anything with edgeletIndexes() and
// numEdgelets()), the first red.
template <class Results>
void sketchRuns(vcDiagRecord& record, const Results& results, const std::vector<vcEdgelet>& edges,
                const vcXform<2>& clientFromImage, const std::wstring& label) {
  vcUISketch sketch;
  vcUITablet tablet(sketch);
  bool red = true;
  for (const auto& r : results) {
    drawRun(tablet, edges, clientFromImage, r.edgeletIndexes(), r.numEdgelets(),
            red ? vcColor::red() : vcColor::green());
    red = !red;
  }
  record.sketch(sketch, vcDiagRecord::eClientCoords, label);
}

}  // namespace vc_tracker_detail
