// A menu whose items are owner-drawn from records (BCMenuData) kept in menu-position order, over
// a native menu. It adds, inserts, changes, finds and removes items together with their records,
// loads a menu template, keeps its records in step with the native menu, pads accelerator
// columns and answers menu keys.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "unreferenced/BCMenuData.h"
#include "unreferenced/MenuAnsiText.h"
#include "unreferenced/MenuGlobals.h"
#include "unreferenced/NativeMenus.h"
#include "unreferenced/PixelSurface.h"

// The label as a menu shows it ("&&" becomes "&", a single "&" is dropped) and the index in it of
// the key the single ampersand marks, or -1.
int MenuLabelMnemonic(std::u16string_view text, std::u16string& shown);

// The answer to a menu key that runs the item at a position.
inline constexpr long kMenuCharExecute = 0x20000;

class BCMenu {
 public:
  explicit BCMenu(NativeMenus& menus);
  virtual ~BCMenu();
  BCMenu(const BCMenu&) = delete;
  BCMenu& operator=(const BCMenu&) = delete;

  NativeMenus& Native() const { return m_Native; }
  MenuHandle GetHandle() const { return m_Handle; }
  bool Attach(MenuHandle handle);
  // The menu whose handle this is, when one is attached to it.
  static BCMenu* FromHandle(MenuHandle handle);
  // Kept for callers that release a menu before reloading it; it does nothing.
  virtual bool ReleaseMenu() { return true; }

  // Settings.
  void SetIconSize(int width, int height);
  int IconWidth() const { return m_IconWidth; }
  int IconHeight() const { return m_IconHeight; }
  void SetBitmapBackground(ColorRef colour);
  void UnSetBitmapBackground() { m_UseBitmapBackground = false; }
  void SetDisableOldStyle() { m_DisableOldStyle = true; }
  void UnSetDisableOldStyle() { m_DisableOldStyle = false; }
  bool GetDisableOldStyle() const { return m_DisableOldStyle; }
  static void SetMenuDrawMode(int mode);

  // Class-wide judgements of the system and the draw mode.
  static bool IsNewShell();
  static bool IsClassicTheme();
  static bool UseFlatStyle();
  static int GetMenuDrawMode();
  static bool IsFlatDrawMode() { return GetMenuDrawMode() == 1; }
  static int GetSelectDisabledMode();

  // Adding and changing items. An id of 0 makes an owner-drawn separator. A toolbar id of -1
  // takes the image already registered for the command, if any.
  bool AppendODMenu(std::u16string_view text, unsigned flags, std::uintptr_t id,
                    int toolbarId = -1);
  bool InsertODMenu(unsigned position, std::u16string_view text, unsigned flags, std::uintptr_t id,
                    int toolbarId = -1);
  // The image-list forms: append copies the image into the record's own list, insert and
  // modify register it in the shared list under the command.
  bool AppendODMenu(std::u16string_view text, unsigned flags, std::uintptr_t id,
                    const MenuImageList* list, int index);
  bool InsertODMenu(unsigned position, std::u16string_view text, unsigned flags, std::uintptr_t id,
                    const MenuImageList* list, int index);
  bool ModifyODMenu(const char16_t* text, std::uintptr_t id, const MenuImageList* list, int index);
  // Changes every item of the command in the menu tree; false, and nothing added, when the
  // command is in none of them.
  bool ModifyODMenu(const char16_t* text, std::uintptr_t id, int toolbarId = -1);
  // The bitmap forms register the bitmap's first cell, its mask-coloured pixels transparent, as
  // the image-list forms do; a null bitmap gives the item no image.
  bool ModifyODMenu(const char16_t* text, std::uintptr_t id, const PixelSurface* bitmap);
  // A colour swatch of the given size centred in an icon-sized cell on the menu's face colour,
  // as the bitmap form.
  bool ModifyODMenu(const char16_t* text, std::uintptr_t id, ColorRef fill, ColorRef border,
                    int hatchStyle, int swatchWidth, int swatchHeight);
  // Renames the record found by its current text; false when no record has it.
  bool ModifyODMenu(const char16_t* newText, std::u16string_view currentText);
  bool AppendMenu(unsigned flags, std::uintptr_t id, std::u16string_view text, int toolbarId = -1) {
    return AppendODMenu(text, flags, id, toolbarId);
  }
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, std::u16string_view text,
                  int toolbarId = -1) {
    return InsertODMenu(position, text, flags, id, toolbarId);
  }
  bool AppendMenu(unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const MenuImageList* list, int index) {
    return AppendODMenu(text, flags, id, list, index);
  }
  bool AppendMenu(unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const PixelSurface* bitmap);
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const MenuImageList* list, int index) {
    return InsertODMenu(position, text, flags, id, list, index);
  }
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, std::u16string_view text,
                  const PixelSurface* bitmap);
  // A new child menu appended as a popup; the tree owns it.
  BCMenu* AppendODPopupMenu(std::u16string_view text);

  // Lookups.
  BCMenu* FindMenuOption(std::uintptr_t id, int& position);
  BCMenu* FindAnotherMenuOption(std::uintptr_t id, int& position, std::vector<BCMenu*>& menus,
                                std::vector<int>& positions);
  BCMenuData* FindMenuItem(std::u16string_view text);
  BCMenuData* FindMenuData(std::uintptr_t id);
  BCMenu* GetSubBCMenu(std::u16string_view text);
  MenuHandle GetSubMenuByText(std::u16string_view text) const;
  int GetMenuPosition(std::u16string_view text) const;
  bool IsMenuRegistered() const { return IsMenuHandleRegistered(m_Handle); }
  static bool IsMenuHandleRegistered(MenuHandle handle);

  bool SetMenuText(std::uintptr_t id, std::u16string_view text, unsigned flags);
  bool GetMenuText(std::uintptr_t id, std::u16string& text, unsigned flags);

  // Removal; an invalid position or a missing command is false.
  bool RemoveMenu(unsigned position, unsigned flags);
  bool DeleteMenu(unsigned position, unsigned flags);
  // kind 1 or 2 also removes the item before the text, kind 3 the one before and the one after.
  int RemoveMenuByText(std::u16string_view text, int kind);
  int DeleteMenuByText(std::u16string_view text, int kind);

  // Images loaded from the resource table of the menus' globals. The mask colour is the bitmap
  // background when one is set, else the button face.
  ColorRef MaskColour() const;
  // Adds the bitmap's cells (a 16-colour bitmap in the system's button colours) with the mask
  // colour, then in the flat style the faded and shadow copies of image 0; false when the
  // bitmap did not load or is narrower than one image.
  bool AddBitmapToImageList(MenuImageList& list, int bitmapId) const;
  // The image index of the command's button; false when the toolbar did not load or has none.
  static bool GetToolbarImageIndex(unsigned command, int toolbarId, int& index);
  // Grows the icon size to the toolbar's image size and registers the image of every button
  // whose command the menu holds; false when the toolbar or its bitmap did not load.
  bool AddToolbarImages(int toolbarId);
  // True only when every toolbar loaded.
  bool LoadToolbars(std::span<const int> toolbarIds);
  // Gives each item of a button's command its own list loaded from the bitmap, showing the
  // button's image; an item whose bitmap does not load keeps no image.
  void LoadFromToolBar(const MenuToolbar& toolbar, int bitmapId);
  // The images of checked items (0) and checked items under the cursor (1). Both ids must be
  // above 0; when either bitmap does not load the menu has no check-mark images.
  void SetCheckmarkBitmaps(int checkedId, int checkedSelectedId);
  const MenuImageList* CheckmarkImages() const { return m_CheckmarkImages.get(); }
  int CheckedId() const { return m_CheckedId; }
  int CheckedSelectedId() const { return m_CheckedSelectedId; }

  // Whole-menu operations. LoadMenu reads a menu template (version, header offset, items) and
  // makes the top level a plain menu bar over owner-drawn submenus; false for a damaged
  // template, which leaves the menu empty.
  bool LoadMenu(std::span<const std::byte> menuTemplate);
  void SynchronizeMenu();
  static bool UpdateMenu(BCMenu* menu);
  // The answer to a menu key: kMenuCharExecute plus the position of the first item whose
  // mnemonic is the character, else 0.
  static long FindKeyboardShortcut(char16_t character, unsigned flags, BCMenu* menu);
  void PadAccelerators();
  int GetMenuStart() const;
  void MakeMenuBarPlain();

  // The same operations taking narrow texts.
  bool AppendODMenu(AnsiText text, unsigned flags, std::uintptr_t id, int toolbarId = -1) {
    return AppendODMenu(text.View(), flags, id, toolbarId);
  }
  bool AppendODMenu(AnsiText text, unsigned flags, std::uintptr_t id, const MenuImageList* list,
                    int index) {
    return AppendODMenu(text.View(), flags, id, list, index);
  }
  bool InsertODMenu(unsigned position, AnsiText text, unsigned flags, std::uintptr_t id,
                    int toolbarId = -1) {
    return InsertODMenu(position, text.View(), flags, id, toolbarId);
  }
  bool InsertODMenu(unsigned position, AnsiText text, unsigned flags, std::uintptr_t id,
                    const MenuImageList* list, int index) {
    return InsertODMenu(position, text.View(), flags, id, list, index);
  }
  bool ModifyODMenu(AnsiText text, std::uintptr_t id, const MenuImageList* list, int index) {
    return ModifyODMenu(text.Ptr(), id, list, index);
  }
  bool ModifyODMenu(AnsiText text, std::uintptr_t id, int toolbarId = -1) {
    return ModifyODMenu(text.Ptr(), id, toolbarId);
  }
  bool ModifyODMenu(AnsiText text, std::uintptr_t id, const PixelSurface* bitmap) {
    return ModifyODMenu(text.Ptr(), id, bitmap);
  }
  bool ModifyODMenu(AnsiText text, std::uintptr_t id, ColorRef fill, ColorRef border,
                    int hatchStyle, int swatchWidth, int swatchHeight) {
    return ModifyODMenu(text.Ptr(), id, fill, border, hatchStyle, swatchWidth, swatchHeight);
  }
  bool ModifyODMenu(AnsiText newText, AnsiText currentText) {
    return ModifyODMenu(newText.Ptr(), currentText.View());
  }
  bool AppendMenu(unsigned flags, std::uintptr_t id, AnsiText text, int toolbarId = -1) {
    return AppendODMenu(text.View(), flags, id, toolbarId);
  }
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, AnsiText text,
                  int toolbarId = -1) {
    return InsertODMenu(position, text.View(), flags, id, toolbarId);
  }
  bool AppendMenu(unsigned flags, std::uintptr_t id, AnsiText text, const MenuImageList* list,
                  int index) {
    return AppendODMenu(text.View(), flags, id, list, index);
  }
  bool AppendMenu(unsigned flags, std::uintptr_t id, AnsiText text, const PixelSurface* bitmap) {
    return AppendMenu(flags, id, text.View(), bitmap);
  }
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, AnsiText text,
                  const MenuImageList* list, int index) {
    return InsertODMenu(position, text.View(), flags, id, list, index);
  }
  bool InsertMenu(unsigned position, unsigned flags, std::uintptr_t id, AnsiText text,
                  const PixelSurface* bitmap) {
    return InsertMenu(position, flags, id, text.View(), bitmap);
  }
  BCMenu* AppendODPopupMenu(AnsiText text) { return AppendODPopupMenu(text.View()); }
  int RemoveMenuByText(AnsiText text, int kind) { return RemoveMenuByText(text.View(), kind); }
  int DeleteMenuByText(AnsiText text, int kind) { return DeleteMenuByText(text.View(), kind); }
  BCMenu* GetSubBCMenu(AnsiText text) { return GetSubBCMenu(text.View()); }
  int GetMenuPosition(AnsiText text) const { return GetMenuPosition(text.View()); }

  int RecordCount() const { return static_cast<int>(m_Records.size()); }
  BCMenuData* Record(int index) {
    return index >= 0 && index < RecordCount() ? m_Records[index].get() : nullptr;
  }
  bool LoadedAsMenuBar() const { return m_LoadedAsMenuBar; }

 protected:
  int m_IconWidth = 16;
  int m_IconHeight = 15;
  ColorRef m_BitmapBackground = 0xC0C0C0;
  bool m_UseBitmapBackground = false;
  bool m_DisableOldStyle = false;
  int m_CheckedSelectedId = -1;
  int m_CheckedId = -1;

 private:
  // Where an item's image comes from: the shared slot of its command, a list's image copied
  // into the record's own list, or a list's image registered in the shared list.
  struct ItemImage {
    const MenuImageList* list = nullptr;
    int index = -1;
    bool own = false;
    int toolbarId = -1;
  };
  bool AddItem(bool insert, unsigned position, std::u16string_view text, unsigned flags,
               std::uintptr_t id, ItemImage image);
  bool Modify(const char16_t* text, std::uintptr_t id, ItemImage image);
  int SharedSlot(std::uintptr_t id, ItemImage image) const;
  int ToolbarSlot(std::uintptr_t id, int toolbarId) const;
  // At least this size for the menu and every submenu it made.
  void GrowIconSize(int width, int height);
  void AddShadedCopies(MenuImageList& list) const;
  // The colour of the flat style's shadow copies.
  static ColorRef ShadowColour();
  // An icon-sized list holding the bitmap's first cell; empty for a null bitmap.
  MenuImageList BitmapList(const PixelSurface* bitmap) const;
  std::unique_ptr<MenuImageList> CopyImageListIcon(const MenuImageList& list, int index) const;
  BCMenu* FindOption(std::uintptr_t id, int& position, const std::vector<BCMenu*>* menus,
                     const std::vector<int>* positions);
  bool RemoveItem(unsigned position, unsigned flags, bool destroy);
  int RemoveByText(std::u16string_view text, int kind, bool destroy);
  void ForgetSubmenu(MenuHandle submenu);
  void DeleteChild(MenuHandle submenu);
  BCMenu* NewChild();
  int IndexOfRecord(const BCMenuData* record) const;
  std::unique_ptr<BCMenuData> NewODMenu(unsigned position, unsigned flags, std::uintptr_t id,
                                        std::u16string_view text);
  BCMenuData* FindMenuList(std::uintptr_t id);
  void Clear();

  NativeMenus& m_Native;
  MenuHandle m_Handle = 0;
  std::vector<std::unique_ptr<BCMenuData>> m_Records;
  std::vector<MenuHandle> m_SubmenuHandles;
  std::vector<std::unique_ptr<BCMenu>> m_Children;
  bool m_LoadedAsMenuBar = false;
  // Shared with the child menus made by this one.
  std::shared_ptr<MenuImageList> m_CheckmarkImages;
};
