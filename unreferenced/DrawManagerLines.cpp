// Styled lines and two-coloured frames, and tiling.
#include <algorithm>

#include "unreferenced/DrawManager.h"
#include "unreferenced/PenLine.h"

namespace {

PenStyle PenStyleOf(int style) {
  switch (style) {
    case kLineDash:
      return PenStyle::Dash;
    case kLineDot:
      return PenStyle::Dot;
    case kLineDashDot:
      return PenStyle::DashDot;
    case kLineDashDotDot:
      return PenStyle::DashDotDot;
    default:
      return PenStyle::Solid;
  }
}

DibPixel PenPixel(ColorRef c) {
  return SwapRedBlue(c & 0xFFFFFF);
}

// Left and top sides in the first colour, right and bottom in the second, each corner drawn once.
void DrawFrame(PixelSurface& dc, int left, int top, int right, int bottom, ColorRef topLeft,
               ColorRef bottomRight, PenStyle style, int width) {
  PenLine first(dc, PenPixel(topLeft), style, width);
  first.MoveTo(left, bottom);
  first.LineTo(left, top);
  first.LineTo(right, top);
  PenLine second(dc, PenPixel(bottomRight), style, width);
  second.MoveTo(right, top);
  second.LineTo(right, bottom);
  second.LineTo(left, bottom);
}

}  // namespace

void CPPDrawManager::DrawRectangle(PixelSurface& dc, const SurfaceRect& rect, ColorRef topLeft,
                                   ColorRef bottomRight, int style, int penWidth) {
  if (style == kLineNone || penWidth <= 0 || rect.IsEmpty()) return;
  const int half = penWidth / 2;
  const PenStyle pen = PenStyleOf(style);
  DrawFrame(dc, rect.left + half, rect.top + half, rect.right - half, rect.bottom - half, topLeft,
            bottomRight, pen, penWidth);
  if (style == kLineDouble) {
    const int inset = half + 2 * penWidth;
    if (rect.right - inset > rect.left + inset && rect.bottom - inset > rect.top + inset)
      DrawFrame(dc, rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset,
                topLeft, bottomRight, pen, penWidth);
  }
}

void CPPDrawManager::DrawRectangle(PixelSurface& dc, int left, int top, int right, int bottom,
                                   ColorRef topLeft, ColorRef bottomRight, int style,
                                   int penWidth) {
  DrawRectangle(dc, SurfaceRect{left, top, right, bottom}, topLeft, bottomRight, style, penWidth);
}

void CPPDrawManager::DrawLine(PixelSurface& dc, int x1, int y1, int x2, int y2, ColorRef colour,
                              int style, int penWidth) {
  if (style == kLineNone || penWidth <= 0) return;
  PenLine pen(dc, PenPixel(colour), PenStyleOf(style), penWidth);
  pen.MoveTo(x1, y1);
  pen.LineTo(x2, y2);
  if (style == kLineDouble) {
    // The second line lies below a line that is not vertical and right of one that is not
    // horizontal.
    const int dy = (x1 != x2) ? 2 * penWidth : 0;
    const int dx = (y1 != y2) ? 2 * penWidth : 0;
    if (dx == 0 && dy == 0) return;
    PenLine second(dc, PenPixel(colour), PenStyle::Solid, penWidth);
    second.MoveTo(x1 + dx, y1 + dy);
    second.LineTo(x2 + dx, y2 + dy);
  }
}

void CPPDrawManager::TileBitmap(PixelSurface& target, int left, int top, int width, int height,
                                const PixelSurface& source, int sourceX, int sourceY, int tileWidth,
                                int tileHeight) {
  if (width <= 0 || height <= 0 || tileWidth <= 0 || tileHeight <= 0) return;
  const int right = left + width, bottom = top + height;
  for (int y = top; y < bottom; y += tileHeight)
    for (int x = left; x < right; x += tileWidth)
      BitBlt(target, x, y, std::min(tileWidth, right - x), std::min(tileHeight, bottom - y), source,
             sourceX, sourceY);
}
