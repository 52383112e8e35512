#pragma once

// Matchers shared by the geometry tests: closeness of vectors and transforms.

#include <gmock/gmock.h>

#include "platform/base/real_eq.h"
#include "platform/base/xform.h"

// Both coordinates within tol of the expected vector.
MATCHER_P2(NearVec, expected, tol, "") {
  *result_listener << "(" << arg.x() << ", " << arg.y() << ")";
  return vfRealEq(arg, expected, tol);
}

// Every matrix element (the images of the unit vectors) and both translation components
// within tol.
MATCHER_P2(NearXform, expected, tol, "") {
  const vcVector<2> ex(1, 0), ey(0, 1);
  *result_listener << "columns (" << arg.mapVector(ex).x() << ", " << arg.mapVector(ex).y()
                   << "), (" << arg.mapVector(ey).x() << ", " << arg.mapVector(ey).y() << ")";
  return vfRealEq(arg.trans(), expected.trans(), tol) &&
         vfRealEq(arg.mapVector(ex), expected.mapVector(ex), tol) &&
         vfRealEq(arg.mapVector(ey), expected.mapVector(ey), tol);
}

// Two angles that name the same direction within tol radians.
MATCHER_P2(SameDirection, expected, tol, "") {
  return std::abs((arg - expected).signedNorm().plain()) <= tol;
}
