#include "unreferenced/MenuResources.h"

#include <cstdint>

#include "platform/ByteOrder.h"

namespace {

constexpr unsigned kToolbarVersion = 1;
constexpr std::size_t kToolbarHeaderSize = 8;
constexpr std::int32_t kLargestSide = 4096;
constexpr int kLargestToolbarImage = 256;

std::span<const std::byte> Find(const std::map<int, std::vector<std::byte>>& map, int id) {
  const auto it = map.find(id);
  return it == map.end() ? std::span<const std::byte>() : std::span<const std::byte>(it->second);
}

BitmapInfoHeader ReadHeader(bo::Bytes b) {
  BitmapInfoHeader h;
  h.size = bo::LoadLe32(b, 0);
  h.width = static_cast<std::int32_t>(bo::LoadLe32(b, 4));
  h.height = static_cast<std::int32_t>(bo::LoadLe32(b, 8));
  h.planes = bo::LoadLe16(b, 12);
  h.bitCount = bo::LoadLe16(b, 14);
  h.compression = bo::LoadLe32(b, 16);
  h.sizeImage = bo::LoadLe32(b, 20);
  h.xPelsPerMeter = static_cast<std::int32_t>(bo::LoadLe32(b, 24));
  h.yPelsPerMeter = static_cast<std::int32_t>(bo::LoadLe32(b, 28));
  h.clrUsed = bo::LoadLe32(b, 32);
  h.clrImportant = bo::LoadLe32(b, 36);
  return h;
}

}  // namespace

int MenuToolbar::ImageIndex(unsigned command) const {
  if (command == 0) return -1;
  int image = 0;
  for (unsigned c : commands) {
    if (c == command) return image;
    if (c != 0) ++image;
  }
  return -1;
}

std::optional<MenuToolbar> ParseToolbarResource(std::span<const std::byte> record) {
  if (!bo::Fits(record, 0, kToolbarHeaderSize)) return std::nullopt;
  if (bo::LoadLe16(record, 0) != kToolbarVersion) return std::nullopt;
  MenuToolbar toolbar;
  toolbar.imageWidth = bo::LoadLe16(record, 2);
  toolbar.imageHeight = bo::LoadLe16(record, 4);
  const std::size_t count = bo::LoadLe16(record, 6);
  if (toolbar.imageWidth == 0 || toolbar.imageHeight == 0 ||
      toolbar.imageWidth > kLargestToolbarImage || toolbar.imageHeight > kLargestToolbarImage)
    return std::nullopt;
  if (!bo::Fits(record, kToolbarHeaderSize, 2 * count)) return std::nullopt;
  for (std::size_t i = 0; i < count; ++i)
    toolbar.commands.push_back(bo::LoadLe16(record, kToolbarHeaderSize + 2 * i));
  return toolbar;
}

unsigned DibColourCount(const BitmapInfoHeader& header) {
  if (header.clrUsed != 0) return header.clrUsed;
  const unsigned bits = header.bitCount;
  return bits == 1 || bits == 4 || bits == 8 ? 1u << bits : 0;
}

std::optional<PackedDib> ReadPackedDib(std::span<const std::byte> bytes) {
  if (!bo::Fits(bytes, 0, kBitmapInfoHeaderSize)) return std::nullopt;
  PackedDib dib;
  dib.header = ReadHeader(bytes);
  const BitmapInfoHeader& h = dib.header;
  if (h.size < kBitmapInfoHeaderSize || h.size > bytes.size()) return std::nullopt;
  if (h.compression != 0 || h.planes != 1) return std::nullopt;
  if (h.width <= 0 || h.width > kLargestSide || h.height == 0 || h.height < -kLargestSide ||
      h.height > kLargestSide)
    return std::nullopt;
  const unsigned bits = h.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const std::uint64_t colours = DibColourCount(h);
  if (bits <= 8 ? colours > (1u << bits) : colours > 256) return std::nullopt;
  const std::size_t paletteOffset = h.size;
  if (!bo::Fits(bytes, paletteOffset, 4 * colours)) return std::nullopt;
  // A true-colour bitmap may carry a palette for palette displays; its pixels do not use it.
  if (bits <= 8) {
    for (std::size_t i = 0; i < colours; ++i) {
      const std::size_t at = paletteOffset + 4 * i;
      dib.palette.push_back({bo::Load8(bytes, at), bo::Load8(bytes, at + 1),
                             bo::Load8(bytes, at + 2), bo::Load8(bytes, at + 3)});
    }
  }
  const std::uint64_t stride =
      (std::uint64_t{static_cast<std::uint32_t>(h.width)} * bits + 31) / 32 * 4;
  const std::uint64_t rows =
      static_cast<std::uint64_t>(h.height < 0 ? -std::int64_t{h.height} : h.height);
  const std::size_t rowsOffset = paletteOffset + 4 * colours;
  if (!bo::Fits(bytes, rowsOffset, stride * rows)) return std::nullopt;
  dib.rows = bytes.subspan(rowsOffset, stride * rows);
  return dib;
}

PixelSurface DecodePackedDib(const PackedDib& dib) {
  const BitmapInfoHeader& h = dib.header;
  const int width = h.width;
  const int height = h.height < 0 ? -h.height : h.height;
  const unsigned bits = h.bitCount;
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  PixelSurface out(width, height);
  for (int y = 0; y < height; ++y) {
    // Rows are stored from the bottom unless the height is negative.
    const std::size_t row = (h.height < 0 ? y : height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      DibPixel p = 0;
      if (bits >= 24) {
        const std::size_t at = row + static_cast<std::size_t>(x) * (bits / 8);
        p = bo::Load8(dib.rows, at) | (DibPixel{bo::Load8(dib.rows, at + 1)} << 8) |
            (DibPixel{bo::Load8(dib.rows, at + 2)} << 16);
      } else {
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        const unsigned byte = bo::Load8(dib.rows, row + bit / 8);
        // The leftmost pixel is in the high bits of its byte.
        const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index < dib.palette.size()) {
          const RgbQuad& q = dib.palette[index];
          p = q.blue | (DibPixel{q.green} << 8) | (DibPixel{q.red} << 16);
        }
      }
      out.SetPixel(x, y, p | 0xFF000000u);
    }
  }
  return out;
}

std::vector<std::byte> PackDib(const PixelSurface& picture) {
  const int width = picture.Width(), height = picture.Height();
  const std::size_t stride = (static_cast<std::size_t>(width) * 24 + 31) / 32 * 4;
  std::vector<std::byte> bytes(kBitmapInfoHeaderSize + stride * static_cast<std::size_t>(height));
  bo::StoreLe<std::uint32_t>(bytes, 0, kBitmapInfoHeaderSize);
  bo::StoreLe<std::int32_t>(bytes, 4, width);
  bo::StoreLe<std::int32_t>(bytes, 8, height);
  bo::StoreLe<std::uint16_t>(bytes, 12, 1);
  bo::StoreLe<std::uint16_t>(bytes, 14, 24);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = kBitmapInfoHeaderSize + (height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const DibPixel p = picture.GetPixel(x, y);
      for (int c = 0; c < 3; ++c)
        bytes[row + 3 * static_cast<std::size_t>(x) + c] = std::byte((p >> (8 * c)) & 0xFF);
    }
  }
  return bytes;
}

void MenuResourceTable::AddBitmap(int id, const PixelSurface& picture) {
  AddBitmap(id, PackDib(picture));
}

void MenuResourceTable::AddBitmap(int id, std::vector<std::byte> packedDib) {
  m_Bitmaps.insert_or_assign(id, std::move(packedDib));
}

void MenuResourceTable::AddToolbar(int id, std::vector<std::byte> record) {
  m_Toolbars.insert_or_assign(id, std::move(record));
}

std::span<const std::byte> MenuResourceTable::Bitmap(int id) const {
  return Find(m_Bitmaps, id);
}

std::span<const std::byte> MenuResourceTable::Toolbar(int id) const {
  return Find(m_Toolbars, id);
}

std::optional<PixelSurface> LoadSysColorBitmap16(const MenuResourceTable& table, int id,
                                                 const MenuSysColours& colours) {
  std::optional<PackedDib> dib = ReadPackedDib(table.Bitmap(id));
  if (!dib || DibColourCount(dib->header) != 16) return std::nullopt;
  const struct {
    ColorRef stored;
    ColorRef system;
  } map[] = {{0x000000, colours.btnText},
             {0x808080, colours.btnShadow},
             {0xC0C0C0, colours.btnFace},
             {0xFFFFFF, colours.btnHighlight}};
  for (RgbQuad& q : dib->palette) {
    const ColorRef c = MakeColorRef(q.red, q.green, q.blue);
    for (const auto& m : map)
      if (c == m.stored) {
        q = CCeXDib::RGB2RGBQUAD(m.system);
        break;
      }
  }
  return DecodePackedDib(*dib);
}

std::optional<PixelSurface> LoadMenuBitmap(const MenuResourceTable& table, int id) {
  std::optional<PackedDib> dib = ReadPackedDib(table.Bitmap(id));
  if (!dib) return std::nullopt;
  return DecodePackedDib(*dib);
}
