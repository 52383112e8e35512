#include "tavshsl/shape_select_result.h"

vcShapeSelectResult::vcShapeSelectResult(bool isFound, long templateIndex, double score,
                                         const vcShapeSelectTemplateXform& pose,
                                         const vcShapeSelectTemplate& tmpl)
    : isFound_(isFound),
      templateIndex_(templateIndex),
      score_(score),
      pose_(pose),
      foundTemplate_(tmpl.map(pose)) {}
