#include "unreferenced/wx/WxNativeMenus.h"

#include <wx/dcscreen.h>
#include <wx/settings.h>

#include "unreferenced/BCMenuData.h"
#include "unreferenced/wx/WxText.h"

WxNativeMenus::~WxNativeMenus() {
  for (auto& [handle, menu] : m_Menus) Detach(*menu);
}

wxMenu* WxNativeMenus::Menu(MenuHandle menu) const {
  auto it = m_Menus.find(menu);
  return it == m_Menus.end() ? nullptr : it->second.get();
}

void WxNativeMenus::Detach(wxMenu& menu) {
  while (menu.GetMenuItemCount() > 0) {
    wxMenuItem* item = menu.Remove(menu.FindItemByPosition(0));
    item->SetSubMenu(nullptr);
    delete item;
  }
}

MenuHandle WxNativeMenus::Track(MenuHandle handle) {
  m_Menus[handle] = std::make_unique<wxMenu>();
  return handle;
}

MenuHandle WxNativeMenus::CreateMenu() {
  return Track(m_Items.CreateMenu());
}

MenuHandle WxNativeMenus::CreatePopupMenu() {
  return Track(m_Items.CreatePopupMenu());
}

void WxNativeMenus::Refresh() {
  for (auto& [handle, menu] : m_Menus) Detach(*menu);
  for (auto& [handle, menu] : m_Menus) {
    for (const FakeNativeMenus::Item& item : m_Items.Items(handle)) {
      if (item.flags & MF_SEPARATOR) {
        menu->AppendSeparator();
        continue;
      }
      // An owner-drawn item's label is its record's.
      std::u16string label = item.text;
      if (item.flags & MF_OWNERDRAW)
        label = item.data ? static_cast<const BCMenuData*>(item.data)->Text() : u"";
      wxMenuItem* added = nullptr;
      if (item.flags & MF_POPUP) {
        added = menu->AppendSubMenu(Menu(item.id), ToWxString(label));
      } else {
        added = menu->Append(static_cast<int>(item.id), ToWxString(label), wxString(),
                             (item.flags & MF_CHECKED) ? wxITEM_CHECK : wxITEM_NORMAL);
        if (item.flags & MF_CHECKED) added->Check(true);
      }
      if (item.flags & (MF_GRAYED | MF_DISABLED)) added->Enable(false);
    }
  }
}

void WxNativeMenus::Mirror(bool done) {
  if (!done) return;
  // Submenus destroyed with their menu lose their mirrors too.
  for (auto it = m_Menus.begin(); it != m_Menus.end();) {
    if (m_Items.IsMenu(it->first)) {
      ++it;
      continue;
    }
    Detach(*it->second);
    it = m_Menus.erase(it);
  }
  Refresh();
}

bool WxNativeMenus::DestroyMenu(MenuHandle menu) {
  bool done = m_Items.DestroyMenu(menu);
  Mirror(done);
  return done;
}

bool WxNativeMenus::AppendMenu(MenuHandle menu, unsigned flags, std::uintptr_t id,
                               std::u16string_view text, const void* data) {
  bool done = m_Items.AppendMenu(menu, flags, id, text, data);
  Mirror(done);
  return done;
}

bool WxNativeMenus::InsertMenu(MenuHandle menu, unsigned position, unsigned flags,
                               std::uintptr_t id, std::u16string_view text, const void* data) {
  bool done = m_Items.InsertMenu(menu, position, flags, id, text, data);
  Mirror(done);
  return done;
}

bool WxNativeMenus::ModifyMenu(MenuHandle menu, unsigned position, unsigned flags,
                               std::uintptr_t id, std::u16string_view text, const void* data) {
  bool done = m_Items.ModifyMenu(menu, position, flags, id, text, data);
  Mirror(done);
  return done;
}

bool WxNativeMenus::RemoveMenu(MenuHandle menu, unsigned position, unsigned flags) {
  bool done = m_Items.RemoveMenu(menu, position, flags);
  Mirror(done);
  return done;
}

bool WxNativeMenus::DeleteMenu(MenuHandle menu, unsigned position, unsigned flags) {
  bool done = m_Items.DeleteMenu(menu, position, flags);
  Mirror(done);
  return done;
}

int WxNativeMenus::MenuTextWidth(std::u16string_view text) const {
  wxScreenDC dc;
  dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
  return dc.GetTextExtent(ToWxString(text)).GetWidth();
}
