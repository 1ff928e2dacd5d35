#include "unreferenced/CeXDib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "tests/core/storage/StorageTestUtil.h"
#include "platform/ByteOrder.h"

namespace {

using storage_test::TempDir;

std::vector<std::byte> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> data{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::byte> out(data.size());
  std::memcpy(out.data(), data.data(), data.size());
  return out;
}

TEST(CeXDib, LayoutFollowsWidthAndDepth) {
  struct Case {
    int width, height, bits;
    std::uint32_t lineWidth;
    std::uint16_t colours;
  };
  const Case cases[] = {
      {10, 3, 8, 12, 256}, {10, 3, 1, 4, 2},   {10, 3, 4, 8, 16},
      {33, 2, 1, 8, 2},    {10, 3, 24, 32, 0}, {3, 1, 32, 12, 0},
  };
  for (const Case& c : cases) {
    CCeXDib dib;
    ASSERT_NE(dib.Create(c.width, c.height, c.bits), nullptr) << c.bits;
    EXPECT_EQ(dib.GetLineWidth(), c.lineWidth) << c.width << "x" << c.bits;
    EXPECT_EQ(dib.GetNumColors(), c.colours) << c.bits;
    EXPECT_EQ(dib.GetPaletteSize(), 4u * c.colours);
    EXPECT_EQ(dib.GetSize(), 40 + 4u * c.colours + c.lineWidth * c.height);
    EXPECT_EQ(dib.GetHeader().sizeImage, c.lineWidth * c.height);
    // The block starts with the header, so a reader of the block sees the same size and depth.
    const std::span<const std::byte> block(
        reinterpret_cast<const std::byte*>(dib.GetBits()) - 40 - dib.GetPaletteSize(),
        dib.GetSize());
    EXPECT_EQ(bo::LoadLe32(block, 0), 40u);
    EXPECT_EQ(bo::LoadLe32(block, 4), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(bo::LoadLe16(block, 14), c.bits);
  }
}

TEST(CeXDib, RefusesSizesAndDepthsItCannotHold) {
  const int max = std::numeric_limits<int>::max();
  const int cases[][3] = {
      {0, 5, 8},  {5, 0, 8},  {-1, 5, 8},     {5, -4, 24},  {5, 5, 0},         {5, 5, 2},
      {5, 5, 16}, {5, 5, 48}, {max, max, 32}, {max, 2, 24}, {65536, 65536, 8},
  };
  for (const auto& c : cases) {
    CCeXDib dib;
    ASSERT_NE(dib.Create(4, 4, 8), nullptr);
    EXPECT_EQ(dib.Create(c[0], c[1], c[2]), nullptr) << c[0] << "x" << c[1] << "x" << c[2];
    EXPECT_EQ(dib.GetBits(), nullptr);
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetNumColors(), 0);
  }
}

TEST(CeXDib, PixelIndexCountsRowsFromTheTopAndPacksSmallDepths) {
  CCeXDib dib8;
  ASSERT_NE(dib8.Create(10, 3, 8), nullptr);
  dib8.SetPixelIndex(0, 0, 7);
  EXPECT_EQ(dib8.GetBits()[2 * 12], 7);
  dib8.SetPixelIndex(9, 2, 9);
  EXPECT_EQ(dib8.GetBits()[9], 9);
  // Outside the bitmap nothing changes.
  for (auto [x, y] : {std::pair{-1, 0}, {10, 0}, {0, 3}, {0, -1}}) dib8.SetPixelIndex(x, y, 1);
  for (std::uint32_t i = 0; i < dib8.GetHeader().sizeImage; ++i) {
    if (i == 24 || i == 9) continue;
    EXPECT_EQ(dib8.GetBits()[i], 0) << i;
  }

  CCeXDib dib4;
  ASSERT_NE(dib4.Create(3, 1, 4), nullptr);
  dib4.SetPixelIndex(0, 0, 0xA);
  dib4.SetPixelIndex(1, 0, 0x5);
  dib4.SetPixelIndex(2, 0, 0x1F);  // only the low four bits fit
  EXPECT_EQ(dib4.GetBits()[0], 0xA5);
  EXPECT_EQ(dib4.GetBits()[1], 0xF0);

  CCeXDib dib1;
  ASSERT_NE(dib1.Create(10, 1, 1), nullptr);
  for (int x : {0, 2, 9}) dib1.SetPixelIndex(x, 0, 1);
  EXPECT_EQ(dib1.GetBits()[0], 0xA0);
  EXPECT_EQ(dib1.GetBits()[1], 0x40);
  dib1.SetPixelIndex(0, 0, 0);
  EXPECT_EQ(dib1.GetBits()[0], 0x20);
}

TEST(CeXDib, TrueColourBitmapsHaveNoPalette) {
  CCeXDib dib;
  ASSERT_NE(dib.Create(2, 2, 24), nullptr);
  dib.SetPaletteIndex(0, 1, 2, 3);
  dib.SetGrayPalette();
  dib.BlendPalette(MakeColorRef(255, 255, 255), 50);
  dib.SetPixelIndex(0, 0, 5);
  EXPECT_EQ(dib.GetPaletteSize(), 0u);
  const std::uint8_t* block = dib.GetBits() - 40;
  EXPECT_EQ(block[0], 40);
  for (std::uint32_t i = 0; i < dib.GetHeader().sizeImage; ++i) EXPECT_EQ(dib.GetBits()[i], 0);
}

TEST(CeXDib, PaletteOperations) {
  CCeXDib dib;
  ASSERT_NE(dib.Create(1, 1, 4), nullptr);
  dib.SetGrayPalette();
  EXPECT_EQ(dib.GetPaletteIndex(0), (RgbQuad{0, 0, 0, 0}));
  EXPECT_EQ(dib.GetPaletteIndex(7), (RgbQuad{7, 7, 7, 0}));
  EXPECT_EQ(dib.GetPaletteIndex(15), (RgbQuad{255, 255, 255, 0}));
  dib.SetPaletteIndex(16, 1, 1, 1);
  dib.SetPaletteIndex(-1, 1, 1, 1);
  dib.SetPaletteIndex(3, 200, 100, 10);
  EXPECT_EQ(dib.GetPaletteIndex(3), (RgbQuad{10, 100, 200, 0}));
  dib.BlendPalette(MakeColorRef(0, 255, 50), 30);
  // (colour x 30 + entry x 70) / 100 per channel, integer division.
  EXPECT_EQ(dib.GetPaletteIndex(3), (RgbQuad{22, 146, 140, 0}));
  dib.BlendPalette(MakeColorRef(9, 8, 7), 250);  // limited to 100
  EXPECT_EQ(dib.GetPaletteIndex(3), (RgbQuad{7, 8, 9, 0}));
  EXPECT_EQ(CCeXDib::RGB2RGBQUAD(MakeColorRef(1, 2, 3)), (RgbQuad{3, 2, 1, 0}));
}

TEST(CeXDib, DrawShowsEachDepthTopRowFirst) {
  const DibPixel red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, black = 0;
  for (int bits : {1, 4, 8, 24}) {
    CCeXDib dib;
    ASSERT_NE(dib.Create(3, 2, bits), nullptr);
    if (bits == 24) {
      // Stored rows run bottom-up: the first stored row is the bottom one.
      std::uint8_t* bottom = dib.GetBits();
      std::uint8_t* top = bottom + dib.GetLineWidth();
      top[0] = 0xFF;             // (0, 0) blue
      top[4] = 0xFF;             // (1, 0) green
      bottom[3 * 2 + 2] = 0xFF;  // (2, 1) red
    } else {
      dib.SetPaletteIndex(1, 0, 0, 255);
      dib.SetPaletteIndex(2, 0, 255, 0);
      dib.SetPaletteIndex(3, 255, 0, 0);
      dib.SetPixelIndex(0, 0, 1);
      dib.SetPixelIndex(1, 0, bits > 1 ? 2 : 1);
      dib.SetPixelIndex(2, 1, bits > 1 ? 3 : 1);
    }
    PixelSurface dc(5, 4, 0x123456);
    ASSERT_TRUE(dib.Draw(dc, 1, 1));
    EXPECT_EQ(dc.GetPixel(1, 1), blue) << bits;
    EXPECT_EQ(dc.GetPixel(2, 1), bits > 1 ? green : blue) << bits;
    EXPECT_EQ(dc.GetPixel(3, 1), black) << bits;
    EXPECT_EQ(dc.GetPixel(1, 2), black) << bits;
    EXPECT_EQ(dc.GetPixel(3, 2), bits > 1 ? red : blue) << bits;
    EXPECT_EQ(dc.GetPixel(0, 0), 0x123456u);
    EXPECT_EQ(dc.GetPixel(4, 3), 0x123456u);
  }
  CCeXDib empty;
  PixelSurface dc(2, 2);
  EXPECT_FALSE(empty.Draw(dc, 0, 0));
}

TEST(CeXDib, CloneCopiesTheWholeBlockAndCopyFromDcLeavesItAlone) {
  CCeXDib a;
  ASSERT_NE(a.Create(4, 2, 8), nullptr);
  a.SetGrayPalette();
  a.Clear(0x33);
  CCeXDib b;
  ASSERT_NE(b.Clone(a), nullptr);
  EXPECT_EQ(b.GetSize(), a.GetSize());
  EXPECT_EQ(std::memcmp(b.GetBits() - 1064, a.GetBits() - 1064, a.GetSize()), 0);

  PixelSurface dc(4, 2, 0xABCDEF);
  b.CopyFromDC(dc, 0, 0);
  EXPECT_EQ(b.GetBits()[0], 0x33);
  ASSERT_TRUE(b.Draw(dc, 0, 0));
  EXPECT_EQ(dc.GetPixel(0, 0), 0x333333u);

  CCeXDib empty;
  EXPECT_EQ(b.Clone(empty), nullptr);
  EXPECT_EQ(b.GetBits(), nullptr);
}

TEST(CeXDib, SavedFileHoldsFileHeaderThenTheBlock) {
  TempDir dir;
  CCeXDib dib;
  ASSERT_NE(dib.Create(2, 2, 8), nullptr);
  dib.SetGrayPalette();
  dib.SetPixelIndex(1, 0, 200);
  const std::string path = dir.path() + "/two.bmp";
  ASSERT_EQ(dib.SaveBitmapFile(path), 1);
  const std::vector<std::byte> file = ReadFile(path);
  ASSERT_EQ(file.size(), 14u + 40 + 1024 + 8);
  EXPECT_EQ(bo::LoadLe16(file, 0), 0x4D42);
  EXPECT_EQ(bo::LoadLe32(file, 2), file.size());
  EXPECT_EQ(bo::LoadLe32(file, 6), 0u);
  EXPECT_EQ(bo::LoadLe32(file, 10), 1078u);
  EXPECT_EQ(bo::LoadLe32(file, 14), 40u);
  EXPECT_EQ(bo::LoadLe16(file, 26), 1);
  EXPECT_EQ(bo::LoadLe32(file, 34), 8u);  // image size
  EXPECT_EQ(bo::LoadLe32(file, 54 + 4 * 255), 0x00FFFFFFu);
  EXPECT_EQ(bo::Load8(file, 1078 + 4 + 1), 200);  // top row is stored second

  EXPECT_EQ(dib.SaveBitmapFile(""), 0);
  EXPECT_EQ(dib.SaveBitmapFile(dir.path() + "/missing/two.bmp"), 0);
  CCeXDib empty;
  EXPECT_EQ(empty.SaveBitmapFile(dir.path() + "/empty.bmp"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/empty.bmp"));
}

}  // namespace
