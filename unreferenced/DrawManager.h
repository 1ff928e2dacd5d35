// The drawing toolkit of the markup drawer: rectangle fills by effect number (solid, gradients,
// noise and bump patterns), styled lines and frames, bitmaps and icons drawn with colour effects,
// transparency, alpha and drop shadows, and tiling. It draws on pixel surfaces, so every result
// is exact without a display.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "unreferenced/CeXDib.h"
#include "unreferenced/PatternRandom.h"
#include "unreferenced/PixelSurface.h"

// Colour and mask pixels of an icon (the mask white where transparent, black where opaque) and
// its hotspot; an icon's size is taken as twice its hotspot.
struct IconImage {
  PixelSurface colour;
  PixelSurface mask;
  int hotspotX = 0;
  int hotspotY = 0;
};

// An icon of the colour pixels and mask (same size) with its hotspot in the middle.
IconImage MakeIconImage(PixelSurface colour, PixelSurface mask);

struct PixelSize {
  int cx = 0;
  int cy = 0;
};

// Effect numbers of FillEffect.
enum FillEffectNumber : int {
  kEffectSolid = 0,
  kEffectHGradient = 1,
  kEffectVGradient = 2,
  kEffectHCGradient = 3,
  kEffectVCGradient = 4,
  kEffect3HGradient = 5,
  kEffect3VGradient = 6,
  kEffectNoise = 7,
  kEffectDiagShade = 8,
  kEffectHShade = 9,
  kEffectVShade = 10,
  kEffectHBump = 11,
  kEffectVBump = 12,
  kEffectSoftBump = 13,
  kEffectHardBump = 14,
  kEffectMetal = 15,
};

// Image effect flags, applied in this order.
inline constexpr unsigned kImageGray = 0x1;
inline constexpr unsigned kImageDarker = 0x2;
inline constexpr unsigned kImageLighter = 0x4;
inline constexpr unsigned kImageMono = 0x8;  // every opaque pixel becomes one colour
inline constexpr unsigned kImageShadow = 0x100;
inline constexpr unsigned kImageSoftShadow = 0x200;
inline constexpr unsigned kImageInvert = 0x8000;

// Line and frame styles; any other value draws solid.
inline constexpr int kLineNone = 0;
inline constexpr int kLineSolid = 1;
inline constexpr int kLineDash = 2;
inline constexpr int kLineDot = 3;
inline constexpr int kLineDashDot = 4;
inline constexpr int kLineDashDotDot = 5;
inline constexpr int kLineDouble = 6;

class CPPDrawManager {
 public:
  CPPDrawManager() = default;
  virtual ~CPPDrawManager() = default;

  // Restarts the pattern fills' random numbers, as srand does.
  void SeedRandom(std::uint32_t seed) { m_Random.Seed(seed); }
  // Set when the last image processed had a non-zero alpha byte in any pixel.
  bool HasAlpha() const { return m_AlphaBitmap != 0; }

  static ColorRef GrayColor(ColorRef colour);
  static DibPixel PixelGrayColor(DibPixel pixel);
  static ColorRef InvertColor(ColorRef colour);
  // Each channel times factor when 0 <= factor < 1, otherwise the colour unchanged.
  static ColorRef ScaleColor(ColorRef colour, double factor);
  // Each channel times (1 + factor), at most 255, when 0 < factor <= 1; otherwise unchanged.
  static ColorRef BrightenColor(ColorRef colour, double factor);
  // Each channel f1 x c1 + f2 x c2, limited to 0..255.
  static ColorRef MixColors(ColorRef c1, double f1, ColorRef c2, double f2);

  // Fills rect by effect number (any unknown number fills with colour 1); an empty rectangle
  // draws nothing.
  void FillEffect(PixelSurface& dc, int effect, const SurfaceRect& rect, ColorRef colour1,
                  ColorRef colour2, ColorRef colour3, int granularity = 5, int blend = 0);
  // 64 bands from start to end, left to right when across, else top to bottom.
  void DrawGradient(PixelSurface& dc, const SurfaceRect& rect, ColorRef start, ColorRef end,
                    bool across);

  // A null or empty bitmap, or a size that is not positive, draws nothing.
  void DrawBitmap(PixelSurface& dc, int x, int y, int width, int height, const PixelSurface* bitmap,
                  bool useMask, ColorRef maskColour, unsigned flags, bool shadow, int shadowDx,
                  int shadowDy, int depthX, int depthY, ColorRef shadowColour);
  void DrawIcon(PixelSurface& dc, int x, int y, int width, int height, const IconImage* icon,
                unsigned flags, bool shadow, int shadowDx, int shadowDy, int depthX, int depthY,
                ColorRef shadowColour);
  // Draws cell index of a strip of cellWidth x cellHeight cells, counted row by row; an index
  // outside the strip or a cell size that is not positive draws nothing.
  void DrawImageList(PixelSurface& dc, int x, int y, int width, int height,
                     const PixelSurface* strip, int index, int cellWidth, int cellHeight,
                     bool useMask, ColorRef maskColour, unsigned flags, bool shadow, int shadowDx,
                     int shadowDy, int depthX, int depthY, ColorRef shadowColour);

  void DrawRectangle(PixelSurface& dc, const SurfaceRect& rect, ColorRef topLeft,
                     ColorRef bottomRight, int style = kLineSolid, int penWidth = 1);
  void DrawRectangle(PixelSurface& dc, int left, int top, int right, int bottom, ColorRef topLeft,
                     ColorRef bottomRight, int style = kLineSolid, int penWidth = 1);
  void DrawLine(PixelSurface& dc, int x1, int y1, int x2, int y2, ColorRef colour,
                int style = kLineSolid, int penWidth = 1);
  // Covers the rectangle with copies of the tile at (sourceX, sourceY) of source, the last
  // column and row clipped.
  void TileBitmap(PixelSurface& target, int left, int top, int width, int height,
                  const PixelSurface& source, int sourceX, int sourceY, int tileWidth,
                  int tileHeight);

  static void GetSizeOfIcon(const IconImage* icon, PixelSize& size);
  static void GetSizeOfBitmap(const PixelSurface* bitmap, PixelSize& size);
  static IconImage StretchIcon(const IconImage& icon, int width, int height);

  // A width x height copy of bitmap with the effects applied; pixels equal to the mask colour
  // (with useMask) become black before inversion. Each pixel keeps its alpha byte.
  PixelSurface CreateImageEffect(const PixelSurface& bitmap, int width, int height, unsigned flags,
                                 bool useMask, ColorRef maskColour, ColorRef newColour);
  // Darkens the dc under the silhouette (its low byte: 255 leaves a pixel, 0 makes it black);
  // soft shadows blur it with a window of the depths made odd. A soft shadow deeper than the
  // shape draws nothing.
  void DrawShadow(PixelSurface& dc, int x, int y, int width, int height,
                  const PixelSurface& silhouette, bool soft, int depthX, int depthY);
  // Per pixel of a width x height area: the white fraction of the window around it.
  static std::vector<double> BlurMask(int width, int height, std::span<const DibPixel> pixels,
                                      int windowWidth, int windowHeight);
  // Sums of every windowWidth x windowHeight window of a grid, rows first, by running sums.
  static std::vector<double> BoxFilter(std::span<const double> grid, int gridWidth, int gridHeight,
                                       int windowWidth, int windowHeight);
  // Blends source over target by each source pixel's alpha byte.
  void AlphaChannelBitBlt(PixelSurface& target, int x, int y, int width, int height,
                          const PixelSurface& source, int sourceX, int sourceY);
  // Blends source over target at a fixed percentage; a plain copy from 100 up.
  void AlphaBitBlt(PixelSurface& target, int x, int y, int width, int height,
                   const PixelSurface& source, int sourceX, int sourceY, int percent);
  // Scales each pixel of the area by its own factor (rows from the top).
  void MultiplyPixels(PixelSurface& dc, int x, int y, int width, int height,
                      std::span<const double> factors);
  // Shadow factors of a whole mask: blurred, or the low byte / 255 in whole numbers (0 or 1).
  static std::vector<double> MakeShadowFactors(const PixelSurface& mask, bool blur, int windowWidth,
                                               int windowHeight);

 private:
  void MakePatternDib(PixelSurface& dc, int effect, const SurfaceRect& rect, ColorRef colour1,
                      ColorRef colour2, ColorRef colour3, int granularity, int blend);
  void WritePatternIndices(int effect, int granularity);
  void DrawMaskedImage(PixelSurface& dc, int x, int y, int width, int height,
                       const PixelSurface& mask, const PixelSurface& image);

  // Holds the pattern of the last pattern fill.
  CCeXDib m_Dib;
  std::uint32_t m_AlphaBitmap = 0;
  PatternRandom m_Random;
};
