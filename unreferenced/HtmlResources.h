// The pictures and texts markup may name: string and bitmap ids of the program or of a named
// library, bitmap and icon files, and handles. Markup reaches nothing but what was put in the
// table; an unknown library, id, file or handle gives nothing, which draws nothing.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "unreferenced/DrawManager.h"

class HtmlResourceTable {
 public:
  // library "" is the program itself.
  void AddString(std::u16string_view library, int id, std::u16string text);
  void AddBitmap(std::u16string_view library, int id, PixelSurface bitmap);
  void AddBitmapFile(std::u16string_view file, PixelSurface bitmap);
  void AddBitmapHandle(int handle, PixelSurface bitmap);
  void AddIcon(std::u16string_view library, int id, IconImage icon);
  void AddIconFile(std::u16string_view file, IconImage icon);
  void AddIconHandle(int handle, IconImage icon);

  // Empty when unknown.
  std::u16string String(std::u16string_view library, int id) const;
  // nullptr when unknown.
  const PixelSurface* Bitmap(std::u16string_view library, int id) const;
  const PixelSurface* BitmapFile(std::u16string_view file) const;
  const PixelSurface* BitmapHandle(int handle) const;
  const IconImage* Icon(std::u16string_view library, int id) const;
  const IconImage* IconFile(std::u16string_view file) const;
  const IconImage* IconHandle(int handle) const;

 private:
  using Key = std::pair<std::u16string, int>;
  std::map<Key, std::u16string> m_Strings;
  std::map<Key, PixelSurface> m_Bitmaps;
  std::map<Key, IconImage> m_Icons;
};
