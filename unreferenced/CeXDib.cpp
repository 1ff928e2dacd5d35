#include "unreferenced/CeXDib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "platform/ByteOrder.h"
#include "platform/ReplacingFile.h"

namespace {

std::uint16_t PaletteColours(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

void StoreHeader(std::span<std::byte> out, const BitmapInfoHeader& h) {
  bo::StoreLe<std::uint32_t>(out, 0, h.size);
  bo::StoreLe<std::int32_t>(out, 4, h.width);
  bo::StoreLe<std::int32_t>(out, 8, h.height);
  bo::StoreLe<std::uint16_t>(out, 12, h.planes);
  bo::StoreLe<std::uint16_t>(out, 14, h.bitCount);
  bo::StoreLe<std::uint32_t>(out, 16, h.compression);
  bo::StoreLe<std::uint32_t>(out, 20, h.sizeImage);
  bo::StoreLe<std::int32_t>(out, 24, h.xPelsPerMeter);
  bo::StoreLe<std::int32_t>(out, 28, h.yPelsPerMeter);
  bo::StoreLe<std::uint32_t>(out, 32, h.clrUsed);
  bo::StoreLe<std::uint32_t>(out, 36, h.clrImportant);
}

}  // namespace

std::uint8_t* CCeXDib::Create(int width, int height, int bitsPerPixel) {
  Free();
  if (width <= 0 || height <= 0) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 &&
      bitsPerPixel != 32) {
    return nullptr;
  }
  const std::uint64_t lineWidth =
      (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
  const std::uint64_t imageSize = lineWidth * static_cast<std::uint64_t>(height);
  const std::uint16_t colours = PaletteColours(bitsPerPixel);
  const std::uint64_t blockSize = kBitmapInfoHeaderSize + 4u * colours + imageSize;
  // The file header stores the whole file size in 32 bits.
  if (blockSize + kBitmapFileHeaderSize > std::numeric_limits<std::uint32_t>::max()) {
    return nullptr;
  }
  try {
    m_Block.assign(static_cast<std::size_t>(blockSize), 0);
  } catch (const std::bad_alloc&) {
    m_Block.clear();
    return nullptr;
  }
  m_Header.size = kBitmapInfoHeaderSize;
  m_Header.width = width;
  m_Header.height = height;
  m_Header.planes = 1;
  m_Header.bitCount = static_cast<std::uint16_t>(bitsPerPixel);
  m_Header.compression = 0;
  m_Header.sizeImage = static_cast<std::uint32_t>(imageSize);
  m_LineWidth = static_cast<std::uint32_t>(lineWidth);
  m_Colors = colours;
  StoreHeader(std::as_writable_bytes(std::span(m_Block)), m_Header);
  return m_Block.data();
}

std::uint8_t* CCeXDib::Clone(const CCeXDib& other) {
  if (&other == this) return GetBits() ? m_Block.data() : nullptr;
  if (!Create(other.GetWidth(), other.GetHeight(), other.GetBitCount())) return nullptr;
  std::copy(other.m_Block.begin(), other.m_Block.end(), m_Block.begin());
  return m_Block.data();
}

void CCeXDib::Free() {
  m_Section = PixelSurface();
  m_Block = std::vector<std::uint8_t>();
  m_Header = BitmapInfoHeader();
  m_LineWidth = 0;
  m_Colors = 0;
}

std::size_t CCeXDib::GetSize() const {
  return kBitmapInfoHeaderSize + GetPaletteSize() + m_Header.sizeImage;
}

std::uint8_t* CCeXDib::GetBits() {
  return m_Block.empty() ? nullptr : &m_Block[PixelOffset()];
}

const std::uint8_t* CCeXDib::GetBits() const {
  return m_Block.empty() ? nullptr : &m_Block[PixelOffset()];
}

void CCeXDib::SetPaletteIndex(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  if (m_Block.empty() || index < 0 || index >= m_Colors) return;
  std::uint8_t* entry = &m_Block[PaletteOffset() + 4 * static_cast<std::size_t>(index)];
  entry[0] = blue;
  entry[1] = green;
  entry[2] = red;
  entry[3] = 0;
}

RgbQuad CCeXDib::GetPaletteIndex(int index) const {
  if (m_Block.empty() || index < 0 || index >= m_Colors) return {};
  const std::uint8_t* entry = &m_Block[PaletteOffset() + 4 * static_cast<std::size_t>(index)];
  return {entry[0], entry[1], entry[2], entry[3]};
}

void CCeXDib::SetGrayPalette() {
  if (m_Block.empty() || m_Colors == 0) return;
  for (int i = 0; i < m_Colors; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    SetPaletteIndex(i, v, v, v);
  }
  SetPaletteIndex(0, 0, 0, 0);
  SetPaletteIndex(m_Colors - 1, 255, 255, 255);
}

void CCeXDib::BlendPalette(ColorRef colour, int percent) {
  if (m_Block.empty() || m_Colors == 0) return;
  percent = std::clamp(percent, 0, 100);
  auto blend = [percent](int towards, int from) {
    return static_cast<std::uint8_t>((towards * percent + from * (100 - percent)) / 100);
  };
  for (int i = 0; i < m_Colors; ++i) {
    const RgbQuad e = GetPaletteIndex(i);
    SetPaletteIndex(i, blend(ColorRefRed(colour), e.red), blend(ColorRefGreen(colour), e.green),
                    blend(ColorRefBlue(colour), e.blue));
  }
}

void CCeXDib::Clear(std::uint8_t value) {
  if (std::uint8_t* bits = GetBits()) std::memset(bits, value, m_Header.sizeImage);
}

void CCeXDib::SetPixelIndex(int x, int y, int index) {
  if (m_Block.empty() || m_Colors == 0) return;
  if (x < 0 || y < 0 || x >= m_Header.width || y >= m_Header.height) return;
  const std::size_t row = static_cast<std::size_t>(m_Header.height - y - 1) * m_LineWidth;
  const auto ux = static_cast<std::size_t>(x);
  std::uint8_t* bits = GetBits() + row;
  const auto value = static_cast<std::uint8_t>(index);
  switch (m_Header.bitCount) {
    case 8:
      bits[ux] = value;
      break;
    case 4: {
      const int shift = (x % 2 == 0) ? 4 : 0;
      bits[ux / 2] =
          static_cast<std::uint8_t>((bits[ux / 2] & ~(0x0F << shift)) | ((value & 0x0F) << shift));
      break;
    }
    case 1: {
      const int shift = 7 - x % 8;
      bits[ux / 8] =
          static_cast<std::uint8_t>((bits[ux / 8] & ~(1 << shift)) | ((value & 1) << shift));
      break;
    }
  }
}

RgbQuad CCeXDib::RGB2RGBQUAD(ColorRef colour) {
  return {ColorRefBlue(colour), ColorRefGreen(colour), ColorRefRed(colour), 0};
}

DibPixel CCeXDib::PixelAt(int x, int storedRow) const {
  const std::uint8_t* row = GetBits() + static_cast<std::size_t>(storedRow) * m_LineWidth;
  const auto ux = static_cast<std::size_t>(x);
  int index = 0;
  switch (m_Header.bitCount) {
    case 1:
      index = (row[ux / 8] >> (7 - x % 8)) & 1;
      break;
    case 4:
      index = (row[ux / 2] >> ((x % 2 == 0) ? 4 : 0)) & 0x0F;
      break;
    case 8:
      index = row[ux];
      break;
    case 24:
      return DibPixel{row[3 * ux]} | DibPixel{row[3 * ux + 1]} << 8 |
             DibPixel{row[3 * ux + 2]} << 16;
    default:
      return bo::LoadLe32(std::as_bytes(std::span(row + 4 * ux, 4)), 0);
  }
  const RgbQuad e = GetPaletteIndex(index);
  return DibPixel{e.blue} | DibPixel{e.green} << 8 | DibPixel{e.red} << 16;
}

bool CCeXDib::Draw(PixelSurface& dc, int x, int y) {
  if (m_Block.empty()) return false;
  const int width = m_Header.width, height = m_Header.height;
  if (m_Section.IsEmpty()) m_Section = PixelSurface(width, height);
  if (m_Section.IsEmpty()) return false;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      m_Section.SetPixel(col, row, PixelAt(col, height - 1 - row));
  BitBlt(dc, x, y, width, height, m_Section, 0, 0);
  return true;
}

void CCeXDib::CopyFromDC(const PixelSurface& dc, int x, int y) {
  if (m_Block.empty()) return;
  if (m_Section.IsEmpty()) m_Section = PixelSurface(m_Header.width, m_Header.height);
  BitBlt(m_Section, 0, 0, m_Header.width, m_Header.height, dc, x, y);
}

int CCeXDib::SaveBitmapFile(const std::string& name) const {
  if (name.empty() || m_Block.empty()) return 0;
  std::byte fileHeader[kBitmapFileHeaderSize] = {};
  const std::span<std::byte> out(fileHeader);
  bo::StoreLe<std::uint16_t>(out, 0, 0x4D42);
  bo::StoreLe<std::uint32_t>(out, 2, static_cast<std::uint32_t>(kBitmapFileHeaderSize + GetSize()));
  bo::StoreLe<std::uint32_t>(out, 10,
                             static_cast<std::uint32_t>(kBitmapFileHeaderSize + PixelOffset()));
  std::unique_ptr<FileSink> file = CreateReplacingFile(name);
  if (!file) return 0;
  if (!file->Write(out) || !file->Write(std::as_bytes(std::span(m_Block)))) return 0;
  return file->Commit() ? 1 : 0;
}
