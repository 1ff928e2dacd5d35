// The pictures the menus load by resource id: bitmap resources (packed device-independent
// bitmaps: header, palette, rows) and toolbar resources (a record of button command ids whose
// images are the cells, side by side, of the bitmap with the same id). The program puts what its
// menus may name into a table; an id missing from it, or a damaged record, loads nothing.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "unreferenced/CeXDib.h"
#include "unreferenced/MenuImages.h"

// A toolbar record: version 1, image width, image height, button count, then one command id per
// button (0 for a separator); every field 16-bit little-endian.
struct MenuToolbar {
  int imageWidth = 0;
  int imageHeight = 0;
  std::vector<unsigned> commands;

  // The image of the command's button: the number of buttons before it that are not
  // separators. -1 when no button has the command (0 never has one).
  int ImageIndex(unsigned command) const;
};

// Nothing for a record that is truncated, of another version, or with an image side of 0 or
// above 256 pixels.
std::optional<MenuToolbar> ParseToolbarResource(std::span<const std::byte> record);

// The palette length a bitmap header gives: its colours-used field when not 0, else 2, 16 or 256
// for 1, 4 or 8 bits per pixel, else 0.
unsigned DibColourCount(const BitmapInfoHeader& header);

// A packed bitmap read from its bytes, its rows still in them.
struct PackedDib {
  BitmapInfoHeader header;
  std::vector<RgbQuad> palette;
  std::span<const std::byte> rows;  // within the bytes it was read from, which must outlive it
};

// Nothing for a bitmap that is truncated, compressed, of another depth than 1, 4, 8, 24 or 32
// bits, larger than 4096 pixels a side, or whose palette does not fit its depth.
std::optional<PackedDib> ReadPackedDib(std::span<const std::byte> bytes);
// Every pixel opaque; a palette index beyond the palette is black.
PixelSurface DecodePackedDib(const PackedDib& dib);
// The picture as a 24-bit packed bitmap, rows bottom-up.
std::vector<std::byte> PackDib(const PixelSurface& picture);

class MenuResourceTable {
 public:
  void AddBitmap(int id, std::vector<std::byte> packedDib);
  // A picture the program drew, kept as a 24-bit packed bitmap.
  void AddBitmap(int id, const PixelSurface& picture);
  void AddToolbar(int id, std::vector<std::byte> record);
  // Empty when the table has no such resource.
  std::span<const std::byte> Bitmap(int id) const;
  std::span<const std::byte> Toolbar(int id) const;

 private:
  std::map<int, std::vector<std::byte>> m_Bitmaps;
  std::map<int, std::vector<std::byte>> m_Toolbars;
};

// A 16-colour bitmap resource with black, dark grey, light grey and white among its first 16
// palette entries replaced by the button text, shadow, face and highlight colours. Nothing for
// a bitmap of another colour count, or one missing or damaged.
std::optional<PixelSurface> LoadSysColorBitmap16(const MenuResourceTable& table, int id,
                                                 const MenuSysColours& colours);
// A bitmap resource as stored; nothing when missing or damaged.
std::optional<PixelSurface> LoadMenuBitmap(const MenuResourceTable& table, int id);
