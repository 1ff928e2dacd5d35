// Native menus shown by the toolkit: each menu handle is mirrored by a wxMenu that the program
// can pop up or put in a menu bar. The toolkit draws its own menus, so an owner-drawn item is
// shown with its record's label and states.
#pragma once

#include <wx/menu.h>

#include <map>
#include <memory>

#include "unreferenced/FakeNativeMenus.h"

class WxNativeMenus : public NativeMenus {
 public:
  WxNativeMenus() = default;
  ~WxNativeMenus() override;
  WxNativeMenus(const WxNativeMenus&) = delete;
  WxNativeMenus& operator=(const WxNativeMenus&) = delete;

  // The toolkit's menu of a handle; null for a handle that is not a menu. The menus stay owned
  // here: one put in a menu bar must be taken out again before these menus go.
  wxMenu* Menu(MenuHandle menu) const;
  // Shows records' labels changed since the last change of the menus themselves.
  void Refresh();

  MenuHandle CreateMenu() override;
  MenuHandle CreatePopupMenu() override;
  bool DestroyMenu(MenuHandle menu) override;
  bool IsMenu(MenuHandle menu) const override { return m_Items.IsMenu(menu); }
  bool AppendMenu(MenuHandle menu, unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const void* data) override;
  bool InsertMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                  std::u16string_view text, const void* data) override;
  bool ModifyMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                  std::u16string_view text, const void* data) override;
  bool RemoveMenu(MenuHandle menu, unsigned position, unsigned flags) override;
  bool DeleteMenu(MenuHandle menu, unsigned position, unsigned flags) override;
  int GetMenuItemCount(MenuHandle menu) const override { return m_Items.GetMenuItemCount(menu); }
  unsigned GetMenuState(MenuHandle menu, unsigned position, unsigned flags) const override {
    return m_Items.GetMenuState(menu, position, flags);
  }
  unsigned GetMenuItemID(MenuHandle menu, int position) const override {
    return m_Items.GetMenuItemID(menu, position);
  }
  MenuHandle GetSubMenu(MenuHandle menu, int position) const override {
    return m_Items.GetSubMenu(menu, position);
  }
  std::u16string GetMenuString(MenuHandle menu, unsigned position, unsigned flags) const override {
    return m_Items.GetMenuString(menu, position, flags);
  }
  const void* GetItemData(MenuHandle menu, unsigned position, unsigned flags) const override {
    return m_Items.GetItemData(menu, position, flags);
  }
  // Measured with the font the toolkit draws menus in.
  int MenuTextWidth(std::u16string_view text) const override;

 private:
  MenuHandle Track(MenuHandle handle);
  // Empties a toolkit menu without freeing the submenus it showed.
  static void Detach(wxMenu& menu);
  void Mirror(bool done);

  // The items as the menu functions keep them; the toolkit's menus are rebuilt from them.
  FakeNativeMenus m_Items;
  std::map<MenuHandle, std::unique_ptr<wxMenu>> m_Menus;
};
