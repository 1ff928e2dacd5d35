// The picture control's placements: natural size when the picture fits, otherwise scaled down
// with its proportions kept and centred.
#include <gtest/gtest.h>

#include "widgets/PictureFit.h"

namespace {

TEST(PictureFit, FitsKeepingProportions) {
  struct Case {
    int W, H, w, h;
    PictureRect expected;
  };
  const Case cases[] = {
      {400, 300, 100, 50, {150, 125, 100, 50}},  // smaller both ways: natural size, centred
      {400, 300, 100, 592, {175, 2, 50, 296}},   // too tall: half the size
      {400, 300, 792, 50, {2, 137, 396, 25}},    // too wide: half the size
      {400, 300, 800, 400, {2, 51, 396, 198}},   // too large both ways, width binds
      {400, 300, 300, 300, {52, 2, 296, 296}},   // as high as the area: a square stays square
      {300, 266, 300, 300, {19, 2, 262, 262}},   // the area lower than the square picture
      {400, 300, 0, 50, {}},                     // no picture
      {3, 3, 900, 900, {}},                      // no room inside the margins
  };
  for (const Case& c : cases)
    EXPECT_EQ(PictureDrawRect(c.W, c.H, c.w, c.h), c.expected)
        << c.W << "x" << c.H << " picture " << c.w << "x" << c.h;
}

}  // namespace
