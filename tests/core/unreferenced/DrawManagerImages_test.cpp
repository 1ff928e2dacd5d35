#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "unreferenced/DrawManager.h"

namespace {

constexpr DibPixel kBack = 0x00C0C0C0;
constexpr ColorRef kMagenta = MakeColorRef(255, 0, 255);
constexpr ColorRef kBlack = 0;
constexpr ColorRef kWhite = MakeColorRef(255, 255, 255);
constexpr DibPixel kPixelMagenta = 0x00FF00FF;
constexpr DibPixel kPixelRed = 0x00FF0000;  // red in a pixel is the third byte
constexpr DibPixel kPixelWhite = 0x00FFFFFF;

// A 3 x 2 picture: magenta (the mask colour) in its top-left corner, red elsewhere but one blue.
PixelSurface Picture() {
  PixelSurface p(3, 2, kPixelRed);
  p.SetPixel(0, 0, kPixelMagenta);
  p.SetPixel(2, 1, 0x000000FF);
  return p;
}

void Draw(CPPDrawManager& dm, PixelSurface& dc, const PixelSurface& bitmap, bool useMask,
          unsigned flags, bool shadow = false, ColorRef shadowColour = kBlack) {
  dm.DrawBitmap(dc, 1, 1, bitmap.Width(), bitmap.Height(), &bitmap, useMask, kMagenta, flags,
                shadow, 2, 2, 0, 0, shadowColour);
}

TEST(DrawManagerImages, MaskColourPixelsLeaveTheBackground) {
  CPPDrawManager dm;
  const PixelSurface bitmap = Picture();
  PixelSurface masked(6, 5, kBack);
  Draw(dm, masked, bitmap, true, 0);
  EXPECT_EQ(masked.GetPixel(1, 1), kBack);
  EXPECT_EQ(masked.GetPixel(2, 1), kPixelRed);
  EXPECT_EQ(masked.GetPixel(3, 2), 0x000000FFu);
  EXPECT_EQ(masked.GetPixel(4, 1), kBack);

  // Without the mask the whole rectangle is covered.
  PixelSurface covered(6, 5, kBack);
  Draw(dm, covered, bitmap, false, 0);
  EXPECT_EQ(covered.GetPixel(1, 1), kPixelMagenta);
  EXPECT_EQ(covered.GetPixel(2, 1), kPixelRed);
  EXPECT_FALSE(dm.HasAlpha());
}

TEST(DrawManagerImages, EffectsApplyToOpaquePixels) {
  struct Case {
    unsigned flags;
    DibPixel red;  // what a red pixel becomes
  };
  const Case cases[] = {
      {kImageGray, 0x004C4C4C},     // 0.299 x 255 = 76
      {kImageDarker, 0x00BF0000},   // x 0.75
      {kImageLighter, 0x00FF0000},  // x 1.25, at most 255
      {kImageMono, 0x00030201},     // the new colour (1, 2, 3)
      {kImageInvert, 0x0000FFFF},
      {kImageGray | kImageInvert, 0x00B3B3B3},  // grey first, then inverted
  };
  for (const Case& c : cases) {
    CPPDrawManager dm;
    PixelSurface dc(6, 5, kBack);
    dm.DrawBitmap(dc, 1, 1, 3, 2, std::make_unique<PixelSurface>(Picture()).get(), true, kMagenta,
                  c.flags, false, 0, 0, 0, 0, MakeColorRef(3, 2, 1));
    EXPECT_EQ(dc.GetPixel(2, 1), c.red) << std::hex << c.flags;
    // The mask-colour pixel stays clear, inverted or not.
    EXPECT_EQ(dc.GetPixel(1, 1), kBack) << std::hex << c.flags;
  }
}

TEST(DrawManagerImages, ImageEffectKeepsAlphaAndNotesIt) {
  CPPDrawManager dm;
  PixelSurface bitmap(2, 1, kPixelMagenta);
  bitmap.SetPixel(1, 0, 0x80FF00FF);  // magenta with alpha never matches the mask colour
  const PixelSurface image = dm.CreateImageEffect(bitmap, 2, 1, kImageInvert, true, kMagenta, 0);
  EXPECT_EQ(image.GetPixel(0, 0), kPixelWhite);
  EXPECT_EQ(image.GetPixel(1, 0), 0x8000FF00u);
  EXPECT_TRUE(dm.HasAlpha());
}

TEST(DrawManagerImages, AlphaPixelsBlendOverTheBackground) {
  CPPDrawManager dm;
  PixelSurface bitmap(2, 1, 0xFF0000FFu);  // opaque blue
  bitmap.SetPixel(1, 0, 0x00FF0000u);      // fully transparent red
  PixelSurface dc(2, 1, 0x00202020);
  dm.DrawBitmap(dc, 0, 0, 2, 1, &bitmap, false, kMagenta, 0, false, 0, 0, 0, 0, kBlack);
  EXPECT_TRUE(dm.HasAlpha());
  EXPECT_EQ(dc.GetPixel(0, 0), 0x000000FFu);
  EXPECT_EQ(dc.GetPixel(1, 0), 0x00202020u);

  PixelSurface half(1, 1, 0x80FF0000u);
  PixelSurface over(1, 1, 0x000000FF);
  dm.AlphaChannelBitBlt(over, 0, 0, 1, 1, half, 0, 0);
  EXPECT_EQ(over.GetPixel(0, 0), 0x0080007Fu);  // 128/255 of red, 127/255 of blue
  dm.AlphaBitBlt(over, 0, 0, 1, 1, PixelSurface(1, 1, 0x00C8C8C8), 0, 0, 50);
  EXPECT_EQ(over.GetPixel(0, 0), 0x00A464A3u);
  dm.AlphaBitBlt(over, 0, 0, 1, 1, PixelSurface(1, 1, 0x00010203), 0, 0, 150);
  EXPECT_EQ(over.GetPixel(0, 0), 0x00010203u);
}

TEST(DrawManagerImages, StretchedBitmapsFillTheirRectangle) {
  CPPDrawManager dm;
  PixelSurface bitmap(2, 1, kPixelRed);
  bitmap.SetPixel(1, 0, 0x000000FF);
  PixelSurface dc(4, 2, kBack);
  dm.DrawBitmap(dc, 0, 0, 4, 2, &bitmap, false, kMagenta, 0, false, 0, 0, 0, 0, kBlack);
  EXPECT_EQ(dc.GetPixel(1, 1), kPixelRed);
  EXPECT_EQ(dc.GetPixel(2, 0), 0x000000FFu);
  EXPECT_EQ(dc.GetPixel(3, 1), 0x000000FFu);
}

TEST(DrawManagerImages, NothingToDrawDrawsNothing) {
  CPPDrawManager dm;
  const PixelSurface bitmap = Picture();
  const PixelSurface empty;
  PixelSurface dc(6, 5, kBack);
  dm.DrawBitmap(dc, 0, 0, 3, 2, nullptr, false, 0, 0, false, 0, 0, 0, 0, 0);
  dm.DrawBitmap(dc, 0, 0, 3, 2, &empty, false, 0, 0, false, 0, 0, 0, 0, 0);
  dm.DrawBitmap(dc, 0, 0, 0, 2, &bitmap, false, 0, 0, false, 0, 0, 0, 0, 0);
  dm.DrawBitmap(dc, 0, 0, 3, -1, &bitmap, false, 0, 0, false, 0, 0, 0, 0, 0);
  dm.DrawIcon(dc, 0, 0, 3, 2, nullptr, 0, false, 0, 0, 0, 0, 0);
  // Cells of zero size, and indices at or past the number of cells.
  for (auto [index, cw, ch] :
       {std::tuple{0, 0, 1}, {0, 1, 0}, {6, 1, 1}, {-1, 1, 1}, {1, 2, 2}, {0, 4, 1}}) {
    dm.DrawImageList(dc, 0, 0, 1, 1, &bitmap, index, cw, ch, false, 0, 0, false, 0, 0, 0, 0, 0);
  }
  for (DibPixel p : dc.Pixels()) ASSERT_EQ(p, kBack);
}

TEST(DrawManagerImages, ImageListCellsCountRowByRow) {
  // A strip of 3 x 2 one-pixel cells, numbered by their pixel value.
  PixelSurface strip(3, 2);
  for (int i = 0; i < 6; ++i) strip.SetPixel(i % 3, i / 3, static_cast<DibPixel>(0x10 * (i + 1)));
  CPPDrawManager dm;
  for (int index = 0; index < 6; ++index) {
    PixelSurface dc(2, 2, kBack);
    dm.DrawImageList(dc, 1, 1, 1, 1, &strip, index, 1, 1, false, 0, 0, false, 0, 0, 0, 0, 0);
    EXPECT_EQ(dc.GetPixel(1, 1), static_cast<DibPixel>(0x10 * (index + 1))) << index;
    EXPECT_EQ(dc.GetPixel(0, 0), kBack);
  }
}

TEST(DrawManagerImages, HardShadowScalesTheBackgroundByTheShadowColour) {
  CPPDrawManager dm;
  const PixelSurface bitmap = Picture();
  for (auto [shadowColour, expected] :
       {std::pair{kBlack, DibPixel{0}}, {MakeColorRef(0, 0, 128), DibPixel{0x00606060}}}) {
    PixelSurface dc(7, 6, kBack);
    Draw(dm, dc, bitmap, true, kImageShadow, true, shadowColour);
    // The shadow lies 2 right and 2 down; its clear corner leaves the background.
    EXPECT_EQ(dc.GetPixel(3, 3), kBack);
    EXPECT_EQ(dc.GetPixel(5, 4), expected) << std::hex << expected;
    EXPECT_EQ(dc.GetPixel(2, 1), kPixelRed);  // the picture lies over its shadow
    EXPECT_EQ(dc.GetPixel(6, 5), kBack);
  }
}

TEST(DrawManagerImages, ShadowWithoutShadowFlagsIsTheImageItself) {
  CPPDrawManager dm;
  const PixelSurface bitmap = Picture();
  PixelSurface dc(7, 6, kBack);
  Draw(dm, dc, bitmap, true, 0, true);
  EXPECT_EQ(dc.GetPixel(3, 3), kBack);
  EXPECT_EQ(dc.GetPixel(4, 3), kPixelRed);
  EXPECT_EQ(dc.GetPixel(5, 4), 0x000000FFu);
}

TEST(DrawManagerImages, SoftShadowWindowIsTheDepthMadeOdd) {
  // A black square in a white 12 x 12 silhouette: depths 4 and 5 give the same shadow.
  PixelSurface silhouette(12, 12, kPixelWhite);
  silhouette.FillRect({0, 0, 12, 12}, 0);
  CPPDrawManager dm;
  PixelSurface a(14, 14, kBack), b(14, 14, kBack);
  dm.DrawShadow(a, 1, 1, 12, 12, silhouette, true, 4, 4);
  dm.DrawShadow(b, 1, 1, 12, 12, silhouette, true, 5, 5);
  EXPECT_TRUE(std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin()));
  // The shadow shape is inset by 2 on each side; its middle is black, its corner a 5 x 5 window
  // of which only the one pixel at the inset corner is dark.
  EXPECT_EQ(a.GetPixel(7, 7), 0u);
  EXPECT_EQ(a.GetPixel(1, 1), CPPDrawManager::ScaleColor(kBack, 24.0 / 25.0));
  EXPECT_EQ(a.GetPixel(0, 0), kBack);

  // A window as large as the shape leaves no shadow at all.
  for (int depth : {12, 13, 30}) {
    PixelSurface dc(14, 14, kBack);
    dm.DrawShadow(dc, 1, 1, 12, 12, silhouette, true, depth, 3);
    for (DibPixel p : dc.Pixels()) ASSERT_EQ(p, kBack) << depth;
  }
}

TEST(DrawManagerImages, BlurAndBoxSums) {
  // One black pixel in a 3 x 3 white area; a 3 x 3 window reaches it from every pixel.
  std::vector<DibPixel> pixels(9, kPixelWhite);
  pixels[4] = 0;
  const std::vector<double> blurred = CPPDrawManager::BlurMask(3, 3, pixels, 3, 3);
  ASSERT_EQ(blurred.size(), 9u);
  for (double f : blurred) EXPECT_DOUBLE_EQ(f, 8.0 / 9.0);
  const double grid[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // 4 wide, 3 high
  EXPECT_EQ(CPPDrawManager::BoxFilter(grid, 4, 3, 2, 2),
            (std::vector<double>{14, 18, 22, 30, 34, 38}));
  EXPECT_EQ(CPPDrawManager::BoxFilter(grid, 4, 3, 5, 1), std::vector<double>());

  PixelSurface mask(2, 1, kPixelWhite);
  mask.SetPixel(1, 0, 0x000000FE);
  EXPECT_EQ(CPPDrawManager::MakeShadowFactors(mask, false, 1, 1), (std::vector<double>{1, 0}));
  PixelSurface dc(2, 1, 0x00646464);
  CPPDrawManager dm;
  const double factors[] = {0.5, 1.0};
  dm.MultiplyPixels(dc, 0, 0, 2, 1, factors);
  EXPECT_EQ(dc.GetPixel(0, 0), 0x00323232u);
  EXPECT_EQ(dc.GetPixel(1, 0), 0x00646464u);
}

TEST(DrawManagerImages, IconsDrawThroughTheirOwnMask) {
  PixelSurface colour(4, 4, 0x0000FF00);
  PixelSurface mask(4, 4, 0);
  colour.SetPixel(0, 0, 0);  // clear corner: black colour, white mask
  mask.SetPixel(0, 0, kPixelWhite);
  const IconImage icon = MakeIconImage(colour, mask);
  PixelSize size;
  CPPDrawManager::GetSizeOfIcon(&icon, size);
  EXPECT_EQ(size.cx, 4);
  CPPDrawManager::GetSizeOfIcon(nullptr, size);
  EXPECT_EQ(size.cx, 0);

  CPPDrawManager dm;
  PixelSurface dc(6, 6, kBack);
  dm.DrawIcon(dc, 1, 1, 4, 4, &icon, 0, false, 0, 0, 0, 0, kBlack);
  EXPECT_EQ(dc.GetPixel(1, 1), kBack);
  EXPECT_EQ(dc.GetPixel(2, 1), 0x0000FF00u);
  // Single colour: the mask's shape in the shadow colour.
  PixelSurface mono(6, 6, kBack);
  dm.DrawIcon(mono, 1, 1, 4, 4, &icon, kImageMono, false, 0, 0, 0, 0, MakeColorRef(9, 8, 7));
  EXPECT_EQ(mono.GetPixel(1, 1), kBack);
  EXPECT_EQ(mono.GetPixel(4, 4), 0x00090807u);
  // Stretched to twice its size, the clear corner covers 2 x 2 pixels.
  PixelSurface big(10, 10, kBack);
  dm.DrawIcon(big, 1, 1, 8, 8, &icon, 0, false, 0, 0, 0, 0, kBlack);
  EXPECT_EQ(big.GetPixel(2, 2), kBack);
  EXPECT_EQ(big.GetPixel(3, 2), 0x0000FF00u);
  EXPECT_EQ(big.GetPixel(8, 8), 0x0000FF00u);
}

}  // namespace
