#include "unreferenced/BCMenu.h"

#include <cwctype>
#include <map>

namespace {

struct TemplateReader {
  std::span<const std::byte> bytes;
  std::size_t offset = 0;

  bool ReadWord(unsigned& value) {
    if (bytes.size() < 2 || offset > bytes.size() - 2) return false;
    value = std::to_integer<unsigned>(bytes[offset]) |
            (std::to_integer<unsigned>(bytes[offset + 1]) << 8);
    offset += 2;
    return true;
  }
  // A text that runs past the end of the template has no terminator: the template is damaged.
  bool ReadText(std::u16string& text) {
    text.clear();
    for (unsigned unit = 0;;) {
      if (!ReadWord(unit)) return false;
      if (unit == 0) return true;
      text.push_back(static_cast<char16_t>(unit));
    }
  }
};

char16_t Lower(char16_t c) {
  return static_cast<char16_t>(std::towlower(static_cast<std::wint_t>(c)));
}

}  // namespace

int MenuLabelMnemonic(std::u16string_view text, std::u16string& shown) {
  shown.clear();
  int key = -1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'&' || i + 1 == text.size()) {
      shown.push_back(text[i]);
      continue;
    }
    ++i;  // "&&" shows one ampersand and marks no key
    if (text[i] != u'&' && key < 0) key = static_cast<int>(shown.size());
    shown.push_back(text[i]);
  }
  return key;
}

bool BCMenu::LoadMenu(std::span<const std::byte> menuTemplate) {
  ReleaseMenu();
  Clear();
  if (!Attach(m_Native.CreateMenu())) return false;

  TemplateReader reader{menuTemplate};
  unsigned version = 0, headerOffset = 0;
  bool good = reader.ReadWord(version) && reader.ReadWord(headerOffset);
  reader.offset += headerOffset;
  struct Open {
    BCMenu* menu;
    bool ended;
  };
  std::vector<Open> stack{{this, false}};
  while (good && !stack.empty()) {
    unsigned options = 0, id = 0;
    std::u16string text;
    good = reader.ReadWord(options) && ((options & MF_POPUP) || reader.ReadWord(id)) &&
           reader.ReadText(text);
    if (!good) break;
    unsigned flags = options & ~MF_END;
    BCMenu* top = stack.back().menu;
    if (options & MF_POPUP) {
      BCMenu* child = top->NewChild();
      good = child->Attach(m_Native.CreatePopupMenu()) &&
             top->AppendODMenu(text, flags, child->GetHandle(), -1);
      if (options & MF_END) stack.back().ended = true;
      stack.push_back({child, false});
    } else {
      good = top->AppendODMenu(text, flags, id, -1);
      if (options & MF_END) stack.back().ended = true;
      while (!stack.empty() && stack.back().ended) {
        stack.back().menu->PadAccelerators();
        stack.pop_back();
      }
    }
  }
  // A template that ends inside a menu is damaged; no half-built menu is kept.
  if (!good || !stack.empty()) {
    Clear();
    return false;
  }
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int i = 0; i < count && i < RecordCount(); ++i) {
    BCMenuData& record = *m_Records[i];
    if (MenuHandle submenu = m_Native.GetSubMenu(m_Handle, i)) {
      record.flags = MF_BYPOSITION | MF_POPUP;
      m_Native.ModifyMenu(m_Handle, static_cast<unsigned>(i), record.flags, submenu, record.Text(),
                          nullptr);
    } else {
      record.flags = MF_BYPOSITION | MF_STRING;
      m_Native.ModifyMenu(m_Handle, static_cast<unsigned>(i), record.flags, record.commandId,
                          record.Text(), nullptr);
    }
  }
  m_LoadedAsMenuBar = true;
  return true;
}

int BCMenu::GetMenuStart() const {
  if (!m_LoadedAsMenuBar) return 0;
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int c = 0; c < count; ++c) {
    std::u16string text = m_Native.GetMenuString(m_Handle, static_cast<unsigned>(c), MF_BYPOSITION);
    if (text.empty()) continue;
    for (std::size_t i = 0; i < m_Records.size(); ++i)
      if (m_Records[i]->Text() == text)
        return c >= static_cast<int>(i) ? c - static_cast<int>(i) : 0;
  }
  return 0;
}

void BCMenu::MakeMenuBarPlain() {
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int position = GetMenuStart(), index = 0; position < count && index < RecordCount();
       ++position, ++index) {
    if (MenuHandle submenu = m_Native.GetSubMenu(m_Handle, position)) {
      BCMenuData& record = *m_Records[index];
      record.flags = MF_BYPOSITION | MF_POPUP;
      m_Native.ModifyMenu(m_Handle, static_cast<unsigned>(position), record.flags, submenu,
                          record.Text(), nullptr);
    }
  }
}

void BCMenu::PadAccelerators() {
  int count = std::min(m_Native.GetMenuItemCount(m_Handle), RecordCount());
  int widest = 0;
  for (int i = 0; i < count; ++i) {
    const std::u16string& text = m_Records[i]->Text();
    std::u16string label = text.substr(0, text.find(u'\t')) + u" ";
    widest = std::max(widest, m_Native.MenuTextWidth(label));
  }
  for (const auto& record : m_Records) {
    const std::u16string text = record->Text();
    std::size_t tab = text.find(u'\t');
    if (tab == std::u16string::npos) continue;
    std::u16string label = text.substr(0, tab);
    // Bounded: a font that gives a space no width must not spin here.
    for (int i = 0; i <= widest && m_Native.MenuTextWidth(label) < widest; ++i) label += u' ';
    record->SetString(label + text.substr(tab));
  }
}

std::unique_ptr<BCMenuData> BCMenu::NewODMenu(unsigned position, unsigned flags, std::uintptr_t id,
                                              std::u16string_view text) {
  auto record = std::make_unique<BCMenuData>();
  record->SetString(text);
  record->flags = flags;
  record->commandId = id;
  m_Native.ModifyMenu(m_Handle, position, flags, id, text,
                      (flags & MF_OWNERDRAW) ? record.get() : nullptr);
  return record;
}

BCMenuData* BCMenu::FindMenuList(std::uintptr_t id) {
  for (const auto& record : m_Records) {
    if (record->commandId == id && record->mark == 0) {
      record->mark = 1;
      return record.get();
    }
  }
  return nullptr;
}

void BCMenu::SynchronizeMenu() {
  for (const auto& record : m_Records) record->mark = 0;
  // Records found again are moved over once every item has been matched.
  std::vector<BCMenuData*> order;
  std::map<const BCMenuData*, std::unique_ptr<BCMenuData>> made;
  int count = m_Native.GetMenuItemCount(m_Handle);
  for (int i = 0; i < count; ++i) {
    unsigned position = static_cast<unsigned>(i);
    unsigned state = m_Native.GetMenuState(m_Handle, position, MF_BYPOSITION);
    std::unique_ptr<BCMenuData> fresh;
    BCMenuData* record = nullptr;
    if (state & MF_POPUP) {
      MenuHandle submenu = m_Native.GetSubMenu(m_Handle, i);
      record = FindMenuList(submenu);
      std::u16string text = m_Native.GetMenuString(m_Handle, position, MF_BYPOSITION);
      if (!record)
        fresh = NewODMenu(position, (state & 0xEF) | 0x510, submenu, text);
      else if (!text.empty())
        record->SetString(text);
    } else if (state & MF_SEPARATOR) {
      record = FindMenuList(0);
      if (record)
        m_Native.ModifyMenu(m_Handle, position, record->flags | MF_BYPOSITION, 0, u"", record);
      else
        fresh = NewODMenu(position, state | 0xD00, 0, u"");
    } else {
      unsigned id = m_Native.GetMenuItemID(m_Handle, i);
      record = FindMenuList(id);
      std::u16string text = m_Native.GetMenuString(m_Handle, position, MF_BYPOSITION);
      if (record) {
        record->flags = state | 0x500;
        if (!text.empty()) record->SetString(text);
        m_Native.ModifyMenu(m_Handle, position, record->flags, id, record->Text(), record);
      } else {
        fresh = NewODMenu(position, state | 0x500, id, text);
      }
    }
    if (fresh) {
      record = fresh.get();
      made[record] = std::move(fresh);
    }
    order.push_back(record);
  }
  for (auto& old : m_Records) made[old.get()] = std::move(old);
  std::vector<std::unique_ptr<BCMenuData>> list;
  for (BCMenuData* record : order) list.push_back(std::move(made[record]));
  // Records no item claimed are dropped with the old list.
  m_Records = std::move(list);
}

bool BCMenu::UpdateMenu(BCMenu* menu) {
  if (!menu) return false;
  menu->SynchronizeMenu();
  return true;
}

long BCMenu::FindKeyboardShortcut(char16_t character, unsigned flags, BCMenu* menu) {
  if (!menu || !(flags & MF_POPUP)) return 0;
  if (menu->m_Native.GetMenuItemCount(menu->m_Handle) != menu->RecordCount())
    menu->SynchronizeMenu();
  for (int i = 0; i < menu->RecordCount(); ++i) {
    std::u16string shown;
    const int key = MenuLabelMnemonic(menu->m_Records[i]->Text(), shown);
    if (key >= 0 && Lower(shown[key]) == Lower(character)) return kMenuCharExecute + i;
  }
  return 0;
}
