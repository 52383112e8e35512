#include "scenes/shape_match.h"

#include <algorithm>
#include <cmath>

double vfSymmetricAngleError(double a, double b, double symmetry) {
  if (symmetry <= 0.0) return 0.0;
  const double d = std::fmod(std::fabs(a - b), symmetry);
  return std::min(d, symmetry - d);
}

vsShapeMatchResult vfMatchShapes(const vsShapeScene& scene, const std::vector<vsFoundShape>& found,
                                 const vsShapeMatchTolerance& tolerance) {
  vsShapeMatchResult result;
  std::vector<bool> taken(scene.objects.size(), false);
  for (std::size_t f = 0; f < found.size(); ++f) {
    const vsFoundShape& shape = found[f];
    long best = -1;
    vsShapeMatch bestMatch;
    for (std::size_t o = 0; o < scene.objects.size(); ++o) {
      const vsSceneObject& object = scene.objects[o];
      if (taken[o] || object.templateIndex != shape.templateIndex) continue;
      const vsSceneTemplate& t = scene.templates[std::size_t(object.templateIndex)];
      vsShapeMatch m;
      m.object = long(o);
      m.found = long(f);
      m.translationError = (shape.location - object.translation).len();
      m.angleError = vfSymmetricAngleError(shape.angleDegrees, object.angleDegrees,
                                           t.symmetryDegrees);
      m.scaleError = std::fabs(shape.scale / object.scale - 1.0);
      if (m.translationError > tolerance.translation || m.angleError > tolerance.angleDegrees ||
          m.scaleError > tolerance.scale)
        continue;
      // Factors are compared stroke by stroke only for figures without symmetry, whose strokes
      // cannot swap places.
      if (t.symmetryDegrees >= 360.0 && shape.widthFactors.size() == object.widthFactors.size())
        for (std::size_t k = 0; k < object.widthFactors.size(); ++k)
          m.widthFactorError = std::max(
              m.widthFactorError, std::fabs(shape.widthFactors[k] / object.widthFactors[k] - 1.0));
      if (best < 0 || m.translationError < bestMatch.translationError) {
        best = long(o);
        bestMatch = m;
      }
    }
    if (best < 0) {
      result.spurious.push_back(long(f));
      continue;
    }
    taken[std::size_t(best)] = true;
    result.matches.push_back(bestMatch);
  }
  for (std::size_t o = 0; o < scene.objects.size(); ++o)
    if (!taken[o]) result.missed.push_back(long(o));
  return result;
}
