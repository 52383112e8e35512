#pragma once

// Geometric tests of the stroke outline walk and the junction tables. Tolerances are
// absolute: a point lies on a stroke within 1e-15, a side value within 1e-10 of 0 counts as
// on the line.

#include <optional>
#include <vector>

#include "platform/base/line_seg.h"
#include "tavshsl/segments.h"

// How an end point of stroke `self` meets the other strokes.
struct vsEndContact {
  bool free = true;    // no other stroke has the point inside it (away from its ends)
  bool touch = false;  // the point is an end point of another stroke
  std::size_t other = 0;  // the last such stroke, when touch
};
vsEndContact vfClassifyEnd(const vcVector<2>& p, std::size_t self,
                           const std::vector<vcModelSegment>& strokes);

// Whether segment (q1, q2) reaches the infinite line through l1 and l2: its ends lie on
// opposite sides or on it, or, collinear, their closed x and y extents overlap.
bool vfStraddles(const vcVector<2>& q1, const vcVector<2>& q2, const vcVector<2>& l1,
                 const vcVector<2>& l2);

// Where the ray from p along direction d first meets segment s's line, when s reaches the
// ray's line and the meeting lies ahead (t >= 0, in units of |d|). Parallel lines never meet.
// Throws: vcAssertionFailure for a zero d.
struct vsRayHit {
  double t;
  vcVector<2> point;
};
std::optional<vsRayHit> vfRayHit(const vcVector<2>& p, const vcVector<2>& d, const vcLineSeg& s);

// Where strokes a and b meet, when each reaches the other's line: the crossing of their lines,
// or, for collinear strokes, b's p1 when it lies in a's closed bounding box, else b's p2.
std::optional<vcVector<2>> vfStrokesMeet(const vcLineSeg& a, const vcLineSeg& b);
