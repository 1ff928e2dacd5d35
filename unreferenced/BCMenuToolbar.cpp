#include <algorithm>

#include "unreferenced/BCMenu.h"

namespace {

// A bitmap resource, a 16-colour one in the system's button colours.
std::optional<PixelSurface> LoadBitmapResource(int id) {
  const MenuGlobals& globals = GetMenuGlobals();
  std::optional<PixelSurface> bitmap = LoadSysColorBitmap16(globals.resources, id, globals.colours);
  return bitmap ? bitmap : LoadMenuBitmap(globals.resources, id);
}

}  // namespace

ColorRef BCMenu::MaskColour() const {
  return m_UseBitmapBackground ? m_BitmapBackground : GetMenuGlobals().colours.btnFace;
}

bool BCMenu::AddBitmapToImageList(MenuImageList& list, int bitmapId) const {
  const std::optional<PixelSurface> bitmap = LoadBitmapResource(bitmapId);
  if (!bitmap || list.AddMasked(*bitmap, MaskColour()) < 0) return false;
  AddShadedCopies(list);
  return true;
}

bool BCMenu::GetToolbarImageIndex(unsigned command, int toolbarId, int& index) {
  const std::optional<MenuToolbar> toolbar =
      ParseToolbarResource(GetMenuGlobals().resources.Toolbar(toolbarId));
  const int image = toolbar ? toolbar->ImageIndex(command) : -1;
  if (image < 0) return false;
  index = image;
  return true;
}

int BCMenu::ToolbarSlot(std::uintptr_t id, int toolbarId) const {
  MenuImageList images(m_IconWidth, m_IconHeight);
  int index = 0;
  GetToolbarImageIndex(static_cast<unsigned>(id), toolbarId, index);
  if (!AddBitmapToImageList(images, toolbarId)) return -1;
  const bool shaded = IsFlatDrawMode() && g_MenuShadedImages;
  return AddToGlobalImageList(GetMenuGlobals().imageList, images, index, static_cast<int>(id),
                              shaded, ShadowColour());
}

void BCMenu::GrowIconSize(int width, int height) {
  m_IconWidth = std::max(m_IconWidth, width);
  m_IconHeight = std::max(m_IconHeight, height);
  // The submenus draw the same shared images, so their items must make room for them too.
  for (const std::unique_ptr<BCMenu>& child : m_Children) child->GrowIconSize(width, height);
}

bool BCMenu::AddToolbarImages(int toolbarId) {
  const std::optional<MenuToolbar> toolbar =
      ParseToolbarResource(GetMenuGlobals().resources.Toolbar(toolbarId));
  if (!toolbar) return false;
  GrowIconSize(toolbar->imageWidth, toolbar->imageHeight);
  MenuImageList images(m_IconWidth, m_IconHeight);
  if (!AddBitmapToImageList(images, toolbarId)) return false;
  for (unsigned command : toolbar->commands) {
    if (command == 0 || m_Native.GetMenuState(m_Handle, command, MF_BYCOMMAND) == kMenuNoItem)
      continue;
    // Each button shows its own image, a button after separators included.
    ModifyODMenu(nullptr, command, &images, toolbar->ImageIndex(command));
  }
  return true;
}

bool BCMenu::LoadToolbars(std::span<const int> toolbarIds) {
  bool all = true;
  for (int id : toolbarIds) all = AddToolbarImages(id) && all;
  return all;
}

void BCMenu::LoadFromToolBar(const MenuToolbar& toolbar, int bitmapId) {
  for (unsigned command : toolbar.commands) {
    if (command == 0 || m_Native.GetMenuState(m_Handle, command, MF_BYCOMMAND) == kMenuNoItem)
      continue;
    int position = -1;
    BCMenu* menu = FindMenuOption(command, position);
    // An item in a submenu this menu did not make has no record to carry the image.
    BCMenuData* record = menu ? menu->Record(position) : nullptr;
    if (!record) continue;
    record->imageResourceId = bitmapId;
    record->commandId = command;
    record->flags = MF_OWNERDRAW;
    record->imageIndex = toolbar.ImageIndex(command);
    record->ownImages = std::make_unique<MenuImageList>(m_IconWidth, m_IconHeight);
    if (!AddBitmapToImageList(*record->ownImages, bitmapId)) {
      record->ownImages.reset();
      record->imageResourceId = -1;
      record->imageIndex = -1;
    }
    m_Native.ModifyMenu(m_Handle, command, record->flags, command, record->Text(), record);
  }
}

void BCMenu::SetCheckmarkBitmaps(int checkedId, int checkedSelectedId) {
  if (checkedId <= 0 || checkedSelectedId <= 0) return;
  m_CheckedId = checkedId;
  m_CheckedSelectedId = checkedSelectedId;
  auto images = std::make_shared<MenuImageList>(m_IconWidth, m_IconHeight);
  for (int id : {checkedId, checkedSelectedId}) {
    const std::optional<PixelSurface> bitmap = LoadBitmapResource(id);
    // One image per bitmap, so that the second bitmap is image 1 whatever the first's width.
    MenuImageList cells(m_IconWidth, m_IconHeight);
    if (!bitmap || cells.AddMasked(*bitmap, MaskColour()) < 0) {
      m_CheckmarkImages.reset();
      return;
    }
    images->Add(*cells.Image(0));
  }
  m_CheckmarkImages = std::move(images);
}
