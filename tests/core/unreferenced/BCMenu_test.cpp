#include "unreferenced/BCMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "unreferenced/FakeNativeMenus.h"

namespace {

// A menu template: version 0, header offset 0, then items.
class TemplateBuilder {
 public:
  TemplateBuilder& Popup(std::u16string text, bool last = false) {
    Word(MF_POPUP | (last ? MF_END : 0));
    Text(text);
    return *this;
  }
  TemplateBuilder& Item(unsigned id, std::u16string text, bool last = false, unsigned flags = 0) {
    Word(flags | (last ? MF_END : 0));
    Word(id);
    Text(text);
    return *this;
  }
  std::vector<std::byte> Bytes() const {
    std::vector<std::byte> bytes(4 + m_Items.size());
    std::copy(m_Items.begin(), m_Items.end(), bytes.begin() + 4);
    return bytes;
  }

 private:
  void Word(unsigned w) {
    m_Items.push_back(std::byte(w & 0xFF));
    m_Items.push_back(std::byte((w >> 8) & 0xFF));
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  std::vector<std::byte> m_Items;
};

// File (Open, Save, separator, Recent (One, Two)), Edit (Undo\tCtrl+Z, Cut).
std::vector<std::byte> SampleTemplate() {
  return TemplateBuilder()
      .Popup(u"&File")
      .Item(101, u"&Open")
      .Item(102, u"&Save\tCtrl+S")
      .Item(0, u"")
      .Popup(u"&Recent", true)
      .Item(201, u"One")
      .Item(202, u"Two", true)
      .Popup(u"&Edit", true)
      .Item(301, u"&Undo\tCtrl+Z")
      .Item(302, u"Cu&t", true)
      .Bytes();
}

class BCMenuTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetMenuGlobals(); }
  void TearDown() override { ResetMenuGlobals(); }

  std::vector<std::u16string> RecordTexts(BCMenu& menu) {
    std::vector<std::u16string> texts;
    for (int i = 0; i < menu.RecordCount(); ++i) texts.push_back(menu.Record(i)->Text());
    return texts;
  }

  FakeNativeMenus native;
};

TEST_F(BCMenuTest, LoadMenuMakesAPlainBarOverOwnerDrawnSubmenus) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  EXPECT_TRUE(menu.LoadedAsMenuBar());

  auto top = native.Items(menu.GetHandle());
  ASSERT_EQ(top.size(), 2u);
  EXPECT_EQ(top[0].flags, MF_POPUP);
  EXPECT_EQ(top[0].text, u"&File");
  EXPECT_EQ(top[1].text, u"&Edit");
  EXPECT_EQ(menu.Record(0)->flags, MF_BYPOSITION | MF_POPUP);

  BCMenu* file = BCMenu::FromHandle(top[0].id);
  ASSERT_NE(file, nullptr);
  auto items = native.Items(file->GetHandle());
  ASSERT_EQ(items.size(), 4u);
  for (const auto& item : items) EXPECT_TRUE(item.flags & MF_OWNERDRAW);
  EXPECT_EQ(items[2].flags, MF_SEPARATOR | MF_OWNERDRAW);
  EXPECT_EQ(items[1].data, file->Record(1));
  EXPECT_TRUE(BCMenu::IsMenuHandleRegistered(file->GetHandle()));
  EXPECT_TRUE(file->IsMenuRegistered());
  EXPECT_FALSE(menu.IsMenuRegistered());
}

TEST_F(BCMenuTest, LoadMenuPadsEachSubmenusAcceleratorColumn) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  BCMenu* file = menu.GetSubBCMenu(u"&File");
  ASSERT_NE(file, nullptr);
  // The widest label "&Recent" and a space is 8 characters; "&Save" is padded to them.
  EXPECT_EQ(file->Record(1)->Text(), u"&Save   \tCtrl+S");
  EXPECT_EQ(menu.GetSubBCMenu(u"&Edit")->Record(0)->Text(), u"&Undo \tCtrl+Z");
}

TEST_F(BCMenuTest, DamagedTemplatesLoadNothing) {
  auto good = SampleTemplate();
  struct Case {
    const char* name;
    std::vector<std::byte> bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"header only", std::vector<std::byte>(4)},
      {"cut inside a text", std::vector<std::byte>(good.begin(), good.begin() + 9)},
      {"cut before the last item", std::vector<std::byte>(good.begin(), good.end() - 10)},
      {"cut inside the last terminator", std::vector<std::byte>(good.begin(), good.end() - 1)},
      {"header offset past the end",
       {std::byte(0), std::byte(0), std::byte(0xFF), std::byte(0xFF)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BCMenu menu(native);
    EXPECT_FALSE(menu.LoadMenu(c.bytes));
    EXPECT_EQ(menu.RecordCount(), 0);
    EXPECT_EQ(menu.GetHandle(), 0u);
  }
  EXPECT_EQ(native.MenuCount(), 0);
  EXPECT_TRUE(GetMenuGlobals().menuHandles.size() > 0);  // handles of the torn-down popups
}

TEST_F(BCMenuTest, AppendWithIdZeroIsAnOwnerDrawnSeparator) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  struct Case {
    unsigned flags;
    unsigned expected;
  } cases[] = {{0, 0x900}, {MF_CHECKED | MF_GRAYED, 0x900}, {MF_BYPOSITION, 0xD00}};
  for (const Case& c : cases) {
    ASSERT_TRUE(menu.AppendODMenu(u"x", c.flags, 0));
    EXPECT_EQ(menu.Record(menu.RecordCount() - 1)->flags, c.expected);
  }
  ASSERT_TRUE(menu.AppendODMenu(u"Go", MF_CHECKED, 7));
  EXPECT_EQ(native.Items(menu.GetHandle()).back().flags, MF_CHECKED | MF_OWNERDRAW);
}

TEST_F(BCMenuTest, InsertByCommandLandsInTheSubmenuHoldingIt) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  ASSERT_TRUE(menu.InsertODMenu(202, u"One and a half", MF_BYCOMMAND, 250));
  BCMenu* recent = menu.GetSubBCMenu(u"&Recent");
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(RecordTexts(*recent), (std::vector<std::u16string>{u"One", u"One and a half", u"Two"}));
  EXPECT_EQ(native.GetMenuItemID(recent->GetHandle(), 1), 250u);
  EXPECT_FALSE(menu.InsertODMenu(999, u"nowhere", MF_BYCOMMAND, 251));
}

TEST_F(BCMenuTest, AppendingToALoadedBarKeepsItsTopLevelPlain) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  BCMenu* view = menu.AppendODPopupMenu(u"&View");
  ASSERT_NE(view, nullptr);
  auto top = native.Items(menu.GetHandle());
  ASSERT_EQ(top.size(), 3u);
  for (const auto& item : top) EXPECT_EQ(item.flags, MF_POPUP);
  EXPECT_EQ(top[2].text, u"&View");
}

TEST_F(BCMenuTest, ModifyChangesEveryInstanceOfACommand) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreateMenu()));
  BCMenu* a = menu.AppendODPopupMenu(u"A");
  BCMenu* b = menu.AppendODPopupMenu(u"B");
  ASSERT_TRUE(a->AppendODMenu(u"Old", 0, 40));
  ASSERT_TRUE(b->AppendODMenu(u"x", 0, 41));
  ASSERT_TRUE(b->AppendODMenu(u"Old too", 0, 40));
  ASSERT_TRUE(menu.ModifyODMenu(u"New", 40));
  EXPECT_EQ(a->Record(0)->Text(), u"New");
  EXPECT_EQ(b->Record(1)->Text(), u"New");
  // One native change by command applies the last record handled, to the first instance.
  EXPECT_EQ(native.GetItemData(menu.GetHandle(), 40, MF_BYCOMMAND), b->Record(1));
}

TEST_F(BCMenuTest, ModifyingAMissingCommandAddsNothing) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  ASSERT_TRUE(menu.AppendODMenu(u"One", 0, 1));
  EXPECT_FALSE(menu.ModifyODMenu(u"Ghost", 77));
  EXPECT_EQ(menu.RecordCount(), 1);
  EXPECT_EQ(native.GetMenuItemCount(menu.GetHandle()), 1);

  EXPECT_TRUE(menu.ModifyODMenu(u"Uno", u"One"));
  EXPECT_EQ(menu.Record(0)->Text(), u"Uno");
  EXPECT_FALSE(menu.ModifyODMenu(u"x", u"Missing"));
}

TEST_F(BCMenuTest, LookupsFollowPositionOrderIntoSubmenus) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  BCMenu* recent = menu.GetSubBCMenu(u"&Recent");
  int position = -1;
  EXPECT_EQ(menu.FindMenuOption(202, position), recent);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(menu.FindMenuOption(999, position), nullptr);
  EXPECT_EQ(position, -1);

  EXPECT_EQ(menu.FindMenuItem(u"Cu&t"), menu.GetSubBCMenu(u"&Edit")->Record(1));
  EXPECT_EQ(menu.FindMenuItem(u"cu&t"), nullptr);
  EXPECT_EQ(menu.FindMenuData(201), recent->Record(0));
  EXPECT_EQ(menu.FindMenuData(999), nullptr);
  EXPECT_EQ(menu.GetSubMenuByText(u"&Edit"), menu.GetSubBCMenu(u"&Edit")->GetHandle());
  EXPECT_EQ(menu.GetSubMenuByText(u"&Recent"), 0u);  // does not descend
  // Every position of the bar holds a submenu.
  EXPECT_EQ(menu.GetMenuPosition(u"&Edit"), -1);
  EXPECT_EQ(menu.GetSubBCMenu(u"&File")->GetMenuPosition(u"&Open"), 0);

  std::u16string text;
  EXPECT_TRUE(menu.SetMenuText(301, u"Undo it", MF_BYCOMMAND));
  EXPECT_TRUE(menu.GetMenuText(301, text, MF_BYCOMMAND));
  EXPECT_EQ(text, u"Undo it");
  EXPECT_FALSE(menu.GetMenuText(9, text, MF_BYPOSITION));
  EXPECT_FALSE(menu.SetMenuText(999, u"x", MF_BYCOMMAND));
}

TEST_F(BCMenuTest, NarrowTextsReachTheWideOperationsConverted) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  ASSERT_TRUE(menu.AppendODMenu("Caf\xC3\xA9", 0, 1));
  ASSERT_TRUE(menu.InsertODMenu(0, "First", MF_BYPOSITION, 2));
  ASSERT_TRUE(menu.AppendMenu(0, 3, "Three"));
  ASSERT_TRUE(menu.InsertMenu(3, MF_BYCOMMAND, 4, "Bad \xFF byte"));
  BCMenu* sub = menu.AppendODPopupMenu("Sub");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(menu.GetSubBCMenu("Sub"), sub);
  EXPECT_EQ(RecordTexts(menu), (std::vector<std::u16string>{u"First", u"Caf\u00E9",
                                                            u"Bad \uFFFD byte", u"Three", u"Sub"}));
  EXPECT_EQ(menu.GetMenuPosition("Caf\xC3\xA9"), 1);
  EXPECT_EQ(menu.GetMenuPosition(static_cast<const char*>(nullptr)), -1);

  // A null text leaves the label as it was.
  ASSERT_TRUE(menu.ModifyODMenu(static_cast<const char*>(nullptr), 3));
  EXPECT_EQ(menu.Record(3)->Text(), u"Three");
  ASSERT_TRUE(menu.ModifyODMenu("Drei", 3));
  EXPECT_EQ(menu.Record(3)->Text(), u"Drei");
  EXPECT_TRUE(menu.ModifyODMenu("Erste", "First"));
  EXPECT_FALSE(menu.ModifyODMenu("x", "missing"));
  EXPECT_FALSE(menu.ModifyODMenu("x", 99));

  EXPECT_EQ(menu.RemoveMenuByText("Erste", 0), 0);
  EXPECT_EQ(menu.DeleteMenuByText("Drei", 0), 2);
  EXPECT_EQ(RecordTexts(menu),
            (std::vector<std::u16string>{u"Caf\u00E9", u"Bad \uFFFD byte", u"Sub"}));

  BCMenuData record;
  record.SetAnsiString("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(record.Text(), u"\u00E9t\u00E9");
  record.SetAnsiString(nullptr);
  EXPECT_EQ(record.Text(), u"");
}

TEST_F(BCMenuTest, RemovalKeepsRecordsAndItemsInStep) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  for (unsigned id : {1u, 2u, 3u})
    ASSERT_TRUE(menu.AppendODMenu(u"Item" + std::u16string(1, u'0' + id), 0, id));
  EXPECT_EQ(menu.RemoveMenuByText(u"Item2", 3), 1);
  EXPECT_EQ(menu.RecordCount(), 0);
  EXPECT_EQ(native.GetMenuItemCount(menu.GetHandle()), 0);
  EXPECT_EQ(menu.RemoveMenuByText(u"Item2", 1), -1);
}

TEST_F(BCMenuTest, RemovalAtAnInvalidPositionIsFalseAndChangesNothing) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  ASSERT_TRUE(menu.AppendODMenu(u"", 0, 0));
  ASSERT_TRUE(menu.AppendODMenu(u"One", 0, 1));
  struct Case {
    unsigned position;
    unsigned flags;
  } cases[] = {{2, MF_BYPOSITION}, {kMenuEnd, MF_BYPOSITION}, {99, MF_BYCOMMAND}};
  for (const Case& c : cases) {
    EXPECT_FALSE(menu.RemoveMenu(c.position, c.flags));
    EXPECT_FALSE(menu.DeleteMenu(c.position, c.flags));
  }
  EXPECT_EQ(menu.RecordCount(), 2);
  EXPECT_EQ(native.GetMenuItemCount(menu.GetHandle()), 2);
}

TEST_F(BCMenuTest, ASeparatorWithTextSurvivesDeleteButNotRemove) {
  for (bool destroy : {true, false}) {
    BCMenu menu(native);
    ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
    ASSERT_TRUE(menu.AppendODMenu(u"named", 0, 0));
    ASSERT_TRUE(destroy ? menu.DeleteMenu(0, MF_BYPOSITION) : menu.RemoveMenu(0, MF_BYPOSITION));
    EXPECT_EQ(menu.RecordCount(), destroy ? 1 : 0);
    EXPECT_EQ(native.GetMenuItemCount(menu.GetHandle()), 0);
  }
}

TEST_F(BCMenuTest, DeletingAPopupFreesItsMenuAndForgetsItsHandle) {
  BCMenu menu(native);
  auto bytes = SampleTemplate();
  ASSERT_TRUE(menu.LoadMenu(bytes));
  BCMenu* file = menu.GetSubBCMenu(u"&File");
  MenuHandle recent = menu.GetSubBCMenu(u"&Recent")->GetHandle();
  ASSERT_TRUE(file->DeleteMenu(3, MF_BYPOSITION));
  EXPECT_EQ(BCMenu::FromHandle(recent), nullptr);
  EXPECT_FALSE(native.IsMenu(recent));
  EXPECT_FALSE(BCMenu::IsMenuHandleRegistered(recent));
  EXPECT_EQ(RecordTexts(*file), (std::vector<std::u16string>{u"&Open", u"&Save   \tCtrl+S", u""}));
}

TEST_F(BCMenuTest, SynchronizeMenuAdoptsItemsAddedBehindItsBack) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  ASSERT_TRUE(menu.AppendODMenu(u"Kept", 0, 1));
  ASSERT_TRUE(menu.AppendODMenu(u"Gone", 0, 2));
  native.InsertMenu(menu.GetHandle(), 0, MF_BYPOSITION, 5, u"Plain", nullptr);
  native.AppendMenu(menu.GetHandle(), MF_SEPARATOR, 0, u"", nullptr);
  native.RemoveMenu(menu.GetHandle(), 2, MF_BYCOMMAND);

  EXPECT_TRUE(BCMenu::UpdateMenu(&menu));
  EXPECT_EQ(RecordTexts(menu), (std::vector<std::u16string>{u"Plain", u"Kept", u""}));
  auto items = native.Items(menu.GetHandle());
  ASSERT_EQ(items.size(), 3u);
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_TRUE(items[i].flags & MF_OWNERDRAW);
    EXPECT_EQ(items[i].data, menu.Record(static_cast<int>(i)));
  }
  EXPECT_FALSE(BCMenu::UpdateMenu(nullptr));
}

TEST_F(BCMenuTest, KeyboardShortcutsFindTheMnemonicOnly) {
  BCMenu menu(native);
  ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
  for (const auto& [id, text] : std::vector<std::pair<unsigned, std::u16string>>{
           {1, u"R&&D notes"}, {2, u"Fish && &Chips"}, {3, u"&Find"}, {4, u"&&&d"}})
    ASSERT_TRUE(menu.AppendODMenu(text, 0, id));
  struct Case {
    char16_t key;
    unsigned flags;
    long expected;
  } cases[] = {
      {u'f', MF_POPUP, 0x20002},
      {u'F', MF_POPUP, 0x20002},
      {u'c', MF_POPUP, 0x20001},
      {u'd', MF_POPUP, 0x20003},  // "&&" before the mnemonic in item 3 is not one
      {u' ', MF_POPUP, 0},
      {u'f', 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key));
    EXPECT_EQ(BCMenu::FindKeyboardShortcut(c.key, c.flags, &menu), c.expected);
  }
  EXPECT_EQ(BCMenu::FindKeyboardShortcut(u'f', MF_POPUP, nullptr), 0);

  std::u16string shown;
  EXPECT_EQ(MenuLabelMnemonic(u"Fish && &Chips", shown), 7);
  EXPECT_EQ(shown, u"Fish & Chips");
  EXPECT_EQ(MenuLabelMnemonic(u"R&&D&", shown), -1);
  EXPECT_EQ(shown, u"R&D&");
}

TEST(MenuGlobalsTest, VersionClassesAndDrawModes) {
  struct Case {
    WindowsVersionInfo version;
    int expected;
  } cases[] = {
      {{true, 3, 10, true}, 0},  {{true, 4, 0, true}, 2},   {{true, 4, 10, true}, 3},
      {{true, 4, 90, true}, 4},  {{true, 4, 10, false}, 2}, {{false, 4, 0, true}, 5},
      {{false, 5, 0, true}, 6},  {{false, 5, 1, true}, 7},  {{false, 5, 2, true}, 1},
      {{false, 10, 0, true}, 1}, {{false, 5, 1, false}, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClassifyWindowsVersion(c.version), c.expected)
        << c.version.major << "." << c.version.minor;

  ResetMenuGlobals();
  EXPECT_EQ(BCMenu::GetMenuDrawMode(), 0);
  EXPECT_FALSE(BCMenu::IsNewShell());
  GetMenuGlobals().windowsVersion = 7;
  EXPECT_TRUE(BCMenu::UseFlatStyle());
  EXPECT_TRUE(BCMenu::IsFlatDrawMode());
  EXPECT_EQ(BCMenu::GetSelectDisabledMode(), 0);
  ResetMenuGlobals();
  GetMenuGlobals().windowsVersion = 7;
  GetMenuGlobals().themeName = u"C:\\Themes\\WINDOWS CLASSIC.THEME";
  EXPECT_FALSE(BCMenu::UseFlatStyle());
  EXPECT_EQ(BCMenu::GetSelectDisabledMode(), 1);
  ResetMenuGlobals();
}

}  // namespace
