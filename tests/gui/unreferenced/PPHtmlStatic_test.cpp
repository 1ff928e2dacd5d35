// The markup static control on screen: its background and text, a table, a gradient in a framed
// rounded region, a disabled copy, and links that react to hover and clicks.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include "tests/gui/ToolkitTestUtil.h"
#include "platform/FakeShellLauncher.h"
#include "unreferenced/wx/PPHtmlStatic.h"

namespace {

const wxColour kLightBlue(192, 224, 255);

const std::u16string kMarkup =
    u"<h2>Recovered files</h2><br>"
    u"Three files came back from the deleted folder. <b>Bold</b>, <i>italic</i> and "
    u"<a href=\"https://example.org/\">a link</a>.<br>"
    u"<table border=1 cellpadding=3 cellspacing=1 bgcolor=#ffffcc>"
    u"<tr><td><b>Name</b></td><td><b>Size</b></td></tr>"
    u"<tr><td>photo.jpg</td><td align=right>2 MB</td></tr>"
    u"<tr><td>letter.doc</td><td align=right>48 KB</td></tr></table>";

int CountNear(const wxImage& screen, const wxWindow* window, wxRect area, const wxColour& colour,
              int tolerance) {
  int count = 0;
  for (int y = area.y; y < area.GetBottom(); ++y)
    for (int x = area.x; x < area.GetRight(); ++x)
      if (guitest::Near(guitest::PixelAt(screen, window, {x, y}), colour, tolerance)) ++count;
  return count;
}

void Mouse(wxWindow* window, wxEventType type, wxPoint at) {
  wxMouseEvent event(type);
  event.SetPosition(at);
  event.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(event);
}

wxPoint Centre(const HtmlLinkArea& a) {
  return {(a.left + a.right) / 2, (a.top + a.bottom) / 2};
}

TEST(PPHtmlStatic, ShowsMarkupAndFollowsLinks) {
  guitest::UseBuildBitmaps();
  ScopedFakeLauncher launcher;
  auto* frame = new wxFrame(nullptr, wxID_ANY, "markup static", wxPoint(30, 30), wxSize(660, 330));
  frame->SetBackgroundColour(*wxWHITE);
  auto* text = new CPPHtmlStatic(frame, wxID_ANY, "", wxPoint(10, 10), wxSize(400, 270));
  text->SetBkColor(MakeColorRef(kLightBlue.Red(), kLightBlue.Green(), kLightBlue.Blue()));
  text->SetMargins(8, 6);
  text->SetText(kMarkup);

  auto* fancy = new CPPHtmlStatic(frame, wxID_ANY, "", wxPoint(420, 10), wxSize(220, 120),
                                  wxALIGN_CENTRE_HORIZONTAL | wxALIGN_CENTRE_VERTICAL);
  fancy->SetBkColor(MakeColorRef(255, 255, 255), MakeColorRef(120, 160, 220));
  fancy->SetBkEffect(kEffectVGradient, 5);
  fancy->SetRoundRect(30, 30);
  fancy->SetFrameBrush(*wxBLACK_BRUSH, 2, 2);
  fancy->SetHyperlink(u"Tell the parent", u"note", true);
  fancy->SetCallbackHyperlink(1234, 7);
  wxString told;
  int toldId = 0;
  long toldParameter = 0;
  frame->Bind(EVT_PPHTMLSTATIC_HYPERLINK, [&](wxCommandEvent& e) {
    told = e.GetString();
    toldId = e.GetId();
    toldParameter = e.GetExtraLong();
  });

  auto* disabled = new CPPHtmlStatic(frame, wxID_ANY, "<b>Disabled</b> text, engraved",
                                     wxPoint(420, 140), wxSize(220, 40));
  disabled->Disable();

  frame->Show();
  guitest::Pump();
  wxImage screen = guitest::Shot("html_static");
  ASSERT_TRUE(screen.IsOk());

  // The background fills the control; the text and the heading's colour are on it.
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, text, {396, 266}), kLightBlue));
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, text, {2, 2}), kLightBlue));
  EXPECT_GT(CountNear(screen, text, {0, 0, 400, 60}, *wxBLACK, 60), 30);
  EXPECT_GT(CountNear(screen, text, {0, 0, 400, 30}, wxColour(255, 153, 0), 40), 10);
  EXPECT_GT(CountNear(screen, text, {0, 60, 400, 200}, wxColour(255, 255, 204), 4), 500);
  // Outside the rounded region the frame's white shows; its frame is black.
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, fancy, {1, 1}), *wxWHITE));
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, fancy, {110, 1}), *wxBLACK, 40));
  EXPECT_TRUE(
      guitest::Near(guitest::PixelAt(screen, fancy, {110, 110}), wxColour(120, 160, 220), 30));

  // Hover over the link: the drawer knows it; a click opens it through the launcher.
  ASSERT_EQ(text->GetDrawer().LinkAreas().size(), 1u);
  const wxPoint link = Centre(text->GetDrawer().LinkAreas()[0]);
  Mouse(text, wxEVT_MOTION, link);
  EXPECT_EQ(text->GetDrawer().HoveredLink(), 0);
  guitest::Pump();
  guitest::Shot("html_static_hover");
  Mouse(text, wxEVT_LEFT_DOWN, link);
  EXPECT_EQ(launcher.fake.opened, std::vector<std::string>{"https://example.org/"});
  Mouse(text, wxEVT_LEAVE_WINDOW, {-5, -5});
  EXPECT_EQ(text->GetDrawer().HoveredLink(), -2);

  // A message link goes to the parent.
  ASSERT_EQ(fancy->GetDrawer().LinkAreas().size(), 1u);
  Mouse(fancy, wxEVT_LEFT_DOWN, Centre(fancy->GetDrawer().LinkAreas()[0]));
  guitest::Pump(3);
  EXPECT_EQ(told, "note");
  EXPECT_EQ(toldId, 1234);
  EXPECT_EQ(toldParameter, 7);

  // A disabled control's links do nothing.
  disabled->SetHyperlink(u"off", u"https://example.com/", false);
  guitest::Pump();
  if (!disabled->GetDrawer().LinkAreas().empty())
    Mouse(disabled, wxEVT_LEFT_DOWN, Centre(disabled->GetDrawer().LinkAreas()[0]));
  EXPECT_EQ(launcher.fake.opened.size(), 1u);

  // An animation stands still until the timer gets an interval.
  HtmlResourceTable pictures;
  pictures.AddBitmapHandle(0x40, PixelSurface(40, 10, 0x000000FF));  // four 10 x 10 frames
  auto* strip = new CPPHtmlStatic(frame, wxID_ANY, "", wxPoint(420, 190), wxSize(60, 30));
  strip->GetDrawer().SetResources(&pictures);
  strip->SetAnimation(HtmlImageSource::Handle(0x40), 10, 10);
  guitest::Pump();
  EXPECT_FALSE(strip->IsAnimating());
  ASSERT_EQ(strip->GetDrawer().Animations().size(), 1u);
  EXPECT_EQ(strip->GetDrawer().Animations()[0].frame, 0);
  strip->SetAnimationTimer(20);
  EXPECT_TRUE(strip->IsAnimating());
  EXPECT_TRUE(guitest::PumpUntil([&] {
    return !strip->GetDrawer().Animations().empty() &&
           strip->GetDrawer().Animations()[0].frame != 0;
  }));
  strip->StopAnimation();

  frame->Destroy();
  guitest::Pump(3);
}

// In the parent's-background mode the control shows a copy of what lies under it, each stripe of
// the parent where it lies behind the control.
TEST(PPHtmlStatic, TheParentsPixelsShowUnderTheMarkup) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "markup over stripes", wxPoint(30, 30),
                            wxSize(300, 160));
  auto* panel = new wxPanel(frame);
  guitest::PaintStripes(panel);
  auto* text = new CPPHtmlStatic(panel, wxID_ANY, "", wxPoint(20, 20), wxSize(200, 80));
  text->SetBkMode(1);
  text->SetText(u"<b>over the stripes</b>");
  frame->Show();
  guitest::Pump();
  wxImage screen = guitest::Shot("html_static_parent_pixels");
  ASSERT_TRUE(screen.IsOk());
  // The control starts at x 20, on a red stripe; x 15 of it lies on a green one. Row 70 holds
  // no text.
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, text, {5, 70}), wxColour(200, 0, 0)));
  EXPECT_TRUE(guitest::Near(guitest::PixelAt(screen, text, {15, 70}), wxColour(0, 160, 0)));
  frame->Destroy();
  guitest::Pump(3);
}

}  // namespace
