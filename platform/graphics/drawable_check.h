#pragma once
// Checks that geometry handed to the graphics can be drawn: every coordinate
// finite, a polygon with at least one vertex. Graphics and tablets call them
// before they store anything, so a bad shape never reaches a renderer.
//   vfCheckDrawable(segment, L"vcGraphicSimple");

#include "platform/base/line_seg.h"
#include "platform/base/point.h"
#include "platform/base/polygon.h"
#include "platform/base/vector.h"

// Each throws vcBadParamsError naming `caller` when a coordinate is NaN or
// infinite, or (polygon) when there are no vertices.
void vfCheckDrawable(const vcVector<2>& p, const wchar_t* caller);
void vfCheckDrawable(const vcLineSeg& s, const wchar_t* caller);
void vfCheckDrawable(const vcPolygon& poly, const wchar_t* caller);
inline void vfCheckDrawable(const vcPoint& p, const wchar_t* caller) {
  vfCheckDrawable(p.pos(), caller);
}
