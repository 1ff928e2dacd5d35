// Colour arithmetic, and bitmaps and icons drawn with effects, masks, alpha and shadows.
#include "unreferenced/DrawManager.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kBlack = 0;
constexpr DibPixel kAlphaMask = 0xFF000000u;

int ChannelOf(std::uint32_t c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

template <typename F>
std::uint32_t MapChannels(std::uint32_t c, F&& f) {
  std::uint32_t out = 0;
  for (int shift : {0, 8, 16})
    out |= static_cast<std::uint32_t>(f(ChannelOf(c, shift)) & 0xFF) << shift;
  return out;
}

// The image is ORed over the background where the mask is clear, so it must be black there, also
// when its effects inverted it.
void ClearOutsideMask(PixelSurface& image, const PixelSurface& mask) {
  std::span<DibPixel> pixels = image.Pixels();
  std::span<const DibPixel> clear = mask.Pixels();
  for (std::size_t i = 0; i < pixels.size() && i < clear.size(); ++i)
    if ((clear[i] & 0xFFFFFF) == 0xFFFFFF) pixels[i] &= kAlphaMask;
}

}  // namespace

IconImage MakeIconImage(PixelSurface colour, PixelSurface mask) {
  IconImage icon;
  icon.hotspotX = colour.Width() / 2;
  icon.hotspotY = colour.Height() / 2;
  icon.colour = std::move(colour);
  icon.mask = std::move(mask);
  return icon;
}

ColorRef CPPDrawManager::GrayColor(ColorRef colour) {
  const auto g =
      static_cast<int>(0.299 * ColorRefRed(colour) + 0.587 * ColorRefGreen(colour) + 0.114 * ColorRefBlue(colour));
  return MakeColorRef(static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g),
                      static_cast<std::uint8_t>(g));
}

DibPixel CPPDrawManager::PixelGrayColor(DibPixel pixel) {
  return GrayColor(SwapRedBlue(pixel & 0xFFFFFF));
}

ColorRef CPPDrawManager::InvertColor(ColorRef colour) {
  return MapChannels(colour, [](int v) { return 255 - v; });
}

ColorRef CPPDrawManager::ScaleColor(ColorRef colour, double factor) {
  if (!(factor >= 0.0 && factor < 1.0)) return colour;
  return MapChannels(colour, [factor](int v) { return static_cast<int>(v * factor); });
}

ColorRef CPPDrawManager::BrightenColor(ColorRef colour, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return colour;
  return MapChannels(
      colour, [factor](int v) { return std::min(255, static_cast<int>(v * (1.0 + factor))); });
}

ColorRef CPPDrawManager::MixColors(ColorRef c1, double f1, ColorRef c2, double f2) {
  ColorRef out = 0;
  for (int shift : {0, 8, 16}) {
    const int v = static_cast<int>(f1 * ChannelOf(c1, shift) + f2 * ChannelOf(c2, shift));
    out |= static_cast<ColorRef>(std::clamp(v, 0, 255)) << shift;
  }
  return out;
}

PixelSurface CPPDrawManager::CreateImageEffect(const PixelSurface& bitmap, int width, int height,
                                               unsigned flags, bool useMask, ColorRef maskColour,
                                               ColorRef newColour) {
  PixelSurface image(width, height);
  BitBlt(image, 0, 0, width, height, bitmap, 0, 0);
  const DibPixel maskPixel = SwapRedBlue(maskColour);
  const DibPixel newPixel = SwapRedBlue(newColour) & 0xFFFFFF;
  for (DibPixel& c : image.Pixels()) {
    if (c > 0xFFFFFF) m_AlphaBitmap = 1;
    DibPixel d = 0;
    if (!(useMask && c == maskPixel)) {
      d = c & 0xFFFFFF;
      if (flags & kImageGray) d = PixelGrayColor(d);
      if (flags & kImageDarker) d = ScaleColor(d, 0.75);
      if (flags & kImageLighter) d = BrightenColor(d, 0.25);
      if (flags & kImageMono) d = newPixel;
    }
    if (flags & kImageInvert) d = InvertColor(d);
    c = (c & kAlphaMask) | d;
  }
  return image;
}

void CPPDrawManager::DrawMaskedImage(PixelSurface& dc, int x, int y, int width, int height,
                                     const PixelSurface& mask, const PixelSurface& image) {
  if (m_AlphaBitmap) {
    AlphaChannelBitBlt(dc, x, y, width, height, image, 0, 0);
    return;
  }
  BitBlt(dc, x, y, width, height, mask, 0, 0, RasterOp::SrcAnd);
  BitBlt(dc, x, y, width, height, image, 0, 0, RasterOp::SrcPaint);
}

void CPPDrawManager::DrawBitmap(PixelSurface& dc, int x, int y, int width, int height,
                                const PixelSurface* bitmap, bool useMask, ColorRef maskColour,
                                unsigned flags, bool shadow, int shadowDx, int shadowDy, int depthX,
                                int depthY, ColorRef shadowColour) {
  m_AlphaBitmap = 0;
  if (!bitmap || bitmap->IsEmpty() || width <= 0 || height <= 0) return;
  PixelSurface work(width, height);
  if (bitmap->Width() == width && bitmap->Height() == height)
    BitBlt(work, 0, 0, width, height, *bitmap, 0, 0);
  else
    StretchBlt(work, 0, 0, width, height, *bitmap, 0, 0, bitmap->Width(), bitmap->Height());

  const PixelSurface mask = CreateImageEffect(work, width, height, kImageMono | kImageInvert,
                                              useMask, maskColour, kWhite);
  PixelSurface image =
      CreateImageEffect(work, width, height, flags, useMask, maskColour, shadowColour);
  ClearOutsideMask(image, mask);
  if (shadow) {
    const int sx = x + shadowDx, sy = y + shadowDy;
    if (flags & (kImageShadow | kImageSoftShadow)) {
      const PixelSurface silhouette =
          CreateImageEffect(work, width, height, kImageMono | kImageInvert, useMask, maskColour,
                            InvertColor(shadowColour));
      DrawShadow(dc, sx, sy, width, height, silhouette, (flags & kImageSoftShadow) != 0, depthX,
                 depthY);
    } else {
      BitBlt(dc, sx, sy, width, height, mask, 0, 0, RasterOp::SrcAnd);
      BitBlt(dc, sx, sy, width, height, image, 0, 0, RasterOp::SrcPaint);
    }
  }
  DrawMaskedImage(dc, x, y, width, height, mask, image);
}

void CPPDrawManager::DrawIcon(PixelSurface& dc, int x, int y, int width, int height,
                              const IconImage* icon, unsigned flags, bool shadow, int shadowDx,
                              int shadowDy, int depthX, int depthY, ColorRef shadowColour) {
  m_AlphaBitmap = 0;
  if (!icon || icon->colour.IsEmpty() || width <= 0 || height <= 0) return;
  PixelSize size;
  GetSizeOfIcon(icon, size);
  const IconImage sized =
      (size.cx == width && size.cy == height) ? *icon : StretchIcon(*icon, width, height);
  // A single-colour icon is its mask's shape; otherwise the colour pixels, black being clear.
  PixelSurface image =
      (flags & kImageMono)
          ? CreateImageEffect(sized.mask, width, height, flags, true, kWhite, shadowColour)
          : CreateImageEffect(sized.colour, width, height, flags, true, kBlack, shadowColour);
  ClearOutsideMask(image, sized.mask);
  if (shadow) {
    const int sx = x + shadowDx, sy = y + shadowDy;
    if (flags & (kImageShadow | kImageSoftShadow)) {
      const PixelSurface silhouette =
          CreateImageEffect(sized.mask, width, height, kImageMono | kImageInvert, true, kWhite,
                            InvertColor(shadowColour));
      DrawShadow(dc, sx, sy, width, height, silhouette, (flags & kImageSoftShadow) != 0, depthX,
                 depthY);
    } else {
      BitBlt(dc, sx, sy, width, height, sized.mask, 0, 0, RasterOp::SrcAnd);
      BitBlt(dc, sx, sy, width, height, image, 0, 0, RasterOp::SrcPaint);
    }
  }
  DrawMaskedImage(dc, x, y, width, height, sized.mask, image);
}

void CPPDrawManager::DrawImageList(PixelSurface& dc, int x, int y, int width, int height,
                                   const PixelSurface* strip, int index, int cellWidth,
                                   int cellHeight, bool useMask, ColorRef maskColour,
                                   unsigned flags, bool shadow, int shadowDx, int shadowDy,
                                   int depthX, int depthY, ColorRef shadowColour) {
  if (!strip || cellWidth <= 0 || cellHeight <= 0 || index < 0) return;
  const int columns = strip->Width() / cellWidth;
  const int rows = strip->Height() / cellHeight;
  if (static_cast<long long>(index) >= static_cast<long long>(columns) * rows) return;
  PixelSurface cell(cellWidth, cellHeight);
  BitBlt(cell, 0, 0, cellWidth, cellHeight, *strip, (index % columns) * cellWidth,
         (index / columns) * cellHeight);
  DrawBitmap(dc, x, y, width, height, &cell, useMask, maskColour, flags, shadow, shadowDx, shadowDy,
             depthX, depthY, shadowColour);
}

void CPPDrawManager::GetSizeOfIcon(const IconImage* icon, PixelSize& size) {
  size = icon ? PixelSize{2 * icon->hotspotX, 2 * icon->hotspotY} : PixelSize{};
}

void CPPDrawManager::GetSizeOfBitmap(const PixelSurface* bitmap, PixelSize& size) {
  size = bitmap ? PixelSize{bitmap->Width(), bitmap->Height()} : PixelSize{};
}

IconImage CPPDrawManager::StretchIcon(const IconImage& icon, int width, int height) {
  PixelSize from;
  GetSizeOfIcon(&icon, from);
  // The mask starts white so that whatever the stretch does not reach stays clear.
  IconImage out{PixelSurface(width, height), PixelSurface(width, height, kWhite), width / 2,
                height / 2};
  StretchBlt(out.colour, 0, 0, width, height, icon.colour, 0, 0, from.cx, from.cy);
  StretchBlt(out.mask, 0, 0, width, height, icon.mask, 0, 0, from.cx, from.cy);
  return out;
}

void CPPDrawManager::DrawShadow(PixelSurface& dc, int x, int y, int width, int height,
                                const PixelSurface& silhouette, bool soft, int depthX, int depthY) {
  if (width <= 0 || height <= 0) return;
  PixelSurface shape(width, height);
  if (soft) {
    if (depthX % 2 == 0) ++depthX;
    if (depthY % 2 == 0) ++depthY;
    if (depthX < 1 || depthY < 1 || depthX >= width || depthY >= height) return;
    shape.FillRect({0, 0, width, height}, kWhite);
    StretchBlt(shape, depthX / 2, depthY / 2, width - depthX, height - depthY, silhouette, 0, 0,
               silhouette.Width(), silhouette.Height());
  } else {
    BitBlt(shape, 0, 0, width, height, silhouette, 0, 0);
  }
  PixelSurface area(width, height);
  BitBlt(area, 0, 0, width, height, dc, x, y);
  std::vector<double> factors;
  if (soft) {
    factors = BlurMask(width, height, shape.Pixels(), depthX, depthY);
  } else {
    for (DibPixel p : shape.Pixels()) factors.push_back((p & 0xFF) / 255.0);
  }
  std::span<DibPixel> pixels = area.Pixels();
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (pixels[i] & kAlphaMask) | ScaleColor(pixels[i] & 0xFFFFFF, factors[i]);
  BitBlt(dc, x, y, width, height, area, 0, 0);
}

std::vector<double> CPPDrawManager::BlurMask(int width, int height,
                                             std::span<const DibPixel> pixels, int windowWidth,
                                             int windowHeight) {
  if (width <= 0 || height <= 0 || windowWidth < 1 || windowHeight < 1 ||
      pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return {};
  }
  const int gridWidth = width + windowWidth - 1, gridHeight = height + windowHeight - 1;
  const int padX = windowWidth / 2, padY = windowHeight / 2;
  std::vector<double> grid(static_cast<std::size_t>(gridWidth) * gridHeight, 255.0);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      grid[static_cast<std::size_t>(row + padY) * gridWidth + col + padX] =
          pixels[static_cast<std::size_t>(row) * width + col] & 0xFF;
  std::vector<double> sums = BoxFilter(grid, gridWidth, gridHeight, windowWidth, windowHeight);
  const double whole = 255.0 * windowWidth * windowHeight;
  for (double& s : sums) s /= whole;
  return sums;
}

std::vector<double> CPPDrawManager::BoxFilter(std::span<const double> grid, int gridWidth,
                                              int gridHeight, int windowWidth, int windowHeight) {
  const int outWidth = gridWidth - windowWidth + 1, outHeight = gridHeight - windowHeight + 1;
  if (outWidth <= 0 || outHeight <= 0 || windowWidth < 1 || windowHeight < 1 ||
      grid.size() < static_cast<std::size_t>(gridWidth) * static_cast<std::size_t>(gridHeight)) {
    return {};
  }
  // Window sums along each row, then the sums of those down each column.
  std::vector<double> rows(static_cast<std::size_t>(outWidth) * gridHeight);
  for (int r = 0; r < gridHeight; ++r) {
    const double* in = &grid[static_cast<std::size_t>(r) * gridWidth];
    double sum = 0;
    for (int c = 0; c < windowWidth; ++c) sum += in[c];
    for (int c = 0; c < outWidth; ++c) {
      rows[static_cast<std::size_t>(r) * outWidth + c] = sum;
      if (c + windowWidth < gridWidth) sum += in[c + windowWidth] - in[c];
    }
  }
  std::vector<double> out(static_cast<std::size_t>(outWidth) * outHeight);
  for (int c = 0; c < outWidth; ++c) {
    double sum = 0;
    for (int r = 0; r < windowHeight; ++r) sum += rows[static_cast<std::size_t>(r) * outWidth + c];
    for (int r = 0; r < outHeight; ++r) {
      out[static_cast<std::size_t>(r) * outWidth + c] = sum;
      if (r + windowHeight < gridHeight)
        sum += rows[static_cast<std::size_t>(r + windowHeight) * outWidth + c] -
               rows[static_cast<std::size_t>(r) * outWidth + c];
    }
  }
  return out;
}

void CPPDrawManager::AlphaChannelBitBlt(PixelSurface& target, int x, int y, int width, int height,
                                        const PixelSurface& source, int sourceX, int sourceY) {
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const DibPixel s = source.GetPixel(sourceX + col, sourceY + row);
      const double a = (s >> 24) / 255.0;
      target.SetPixel(
          x + col, y + row,
          MixColors(s & 0xFFFFFF, a, target.GetPixel(x + col, y + row) & 0xFFFFFF, 1.0 - a));
    }
}

void CPPDrawManager::AlphaBitBlt(PixelSurface& target, int x, int y, int width, int height,
                                 const PixelSurface& source, int sourceX, int sourceY,
                                 int percent) {
  if (percent >= 100) {
    BitBlt(target, x, y, width, height, source, sourceX, sourceY);
    return;
  }
  const double f = std::max(percent, 0) / 100.0;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      target.SetPixel(x + col, y + row,
                      MixColors(source.GetPixel(sourceX + col, sourceY + row) & 0xFFFFFF, f,
                                target.GetPixel(x + col, y + row) & 0xFFFFFF, 1.0 - f));
}

void CPPDrawManager::MultiplyPixels(PixelSurface& dc, int x, int y, int width, int height,
                                    std::span<const double> factors) {
  if (width <= 0 || height <= 0) return;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const std::size_t i = static_cast<std::size_t>(row) * width + col;
      if (i >= factors.size()) return;
      const DibPixel p = dc.GetPixel(x + col, y + row);
      dc.SetPixel(x + col, y + row, (p & kAlphaMask) | ScaleColor(p & 0xFFFFFF, factors[i]));
    }
}

std::vector<double> CPPDrawManager::MakeShadowFactors(const PixelSurface& mask, bool blur,
                                                      int windowWidth, int windowHeight) {
  if (blur) return BlurMask(mask.Width(), mask.Height(), mask.Pixels(), windowWidth, windowHeight);
  std::vector<double> factors;
  for (DibPixel p : mask.Pixels()) factors.push_back(static_cast<double>((p & 0xFF) / 255));
  return factors;
}
