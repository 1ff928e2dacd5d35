#include "unreferenced/PixelSurface.h"

#include <algorithm>

PixelSurface::PixelSurface(int width, int height, DibPixel fill) {
  if (width <= 0 || height <= 0) return;
  m_Width = width;
  m_Height = height;
  m_Pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

DibPixel PixelSurface::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_Width || y >= m_Height) return 0;
  return m_Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_Width) +
                  static_cast<std::size_t>(x)];
}

void PixelSurface::SetPixel(int x, int y, DibPixel value) {
  if (x < 0 || y < 0 || x >= m_Width || y >= m_Height) return;
  m_Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_Width) +
           static_cast<std::size_t>(x)] = value;
}

void PixelSurface::FillRect(const SurfaceRect& rect, DibPixel value) {
  const int left = std::max(rect.left, 0), right = std::min(rect.right, m_Width);
  const int top = std::max(rect.top, 0), bottom = std::min(rect.bottom, m_Height);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) SetPixel(x, y, value);
}

void BitBlt(PixelSurface& target, int x, int y, int width, int height, const PixelSurface& source,
            int sourceX, int sourceY, RasterOp op) {
  for (int row = 0; row < height; ++row) {
    const int ty = y + row, sy = sourceY + row;
    if (ty < 0 || ty >= target.Height() || sy < 0 || sy >= source.Height()) continue;
    for (int col = 0; col < width; ++col) {
      const int tx = x + col, sx = sourceX + col;
      if (tx < 0 || tx >= target.Width() || sx < 0 || sx >= source.Width()) continue;
      const DibPixel s = source.GetPixel(sx, sy);
      const DibPixel t = target.GetPixel(tx, ty);
      target.SetPixel(tx, ty,
                      op == RasterOp::SrcAnd     ? (s & t)
                      : op == RasterOp::SrcPaint ? (s | t)
                                                 : s);
    }
  }
}

void StretchBlt(PixelSurface& target, int x, int y, int width, int height,
                const PixelSurface& source, int sourceX, int sourceY, int sourceWidth,
                int sourceHeight) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return;
  for (int row = 0; row < height; ++row) {
    const int sy = sourceY + static_cast<int>(static_cast<long long>(row) * sourceHeight / height);
    for (int col = 0; col < width; ++col) {
      const int sx = sourceX + static_cast<int>(static_cast<long long>(col) * sourceWidth / width);
      if (sx < 0 || sx >= source.Width() || sy < 0 || sy >= source.Height()) continue;
      target.SetPixel(x + col, y + row, source.GetPixel(sx, sy));
    }
  }
}
