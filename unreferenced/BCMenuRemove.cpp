#include "unreferenced/BCMenu.h"

#include <algorithm>

void BCMenu::ForgetSubmenu(MenuHandle submenu) {
  std::erase(m_SubmenuHandles, submenu);
  std::erase(GetMenuGlobals().menuHandles, submenu);
}

bool BCMenu::RemoveItem(unsigned position, unsigned flags, bool destroy) {
  if (!(flags & MF_BYPOSITION)) {
    int found = -1;
    if (BCMenu* menu = FindMenuOption(position, found))
      return menu->RemoveItem(static_cast<unsigned>(found), flags | MF_BYPOSITION, destroy);
    return destroy ? m_Native.DeleteMenu(m_Handle, position, flags)
                   : m_Native.RemoveMenu(m_Handle, position, flags);
  }
  int count = m_Native.GetMenuItemCount(m_Handle);
  // A position past the end names no item: nothing is touched and the caller hears false.
  if (count < 0 || position >= static_cast<unsigned>(count)) return false;
  unsigned state = m_Native.GetMenuState(m_Handle, position, MF_BYPOSITION);
  if ((state & MF_POPUP) || !(state & MF_SEPARATOR)) {
    if (MenuHandle submenu = m_Native.GetSubMenu(m_Handle, static_cast<int>(position))) {
      ForgetSubmenu(submenu);
      if (BCMenu* sub = FromHandle(submenu)) {
        for (int i = m_Native.GetMenuItemCount(submenu) - 1; i >= 0; --i)
          sub->RemoveItem(static_cast<unsigned>(i), MF_BYPOSITION, destroy);
      }
      for (auto it = m_Records.rbegin(); it != m_Records.rend(); ++it) {
        if ((*it)->commandId == submenu) {
          m_Records.erase(std::next(it).base());
          break;
        }
      }
      DeleteChild(submenu);
    } else {
      unsigned id = m_Native.GetMenuItemID(m_Handle, static_cast<int>(position));
      for (auto it = m_Records.begin(); it != m_Records.end(); ++it) {
        if ((*it)->commandId == id) {
          m_Records.erase(it);
          break;
        }
      }
    }
  } else if (position < m_Records.size()) {
    // A separator's record goes by its index; DeleteMenu keeps a separator that has a text.
    if (!destroy || m_Records[position]->Text().empty())
      m_Records.erase(m_Records.begin() + position);
  }
  return destroy ? m_Native.DeleteMenu(m_Handle, position, MF_BYPOSITION)
                 : m_Native.RemoveMenu(m_Handle, position, MF_BYPOSITION);
}

bool BCMenu::RemoveMenu(unsigned position, unsigned flags) {
  return RemoveItem(position, flags, false);
}

bool BCMenu::DeleteMenu(unsigned position, unsigned flags) {
  return RemoveItem(position, flags, true);
}

int BCMenu::RemoveByText(std::u16string_view text, int kind, bool destroy) {
  int position = GetMenuPosition(text);
  if (position == -1) return -1;
  RemoveItem(static_cast<unsigned>(position), MF_BYPOSITION, destroy);
  // Kind 3 removes the item before the text and then the one that followed the text.
  int neighbours = kind == 1 || kind == 2 ? 1 : kind == 3 ? 2 : 0;
  for (int i = 0; i < neighbours && position > 0; ++i)
    RemoveItem(static_cast<unsigned>(position - 1), MF_BYPOSITION, destroy);
  return position;
}

int BCMenu::RemoveMenuByText(std::u16string_view text, int kind) {
  return RemoveByText(text, kind, false);
}

int BCMenu::DeleteMenuByText(std::u16string_view text, int kind) {
  return RemoveByText(text, kind, true);
}
