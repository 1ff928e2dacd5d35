// What a drawing pass of the markup drawer produces: the texts, lines and pictures to put on a
// device context, in painting order, with their positions already laid out.
#pragma once

#include <string>
#include <vector>

#include "unreferenced/DrawManager.h"
#include "unreferenced/HtmlStyle.h"

struct HtmlRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct HtmlDrawItem {
  enum class Kind { Text, Line, Bitmap, Icon, StripFrame, Fill, Frame, Tile };
  Kind kind = Kind::Text;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  // Text: the string in the style's font, colour and background; extra pixels are shared
  // among its spaces (justification).
  std::u16string text;
  HtmlStyle style;
  int justifyExtra = 0;
  // Line from (x, y) to (x + width, y); Frame around the item's box, its right and bottom
  // lines on x + width and y + height.
  ColorRef colour = 0;
  ColorRef colour2 = 0;
  ColorRef colour3 = 0;
  int lineStyle = kLineSolid;
  int lineWidth = 1;
  // Fill: the effect number. Tile: the bitmap repeated over the item's box.
  int effect = 0;
  // Pictures, owned by the resource table or the drawer.
  const PixelSurface* bitmap = nullptr;
  const IconImage* icon = nullptr;
  int frame = 0;
  int cellWidth = 0;
  int cellHeight = 0;
  bool useMask = false;
  ColorRef maskColour = 0;
  unsigned flags = 0;
  bool shadow = false;
  int shadowDx = 0;
  int shadowDy = 0;
  int blurX = 0;
  int blurY = 0;
  ColorRef shadowColour = 0;
};

using HtmlDisplayList = std::vector<HtmlDrawItem>;
