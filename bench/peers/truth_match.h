#pragma once

// Scoring a finder's answers against a generated scene's ground truth. Every position is in
// image coordinates (pixel (i, j) spans [i, i + 1) x [j, j + 1)); OpenCV's answers, which put
// pixel centres at integers, must be moved by half a pixel before they are scored.

#include <vector>

#include "platform/base/vector.h"
#include "scenes/truth.h"

namespace peers {

struct vsFoundCircle {
  vcVector<2> center;
  double radius = 0.0;
};

// How many found circles match a true one, one to one, and their summed centre distance.
struct vsCircleMatch {
  long matched = 0;
  double centreErrorSum = 0.0;  // pixels
};

// A found circle matches a true one when the centres lie within max(2, 0.1 r) pixels and the
// radii differ by at most as much (r the true radius); the pairs with the closest centres are
// taken first, each circle at most once. Concentric circles (a ring's two boundaries) are
// told apart by the radius test.
vsCircleMatch matchCircles(const std::vector<vsSceneCircle>& truth,
                           const std::vector<vsFoundCircle>& found);

struct vsFoundSegment {
  vcVector<2> p1;
  vcVector<2> p2;
};

// The share, in [0, 1], of the summed length of the true edges that lies under found
// segments running along them: within 5 degrees of an edge's direction with both ends within
// 1.5 pixels of its line. Overlapping segments count once. 0 when there are no edges.
double edgeCoverage(const std::vector<vsSceneEdge>& truth,
                    const std::vector<vsFoundSegment>& found);

}  // namespace peers
