#include "unreferenced/FakeNativeMenus.h"

MenuHandle FakeNativeMenus::NewMenu() {
  // Handles lie far above the command ids menus use, so a test cannot mistake one for another.
  MenuHandle handle = m_NextHandle;
  m_NextHandle += 0x10;
  m_Menus[handle];
  return handle;
}

bool FakeNativeMenus::DestroyMenu(MenuHandle menu) {
  auto it = m_Menus.find(menu);
  if (it == m_Menus.end()) return false;
  std::vector<Item> items = std::move(it->second);
  m_Menus.erase(it);
  for (const Item& item : items)
    if (item.flags & MF_POPUP) DestroyMenu(item.id);
  return true;
}

FakeNativeMenus::Item FakeNativeMenus::MakeItem(unsigned flags, std::uintptr_t id,
                                                std::u16string_view text, const void* data) {
  Item item;
  item.flags = flags & ~MF_BYPOSITION;
  item.id = id;
  if (flags & MF_OWNERDRAW)
    item.data = data;
  else if (!(flags & MF_SEPARATOR))
    item.text = std::u16string(text);
  return item;
}

bool FakeNativeMenus::AppendMenu(MenuHandle menu, unsigned flags, std::uintptr_t id,
                                 std::u16string_view text, const void* data) {
  auto it = m_Menus.find(menu);
  if (it == m_Menus.end()) return false;
  if ((flags & MF_POPUP) && !IsMenu(id)) return false;
  it->second.push_back(MakeItem(flags, id, text, data));
  return true;
}

bool FakeNativeMenus::InsertMenu(MenuHandle menu, unsigned position, unsigned flags,
                                 std::uintptr_t id, std::u16string_view text, const void* data) {
  if (!IsMenu(menu) || ((flags & MF_POPUP) && !IsMenu(id))) return false;
  if ((flags & MF_BYPOSITION) && position == kMenuEnd)
    return AppendMenu(menu, flags, id, text, data);
  Place place = Find(menu, position, flags);
  if (!place.items) {
    // The system appends when a position lies past the end.
    if (!(flags & MF_BYPOSITION)) return false;
    return AppendMenu(menu, flags, id, text, data);
  }
  place.items->insert(place.items->begin() + static_cast<std::ptrdiff_t>(place.index),
                      MakeItem(flags, id, text, data));
  return true;
}

bool FakeNativeMenus::ModifyMenu(MenuHandle menu, unsigned position, unsigned flags,
                                 std::uintptr_t id, std::u16string_view text, const void* data) {
  Place place = Find(menu, position, flags);
  if (!place.items || ((flags & MF_POPUP) && !IsMenu(id))) return false;
  (*place.items)[place.index] = MakeItem(flags, id, text, data);
  return true;
}

bool FakeNativeMenus::Remove(MenuHandle menu, unsigned position, unsigned flags,
                             bool destroySubmenu) {
  Place place = Find(menu, position, flags);
  if (!place.items) return false;
  Item item = (*place.items)[place.index];
  place.items->erase(place.items->begin() + static_cast<std::ptrdiff_t>(place.index));
  if (destroySubmenu && (item.flags & MF_POPUP)) DestroyMenu(item.id);
  return true;
}

bool FakeNativeMenus::RemoveMenu(MenuHandle menu, unsigned position, unsigned flags) {
  return Remove(menu, position, flags, false);
}

bool FakeNativeMenus::DeleteMenu(MenuHandle menu, unsigned position, unsigned flags) {
  return Remove(menu, position, flags, true);
}

int FakeNativeMenus::GetMenuItemCount(MenuHandle menu) const {
  auto it = m_Menus.find(menu);
  return it == m_Menus.end() ? -1 : static_cast<int>(it->second.size());
}

unsigned FakeNativeMenus::GetMenuState(MenuHandle menu, unsigned position, unsigned flags) const {
  const Item* item = FindItem(menu, position, flags);
  if (!item) return kMenuNoItem;
  if (item->flags & MF_POPUP)
    return (static_cast<unsigned>(GetMenuItemCount(item->id)) << 8) | (item->flags & 0xFF);
  return item->flags;
}

unsigned FakeNativeMenus::GetMenuItemID(MenuHandle menu, int position) const {
  if (position < 0) return kMenuNoItem;
  const Item* item = FindItem(menu, static_cast<unsigned>(position), MF_BYPOSITION);
  if (!item || (item->flags & MF_POPUP)) return kMenuNoItem;
  return static_cast<unsigned>(item->id);
}

MenuHandle FakeNativeMenus::GetSubMenu(MenuHandle menu, int position) const {
  if (position < 0) return 0;
  const Item* item = FindItem(menu, static_cast<unsigned>(position), MF_BYPOSITION);
  return item && (item->flags & MF_POPUP) ? item->id : 0;
}

std::u16string FakeNativeMenus::GetMenuString(MenuHandle menu, unsigned position,
                                              unsigned flags) const {
  const Item* item = FindItem(menu, position, flags);
  return item ? item->text : std::u16string();
}

const void* FakeNativeMenus::GetItemData(MenuHandle menu, unsigned position, unsigned flags) const {
  const Item* item = FindItem(menu, position, flags);
  return item ? item->data : nullptr;
}

std::vector<FakeNativeMenus::Item> FakeNativeMenus::Items(MenuHandle menu) const {
  auto it = m_Menus.find(menu);
  return it == m_Menus.end() ? std::vector<Item>() : it->second;
}

FakeNativeMenus::Place FakeNativeMenus::Find(MenuHandle menu, unsigned position, unsigned flags) {
  auto it = m_Menus.find(menu);
  if (it == m_Menus.end()) return {};
  std::vector<Item>& items = it->second;
  if (flags & MF_BYPOSITION) return position < items.size() ? Place{&items, position} : Place{};
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].id == position) return {&items, i};
    if (items[i].flags & MF_POPUP) {
      Place inner = Find(items[i].id, position, flags);
      if (inner.items) return inner;
    }
  }
  return {};
}

const FakeNativeMenus::Item* FakeNativeMenus::FindItem(MenuHandle menu, unsigned position,
                                                       unsigned flags) const {
  Place place = const_cast<FakeNativeMenus*>(this)->Find(menu, position, flags);
  return place.items ? &(*place.items)[place.index] : nullptr;
}
