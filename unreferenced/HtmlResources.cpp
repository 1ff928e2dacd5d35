#include "unreferenced/HtmlResources.h"

namespace {

// Files and handles share the keyed maps under names no library can have.
constexpr std::u16string_view kFileSpace =
    u"\x01"
    u"file";
constexpr std::u16string_view kHandleSpace =
    u"\x01"
    u"handle";

template <typename Map>
const typename Map::mapped_type* Find(const Map& map, std::u16string_view library, int id) {
  const auto it = map.find({std::u16string(library), id});
  return it == map.end() ? nullptr : &it->second;
}

std::u16string FileKey(std::u16string_view file) {
  return std::u16string(kFileSpace) + std::u16string(file);
}

}  // namespace

void HtmlResourceTable::AddString(std::u16string_view library, int id, std::u16string text) {
  m_Strings[{std::u16string(library), id}] = std::move(text);
}
void HtmlResourceTable::AddBitmap(std::u16string_view library, int id, PixelSurface bitmap) {
  m_Bitmaps.insert_or_assign(Key{std::u16string(library), id}, std::move(bitmap));
}
void HtmlResourceTable::AddBitmapFile(std::u16string_view file, PixelSurface bitmap) {
  m_Bitmaps.insert_or_assign(Key{FileKey(file), 0}, std::move(bitmap));
}
void HtmlResourceTable::AddBitmapHandle(int handle, PixelSurface bitmap) {
  m_Bitmaps.insert_or_assign(Key{std::u16string(kHandleSpace), handle}, std::move(bitmap));
}
void HtmlResourceTable::AddIcon(std::u16string_view library, int id, IconImage icon) {
  m_Icons.insert_or_assign(Key{std::u16string(library), id}, std::move(icon));
}
void HtmlResourceTable::AddIconFile(std::u16string_view file, IconImage icon) {
  m_Icons.insert_or_assign(Key{FileKey(file), 0}, std::move(icon));
}
void HtmlResourceTable::AddIconHandle(int handle, IconImage icon) {
  m_Icons.insert_or_assign(Key{std::u16string(kHandleSpace), handle}, std::move(icon));
}

std::u16string HtmlResourceTable::String(std::u16string_view library, int id) const {
  const std::u16string* s = Find(m_Strings, library, id);
  return s ? *s : std::u16string();
}
const PixelSurface* HtmlResourceTable::Bitmap(std::u16string_view library, int id) const {
  return Find(m_Bitmaps, library, id);
}
const PixelSurface* HtmlResourceTable::BitmapFile(std::u16string_view file) const {
  return Find(m_Bitmaps, FileKey(file), 0);
}
const PixelSurface* HtmlResourceTable::BitmapHandle(int handle) const {
  return Find(m_Bitmaps, kHandleSpace, handle);
}
const IconImage* HtmlResourceTable::Icon(std::u16string_view library, int id) const {
  return Find(m_Icons, library, id);
}
const IconImage* HtmlResourceTable::IconFile(std::u16string_view file) const {
  return Find(m_Icons, FileKey(file), 0);
}
const IconImage* HtmlResourceTable::IconHandle(int handle) const {
  return Find(m_Icons, kHandleSpace, handle);
}
