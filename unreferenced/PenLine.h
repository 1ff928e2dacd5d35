// Lines of a pen on a pixel surface, as a device draws them: from the current point up to, but
// not including, the end point, which becomes the current point. Dashed and dotted styles apply
// to pens one pixel wide; wider pens draw solid, with a square tip centred on the line.
#pragma once

#include "unreferenced/PixelSurface.h"

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot };

class PenLine {
 public:
  PenLine(PixelSurface& surface, DibPixel colour, PenStyle style, int width);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

 private:
  void Plot(int x, int y);

  PixelSurface& m_Surface;
  DibPixel m_Colour;
  PenStyle m_Style;
  int m_Width;
  // Pixels drawn or skipped so far: the dash pattern runs on across the segments of one pen.
  int m_Phase = 0;
  int m_X = 0;
  int m_Y = 0;
};
