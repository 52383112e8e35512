#include <gtest/gtest.h>

#include "platform/base/exception.h"
#include "scenes/random.h"

TEST(SceneRandom, MatchesTheStandardEngineAndRefusesEmptyRanges) {
  // The engine's first two words for seed 5489 are fixed by the language standard
  // (3499211612, 581869302); their 53-bit real is 0.8147236863931789.
  vcSceneRandom random(5489);
  EXPECT_DOUBLE_EQ(random.uniform(), 0.8147236863931789);
  EXPECT_THROW(random.uniform(2.0, 1.0), vcBadParamsError);
  EXPECT_THROW(random.integer(5, 4), vcBadParamsError);
}
