// Bitmaps written by the DIB helper read back through the toolkit's own BMP decoder pixel for
// pixel, a DIB drawn on a device context, and the drawing manager's fills shown in a window (a
// screenshot in the build tree).
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <filesystem>

#include "tests/gui/ToolkitTestUtil.h"
#include "unreferenced/CeXDib.h"
#include "unreferenced/DrawManager.h"
#include "unreferenced/wx/SurfaceBitmap.h"

namespace {

struct Rgb {
  int r, g, b;
};

Rgb PaletteColour(int i) {
  return {(i * 37 + 11) % 256, (i * 91 + 3) % 256, (i * 53 + 200) % 256};
}

// Fills a bitmap with a pattern; returns the colour expected at each pixel.
Rgb Fill(CCeXDib& dib, int x, int y) {
  const int bits = dib.GetBitCount();
  if (bits == 24) {
    const Rgb c{x * 19 % 256, y * 40 % 256, (x * y * 7 + 1) % 256};
    std::uint8_t* p = dib.GetBits() + (dib.GetHeight() - 1 - y) * dib.GetLineWidth() + 3 * x;
    p[0] = static_cast<std::uint8_t>(c.b);
    p[1] = static_cast<std::uint8_t>(c.g);
    p[2] = static_cast<std::uint8_t>(c.r);
    return c;
  }
  const int index = (x + 2 * y) % dib.GetNumColors();
  dib.SetPixelIndex(x, y, index);
  return PaletteColour(index);
}

TEST(UnreferencedDrawing, SavedBitmapsReadBackPixelForPixel) {
  wxInitAllImageHandlers();
  const std::string dir = (std::filesystem::temp_directory_path() / "merrowind-dib").string();
  std::filesystem::create_directories(dir);
  for (int bits : {1, 4, 8, 24}) {
    CCeXDib dib;
    // 13 pixels wide: every depth needs row padding.
    ASSERT_NE(dib.Create(13, 5, bits), nullptr);
    for (int i = 0; i < dib.GetNumColors(); ++i) {
      const Rgb c = PaletteColour(i);
      dib.SetPaletteIndex(i, static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                          static_cast<std::uint8_t>(c.b));
    }
    Rgb expected[5][13];
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) expected[y][x] = Fill(dib, x, y);
    const std::string path = dir + "/dib" + std::to_string(bits) + ".bmp";
    ASSERT_EQ(dib.SaveBitmapFile(path), 1);
    wxImage image;
    ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_BMP)) << bits;
    ASSERT_EQ(image.GetWidth(), 13);
    ASSERT_EQ(image.GetHeight(), 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) {
        const Rgb e = expected[y][x];
        ASSERT_EQ(image.GetRed(x, y), e.r) << bits << " bits at " << x << "," << y;
        ASSERT_EQ(image.GetGreen(x, y), e.g) << bits << " bits at " << x << "," << y;
        ASSERT_EQ(image.GetBlue(x, y), e.b) << bits << " bits at " << x << "," << y;
      }
  }
  std::filesystem::remove_all(dir);
}

TEST(UnreferencedDrawing, DibDrawnOnADeviceContext) {
  CCeXDib dib;
  ASSERT_NE(dib.Create(5, 3, 4), nullptr);
  dib.SetPaletteIndex(1, 200, 10, 20);
  dib.SetPixelIndex(0, 0, 1);
  dib.SetPixelIndex(4, 2, 1);
  wxBitmap target(12, 8, 24);
  wxMemoryDC dc(target);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  ASSERT_TRUE(DrawDib(dib, dc, 3, 2));
  const PixelSurface back = SurfaceFromDC(dc, 0, 0, 12, 8);
  EXPECT_EQ(back.GetPixel(3, 2), 0x00C80A14u);
  EXPECT_EQ(back.GetPixel(7, 4), 0x00C80A14u);
  EXPECT_EQ(back.GetPixel(4, 2), 0u);
  EXPECT_EQ(back.GetPixel(2, 2), 0x00FFFFFFu);
  EXPECT_EQ(back.GetPixel(8, 4), 0x00FFFFFFu);
  CCeXDib empty;
  EXPECT_FALSE(DrawDib(empty, dc, 0, 0));
}

TEST(UnreferencedDrawing, FillEffectsInAWindow) {
  guitest::UseBuildBitmaps();
  // Sixteen fills, four to a row, each 120 x 70 with a frame.
  PixelSurface canvas(4 * 130 + 10, 4 * 80 + 10, 0x00FFFFFF);
  CPPDrawManager dm;
  for (int effect = 0; effect < 16; ++effect) {
    const int x = 10 + (effect % 4) * 130, y = 10 + (effect / 4) * 80;
    dm.FillEffect(canvas, effect, {x, y, x + 120, y + 70}, MakeColorRef(250, 230, 40),
                  MakeColorRef(40, 160, 60), MakeColorRef(20, 40, 160), 12, 0);
    dm.DrawRectangle(canvas, x - 1, y - 1, x + 121, y + 71, MakeColorRef(0, 0, 0),
                     MakeColorRef(128, 128, 128), kLineSolid, 1);
  }
  const wxBitmap bitmap = SurfaceToBitmap(canvas);
  auto* frame = new wxFrame(nullptr, wxID_ANY, "fills", wxPoint(40, 40),
                            wxSize(canvas.Width() + 20, canvas.Height() + 40));
  frame->SetBackgroundColour(*wxWHITE);
  frame->Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(frame);
    dc.DrawBitmap(bitmap, 0, 0, false);
  });
  frame->Show();
  guitest::Pump();
  const wxImage screen = guitest::Shot("unreferenced_fills");
  if (screen.IsOk()) {
    // The solid fill shows colour 1.
    EXPECT_TRUE(
        guitest::Near(guitest::PixelAt(screen, frame, {60, 40}), wxColour(250, 230, 40), 0));
  }
  frame->Destroy();
  guitest::Pump(3);
}

}  // namespace
