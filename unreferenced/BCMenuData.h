// The record an owner-drawn menu item carries: its label (a tab before the accelerator text),
// its images, the flags last given to the native menu, and its command id.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "unreferenced/MenuAnsiText.h"
#include "unreferenced/MenuImages.h"

struct BCMenuData {
  // Null text and empty text read the same; both mean no label.
  void SetWideString(const char16_t* text) { m_Text = text ? std::u16string(text) : u""; }
  // A narrow text converted as the menus convert one (MenuAnsiText.h).
  void SetAnsiString(const char* text) { SetWideString(AnsiText(text).Ptr()); }
  void SetString(std::u16string_view text) { m_Text = std::u16string(text); }
  std::u16string GetString() const { return m_Text; }
  const std::u16string& Text() const { return m_Text; }

  int imageIndex = -1;
  int sharedImageIndex = -1;
  // -1 no own image; 0 copied from an image list; else the bitmap or toolbar it was loaded from.
  int imageResourceId = -1;
  unsigned flags = 0;
  // A command id, or the submenu handle of a popup item.
  std::uintptr_t commandId = 0;
  int mark = 0;
  std::unique_ptr<MenuImageList> ownImages;

 private:
  std::u16string m_Text;
};
