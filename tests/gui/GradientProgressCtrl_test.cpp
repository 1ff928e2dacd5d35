// The percentage on the gradient bar can be read wherever it falls: over the dark gradient it is
// drawn light, over the light rest of the bar in the page's black, and a white text asked for
// on the light rest comes out dark.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/settings.h>

#include "ToolkitTestUtil.h"
#include "widgets/wx/GradientProgressCtrl.h"

namespace {

int Luma(const wxColour& c) {
  return (299 * c.Red() + 587 * c.Green() + 114 * c.Blue()) / 1000;
}

// The darkest and the lightest pixel of the screen within a rectangle of the bar's client area.
std::pair<int, int> LumaRange(const wxImage& shot, const wxWindow* bar, const wxRect& r) {
  int dark = 255, light = 0;
  for (int y = r.y; y < r.GetBottom(); ++y)
    for (int x = r.x; x < r.GetRight(); ++x) {
      const int l = Luma(guitest::PixelAt(shot, bar, wxPoint(x, y)));
      dark = std::min(dark, l);
      light = std::max(light, l);
    }
  return {dark, light};
}

TEST(GradientProgressCtrl, ThePercentageStandsOutFromBothPartsOfTheBar) {
  for (const wxColour& text : {*wxBLACK, *wxWHITE}) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bar", wxPoint(40, 40), wxSize(420, 120));
    auto* panel = new wxPanel(frame);
    auto* bar = new CGradientProgressCtrl(panel, wxID_ANY, wxPoint(10, 10), wxSize(400, 30));
    bar->SetShowPercent(true);
    bar->SetTextColour(text);
    wxFont font = bar->GetFont();
    font.SetPointSize(16);
    font.SetWeight(wxFONTWEIGHT_BOLD);
    bar->SetFont(font);
    bar->SetPos(50);  // the text "50 %" straddles the end of the gradient at the middle
    frame->Show();
    guitest::Pump(20);
    const wxImage shot =
        guitest::Shot(text == *wxBLACK ? "gradient-bar-black" : "gradient-bar-white");
    ASSERT_TRUE(shot.IsOk());
    // Left of the middle: the gradient (purple at the middle) with light text on it.
    const auto [filledDark, filledLight] = LumaRange(shot, bar, wxRect(160, 4, 38, 22));
    EXPECT_GE(filledLight - filledDark, 120) << "filled part " << filledDark << " " << filledLight;
    EXPECT_GE(filledLight, 200);
    // Right of the middle: the light rest with dark text on it.
    const auto [restDark, restLight] = LumaRange(shot, bar, wxRect(202, 4, 38, 22));
    EXPECT_GE(restLight - restDark, 120) << "rest " << restDark << " " << restLight;
    EXPECT_LE(restDark, 80);
    frame->Destroy();
    guitest::Pump(3);
  }
}

}  // namespace
