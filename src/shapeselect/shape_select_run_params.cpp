#include "tavshsl/shape_select_params.h"

void vcShapeSelectRunParams::maxNumResults(long n) {
  if (n <= 0) throw vcShapeSelectDefs::BadParams(L"maxNumResults must be positive");
  maxNumResults_ = n;
}

void vcShapeSelectRunParams::acceptThreshold(double threshold) {
  // Written so that a NaN fails the test too.
  if (!(threshold >= 0.0 && threshold <= 1.0))
    throw vcShapeSelectDefs::BadParams(L"acceptThreshold must be between 0 and 1 inclusive");
  acceptThreshold_ = threshold;
}
