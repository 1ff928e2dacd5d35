// The native menus the owner-drawn menu sits on: numbered menu handles holding items that are
// found by position or by command, as the menu functions of the system the code was written for
// do. An owner-drawn item keeps the record pointer it was given instead of a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// 0 is no menu. A popup item's command id is its submenu's handle.
using MenuHandle = std::uintptr_t;

inline constexpr unsigned MF_BYCOMMAND = 0x0;
inline constexpr unsigned MF_STRING = 0x0;
inline constexpr unsigned MF_GRAYED = 0x1;
inline constexpr unsigned MF_DISABLED = 0x2;
inline constexpr unsigned MF_CHECKED = 0x8;
inline constexpr unsigned MF_POPUP = 0x10;
inline constexpr unsigned MF_END = 0x80;  // menu templates only
inline constexpr unsigned MF_OWNERDRAW = 0x100;
inline constexpr unsigned MF_BYPOSITION = 0x400;
inline constexpr unsigned MF_SEPARATOR = 0x800;
// What GetMenuState and GetMenuItemID answer for a missing item or a popup's id.
inline constexpr unsigned kMenuNoItem = 0xFFFFFFFFu;
// The end of the menu, as an insert position.
inline constexpr unsigned kMenuEnd = 0xFFFFFFFFu;

class NativeMenus {
 public:
  virtual ~NativeMenus() = default;

  virtual MenuHandle CreateMenu() = 0;
  virtual MenuHandle CreatePopupMenu() = 0;
  // Destroys the menu and every submenu it holds.
  virtual bool DestroyMenu(MenuHandle menu) = 0;
  virtual bool IsMenu(MenuHandle menu) const = 0;

  // With MF_OWNERDRAW the item keeps data and no text; otherwise the text and no data.
  virtual bool AppendMenu(MenuHandle menu, unsigned flags, std::uintptr_t id,
                          std::u16string_view text, const void* data) = 0;
  // position is an index with MF_BYPOSITION (kMenuEnd appends), else a command id.
  virtual bool InsertMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                          std::u16string_view text, const void* data) = 0;
  virtual bool ModifyMenu(MenuHandle menu, unsigned position, unsigned flags, std::uintptr_t id,
                          std::u16string_view text, const void* data) = 0;
  // RemoveMenu keeps a removed item's submenu; DeleteMenu destroys it.
  virtual bool RemoveMenu(MenuHandle menu, unsigned position, unsigned flags) = 0;
  virtual bool DeleteMenu(MenuHandle menu, unsigned position, unsigned flags) = 0;

  // -1 for a handle that is not a menu.
  virtual int GetMenuItemCount(MenuHandle menu) const = 0;
  // The item's flags without MF_BYPOSITION; a popup's has its item count in the second byte.
  virtual unsigned GetMenuState(MenuHandle menu, unsigned position, unsigned flags) const = 0;
  // kMenuNoItem for a popup or a missing position.
  virtual unsigned GetMenuItemID(MenuHandle menu, int position) const = 0;
  virtual MenuHandle GetSubMenu(MenuHandle menu, int position) const = 0;
  // An owner-drawn item, a separator or a missing item has an empty string.
  virtual std::u16string GetMenuString(MenuHandle menu, unsigned position,
                                       unsigned flags) const = 0;
  // The record pointer an owner-drawn item was given; null for any other item.
  virtual const void* GetItemData(MenuHandle menu, unsigned position, unsigned flags) const = 0;

  // Width in pixels of a text in the menu font.
  virtual int MenuTextWidth(std::u16string_view text) const = 0;
};
