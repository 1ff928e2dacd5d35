// The bitmap button in a window: hover and out images, a check box drawn pressed while checked,
// a click that opens the menu rather than the link, and sounds; a screenshot in the build tree.
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statbmp.h>

#include <vector>

#include "tests/gui/GuiTestUtil.h"
#include "tests/gui/ToolkitTestUtil.h"
#include "unreferenced/wx/ButtonST.h"
#include "unreferenced/wx/MenuRender.h"
#include "unreferenced/wx/SurfaceBitmap.h"

namespace {

constexpr ColorRef kIn = 0x40C0FF, kOut = 0xE0E0E0, kKey = 0xFF00FF;

// A red square on a magenta key.
wxBitmap RedSquare() {
  wxBitmap bitmap(20, 20, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(255, 0, 255)));
  dc.Clear();
  dc.SetPen(*wxTRANSPARENT_PEN);
  dc.SetBrush(wxBrush(wxColour(220, 0, 0)));
  dc.DrawRectangle(2, 2, 16, 16);
  return bitmap;
}

ColorRef Pixel(wxWindow* window, int x, int y) {
  window->Refresh();
  window->Update();
  guitest::Pump(3);
  wxClientDC dc(window);
  return SwapRedBlue(SurfaceFromDC(dc, x, y, 1, 1).GetPixel(0, 0)) & 0xFFFFFFu;
}

class RecordingSounds : public ButtonSoundPlayer {
 public:
  void Play(const ButtonSound& sound) override { played.push_back(sound.name); }
  std::vector<std::u16string> played;
};

// Answers the popup with a fixed command instead of showing it.
class ScriptedButton : public CButtonST {
 public:
  using CButtonST::CButtonST;
  int answer = 0;
  int popups = 0;
  bool showingDuringPopup = false;

 protected:
  int TrackPopupMenu(wxMenu& menu, const wxPoint&) override {
    ++popups;
    showingDuringPopup = IsMenuShowing() && menu.GetMenuItemCount() == 2;
    return answer;
  }
};

std::vector<std::byte> ToolsTemplate() {
  std::vector<std::byte> bytes(4);
  auto word = [&](unsigned w) {
    bytes.push_back(std::byte(w & 0xFF));
    bytes.push_back(std::byte(w >> 8));
  };
  auto text = [&](std::u16string t) {
    for (char16_t c : t) word(c);
    word(0);
  };
  word(MF_POPUP | MF_END);
  text(u"Tools");
  word(0);
  word(301);
  text(u"&Scan again");
  word(MF_END);
  word(302);
  text(u"&Close");
  return bytes;
}

TEST(ButtonST, StatesMenuLinkAndSounds) {
  auto* frame =
      new wxFrame(nullptr, wxID_ANY, "Bitmap buttons", wxDefaultPosition, wxSize(460, 200));
  frame->SetBackgroundColour(*wxWHITE);
  auto* open = new CButtonST(frame, wxID_ANY, "Open folder", wxPoint(20, 20), wxSize(160, 44));
  ASSERT_EQ(open->SetBitmaps(RedSquare(), kKey, wxNullBitmap, 0, BTNST_AUTO_GRAY), BTNST_OK);
  open->SetColor(BTNST_COLOR_BK_IN, kIn);
  open->SetColor(BTNST_COLOR_BK_OUT, kOut);
  open->SetTooltipText("Opens the folder");
  EXPECT_EQ(open->SetBtnCursor(wxCURSOR_HAND), BTNST_OK);
  EXPECT_EQ(open->SetBtnCursor(9999), BTNST_INVALIDRESOURCE);
  EXPECT_EQ(open->SetAlign(4), BTNST_INVALIDALIGN);
  EXPECT_EQ(open->SetColor(6, 0), BTNST_INVALIDINDEX);
  RecordingSounds sounds;
  open->SetSoundPlayer(&sounds);
  open->SetSound("hover.wav", false, false, true);

  auto* wrap = new CButtonST(frame, wxID_ANY, "Wrap lines", wxPoint(200, 20), wxSize(120, 44));
  wrap->Model().checkBox = true;
  wrap->SetColor(BTNST_COLOR_BK_IN, kIn);
  wrap->SetColor(BTNST_COLOR_BK_OUT, kOut);

  auto* tools = new ScriptedButton(frame, wxID_ANY, "Tools", wxPoint(20, 90), wxSize(160, 44));
  tools->SetColor(BTNST_COLOR_BK_OUT, kOut);
  tools->SetFlat(false);
  std::vector<int> commands;
  frame->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { commands.push_back(e.GetId()); });
  ASSERT_EQ(tools->SetMenu(ToolsTemplate(), frame), BTNST_OK);
  std::vector<wxString> opened;
  tools->SetLinkOpener([&](const wxString& link) { opened.push_back(link); });
  ASSERT_EQ(tools->SetURL("https://example.org/merrowind"), BTNST_OK);
  std::vector<std::byte> broken = ToolsTemplate();
  broken.resize(broken.size() - 3);
  auto* spare = new CButtonST(frame, wxID_ANY, "Spare", wxPoint(200, 90), wxSize(120, 44));
  EXPECT_EQ(spare->SetMenu(broken, frame), BTNST_INVALIDRESOURCE);

  frame->Show();
  guitest::Pump();

  // Idle: the out colour and the grey copy of the image (left of the caption, 3 pixels in).
  EXPECT_EQ(Pixel(open, 80, 2), kOut);
  const ColorRef grey = Pixel(open, 12, 22);
  EXPECT_EQ(ColorRefRed(grey), ColorRefGreen(grey));
  // The mouse comes in: the in colour, the coloured image and the hover sound.
  wxMouseEvent enter(wxEVT_ENTER_WINDOW);
  open->GetEventHandler()->ProcessEvent(enter);
  EXPECT_TRUE(open->IsHovering());
  EXPECT_EQ(Pixel(open, 80, 2), kIn);
  EXPECT_EQ(Pixel(open, 12, 22), 0x0000DCu);
  EXPECT_EQ(sounds.played, std::vector<std::u16string>{u"hover.wav"});
  wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
  open->GetEventHandler()->ProcessEvent(leave);
  EXPECT_FALSE(open->IsHovering());

  // A checked box is drawn pressed with the mouse elsewhere.
  EXPECT_EQ(Pixel(wrap, 60, 2), kOut);
  wrap->OnClicked();
  EXPECT_TRUE(wrap->GetCheck());
  EXPECT_EQ(Pixel(wrap, 60, 2), kIn);

  // A button with both a menu and a link opens the menu; the chosen command reaches the frame.
  tools->answer = 302;
  tools->OnClicked();
  guitest::Pump(3);
  EXPECT_EQ(tools->popups, 1);
  EXPECT_TRUE(tools->showingDuringPopup);
  EXPECT_FALSE(tools->IsMenuShowing());
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(commands, std::vector<int>{302});
  // Without the menu the link opens.
  tools->SetMenu({}, nullptr);
  tools->OnClicked();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "https://example.org/merrowind");

  open->GetEventHandler()->ProcessEvent(enter);
  guitest::Pump();
  guitest::SaveScreenshot("bitmap_buttons");
  frame->Destroy();
  guitest::Pump(3);
}

// The button's drop-down menu takes its images from a toolbar: each item rendered normal,
// selected and greyed (embossed and in the old mono style), in the classic and flat styles.
TEST(ButtonST, MenuImagesFromAToolbar) {
  ResetMenuGlobals();
  constexpr int kToolbar = 700;
  PixelSurface strip(32, 16, OpaquePixel(0xC0C0C0));
  strip.FillRect({3, 3, 13, 13}, OpaquePixel(0x0000DC));
  strip.FillRect({19, 5, 29, 11}, OpaquePixel(0xB06000));
  strip.FillRect({22, 2, 26, 14}, OpaquePixel(0xB06000));
  MenuResourceTable& resources = GetMenuGlobals().resources;
  resources.AddBitmap(kToolbar, strip);
  resources.AddToolbar(kToolbar,
                       {std::byte{1}, std::byte{0}, std::byte{16}, std::byte{0}, std::byte{16},
                        std::byte{0}, std::byte{2}, std::byte{0}, std::byte{301 & 0xFF},
                        std::byte{301 >> 8}, std::byte{302 & 0xFF}, std::byte{302 >> 8}});

  auto* frame = new wxFrame(nullptr, wxID_ANY, "Menu images", wxDefaultPosition, wxSize(900, 160));
  frame->SetBackgroundColour(*wxWHITE);
  auto* tools = new CButtonST(frame, wxID_ANY, "Tools", wxPoint(10, 10), wxSize(120, 40));
  EXPECT_EQ(tools->SetMenu(ToolsTemplate(), frame, 0, 99, wxSize(16, 16)), BTNST_INVALIDRESOURCE);
  EXPECT_EQ(tools->GetButtonMenu(), nullptr);
  ASSERT_EQ(tools->SetMenu(ToolsTemplate(), frame, 0, kToolbar, wxSize(16, 16)), BTNST_OK);
  BCMenu* popup = tools->GetButtonMenu()->GetSubBCMenu(u"Tools");
  ASSERT_NE(popup, nullptr);

  const unsigned states[][2] = {{0, 0}, {ODS_SELECTED, ODS_GRAYED}};
  std::vector<wxBitmap> renders;
  for (int style = 0; style < 3; ++style) {
    if (style == 1) popup->SetDisableOldStyle();
    if (style == 2) {
      popup->UnSetDisableOldStyle();
      GetMenuGlobals().windowsVersion = 7;
      BCMenu::SetMenuDrawMode(1);
    }
    for (const auto& s : states) renders.push_back(RenderMenuItems(*popup, s));
  }
  int x = 10;
  for (const wxBitmap& render : renders) {
    ASSERT_TRUE(render.IsOk());
    new wxStaticBitmap(frame, wxID_ANY, render, wxPoint(x, 70));
    x += render.GetWidth() + 8;
  }
  EXPECT_LE(x, 900);
  frame->Show();
  guitest::Pump();

  // Classic items are 20 high with the image at (2, 2): the selected red square, then the
  // greyed blue cross in the shadow colour with its highlight one pixel down and right.
  const MenuSysColours& colours = GetMenuGlobals().colours;
  auto at = [](const wxBitmap& bitmap, int px, int py) {
    wxMemoryDC dc(const_cast<wxBitmap&>(bitmap));
    return SwapRedBlue(SurfaceFromDC(dc, px, py, 1, 1).GetPixel(0, 0)) & 0xFFFFFFu;
  };
  EXPECT_EQ(at(renders[1], 8, 8), 0x0000DCu);
  EXPECT_EQ(at(renders[1], 9, 29), colours.btnShadow);
  EXPECT_EQ(at(renders[1], 12, 36), colours.btnHighlight);
  // Mono: the same shape; the flat style's greyed item sits on its bar.
  EXPECT_EQ(at(renders[3], 9, 29), colours.btnShadow);
  EXPECT_EQ(at(renders[0], 8, 8), 0x0000DCu);

  guitest::SaveScreenshot("toolbar_menu_images");
  frame->Destroy();
  guitest::Pump(3);
  ResetMenuGlobals();
}

ColorRef Sys(wxSystemColour which) {
  const wxColour c = wxSystemSettings::GetColour(which);
  return MakeColorRef(c.Red(), c.Green(), c.Blue());
}

TEST(ButtonST, TransparentBackgroundsAndBorders) {
  auto* frame =
      new wxFrame(nullptr, wxID_ANY, "Transparent buttons", wxDefaultPosition, wxSize(460, 220));
  auto* panel = new wxPanel(frame);
  guitest::PaintStripes(panel);
  auto* glass = new CButtonST(panel, wxID_ANY, "See-through", wxPoint(20, 20), wxSize(140, 44));
  glass->SetColor(BTNST_COLOR_FG_OUT, 0xFFFFFF);
  EXPECT_EQ(glass->SetBk(nullptr), BTNST_BADPARAM);
  glass->DrawTransparent();
  EXPECT_EQ(glass->SetBk(nullptr), BTNST_BADPARAM);
  auto* given =
      new CButtonST(panel, wxID_ANY, "Given background", wxPoint(200, 20), wxSize(160, 44));
  given->SetColor(BTNST_COLOR_FG_OUT, 0xFFFFFF);
  given->DrawTransparent();
  auto* raised = new CButtonST(panel, wxID_ANY, "Raised", wxPoint(20, 100), wxSize(140, 44));
  raised->SetColor(BTNST_COLOR_BK_IN, kIn);
  frame->Show();
  guitest::Pump();

  // The parent's stripes show through, each where it lies behind the button: the button starts
  // at x 20, on a red stripe, and x 31 of the button is on a green one.
  EXPECT_EQ(Pixel(glass, 5, 3), 0x0000C8u);
  EXPECT_EQ(Pixel(glass, 15, 3), 0x00A000u);

  // A background given from a picture of the parent's client area.
  wxBitmap blue(panel->GetClientSize(), 24);
  {
    wxMemoryDC dc(blue);
    dc.SetBackground(wxBrush(wxColour(0, 0, 255)));
    dc.Clear();
  }
  wxMemoryDC picture(blue);
  EXPECT_EQ(given->SetBk(&picture), BTNST_OK);
  picture.SelectObject(wxNullBitmap);
  EXPECT_EQ(Pixel(given, 5, 3), 0xFF0000u);

  // A flat button gets a raised border while the mouse is over it.
  EXPECT_EQ(Pixel(raised, 0, 0), Pixel(raised, 10, 10));
  wxMouseEvent enter(wxEVT_ENTER_WINDOW);
  raised->GetEventHandler()->ProcessEvent(enter);
  EXPECT_EQ(Pixel(raised, 0, 0), Sys(wxSYS_COLOUR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(raised, 139, 43), Sys(wxSYS_COLOUR_BTNSHADOW));
  EXPECT_EQ(Pixel(raised, 10, 10), kIn);

  guitest::SaveScreenshot("transparent_buttons");
  frame->Destroy();
  guitest::Pump(3);
}

}  // namespace
