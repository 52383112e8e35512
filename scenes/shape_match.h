#pragma once

// Judging what a shape search reports against the truth of a shape scene: which reported
// instance matches which placed object, and the pose errors of the matches.
//
//   std::vector<vsFoundShape> found = ...;        // one per reported instance, best first
//   const vsShapeMatchResult m = vfMatchShapes(scene, found, vsShapeMatchTolerance());
//   recall = m.matches.size() / scene.objects.size(); precision = m.matches.size() / found.size()

#include <vector>

#include "platform/base/vector.h"
#include "scenes/shape_scene.h"

// One reported instance: template, where its origin lies, its rotation and scale.
struct vsFoundShape {
  long templateIndex = 0;
  vcVector<2> location;
  double angleDegrees = 0.0;
  double scale = 1.0;
  std::vector<double> widthFactors;
};

// A match needs the same template and a pose within these limits (angle modulo the template's
// symmetry, scale relative to the true scale).
struct vsShapeMatchTolerance {
  double translation = 3.0;   // pixels
  double angleDegrees = 3.0;  // degrees
  double scale = 0.03;        // relative
};

struct vsShapeMatch {
  long object = 0;  // index into the scene's objects
  long found = 0;   // index into the reported list
  double translationError = 0.0;  // pixels
  double angleError = 0.0;        // degrees, modulo symmetry; 0 for circles
  double scaleError = 0.0;        // relative
  double widthFactorError = 0.0;  // largest relative error of a stroke factor (0 otherwise)
};

struct vsShapeMatchResult {
  std::vector<vsShapeMatch> matches;
  std::vector<long> missed;    // objects without a match
  std::vector<long> spurious;  // reported instances matching no object
};

// Angle difference of a and b in degrees, folded by a symmetry of `symmetry` degrees (0: any
// angle matches).
double vfSymmetricAngleError(double a, double b, double symmetry);

// Each reported instance, in order, takes the nearest unmatched object of its template whose
// pose lies within tolerance; the others are spurious.
vsShapeMatchResult vfMatchShapes(const vsShapeScene& scene, const std::vector<vsFoundShape>& found,
                                 const vsShapeMatchTolerance& tolerance);
