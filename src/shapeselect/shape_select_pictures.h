#pragma once

// Pictures of templates for the tool's diagnostics records: a circle as a circle, a boundary as
// its sides, a stroke figure as its traced outline.

#include "platform/graphics/graphic_list.h"
#include "platform/graphics/graphic_props.h"
#include "tavshsl/shape_select_template.h"

namespace vc_shapeselect {

// The picture of tmpl drawn with props: for a circle its circle (centre, nominal radius), then
// one line per outline segment (boundarySegments(); none for a circle).
// Throws: BadParams of a stroke figure whose outline cannot be traced.
vcGraphicList templatePicture(const vcShapeSelectTemplate& tmpl, const vcGraphicProps& props);

}  // namespace vc_shapeselect
