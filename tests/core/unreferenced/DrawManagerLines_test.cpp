#include <gtest/gtest.h>

#include <string>

#include "unreferenced/DrawManager.h"

namespace {

constexpr DibPixel kBack = 0x00C0C0C0;
constexpr ColorRef kRed = MakeColorRef(255, 0, 0);
constexpr ColorRef kBlue = MakeColorRef(0, 0, 255);

// One character per pixel: '.' background, 'r' red, 'b' blue, '?' anything else.
std::string Picture(const PixelSurface& s) {
  std::string out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const DibPixel p = s.GetPixel(x, y);
      out += p == kBack ? '.' : p == SwapRedBlue(kRed) ? 'r' : p == SwapRedBlue(kBlue) ? 'b' : '?';
    }
    out += '\n';
  }
  return out;
}

TEST(DrawManagerLines, FrameSidesTakeTheirColoursAndStopShortOfTheirEnds) {
  CPPDrawManager dm;
  PixelSurface dc(6, 5, kBack);
  dm.DrawRectangle(dc, {1, 1, 5, 4}, kRed, kBlue);
  EXPECT_EQ(Picture(dc),
            "......\n"
            ".rrrrb\n"
            ".r...b\n"
            ".r...b\n"
            ".rbbbb\n");
}

TEST(DrawManagerLines, NoStyleNoWidthOrNoAreaDrawsNothing) {
  CPPDrawManager dm;
  PixelSurface dc(6, 5, kBack);
  dm.DrawRectangle(dc, {1, 1, 5, 4}, kRed, kBlue, kLineNone, 1);
  dm.DrawRectangle(dc, {1, 1, 5, 4}, kRed, kBlue, kLineSolid, 0);
  dm.DrawRectangle(dc, {1, 1, 5, 4}, kRed, kBlue, kLineSolid, -2);
  dm.DrawRectangle(dc, {4, 1, 1, 4}, kRed, kBlue, kLineSolid, 1);
  dm.DrawLine(dc, 0, 0, 5, 0, kRed, kLineNone, 1);
  dm.DrawLine(dc, 0, 0, 5, 0, kRed, kLineSolid, 0);
  for (DibPixel p : dc.Pixels()) ASSERT_EQ(p, kBack);
}

TEST(DrawManagerLines, DoubleFrameAddsAnInnerFrameTwoWidthsIn) {
  CPPDrawManager dm;
  PixelSurface dc(9, 9, kBack);
  dm.DrawRectangle(dc, 0, 0, 8, 8, kRed, kRed, kLineDouble, 1);
  EXPECT_EQ(Picture(dc),
            "rrrrrrrrr\n"
            "r.......r\n"
            "r.rrrrr.r\n"
            "r.r...r.r\n"
            "r.r...r.r\n"
            "r.r...r.r\n"
            "r.rrrrr.r\n"
            "r.......r\n"
            "rrrrrrrrr\n");
}

TEST(DrawManagerLines, WidePensAreCentredOnTheFrame) {
  CPPDrawManager dm;
  PixelSurface dc(8, 8, kBack);
  // Width 2: the frame runs on (1, 1, 6, 6), each pixel a 2 x 2 square from one up and left.
  dm.DrawRectangle(dc, 0, 0, 7, 7, kRed, kRed, kLineSolid, 2);
  EXPECT_EQ(Picture(dc),
            "rrrrrrr.\n"
            "rrrrrrr.\n"
            "rr...rr.\n"
            "rr...rr.\n"
            "rr...rr.\n"
            "rrrrrrr.\n"
            "rrrrrrr.\n"
            "........\n");
}

TEST(DrawManagerLines, StylesOfThinLines) {
  struct Case {
    int style;
    const char* row;
  };
  const Case cases[] = {
      {kLineSolid, "rrrrrrrrrrrrrrrrrrr."},
      {kLineDash, "rrrrrr...rrrrrr...r."},
      {kLineDot, "r..r..r..r..r..r..r."},
      {kLineDashDot, "rrrrrr...r...rrrrrr."},
      {kLineDashDotDot, "rrrrrr...r..r...rrr."},
      {kLineDouble, "rrrrrrrrrrrrrrrrrrr."},
      {42, "rrrrrrrrrrrrrrrrrrr."},
  };
  for (const Case& c : cases) {
    CPPDrawManager dm;
    PixelSurface dc(20, 1, kBack);
    dm.DrawLine(dc, 0, 0, 19, 0, kRed, c.style, 1);
    EXPECT_EQ(Picture(dc), std::string(c.row) + "\n") << c.style;
  }
  // Wider pens draw solid whatever the style.
  PixelSurface wide(12, 3, kBack);
  CPPDrawManager dm;
  dm.DrawLine(wide, 1, 1, 11, 1, kRed, kLineDot, 2);
  EXPECT_EQ(Picture(wide), "rrrrrrrrrrr.\nrrrrrrrrrrr.\n............\n");
}

TEST(DrawManagerLines, DoubleLinesLieBelowOrBesideTheFirst) {
  CPPDrawManager dm;
  PixelSurface across(5, 4, kBack);
  dm.DrawLine(across, 0, 0, 4, 0, kRed, kLineDouble, 1);
  EXPECT_EQ(Picture(across), "rrrr.\n.....\nrrrr.\n.....\n");
  PixelSurface down(4, 5, kBack);
  dm.DrawLine(down, 0, 0, 0, 4, kBlue, kLineDouble, 1);
  EXPECT_EQ(Picture(down), "b.b.\nb.b.\nb.b.\nb.b.\n....\n");
  PixelSurface slant(6, 6, kBack);
  dm.DrawLine(slant, 0, 0, 3, 3, kRed, kLineDouble, 1);
  EXPECT_EQ(Picture(slant), "r.....\n.r....\n..r...\n...r..\n....r.\n......\n");
}

TEST(DrawManagerLines, TilesCoverTheRectangleClippedAtItsEdges) {
  PixelSurface tile(2, 2, SwapRedBlue(kRed));
  tile.SetPixel(1, 1, SwapRedBlue(kBlue));
  PixelSurface source(4, 4, kBack);
  BitBlt(source, 1, 1, 2, 2, tile, 0, 0);
  CPPDrawManager dm;
  PixelSurface dc(7, 5, kBack);
  dm.TileBitmap(dc, 1, 1, 5, 3, source, 1, 1, 2, 2);
  EXPECT_EQ(Picture(dc),
            ".......\n"
            ".rrrrr.\n"
            ".rbrbr.\n"
            ".rrrrr.\n"
            ".......\n");
  PixelSurface untouched(3, 3, kBack);
  dm.TileBitmap(untouched, 0, 0, 3, 3, source, 1, 1, 0, 2);
  dm.TileBitmap(untouched, 0, 0, 0, 3, source, 1, 1, 2, 2);
  for (DibPixel p : untouched.Pixels()) ASSERT_EQ(p, kBack);
}

}  // namespace
