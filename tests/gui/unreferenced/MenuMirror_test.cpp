// The owner-drawn menu over the toolkit's menus: a loaded template, its changes and removals
// show in the wxMenu mirrors.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/statbmp.h>

#include <vector>

#include "tests/gui/GuiTestUtil.h"
#include "unreferenced/BCMenu.h"
#include "unreferenced/BCMenuPainter.h"
#include "unreferenced/wx/MenuRender.h"
#include "unreferenced/wx/WxNativeMenus.h"

namespace {

void Word(std::vector<std::byte>& bytes, unsigned w) {
  bytes.push_back(std::byte(w & 0xFF));
  bytes.push_back(std::byte(w >> 8));
}

void Item(std::vector<std::byte>& bytes, unsigned options, unsigned id, std::u16string text) {
  Word(bytes, options);
  if (!(options & MF_POPUP)) Word(bytes, id);
  for (char16_t c : text) Word(bytes, c);
  Word(bytes, 0);
}

TEST(MenuMirror, LoadedMenuShowsInTheToolkit) {
  ResetMenuGlobals();
  std::vector<std::byte> bytes(4);
  Item(bytes, MF_POPUP | MF_END, 0, u"&File");
  Item(bytes, 0, 101, u"&Open\tCtrl+O");
  Item(bytes, MF_GRAYED, 102, u"&Save");
  Item(bytes, 0, 0, u"");
  Item(bytes, MF_CHECKED | MF_END, 103, u"&Wrap");

  WxNativeMenus native;
  {
    BCMenu menu(native);
    ASSERT_TRUE(menu.LoadMenu(bytes));
    wxMenu* bar = native.Menu(menu.GetHandle());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuItemCount(), 1u);
    wxMenuItem* file = bar->FindItemByPosition(0);
    EXPECT_EQ(file->GetItemLabel(), "&File");
    wxMenu* popup = file->GetSubMenu();
    ASSERT_EQ(popup, native.Menu(menu.GetSubBCMenu(u"&File")->GetHandle()));
    ASSERT_EQ(popup->GetMenuItemCount(), 4u);
    EXPECT_TRUE(popup->FindItemByPosition(0)->GetItemLabel().StartsWith("&Open"));
    EXPECT_FALSE(popup->IsEnabled(102));
    EXPECT_TRUE(popup->FindItemByPosition(2)->IsSeparator());
    EXPECT_TRUE(popup->IsChecked(103));

    ASSERT_TRUE(menu.ModifyODMenu(u"&Keep", 102));
    EXPECT_EQ(popup->GetLabel(102), "&Keep");
    ASSERT_TRUE(menu.DeleteMenu(101, MF_BYCOMMAND));
    EXPECT_EQ(popup->FindItem(101), nullptr);
    EXPECT_EQ(popup->GetMenuItemCount(), 3u);
    // Labels measured in the toolkit's menu font, so padding lines up the accelerators.
    EXPECT_GT(native.MenuTextWidth(u"Wide label"), native.MenuTextWidth(u"W"));

    ASSERT_TRUE(menu.DeleteMenu(0, MF_BYPOSITION));
    EXPECT_EQ(bar->GetMenuItemCount(), 0u);
  }
  ResetMenuGlobals();
}

}  // namespace

namespace {

// The owner-drawn look in both styles: normal, selected, greyed, checked and separator items,
// shown in a window for the screenshot.
TEST(MenuMirror, OwnerDrawnItemsRenderedOffScreen) {
  ResetMenuGlobals();
  WxNativeMenus native;
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  ASSERT_TRUE(menu.AppendODMenu(u"&Open folder...\tCtrl+O", 0, 1));
  ASSERT_TRUE(menu.AppendODMenu(u"&Save recovered files\tCtrl+S", 0, 2));
  ASSERT_TRUE(menu.AppendODMenu(u"Save scan &log", MF_GRAYED, 3));
  ASSERT_TRUE(menu.AppendODMenu(u"", 0, 0));
  ASSERT_TRUE(menu.AppendODMenu(u"Show &deleted files", MF_CHECKED, 4));
  ASSERT_TRUE(menu.AppendODMenu(u"R&&D notes", 0, 5));
  menu.PadAccelerators();
  const unsigned states[] = {0, ODS_SELECTED, ODS_GRAYED, 0, ODS_CHECKED, 0};

  auto* frame =
      new wxFrame(nullptr, wxID_ANY, "Owner-drawn menus", wxDefaultPosition, wxSize(640, 260));
  frame->SetBackgroundColour(*wxWHITE);
  const wxBitmap classic = RenderMenuItems(menu, states);
  GetMenuGlobals().windowsVersion = 7;
  BCMenu::SetMenuDrawMode(1);
  const wxBitmap flat = RenderMenuItems(menu, states);
  ASSERT_TRUE(classic.IsOk() && flat.IsOk());
  EXPECT_GT(classic.GetWidth(), native.MenuTextWidth(u"&Save recovered files\tCtrl+S"));
  new wxStaticBitmap(frame, wxID_ANY, classic, wxPoint(10, 10));
  new wxStaticBitmap(frame, wxID_ANY, flat, wxPoint(30 + classic.GetWidth(), 10));
  frame->Show();
  guitest::Pump();
  guitest::SaveScreenshot("owner_drawn_menus");
  frame->Destroy();
  guitest::Pump(3);
  ResetMenuGlobals();
}

}  // namespace
