// The owner-drawn menu over the toolkit's menus: a loaded template, its changes and removals
// show in the wxMenu mirrors.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <vector>

#include "widgets/unreferenced/BCMenu.h"
#include "widgets/unreferenced/wx/WxNativeMenus.h"

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
