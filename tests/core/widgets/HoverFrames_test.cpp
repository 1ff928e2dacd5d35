#include "widgets/HoverFrames.h"

#include <gtest/gtest.h>

namespace {

struct FrameCase {
  int frames;
  bool pressed, hover, enabled;
  int frame;
  bool dimmed;
};

TEST(HoverFrames, EveryStateOfBothStripKinds) {
  const FrameCase cases[] = {
      // Pressed shows frame 0 even with the mouse over the button and on a disabled state.
      {3, true, true, true, 0, false},
      {4, true, true, true, 0, false},
      {3, true, false, false, 0, false},
      {4, true, false, false, 0, false},
      {3, false, true, true, 1, false},
      {4, false, true, true, 1, false},
      {3, false, true, false, 1, false},
      {4, false, true, false, 1, false},
      {3, false, false, true, 2, false},
      {4, false, false, true, 2, false},
      // Disabled: the fourth frame, or the normal frame greyed when the strip has only three.
      {4, false, false, false, 3, false},
      {3, false, false, false, 2, true},
  };
  for (const auto& c : cases) {
    const auto choice = ChooseHoverFrame(c.frames, c.pressed, c.hover, c.enabled);
    EXPECT_EQ(choice.frame, c.frame) << c.frames << c.pressed << c.hover << c.enabled;
    EXPECT_EQ(choice.dimmed, c.dimmed) << c.frames << c.pressed << c.hover << c.enabled;
  }
}

TEST(HoverFrames, FrameSizeDropsTheRemainder) {
  EXPECT_EQ(FrameSizeOfStrip(300, 40, 3).width, 100);
  EXPECT_EQ(FrameSizeOfStrip(300, 40, 4).width, 75);
  EXPECT_EQ(FrameSizeOfStrip(300, 40, 4).height, 40);
  EXPECT_EQ(FrameSizeOfStrip(302, 40, 3).width, 100);
  EXPECT_EQ(FrameSizeOfStrip(0, 0, 3).width, 0);
  EXPECT_EQ(FrameSizeOfStrip(2, 40, 3).height, 0);
}

}  // namespace
