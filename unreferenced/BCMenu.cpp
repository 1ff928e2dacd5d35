#include "unreferenced/BCMenu.h"

#include <algorithm>
#include <map>

namespace {

// The menus attached to native handles, so that a submenu handle leads to its menu object.
std::map<MenuHandle, BCMenu*>& MenuObjects() {
  static std::map<MenuHandle, BCMenu*> objects;
  return objects;
}

}  // namespace

BCMenu::BCMenu(NativeMenus& menus) : m_Native(menus) {}

BCMenu::~BCMenu() {
  ReleaseMenu();
  Clear();
}

void BCMenu::Clear() {
  m_Children.clear();
  m_Records.clear();
  m_SubmenuHandles.clear();
  if (m_Handle) {
    auto it = MenuObjects().find(m_Handle);
    if (it != MenuObjects().end() && it->second == this) MenuObjects().erase(it);
    // A submenu already destroyed with its parent is no longer a menu; the call then fails.
    m_Native.DestroyMenu(m_Handle);
    m_Handle = 0;
  }
  m_LoadedAsMenuBar = false;
}

bool BCMenu::Attach(MenuHandle handle) {
  if (!handle || m_Handle) return false;
  m_Handle = handle;
  MenuObjects()[handle] = this;
  return true;
}

BCMenu* BCMenu::FromHandle(MenuHandle handle) {
  auto it = MenuObjects().find(handle);
  return it == MenuObjects().end() ? nullptr : it->second;
}

BCMenu* BCMenu::NewChild() {
  auto child = std::make_unique<BCMenu>(m_Native);
  child->m_CheckedId = m_CheckedId;
  child->m_CheckedSelectedId = m_CheckedSelectedId;
  child->m_CheckmarkImages = m_CheckmarkImages;
  child->m_IconWidth = m_IconWidth;
  child->m_IconHeight = m_IconHeight;
  m_Children.push_back(std::move(child));
  return m_Children.back().get();
}

void BCMenu::DeleteChild(MenuHandle submenu) {
  std::erase_if(m_Children, [submenu](const std::unique_ptr<BCMenu>& child) {
    return child->GetHandle() == submenu;
  });
}

void BCMenu::SetIconSize(int width, int height) {
  m_IconWidth = width;
  m_IconHeight = height;
}

void BCMenu::SetBitmapBackground(ColorRef colour) {
  m_BitmapBackground = colour;
  m_UseBitmapBackground = true;
}

void BCMenu::SetMenuDrawMode(int mode) {
  GetMenuGlobals().drawModeThemed = mode;
  GetMenuGlobals().drawModePlain = mode;
}

bool BCMenu::IsNewShell() {
  return GetMenuGlobals().windowsVersion > 1;
}

bool BCMenu::IsClassicTheme() {
  MenuGlobals& globals = GetMenuGlobals();
  if (!globals.classicTheme) {
    static constexpr std::u16string_view kClassic = u"windows classic.theme";
    std::u16string name = globals.themeName;
    bool classic = name.size() >= kClassic.size();
    for (std::size_t i = 0; classic && i < kClassic.size(); ++i) {
      char16_t c = name[name.size() - kClassic.size() + i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      classic = c == kClassic[i];
    }
    globals.classicTheme = classic;
  }
  return *globals.classicTheme;
}

bool BCMenu::UseFlatStyle() {
  return GetMenuGlobals().windowsVersion == 7 && !IsClassicTheme();
}

int BCMenu::GetMenuDrawMode() {
  return UseFlatStyle() ? GetMenuGlobals().drawModeThemed : GetMenuGlobals().drawModePlain;
}

int BCMenu::GetSelectDisabledMode() {
  return IsFlatDrawMode() ? g_MenuSelectDisabledFlat : g_MenuSelectDisabledClassic;
}

bool BCMenu::IsMenuHandleRegistered(MenuHandle handle) {
  const std::vector<MenuHandle>& handles = GetMenuGlobals().menuHandles;
  return std::find(handles.begin(), handles.end(), handle) != handles.end();
}

ColorRef BCMenu::ShadowColour() {
  const ColorRef shadow = GetMenuGlobals().colours.btnShadow;
  return UseFlatStyle() ? shadow : LightenColor(shadow, 0.49);
}

int BCMenu::SharedSlot(std::uintptr_t id, ItemImage image) const {
  MenuGlobals& globals = GetMenuGlobals();
  if (!image.list && image.toolbarId != -1) return ToolbarSlot(id, image.toolbarId);
  if (!image.list) return GlobalImageListOffset(globals.imageList, static_cast<int>(id));
  const bool shaded = IsFlatDrawMode() && g_MenuShadedImages;
  return AddToGlobalImageList(globals.imageList, *image.list, image.index, static_cast<int>(id),
                              shaded, ShadowColour());
}

void BCMenu::AddShadedCopies(MenuImageList& list) const {
  // The flat style draws the faded and shadow copies kept after the image.
  if (!IsFlatDrawMode() || !g_MenuShadedImages || !list.Image(0)) return;
  const PixelSurface image = *list.Image(0);
  list.Add(MakeFadedImage(image));
  list.Add(MakeShadowImage(image, ShadowColour()));
}

std::unique_ptr<MenuImageList> BCMenu::CopyImageListIcon(const MenuImageList& list,
                                                         int index) const {
  const PixelSurface* image = list.Image(index);
  if (!image) return nullptr;
  auto own = std::make_unique<MenuImageList>(list.Width(), list.Height());
  own->Add(*image);
  AddShadedCopies(*own);
  return own;
}

bool BCMenu::AddItem(bool insert, unsigned position, std::u16string_view text, unsigned flags,
                     std::uintptr_t id, ItemImage image) {
  if (insert && !(flags & MF_BYPOSITION)) {
    int found = -1;
    BCMenu* menu = FindMenuOption(position, found);
    if (!menu) return false;
    return menu->AddItem(true, static_cast<unsigned>(found), text, flags | MF_BYPOSITION, id,
                         image);
  }
  if (id == 0)
    flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
  else
    flags |= MF_OWNERDRAW;

  int count = m_Native.GetMenuItemCount(m_Handle);
  if (count < 0) return false;
  if (!insert || position == kMenuEnd) position = static_cast<unsigned>(count);
  // A menu bar may carry positions in front of this menu's own items.
  std::size_t index = position;
  if (insert && m_LoadedAsMenuBar) {
    unsigned start = static_cast<unsigned>(GetMenuStart());
    index = position < start ? 0 : position - start;
  }
  index = std::min(index, m_Records.size());

  auto record = std::make_unique<BCMenuData>();
  record->SetString(text);
  if (image.own) {
    if (image.list) record->ownImages = CopyImageListIcon(*image.list, image.index);
    if (record->ownImages) {
      record->imageResourceId = 0;
      record->imageIndex = 0;
    }
  } else {
    record->sharedImageIndex = SharedSlot(id, image);
  }
  record->flags = flags;
  record->commandId = id;
  BCMenuData* data = record.get();
  bool done = insert
                  ? m_Native.InsertMenu(m_Handle, position, flags | MF_BYPOSITION, id, text, data)
                  : m_Native.AppendMenu(m_Handle, flags, id, text, data);
  // A record the native menu refused would put every later record at the wrong position.
  if (!done) return false;
  m_Records.insert(m_Records.begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
  if (flags & MF_POPUP) {
    GetMenuGlobals().menuHandles.push_back(id);
    std::size_t at =
        insert ? std::min<std::size_t>(position, m_SubmenuHandles.size()) : m_SubmenuHandles.size();
    m_SubmenuHandles.insert(m_SubmenuHandles.begin() + static_cast<std::ptrdiff_t>(at), id);
  }
  if (m_LoadedAsMenuBar) MakeMenuBarPlain();
  return true;
}

bool BCMenu::AppendODMenu(std::u16string_view text, unsigned flags, std::uintptr_t id,
                          int toolbarId) {
  return AddItem(false, kMenuEnd, text, flags, id, {.toolbarId = toolbarId});
}

bool BCMenu::AppendODMenu(std::u16string_view text, unsigned flags, std::uintptr_t id,
                          const MenuImageList* list, int index) {
  return AddItem(false, kMenuEnd, text, flags, id, {list, index, true});
}

bool BCMenu::InsertODMenu(unsigned position, std::u16string_view text, unsigned flags,
                          std::uintptr_t id, const MenuImageList* list, int index) {
  return AddItem(true, position, text, flags, id, {list, index, false});
}

bool BCMenu::InsertODMenu(unsigned position, std::u16string_view text, unsigned flags,
                          std::uintptr_t id, int toolbarId) {
  return AddItem(true, position, text, flags, id, {.toolbarId = toolbarId});
}

bool BCMenu::ModifyODMenu(const char16_t* text, std::uintptr_t id, int toolbarId) {
  return Modify(text, id, {.toolbarId = toolbarId});
}

bool BCMenu::ModifyODMenu(const char16_t* text, std::uintptr_t id, const MenuImageList* list,
                          int index) {
  return Modify(text, id, {list, index, false});
}

MenuImageList BCMenu::BitmapList(const PixelSurface* bitmap) const {
  MenuImageList cells(m_IconWidth, m_IconHeight);
  MenuImageList list(m_IconWidth, m_IconHeight);
  if (bitmap && cells.AddMasked(*bitmap, MaskColour()) >= 0) list.Add(*cells.Image(0));
  return list;
}

bool BCMenu::ModifyODMenu(const char16_t* text, std::uintptr_t id, const PixelSurface* bitmap) {
  const MenuImageList list = BitmapList(bitmap);
  return ModifyODMenu(text, id, &list, 0);
}

bool BCMenu::ModifyODMenu(const char16_t* text, std::uintptr_t id, ColorRef fill, ColorRef border,
                          int hatchStyle, int swatchWidth, int swatchHeight) {
  const MenuSysColours& colours = GetMenuGlobals().colours;
  const PixelSurface swatch =
      MakeColourSwatch(swatchWidth, swatchHeight, m_IconWidth, m_IconHeight, fill, border,
                       UseFlatStyle() ? colours.btnFace : colours.menu, hatchStyle);
  return ModifyODMenu(text, id, &swatch);
}

bool BCMenu::AppendMenu(unsigned flags, std::uintptr_t id, std::u16string_view text,
                        const PixelSurface* bitmap) {
  const MenuImageList list = BitmapList(bitmap);
  return AppendODMenu(text, flags, id, &list, 0);
}

bool BCMenu::InsertMenu(unsigned position, unsigned flags, std::uintptr_t id,
                        std::u16string_view text, const PixelSurface* bitmap) {
  const MenuImageList list = BitmapList(bitmap);
  return InsertODMenu(position, text, flags, id, &list, 0);
}

bool BCMenu::Modify(const char16_t* text, std::uintptr_t id, ItemImage image) {
  std::vector<BCMenu*> menus;
  std::vector<int> positions;
  BCMenuData* last = nullptr;
  int position = -1;
  for (BCMenu* menu = FindMenuOption(id, position); menu;
       menu = FindAnotherMenuOption(id, position, menus, positions)) {
    menus.push_back(menu);
    positions.push_back(position);
    BCMenuData* record = menu->Record(position);
    if (!record) continue;
    if (text) record->SetWideString(text);
    record->imageResourceId = -1;
    record->imageIndex = -1;
    record->ownImages.reset();
    record->sharedImageIndex = SharedSlot(id, image);
    record->flags = (record->flags & ~MF_BYPOSITION) | MF_OWNERDRAW;
    record->commandId = id;
    last = record;
  }
  // A command in no menu gets no record: one would sit at no position and shift the others.
  if (!last) return false;
  return m_Native.ModifyMenu(m_Handle, static_cast<unsigned>(id), last->flags, id, last->Text(),
                             last);
}

bool BCMenu::ModifyODMenu(const char16_t* newText, std::u16string_view currentText) {
  BCMenuData* record = FindMenuItem(currentText);
  if (!record) return false;
  if (newText) record->SetWideString(newText);
  return true;
}

BCMenu* BCMenu::AppendODPopupMenu(std::u16string_view text) {
  BCMenu* child = NewChild();
  if (!child->Attach(m_Native.CreatePopupMenu()) ||
      !AppendODMenu(text, MF_POPUP, child->GetHandle(), -1)) {
    DeleteChild(child->GetHandle());
    return nullptr;
  }
  return child;
}

int BCMenu::IndexOfRecord(const BCMenuData* record) const {
  for (std::size_t i = 0; i < m_Records.size(); ++i)
    if (m_Records[i].get() == record) return static_cast<int>(i);
  return -1;
}
