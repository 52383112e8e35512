#pragma once

// The template list that finds the objects of a generated shape scene (scenes/shape_scene.h):
// one template per scene template, in the same order, with DOF settings that cover the poses
// the scene drew.
//
//   const vsShapeScene scene = scenes::shapeScene(params);
//   const vsTemplateList templates = vfSceneTemplates(scene);
//   vfWriteTemplates("scene.templates.json", templates);

#include "io/template_file.h"
#include "scenes/shape_match.h"
#include "scenes/shape_scene.h"
#include "tavshsl/shape_select_result.h"

// Circles: translation only, scale zone the scene's scale range (the radius range searched).
// Polygons: translation, any angle, the scale range. Strokes: the same plus the stroke-width
// factor range. Scale zones are widened by 3 % and width zones by 10 % on each side, so that
// a pose fitted from noisy edges at the end of a range is not refused as out of range.
vsTemplateList vfSceneTemplates(const vsShapeScene& scene);

// The found results of a run (isFound()), in order, as the truth matcher takes them.
std::vector<vsFoundShape> vfFoundShapes(const vcShapeSelectResultSet& results);
