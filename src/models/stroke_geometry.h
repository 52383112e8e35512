#pragma once

// Geometric tests of the stroke outline walk and the junction tables. Tolerances are
// absolute: a point lies on a stroke within 1e-15, a side value within 1e-10 of 0 counts as
// on the line, and a direction whose x is within 1e-15 of 0 counts as vertical.
//
//   vsEndContact end = vfClassifyEnd(p, i, centreLines);    // may the walk start at p?
//   std::optional<vsRayHit> hit = vfRayHit(p, d, centreLines[j]);
//   std::optional<vcVector<2>> joint = vfStrokesMeet(centreLines[s], centreLines[t]);

#include <cstddef>
#include <optional>
#include <vector>

#include "platform/base/line_seg.h"

// How an end point of stroke `self` meets the other strokes, scanned in index order. The scan
// stops at the first stroke that has the point inside it (away from its ends); touches found
// before it are kept.
struct vsEndContact {
  bool free = true;       // no other stroke has the point inside it
  bool touch = false;     // the point is an end point of another stroke
  std::size_t other = 0;  // the last such stroke, when touch
};
vsEndContact vfClassifyEnd(const vcVector<2>& p, std::size_t self,
                           const std::vector<vcLineSeg>& strokes);

// Whether segment (q1, q2) reaches the infinite line through l1 and l2: its ends lie on
// opposite sides or on it, or, collinear, their closed x and y extents overlap.
bool vfStraddles(const vcVector<2>& q1, const vcVector<2>& q2, const vcVector<2>& l1,
                 const vcVector<2>& l2);

// A meeting of a ray with a line: t is the distance along the ray in units of its direction.
struct vsRayHit {
  double t;
  vcVector<2> point;
};

// Where the ray from p along direction d meets the infinite line of s, when it does so ahead:
// t >= 0, where a t in (-behindTolerance, 0) counts as 0 (a meeting that rounding put just
// behind p; default 0, no such allowance). Parallel lines (the platform's line intersection
// finds none) never meet.
// Throws: vcAssertionFailure for a zero d.
std::optional<vsRayHit> vfLineAhead(const vcVector<2>& p, const vcVector<2>& d, const vcLineSeg& s,
                                    double behindTolerance = 0.0);

// vfLineAhead, for a segment s that reaches the ray's line (vfStraddles); otherwise no hit.
std::optional<vsRayHit> vfRayHit(const vcVector<2>& p, const vcVector<2>& d, const vcLineSeg& s,
                                 double behindTolerance = 0.0);

// Where strokes a and b meet, when each reaches the other's line: the crossing of their lines,
// or, for collinear strokes, b's p1 when it lies in a's closed bounding box, else b's p2.
std::optional<vcVector<2>> vfStrokesMeet(const vcLineSeg& a, const vcLineSeg& b);
