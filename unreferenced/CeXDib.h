// A device-independent bitmap held in one block (40-byte header, palette, pixel rows stored
// bottom-up, each padded to four bytes), with its palette and pixels set by index, drawn onto a
// pixel surface and written as a .bmp file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "unreferenced/PixelSurface.h"

// The bitmap information header as the .bmp format stores it (all fields little-endian).
struct BitmapInfoHeader {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

// A palette entry as stored: blue, green, red, then a zero byte.
struct RgbQuad {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

inline constexpr std::size_t kBitmapInfoHeaderSize = 40;
inline constexpr std::size_t kBitmapFileHeaderSize = 14;

class CCeXDib {
 public:
  CCeXDib() = default;
  virtual ~CCeXDib() = default;
  CCeXDib(const CCeXDib&) = delete;
  CCeXDib& operator=(const CCeXDib&) = delete;

  // Frees the old content and makes a zeroed bitmap of 1, 4, 8, 24 or 32 bits per pixel. Returns
  // the block, or nullptr (and stays empty) for sizes that are not positive, a block that would
  // not fit the file format's 32-bit sizes, another bit depth, or no memory.
  std::uint8_t* Create(int width, int height, int bitsPerPixel);
  // Create with the other's size and depth, then its whole block; nullptr when it is empty.
  std::uint8_t* Clone(const CCeXDib& other);
  void Free();

  int GetWidth() const { return m_Header.width; }
  int GetHeight() const { return m_Header.height; }
  int GetBitCount() const { return m_Header.bitCount; }
  std::uint32_t GetLineWidth() const { return m_LineWidth; }
  std::uint16_t GetNumColors() const { return m_Colors; }
  std::uint32_t GetPaletteSize() const { return 4u * m_Colors; }
  std::size_t GetSize() const;
  const BitmapInfoHeader& GetHeader() const { return m_Header; }
  // The pixel rows inside the block; nullptr when empty.
  std::uint8_t* GetBits();
  const std::uint8_t* GetBits() const;

  // Ignored without a palette or for an index outside it.
  void SetPaletteIndex(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  RgbQuad GetPaletteIndex(int index) const;
  void SetGrayPalette();
  // Moves every entry percent (0 to 100) of the way towards colour.
  void BlendPalette(ColorRef colour, int percent);
  // Sets every pixel byte, padding included.
  void Clear(std::uint8_t value);
  // y counts from the top. Only bitmaps with a palette; ignored outside the bitmap. 1- and 4-bit
  // pixels are packed into their bits, the leftmost pixel in the high bits.
  void SetPixelIndex(int x, int y, int index);
  static RgbQuad RGB2RGBQUAD(ColorRef colour);

  // Draws the bitmap with its top-left corner at (x, y); false when it is empty.
  bool Draw(PixelSurface& dc, int x, int y);
  // Copies the dc's pixels at (x, y) into the drawing copy only; the block is unchanged and the
  // next Draw overwrites them.
  void CopyFromDC(const PixelSurface& dc, int x, int y);

  // Writes a .bmp file that replaces any file of that name once written whole. 1 on success, 0
  // for an empty name, an empty bitmap or a file that could not be written.
  int SaveBitmapFile(const std::string& name) const;

 private:
  std::size_t PaletteOffset() const { return kBitmapInfoHeaderSize; }
  std::size_t PixelOffset() const { return kBitmapInfoHeaderSize + GetPaletteSize(); }
  DibPixel PixelAt(int x, int storedRow) const;

  std::vector<std::uint8_t> m_Block;
  BitmapInfoHeader m_Header;
  std::uint32_t m_LineWidth = 0;
  std::uint16_t m_Colors = 0;
  // The 32-bit copy a draw goes through; empty before the first draw.
  PixelSurface m_Section;
};
