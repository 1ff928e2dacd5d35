#include "widgets/LookMetrics.h"

#include <gtest/gtest.h>

namespace {

TEST(LookMetrics, LabelPointsFollowTheDpi) {
  const struct {
    int dpi;
    int points;
  } cases[] = {{96, 9}, {120, 7}, {144, 6}, {192, 4}};
  for (const auto& c : cases) {
    const DpiFactors f = ComputeDpiFactors(c.dpi, c.dpi, 1920, 1080, true);
    EXPECT_EQ(LabelPointSize(9, f.y), c.points) << c.dpi;
  }
}

TEST(LookMetrics, LargeDesktopExceptionNeedsBothEdgesStrictlyAbove) {
  const struct {
    int right, bottom;
    bool large;
  } cases[] = {
      {2560, 1600, false}, {2561, 1601, true}, {2561, 1600, false},
      {2560, 1601, false}, {3840, 2160, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsLargeDesktop(c.right, c.bottom), c.large) << c.right << "x" << c.bottom;
    const DpiFactors f = ComputeDpiFactors(144, 144, c.right, c.bottom, true);
    EXPECT_EQ(LabelPointSize(9, f.y), c.large ? 9 : 6) << c.right << "x" << c.bottom;
  }
}

TEST(LookMetrics, DialogsWithoutTheExceptionKeepTheirFactors) {
  const DpiFactors f = ComputeDpiFactors(120, 144, 3840, 2160, false);
  EXPECT_FLOAT_EQ(f.x, 0.8f);
  EXPECT_EQ(LabelPointSize(9, f.y), 6);
}

}  // namespace
