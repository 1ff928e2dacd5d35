#include "widgets/HoverFrames.h"

HoverFrameChoice ChooseHoverFrame(int frameCount, bool pressed, bool hover, bool enabled) {
  if (pressed) return {kFramePressed, false};
  if (hover) return {kFrameHover, false};
  if (enabled) return {kFrameNormal, false};
  if (frameCount >= 4) return {kFrameDisabled, false};
  return {kFrameNormal, true};
}

StripFrameSize FrameSizeOfStrip(int stripWidth, int stripHeight, int frameCount) {
  if (stripWidth <= 0 || stripHeight <= 0 || frameCount <= 0) return {};
  const int width = stripWidth / frameCount;
  if (width == 0) return {};
  return {width, stripHeight};
}
