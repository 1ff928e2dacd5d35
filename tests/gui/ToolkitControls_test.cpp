// The toolkit's controls on a real display: each renders (a screenshot per control in the build
// tree) and a few pixels are checked where the drawing rules fix them; glyph pixels never are.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/settings.h>

#include <thread>

#include "ToolkitTestUtil.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/TransparentStatic.h"

namespace {

using guitest::Near;
using guitest::PixelAt;

// A plain white window at a fixed place to hold the controls under test.
class WhiteFrame {
 public:
  WhiteFrame() {
    m_Frame = new wxFrame(nullptr, wxID_ANY, "toolkit", wxPoint(40, 40), wxSize(700, 420));
    m_Frame->SetBackgroundColour(*wxWHITE);
    m_Frame->Show();
    guitest::Pump();
  }
  ~WhiteFrame() {
    m_Frame->Destroy();
    guitest::Pump(3);
  }
  wxFrame* operator->() const { return m_Frame; }
  wxFrame* get() const { return m_Frame; }

 private:
  wxFrame* m_Frame;
};

wxImage StripImage(const char* name) {
  wxImage image;
  image.LoadFile(wxString::FromUTF8(BitmapPath(g_BitmapFolder, name)), wxBITMAP_TYPE_BMP);
  return image;
}

wxColour StripPixel(const wxImage& strip, int frame, int frameWidth, int x, int y) {
  const int sx = frame * frameWidth + x;
  return wxColour(strip.GetRed(sx, y), strip.GetGreen(sx, y), strip.GetBlue(sx, y));
}

TEST(HoverButton, ShowsTheFrameOfItsState) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* ok = new CHoverButton(frame.get(), wxID_OK, "&OK", wxPoint(20, 20));
  auto* next = new CHoverButton(frame.get(), wxID_FORWARD, "&Next", wxPoint(20, 80));
  auto* missing = new CHoverButton(frame.get(), wxID_BACKWARD, "&Back", wxPoint(20, 140));
  EXPECT_EQ(ok->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp")), 1);
  EXPECT_EQ(next->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp")), 1);
  EXPECT_EQ(missing->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\no-such-strip.bmp")), 0);

  const wxImage okStrip = StripImage("\\ok.bmp");
  const wxImage nextStrip = StripImage("\\Next-btn.bmp");
  ASSERT_TRUE(okStrip.IsOk());
  ASSERT_TRUE(nextStrip.IsOk());
  // One frame each: the strip width over the frame count.
  EXPECT_EQ(ok->GetSize(), wxSize(okStrip.GetWidth() / 3, okStrip.GetHeight()));
  EXPECT_EQ(next->GetSize(), wxSize(nextStrip.GetWidth() / 4, nextStrip.GetHeight()));
  // A missing strip keeps a usable, caption-sized button.
  EXPECT_FALSE(missing->HasStrip());
  EXPECT_GE(missing->GetSize().x, 40);
  EXPECT_GE(missing->GetSize().y, 16);

  // Hover on OK, disabled Next.
  wxMouseEvent enter(wxEVT_ENTER_WINDOW);
  ok->GetEventHandler()->ProcessEvent(enter);
  next->EnableButton(false);
  guitest::Pump();
  EXPECT_EQ(ok->CurrentFrame(), 1);
  EXPECT_EQ(next->CurrentFrame(), 3);

  const wxImage screen = guitest::Shot("hover-button");
  ASSERT_TRUE(screen.IsOk());
  const int okW = ok->GetSize().x, nextW = next->GetSize().x;
  const wxPoint probe(4, ok->GetSize().y / 2);  // inside the face, left of any caption
  EXPECT_TRUE(Near(PixelAt(screen, ok, probe), StripPixel(okStrip, 1, okW, probe.x, probe.y), 4));
  EXPECT_TRUE(
      Near(PixelAt(screen, next, probe), StripPixel(nextStrip, 3, nextW, probe.x, probe.y), 4));

  // Leaving and enabling again gives the normal frames back.
  wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
  ok->GetEventHandler()->ProcessEvent(leave);
  next->EnableButton(true);
  guitest::Pump(5);
  EXPECT_EQ(ok->CurrentFrame(), 2);
  EXPECT_EQ(next->CurrentFrame(), 2);
  // Disabling the window alone, not through EnableButton, keeps the normal frame.
  next->Enable(false);
  EXPECT_EQ(next->CurrentFrame(), 2);
  next->Enable(true);
  const wxImage after = guitest::Shot("hover-button-normal");
  EXPECT_TRUE(
      Near(PixelAt(after, next, probe), StripPixel(nextStrip, 2, nextW, probe.x, probe.y), 4));
}

TEST(HoverButton, ClicksAndTooltips) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* button = new CHoverButton(frame.get(), 1303, "&Retry", wxPoint(20, 20));
  button->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\retry.bmp"));
  int clicks = 0;
  frame->Bind(wxEVT_BUTTON, [&](wxCommandEvent& e) {
    if (e.GetId() == 1303) ++clicks;
  });
  // The real pointer rests on the button, as it does when a person clicks it.
  guitest::MovePointerTo(button, wxPoint(5, 5));
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  down.SetPosition(wxPoint(5, 5));
  button->GetEventHandler()->ProcessEvent(down);
  // Pressed wins over hover.
  wxMouseEvent enter(wxEVT_ENTER_WINDOW);
  button->GetEventHandler()->ProcessEvent(enter);
  EXPECT_EQ(button->CurrentFrame(), 0);
  wxMouseEvent up(wxEVT_LEFT_UP);
  up.SetPosition(wxPoint(5, 5));
  button->GetEventHandler()->ProcessEvent(up);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button->CurrentFrame(), 1);

  // A three-frame strip disabled shows its normal frame greyed and ignores clicks.
  button->EnableButton(false);
  button->Click();
  EXPECT_EQ(clicks, 1);

  const wxString tip = "Help";
  button->SetToolTipText(nullptr, true);
  EXPECT_EQ(button->GetToolTipText(), "");
  button->SetToolTipText(&tip, true);
  EXPECT_EQ(button->GetToolTipText(), "Help");
  button->ActivateToolTip(false);
  EXPECT_EQ(button->GetToolTipText(), "");
}

// A toolbar button whose click opened a box: the pointer went to the box and never came back, so
// no leave event reached the button; once the box is closed it is drawn normal, neither pressed
// nor hovered.
TEST(HoverButton, IsDrawnNormalAfterTheBoxItOpenedCloses) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* help = new CHoverButton(frame.get(), 1013, "Help", wxPoint(20, 20));
  help->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Help-tbar.bmp"));
  help->Bind(wxEVT_BUTTON, [](wxCommandEvent&) {
    ViewMsgBox box;
    box.m_Message = "Opened by the toolbar.";
    box.DoModal();
  });
  int framesWhileOpen = -1;
  guitest::UiDriver closer(guitest::OnceShown<ViewMsgBox>([&](ViewMsgBox& box) {
    framesWhileOpen = help->CurrentFrame();
    guitest::ClickMiddle(box.FindWindow(wxID_OK));
  }));
  bool clicked = false;
  frame->CallAfter([&] {
    guitest::ClickMiddle(help);
    clicked = true;
  });
  ASSERT_TRUE(guitest::PumpUntil([&] { return clicked; }, 20000));
  EXPECT_TRUE(closer.Done());
  EXPECT_EQ(framesWhileOpen, 1);  // hovered when the click opened the box
  EXPECT_FALSE(help->IsPressed());
  EXPECT_FALSE(help->IsHovered());
  EXPECT_EQ(help->CurrentFrame(), 2);
  const wxImage screen = guitest::Shot("hover-button-after-box");
  const wxImage strip = StripImage("\\Help-tbar.bmp");
  const wxPoint probe(4, help->GetSize().y / 2);
  EXPECT_TRUE(Near(PixelAt(screen, help, probe),
                   StripPixel(strip, 2, help->GetSize().x, probe.x, probe.y), 4));
}

TEST(Label, PaintsBoldArialTransparentlyAndWraps) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* label = new CLabel(frame.get(), 1226,
                           "Error found while reading sector. This may be due to bad sectors. "
                           "Please choose appropriate action.",
                           wxPoint(20, 20), wxSize(250, 60));
  ApplyLabelLook(label, ScreenDpiFactors(true));
  auto* gradient = new CLabel(frame.get(), wxID_ANY, "Drive Information", wxPoint(20, 120),
                              wxSize(300, 30), LabelAlign::Left, /*centerImage=*/true);
  gradient->SetBackground(wxColour(255, 0, 0), wxColour(0, 0, 255), true)
      .SetTextColor(*wxWHITE)
      .SetBold(true);
  auto* heading =
      new CLabel(frame.get(), wxID_ANY, "Select recovery mode", wxPoint(20, 170), wxSize(300, 30));
  heading->SetFaceName("verdana").SetPointSize(12).SetBold(true).SetTransparent(true).SetTextColor(
      wxColour(0x9E, 0x4E, 0x27));
  guitest::Pump();

  EXPECT_EQ(label->LabelFont().GetFaceName(), "Arial");
  EXPECT_EQ(label->LabelFont().GetWeight(), wxFONTWEIGHT_BOLD);
  EXPECT_EQ(label->LabelFont().GetPointSize(), LabelPointSize(9, ScreenDpiFactors(true).y));
  EXPECT_TRUE(label->IsTransparent());
  EXPECT_GE(label->LayoutLines().size(), 2u);

  const wxImage screen = guitest::Shot("label");
  ASSERT_TRUE(screen.IsOk());
  // Transparent over white: the bottom-right corner, below the last line, is the dialog's white.
  EXPECT_TRUE(Near(PixelAt(screen, label, wxPoint(248, 58)), *wxWHITE, 2));
  // The gradient runs from red at the left edge to blue at the right edge.
  EXPECT_TRUE(Near(PixelAt(screen, gradient, wxPoint(1, 2)), wxColour(255, 0, 0), 8));
  EXPECT_TRUE(Near(PixelAt(screen, gradient, wxPoint(298, 2)), wxColour(0, 0, 255), 8));
}

TEST(Label, NotifyingLinkTellsTheParentInsteadOfOpening) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* link =
      new CLabel(frame.get(), 1220, "support@example.invalid", wxPoint(20, 20), wxSize(250, 20));
  link->SetMailtoLink(true, /*notify=*/true);
  int notified = 0;
  frame->Bind(wxEVT_LABEL_CLICKED, [&](wxCommandEvent& e) {
    if (e.GetId() == 1220) ++notified;
  });
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  link->GetEventHandler()->ProcessEvent(down);
  EXPECT_EQ(notified, 1);
}

TEST(GradientProgress, FillsBandsTiedToThePositionAlongTheBar) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* bar = new CGradientProgressCtrl(frame.get(), 1050, wxPoint(20, 20), wxSize(300, 20));
  bar->SetShowPercent(true);
  bar->SetTextColour(*wxBLACK);
  bar->SetPos(50);
  auto* empty = new CGradientProgressCtrl(frame.get(), wxID_ANY, wxPoint(20, 60), wxSize(300, 20));
  empty->SetPos(0);
  auto* vertical = new CGradientProgressCtrl(frame.get(), wxID_ANY, wxPoint(400, 20),
                                             wxSize(20, 200), wxGA_VERTICAL);
  vertical->SetPos(30);
  // A worker reports positions from its own thread.
  std::thread worker([bar] {
    for (int p = 0; p <= 50; ++p) bar->SetPos(p);
  });
  worker.join();
  guitest::Pump();
  EXPECT_EQ(bar->GetPos(), 50);

  const wxImage screen = guitest::Shot("gradient-progress");
  ASSERT_TRUE(screen.IsOk());
  const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  EXPECT_TRUE(Near(PixelAt(screen, bar, wxPoint(1, 2)), wxColour(255, 0, 0), 6));
  // Just before the middle the colour is already halfway to blue.
  const wxColour mid = PixelAt(screen, bar, wxPoint(148, 2));
  EXPECT_TRUE(Near(mid, wxColour(130, 0, 125), 12)) << mid.GetAsString().utf8_string();
  EXPECT_TRUE(Near(PixelAt(screen, bar, wxPoint(152, 2)), face, 2));
  EXPECT_TRUE(Near(PixelAt(screen, bar, wxPoint(298, 2)), face, 2));
  EXPECT_TRUE(Near(PixelAt(screen, empty, wxPoint(150, 10)), face, 2));
  // Vertical: red at the top, the button face below 30 %.
  EXPECT_TRUE(Near(PixelAt(screen, vertical, wxPoint(10, 1)), wxColour(255, 0, 0), 6));
  EXPECT_TRUE(Near(PixelAt(screen, vertical, wxPoint(10, 100)), face, 2));
}

TEST(TransparentStatic, RepaintsEvenForTheSameText) {
  guitest::UseBuildBitmaps();
  WhiteFrame frame;
  auto* value =
      new CTransparentStatic(frame.get(), 1044, "12345 files", wxPoint(20, 20), wxSize(200, 20));
  guitest::Pump();
  const int before = value->RepaintCount();
  value->SetLabel("7");
  guitest::Pump(3);
  const int once = value->RepaintCount();
  value->SetLabel("7");
  guitest::Pump(3);
  EXPECT_GT(once, before);
  EXPECT_GT(value->RepaintCount(), once);
  std::thread worker([value] { value->PostLabel("42 files"); });
  worker.join();
  guitest::Pump();
  EXPECT_EQ(value->GetLabel(), "42 files");
  const wxImage screen = guitest::Shot("transparent-static");
  ASSERT_TRUE(screen.IsOk());
  // No background of its own: the right end, past the text, is the window's white.
  EXPECT_TRUE(Near(PixelAt(screen, value, wxPoint(195, 10)), *wxWHITE, 2));
}

}  // namespace
