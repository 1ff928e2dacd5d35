// The splash window: shaped by its key colour, two at once, gone after its time-out, and hidden
// by a click when asked to; a screenshot in the build tree shows both.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/weakref.h>

#include "tests/gui/GuiTestUtil.h"
#include "unreferenced/wx/SplashScreenEx.h"
#include "unreferenced/wx/SurfaceBitmap.h"

namespace {

// A dark blue disc with a lighter band on a magenta key background.
wxBitmap DiscBitmap(int width, int height) {
  wxBitmap bitmap(width, height, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(255, 0, 255)));
  dc.Clear();
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(wxColour(20, 40, 120)));
  dc.DrawEllipse(0, 0, width, height);
  dc.SetBrush(wxBrush(wxColour(60, 110, 200)));
  dc.DrawRectangle(width / 8, height / 2 - 14, width * 3 / 4, 28);
  return bitmap;
}

ColorRef ScreenColour(int x, int y) {
  wxScreenDC screen;
  return SwapRedBlue(SurfaceFromDC(screen, x, y, 1, 1).GetPixel(0, 0)) & 0xFFFFFFu;
}

TEST(SplashScreen, ShapedTimedAndHiddenByAClick) {
  wxWeakRef<CSplashScreenEx> first = new CSplashScreenEx;
  ASSERT_TRUE(first->Create(nullptr, "Merrowind is starting", 1500,
                            CSS_CENTERSCREEN | CSS_FADEIN | CSS_FADEOUT));
  ASSERT_TRUE(first->SetBitmap(DiscBitmap(320, 160), 255, 0, 255));
  first->SetTextColor(*wxWHITE);
  first->SetTextFont("Sans", 140, CSS_FONT_BOLD);
  // The disc's rows: the bottom row is the first run, and no run covers a key pixel.
  ASSERT_FALSE(first->RegionRuns().empty());
  EXPECT_EQ(first->RegionRuns().front().top, 159);
  for (const SurfaceRect& run : first->RegionRuns()) EXPECT_LT(run.Width(), 321);

  // A second one while the first is up: it keeps its rectangle and has no time-out.
  wxWeakRef<CSplashScreenEx> second = new CSplashScreenEx;
  ASSERT_TRUE(second->Create(nullptr, "Second window", 0, CSS_HIDEONCLICK));
  ASSERT_TRUE(second->SetBitmap(DiscBitmap(200, 100), -1, 0, 255));
  EXPECT_TRUE(second->RegionRuns().empty());
  second->SetTextColor(*wxWHITE);

  first->Show();
  second->Show();
  guitest::Pump(40);
  ASSERT_TRUE(first && second);
  guitest::SaveScreenshot("splash_screens");

  const wxPoint at = first->GetScreenPosition();
  EXPECT_EQ(at, first->WindowPosition());
  // Inside the disc the bitmap shows; in the key-coloured corner the window is cut away.
  EXPECT_EQ(ScreenColour(at.x + 160, at.y + 20), 0x782814u);
  EXPECT_NE(ScreenColour(at.x + 3, at.y + 3), 0xFF00FFu);
  // The rectangular one shows its key colour in its corner.
  const wxPoint second_at = second->GetScreenPosition();
  EXPECT_EQ(ScreenColour(second_at.x + 2, second_at.y + 2), 0xFF00FFu);

  // The time-out hides the first and fades it out; the window then deletes itself.
  for (int i = 0; i < 150 && first; ++i) guitest::Pump(1);
  EXPECT_FALSE(first);
  ASSERT_TRUE(second);

  wxMouseEvent click(wxEVT_LEFT_DOWN);
  click.SetEventObject(second.get());
  second->GetEventHandler()->ProcessEvent(click);
  guitest::Pump(5);
  EXPECT_FALSE(second);
}

}  // namespace
