// The drawing code's stand-in for a device context and a bitmap: a buffer of 32-bit pixels
// (blue in the low byte, alpha in the top byte, rows from the top), with the few raster
// operations that code uses. Results are exact and need no display; the wx adapter moves a
// surface to and from a window's device context.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A colour with red in its low byte, green next, blue in the third byte.
using ColorRef = std::uint32_t;
// A surface pixel: blue in the low byte, then green, red, and alpha in the top byte.
using DibPixel = std::uint32_t;

constexpr ColorRef MakeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return ColorRef{red} | (ColorRef{green} << 8) | (ColorRef{blue} << 16);
}
constexpr std::uint8_t ColorRefRed(ColorRef c) {
  return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t ColorRefGreen(ColorRef c) {
  return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t ColorRefBlue(ColorRef c) {
  return static_cast<std::uint8_t>(c >> 16);
}

// A colour written into pixels (or a pixel read as a colour) has red and blue swapped; the
// byte above them is kept.
constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
  return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}

// Left and top inside, right and bottom outside.
struct SurfaceRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
};

enum class RasterOp { SrcCopy, SrcAnd, SrcPaint };

class PixelSurface {
 public:
  PixelSurface() = default;
  // Sizes that are not positive give an empty surface.
  PixelSurface(int width, int height, DibPixel fill = 0);

  int Width() const { return m_Width; }
  int Height() const { return m_Height; }
  bool IsEmpty() const { return m_Pixels.empty(); }

  // Reads outside the surface give 0; writes outside it are dropped, as a clipped device does.
  DibPixel GetPixel(int x, int y) const;
  void SetPixel(int x, int y, DibPixel value);
  std::span<DibPixel> Pixels() { return m_Pixels; }
  std::span<const DibPixel> Pixels() const { return m_Pixels; }

  void FillRect(const SurfaceRect& rect, DibPixel value);

 private:
  int m_Width = 0;
  int m_Height = 0;
  std::vector<DibPixel> m_Pixels;
};

// Copies width x height pixels of source at (sourceX, sourceY) to (x, y) of target, combining
// them with op; both ends are clipped.
void BitBlt(PixelSurface& target, int x, int y, int width, int height, const PixelSurface& source,
            int sourceX, int sourceY, RasterOp op = RasterOp::SrcCopy);

// Scales the source area to the target area by nearest pixel (no blending).
void StretchBlt(PixelSurface& target, int x, int y, int width, int height,
                const PixelSurface& source, int sourceX, int sourceY, int sourceWidth,
                int sourceHeight);
