// The picture control's four placements.
#include <gtest/gtest.h>

#include "widgets/PictureFit.h"

namespace {

TEST(PictureFit, FourCases) {
  struct Case {
    int W, H, w, h;
    PictureRect expected;
  };
  const Case cases[] = {
      {400, 300, 100, 50, {150, 125, 100, 50}},  // smaller both ways: natural size, centred
      {400, 300, 100, 500, {150, 3, 100, 296}},  // too tall
      {400, 300, 900, 50, {3, 125, 396, 50}},    // too wide
      {400, 300, 900, 500, {1, 1, 397, 297}},    // too large both ways
      {400, 300, 400, 300, {1, 1, 397, 297}},    // exactly the area counts as too large
  };
  for (const Case& c : cases) EXPECT_EQ(PictureDrawRect(c.W, c.H, c.w, c.h), c.expected);
}

}  // namespace
