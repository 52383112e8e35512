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

// Every matrix element and both translation components within tol.
MATCHER_P2(NearXform, expected, tol, "") {
  bool ok = vfRealEq(arg.trans(), expected.trans(), tol);
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 2; ++c)
      ok = ok && vfRealEq(arg.matrix().element(r, c), expected.matrix().element(r, c), tol);
  *result_listener << "[" << arg.matrix().element(0, 0) << " " << arg.matrix().element(0, 1) << "; "
                   << arg.matrix().element(1, 0) << " " << arg.matrix().element(1, 1) << "] + ("
                   << arg.trans().x() << ", " << arg.trans().y() << ")";
  return ok;
}

// Two angles that name the same direction within tol radians.
MATCHER_P2(SameDirection, expected, tol, "") {
  return std::abs((arg - expected).signedNorm().plain()) <= tol;
}
