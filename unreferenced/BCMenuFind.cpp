#include "unreferenced/BCMenu.h"

BCMenu* BCMenu::FindOption(std::uintptr_t id, int& position, const std::vector<BCMenu*>* menus,
                           const std::vector<int>* positions) {
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int i = 0; i < count; ++i) {
    if (BCMenu* sub = FromHandle(m_Native.GetSubMenu(m_Handle, i))) {
      if (BCMenu* found = sub->FindOption(id, position, menus, positions)) return found;
    } else if (m_Native.GetMenuItemID(m_Handle, i) == id) {
      bool seen = false;
      for (std::size_t k = 0; menus && k < menus->size() && k < positions->size(); ++k)
        seen = seen || ((*menus)[k] == this && (*positions)[k] == i);
      if (!seen) {
        position = i;
        return this;
      }
    }
  }
  position = -1;
  return nullptr;
}

BCMenu* BCMenu::FindMenuOption(std::uintptr_t id, int& position) {
  return FindOption(id, position, nullptr, nullptr);
}

BCMenu* BCMenu::FindAnotherMenuOption(std::uintptr_t id, int& position, std::vector<BCMenu*>& menus,
                                      std::vector<int>& positions) {
  return FindOption(id, position, &menus, &positions);
}

BCMenuData* BCMenu::FindMenuItem(std::u16string_view text) {
  for (const auto& record : m_Records) {
    if (record->Text() == text) return record.get();
    if (record->flags & MF_POPUP)
      if (BCMenu* sub = FromHandle(record->commandId))
        if (BCMenuData* found = sub->FindMenuItem(text)) return found;
  }
  return nullptr;
}

BCMenuData* BCMenu::FindMenuData(std::uintptr_t id) {
  for (const auto& record : m_Records)
    if (record->commandId == id) return record.get();
  int position = -1;
  BCMenu* menu = FindMenuOption(id, position);
  if (!menu) return nullptr;
  for (const auto& record : menu->m_Records)
    if (record->commandId == id) return record.get();
  return nullptr;
}

BCMenu* BCMenu::GetSubBCMenu(std::u16string_view text) {
  BCMenuData* record = FindMenuItem(text);
  return record ? FromHandle(record->commandId) : nullptr;
}

MenuHandle BCMenu::GetSubMenuByText(std::u16string_view text) const {
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int i = 0; i < count; ++i)
    if (m_Native.GetMenuString(m_Handle, static_cast<unsigned>(i), MF_BYPOSITION) == text)
      return m_Native.GetSubMenu(m_Handle, i);
  return 0;
}

int BCMenu::GetMenuPosition(std::u16string_view text) const {
  int count = m_Native.GetMenuItemCount(m_Handle);
  bool allSubmenus = true;
  for (int i = 0; i < count && allSubmenus; ++i)
    allSubmenus = m_Native.GetSubMenu(m_Handle, i) != 0;
  if (allSubmenus) return -1;
  for (std::size_t i = 0; i < m_Records.size(); ++i)
    if (m_Records[i]->Text() == text) return static_cast<int>(i);
  return -1;
}

bool BCMenu::SetMenuText(std::uintptr_t id, std::u16string_view text, unsigned flags) {
  if (flags & MF_BYPOSITION) {
    BCMenuData* record = Record(static_cast<int>(id));
    if (!record) return false;
    record->SetString(text);
    return true;
  }
  int position = -1;
  BCMenu* menu = FindMenuOption(id, position);
  return menu && menu->SetMenuText(static_cast<unsigned>(position), text, MF_BYPOSITION);
}

bool BCMenu::GetMenuText(std::uintptr_t id, std::u16string& text, unsigned flags) {
  if (flags & MF_BYPOSITION) {
    BCMenuData* record = Record(static_cast<int>(id));
    if (!record) return false;
    text = record->GetString();
    return true;
  }
  int position = -1;
  BCMenu* menu = FindMenuOption(id, position);
  return menu && menu->GetMenuText(static_cast<unsigned>(position), text, MF_BYPOSITION);
}
