// Which frame of a hover button's strip shows its state, and how big one frame is. Kept apart
// from the control so the choice can be checked without a display.
#pragma once

// Frames of a strip, left to right.
enum HoverFrame : int {
  kFramePressed = 0,
  kFrameHover = 1,
  kFrameNormal = 2,
  kFrameDisabled = 3,
};

struct HoverFrameChoice {
  int frame = kFrameNormal;
  // A three-frame strip has no disabled frame: its normal frame is shown greyed instead, so a
  // disabled button never looks clickable.
  bool dimmed = false;
};

// frameCount is 3 or 4. Pressed wins over hover, hover over the enabled state; the state is the
// one last given to EnableButton, not the window's own enabled flag.
HoverFrameChoice ChooseHoverFrame(int frameCount, bool pressed, bool hover, bool enabled);

struct StripFrameSize {
  int width = 0;
  int height = 0;
};

// One frame of a strip: the strip's width divided by the frame count (remainder dropped) and its
// full height. An empty or invalid strip gives 0 x 0.
StripFrameSize FrameSizeOfStrip(int stripWidth, int stripHeight, int frameCount);
