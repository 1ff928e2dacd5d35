// Native menus held in memory, for tests and for code that runs without a display: the items
// behave as the system's menu functions describe them, and every menu can be read back.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "unreferenced/NativeMenus.h"

class FakeNativeMenus : public NativeMenus {
 public:
  struct Item {
    unsigned flags = 0;
    std::uintptr_t id = 0;
    std::u16string text;
    const void* data = nullptr;
  };

  MenuHandle CreateMenu() override { return NewMenu(); }
  MenuHandle CreatePopupMenu() override { return NewMenu(); }
  bool DestroyMenu(MenuHandle menu) override;
  bool IsMenu(MenuHandle menu) const override { return m_Menus.contains(menu); }

  bool AppendMenu(MenuHandle menu, unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const void* data) override;
  bool InsertMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                  std::u16string_view text, const void* data) override;
  bool ModifyMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                  std::u16string_view text, const void* data) override;
  bool RemoveMenu(MenuHandle menu, unsigned position, unsigned flags) override;
  bool DeleteMenu(MenuHandle menu, unsigned position, unsigned flags) override;

  int GetMenuItemCount(MenuHandle menu) const override;
  unsigned GetMenuState(MenuHandle menu, unsigned position, unsigned flags) const override;
  unsigned GetMenuItemID(MenuHandle menu, int position) const override;
  MenuHandle GetSubMenu(MenuHandle menu, int position) const override;
  std::u16string GetMenuString(MenuHandle menu, unsigned position, unsigned flags) const override;
  const void* GetItemData(MenuHandle menu, unsigned position, unsigned flags) const override;

  // Seven pixels a character.
  int MenuTextWidth(std::u16string_view text) const override {
    return 7 * static_cast<int>(text.size());
  }

  // The items of a menu; empty for a handle that is not a menu.
  std::vector<Item> Items(MenuHandle menu) const;
  int MenuCount() const { return static_cast<int>(m_Menus.size()); }

 private:
  struct Place {
    std::vector<Item>* items = nullptr;
    std::size_t index = 0;
  };

  MenuHandle NewMenu();
  static Item MakeItem(unsigned flags, std::uintptr_t id, std::u16string_view text,
                       const void* data);
  // By position in menu, or by command anywhere in menu and its submenus.
  Place Find(MenuHandle menu, unsigned position, unsigned flags);
  const Item* FindItem(MenuHandle menu, unsigned position, unsigned flags) const;
  bool Remove(MenuHandle menu, unsigned position, unsigned flags, bool destroySubmenu);

  std::map<MenuHandle, std::vector<Item>> m_Menus;
  MenuHandle m_NextHandle = 0x10000;
};
