#include "shape_select_stroke_outline.h"

#include <optional>
#include <string>

#include "models/stroke_outline_walk.h"
#include "platform/base/str.h"
#include "tavshsl/shape_select_defs.h"

std::vector<vcLineSeg> vfTraceStrokeOutline(const std::vector<vcLineSeg>& skeleton,
                                            const std::vector<double>& widths) {
  // The end the walk starts from.
  const std::optional<vsStrokeEnd> start = vfStrokeWalkStart(skeleton);
  if (!start)
    throw vcShapeSelectDefs::BadParams(L"Skeleton has no free end point: Model is degenerate.");

  // Walk around the figure; a crossing up to 1e-6 behind the walk position is at it.
  const vsStrokeWalkRules rules{1e-6, true};
  const std::optional<std::vector<vsOutlinePiece>> pieces =
      vfWalkStrokeOutline(skeleton, widths, *start, rules);
  if (!pieces) throw vcShapeSelectDefs::BadParams(L"Invalid stroke width: Model is degenerate.");

  // Keep the segments in walk order.
  std::vector<vcLineSeg> outline;
  outline.reserve(pieces->size());
  for (const vsOutlinePiece& piece : *pieces) outline.push_back(piece.segment);
  return outline;
}

void vfCheckStrokeModelOutline(const std::vector<vcLineSeg>& skeleton,
                               const std::vector<double>& widths, long templateIndex) {
  const std::wstring name = L"Stroke template " + vfStr(templateIndex) + L": ";
  const std::optional<vsStrokeEnd> start = vfStrokeWalkStart(skeleton);
  if (!start)
    throw vcShapeSelectDefs::BadParams(name + L"every stroke end lies inside another stroke");
  const std::optional<std::vector<vsOutlinePiece>> pieces =
      vfWalkStrokeOutline(skeleton, widths, *start, vsStrokeWalkRules{});
  if (!pieces)
    throw vcShapeSelectDefs::BadParams(name + L"the outline around its strokes does not close");
  // Two sides and two ends at least; fewer when the walk started on the inner side of a joint.
  if (pieces->size() < 4)
    throw vcShapeSelectDefs::BadParams(
        name + L"the outline closes at once around nothing: the first stroke end inside no "
               L"other stroke lies on the inner side of a joint");
  std::vector<bool> hasSide(skeleton.size(), false);
  for (const vsOutlinePiece& piece : *pieces)
    if (piece.type == vcSegmentCorresponderSkeletonModel::eStrokeSide) hasSide[piece.stroke] = true;
  for (std::size_t s = 0; s < skeleton.size(); ++s)
    if (!hasSide[s])
      throw vcShapeSelectDefs::BadParams(name + L"stroke " + vfStr(long(s)) +
                                         L" lies inside the others and has no outline side");
}
