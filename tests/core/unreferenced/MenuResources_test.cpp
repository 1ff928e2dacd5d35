#include "unreferenced/MenuResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "unreferenced/BCMenu.h"
#include "unreferenced/BCMenuPainter.h"
#include "unreferenced/FakeNativeMenus.h"

namespace {

using Bytes = std::vector<std::byte>;

void Put16(Bytes& b, unsigned v) {
  b.push_back(std::byte(v & 0xFF));
  b.push_back(std::byte((v >> 8) & 0xFF));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Bytes Toolbar(unsigned width, unsigned height, std::initializer_list<unsigned> commands,
              unsigned version = 1) {
  Bytes b;
  for (unsigned v : {version, width, height, static_cast<unsigned>(commands.size())}) Put16(b, v);
  for (unsigned c : commands) Put16(b, c);
  return b;
}

// A packed bitmap stored bottom-up: 1, 4 or 8 bits a pixel with the palette given (4 unless
// said), or 24 bits when the palette is empty. pixels holds palette indices, or colours for 24
// bits, top row first.
Bytes Dib(int width, int height, const std::vector<ColorRef>& palette,
          const std::vector<std::uint32_t>& pixels, std::uint32_t clrUsed = 0, unsigned bits = 4) {
  if (palette.empty()) bits = 24;
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<std::uint32_t>(width));
  Put32(b, static_cast<std::uint32_t>(height));
  Put16(b, 1);
  Put16(b, bits);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  Put32(b, clrUsed);
  Put32(b, 0);
  for (ColorRef c : palette) {
    for (std::uint8_t v : {ColorRefBlue(c), ColorRefGreen(c), ColorRefRed(c), std::uint8_t{0}})
      b.push_back(std::byte(v));
  }
  const std::size_t entries = bits == 24 ? 0 : clrUsed ? clrUsed : 1u << bits;
  for (std::size_t i = palette.size(); i < entries; ++i) Put32(b, 0);
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  for (int y = height - 1; y >= 0; --y) {
    Bytes row(stride);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      if (bits == 24) {
        row[3 * x] = std::byte(ColorRefBlue(p));
        row[3 * x + 1] = std::byte(ColorRefGreen(p));
        row[3 * x + 2] = std::byte(ColorRefRed(p));
      } else {
        // The leftmost pixel in the high bits of its byte.
        const std::size_t bit = static_cast<std::size_t>(x) * bits;
        row[bit / 8] |= std::byte((p << (8 - bits - bit % 8)) & 0xFF);
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// A strip of cells, each a square of the colour inside a button-face border of one pixel.
PixelSurface Strip(int cell, std::initializer_list<ColorRef> colours) {
  PixelSurface strip(cell * static_cast<int>(colours.size()), cell, OpaquePixel(0xC0C0C0));
  int n = 0;
  for (ColorRef c : colours) {
    strip.FillRect({n * cell + 1, 1, (n + 1) * cell - 1, cell - 1}, OpaquePixel(c));
    ++n;
  }
  return strip;
}

ColorRef At(const PixelSurface& s, int x, int y) {
  return SwapRedBlue(s.GetPixel(x, y)) & 0xFFFFFFu;
}

TEST(MenuResourcesTest, ToolbarRecords) {
  Bytes good = Toolbar(24, 22, {0, 101, 0, 102});
  std::optional<MenuToolbar> toolbar = ParseToolbarResource(good);
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(toolbar->imageWidth, 24);
  EXPECT_EQ(toolbar->imageHeight, 22);
  EXPECT_EQ(toolbar->commands, (std::vector<unsigned>{0, 101, 0, 102}));
  // Separators have no image.
  EXPECT_EQ(toolbar->ImageIndex(101), 0);
  EXPECT_EQ(toolbar->ImageIndex(102), 1);
  EXPECT_EQ(toolbar->ImageIndex(0), -1);
  EXPECT_EQ(toolbar->ImageIndex(7), -1);

  Bytes odd = good;
  odd.push_back(std::byte{1});  // a stray byte after the ids is not read
  EXPECT_TRUE(ParseToolbarResource(odd));
  EXPECT_TRUE(ParseToolbarResource(Toolbar(16, 15, {})));
  EXPECT_TRUE(ParseToolbarResource(Toolbar(256, 256, {1})));

  Bytes shortIds = good;
  shortIds.pop_back();
  const struct {
    const char* name;
    Bytes record;
  } damaged[] = {
      {"empty", {}},
      {"header cut", Bytes(good.begin(), good.begin() + 7)},
      {"last id cut", shortIds},
      {"count beyond the ids", Bytes(good.begin(), good.begin() + 12)},
      {"other version", Toolbar(16, 15, {1}, 2)},
      {"no width", Toolbar(0, 15, {1})},
      {"no height", Toolbar(16, 0, {1})},
      {"image too wide", Toolbar(257, 16, {1})},
      {"image too high", Toolbar(16, 60000, {1})},
  };
  for (const auto& d : damaged) {
    SCOPED_TRACE(d.name);
    EXPECT_FALSE(ParseToolbarResource(d.record));
  }
}

TEST(MenuResourcesTest, BitmapsWithAndWithoutSystemColours) {
  const std::vector<ColorRef> palette = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x0000FF};
  MenuResourceTable table;
  table.AddBitmap(1, Dib(5, 2, palette, {0, 1, 2, 3, 4, 4, 4, 4, 4, 0}));
  MenuSysColours colours;
  colours.btnText = 0x010203;
  colours.btnShadow = 0x112233;
  colours.btnFace = 0x445566;
  colours.btnHighlight = 0x778899;
  std::optional<PixelSurface> mapped = LoadSysColorBitmap16(table, 1, colours);
  ASSERT_TRUE(mapped);
  EXPECT_EQ(At(*mapped, 0, 0), colours.btnText);
  EXPECT_EQ(At(*mapped, 1, 0), colours.btnShadow);
  EXPECT_EQ(At(*mapped, 2, 0), colours.btnFace);
  EXPECT_EQ(At(*mapped, 3, 0), colours.btnHighlight);
  EXPECT_EQ(At(*mapped, 4, 0), 0x0000FFu);
  EXPECT_EQ(At(*mapped, 4, 1), colours.btnText);  // rows are stored bottom-up
  std::optional<PixelSurface> plain = LoadMenuBitmap(table, 1);
  ASSERT_TRUE(plain);
  EXPECT_EQ(At(*plain, 1, 0), 0x808080u);

  // A bitmap of another colour count keeps its colours; it is no 16-colour bitmap.
  table.AddBitmap(2, Dib(2, 1, {}, {0x808080, 0x123456}));
  EXPECT_FALSE(LoadSysColorBitmap16(table, 2, colours));
  ASSERT_TRUE(LoadMenuBitmap(table, 2));
  EXPECT_EQ(At(*LoadMenuBitmap(table, 2), 1, 0), 0x123456u);
  // Nor is a 256-colour one, black included; 1-bit pixels are read from the high bit down.
  table.AddBitmap(5, Dib(3, 1, {0x000000, 0x00FF00, 0xC0C0C0}, {2, 1, 0}, 0, 8));
  EXPECT_FALSE(LoadSysColorBitmap16(table, 5, colours));
  ASSERT_TRUE(LoadMenuBitmap(table, 5));
  EXPECT_EQ(At(*LoadMenuBitmap(table, 5), 0, 0), 0xC0C0C0u);
  EXPECT_EQ(At(*LoadMenuBitmap(table, 5), 2, 0), 0x000000u);
  table.AddBitmap(6, Dib(9, 1, {0x000000, 0xFFFFFF}, {1, 0, 0, 1, 1, 0, 0, 0, 1}, 0, 1));
  std::optional<PixelSurface> mono = LoadMenuBitmap(table, 6);
  ASSERT_TRUE(mono);
  for (int x : {0, 3, 4, 8}) EXPECT_EQ(At(*mono, x, 0), 0xFFFFFFu) << x;
  for (int x : {1, 2, 5, 6, 7}) EXPECT_EQ(At(*mono, x, 0), 0x000000u) << x;
  table.AddBitmap(3, Dib(2, 1, palette, {0, 3}, 5));
  EXPECT_FALSE(LoadSysColorBitmap16(table, 3, colours));
  EXPECT_FALSE(LoadMenuBitmap(table, 99));

  // A picture the program drew comes back as it was, with an odd width's row padding.
  PixelSurface picture = Strip(5, {0x123456, 0xABCDEF});
  picture.SetPixel(9, 4, OpaquePixel(0x010203));
  table.AddBitmap(4, picture);
  std::optional<PixelSurface> back = LoadMenuBitmap(table, 4);
  ASSERT_TRUE(back);
  EXPECT_TRUE(std::equal(back->Pixels().begin(), back->Pixels().end(), picture.Pixels().begin(),
                         picture.Pixels().end()));
}

TEST(MenuResourcesTest, DamagedBitmapsLoadNothing) {
  const Bytes good = Dib(3, 2, {0x000000, 0xFFFFFF}, {0, 1, 0, 1, 0, 1});
  ASSERT_TRUE(ReadPackedDib(good));
  auto with = [&good](std::size_t offset, std::uint32_t value, int width) {
    Bytes b = good;
    for (int i = 0; i < width; ++i) b[offset + i] = std::byte((value >> (8 * i)) & 0xFF);
    return b;
  };
  const struct {
    const char* name;
    Bytes bytes;
  } damaged[] = {
      {"header cut", Bytes(good.begin(), good.begin() + 39)},
      {"palette cut", Bytes(good.begin(), good.begin() + 40 + 63)},
      {"rows cut", Bytes(good.begin(), good.end() - 1)},
      {"header size beyond the data", with(0, 0x10000, 4)},
      {"header size too small", with(0, 12, 4)},
      {"no width", with(4, 0, 4)},
      {"negative width", with(4, 0xFFFFFFFF, 4)},
      {"no height", with(8, 0, 4)},
      {"huge height", with(8, 0x7FFFFFFF, 4)},
      {"two planes", with(12, 2, 2)},
      {"16 bits", with(14, 16, 2)},
      {"compressed", with(16, 2, 4)},
      {"more colours than 4 bits hold", with(32, 17, 4)},
  };
  for (const auto& d : damaged) {
    SCOPED_TRACE(d.name);
    EXPECT_FALSE(ReadPackedDib(d.bytes));
  }
  // A negative height stores the rows top-down: the bottom row written first shows at the top.
  const Bytes topDown = with(8, static_cast<std::uint32_t>(-2), 4);  // read from while decoded
  std::optional<PackedDib> flipped = ReadPackedDib(topDown);
  ASSERT_TRUE(flipped);
  PixelSurface image = DecodePackedDib(*flipped);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_EQ(At(image, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(At(image, 1, 0), 0x000000u);

  BitmapInfoHeader header;
  const struct {
    std::uint16_t bits;
    std::uint32_t used;
    unsigned count;
  } counts[] = {{1, 0, 2},  {4, 0, 16},  {8, 0, 256}, {24, 0, 0},
                {32, 0, 0}, {8, 20, 20}, {24, 3, 3}};
  for (const auto& c : counts) {
    header.bitCount = c.bits;
    header.clrUsed = c.used;
    EXPECT_EQ(DibColourCount(header), c.count) << c.bits << " " << c.used;
  }
}

class MenuToolbarTest : public ::testing::Test {
 protected:
  static constexpr int kToolbar = 500;
  void SetUp() override {
    ResetMenuGlobals();
    MenuResourceTable& resources = GetMenuGlobals().resources;
    // A separator first: the first button still shows the first image.
    resources.AddToolbar(kToolbar, Toolbar(24, 24, {0, 101, 102, 999}));
    resources.AddBitmap(kToolbar, Strip(24, {0x0000FF, 0xFF0000, 0x00FF00}));
    ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
    ASSERT_TRUE(menu.AppendODMenu(u"Open", 0, 101));
    ASSERT_TRUE(menu.AppendODMenu(u"Save", 0, 102));
    ASSERT_TRUE(menu.AppendODMenu(u"Quit", 0, 103));
  }
  void TearDown() override { ResetMenuGlobals(); }

  // The centre colour of the shared image of the record, or 0xFFFFFFFF for none.
  ColorRef SharedCentre(int record) {
    const SharedMenuImages& shared = GetMenuGlobals().imageList;
    const int slot = menu.Record(record)->sharedImageIndex;
    if (slot < 0 || static_cast<std::size_t>(slot) >= shared.images.size()) return 0xFFFFFFFF;
    return At(shared.images[slot], 12, 12);
  }

  FakeNativeMenus native;
  BCMenu menu{native};
};

TEST_F(MenuToolbarTest, AddToolbarImagesRegistersEachButtonsImage) {
  BCMenu* more = menu.AppendODPopupMenu(u"More");
  ASSERT_NE(more, nullptr);
  ASSERT_TRUE(menu.AddToolbarImages(kToolbar));
  EXPECT_GE(menu.IconWidth(), 24);
  EXPECT_GE(menu.IconHeight(), 24);
  // The submenu makes room for the same images.
  EXPECT_GE(more->IconWidth(), 24);
  EXPECT_GE(more->IconHeight(), 24);
  EXPECT_EQ(SharedCentre(0), 0x0000FFu);
  EXPECT_EQ(SharedCentre(1), 0xFF0000u);
  EXPECT_EQ(SharedCentre(2), 0xFFFFFFFFu);  // no button for it
  // The button face around each image is transparent.
  EXPECT_EQ(GetMenuGlobals().imageList.images[0].GetPixel(0, 0) >> 24, 0u);
  EXPECT_TRUE(menu.LoadToolbars(std::vector<int>{kToolbar}));
  EXPECT_EQ(GetMenuGlobals().imageList.ids.size(), 2u);  // registered again in place
}

TEST_F(MenuToolbarTest, ToolbarsThatDoNotLoadAddNothing) {
  MenuResourceTable& resources = GetMenuGlobals().resources;
  Bytes cut = Toolbar(24, 24, {101});
  cut.pop_back();
  resources.AddToolbar(1, cut);
  resources.AddBitmap(1, Strip(24, {0x0000FF}));
  resources.AddToolbar(2, Toolbar(24, 24, {101}));  // no bitmap
  resources.AddToolbar(3, Toolbar(24, 24, {101}));
  resources.AddBitmap(3, Dib(2, 1, {}, {0, 0}));  // narrower than one image
  for (int id : {1, 2, 3, 4}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(menu.AddToolbarImages(id));
  }
  EXPECT_TRUE(GetMenuGlobals().imageList.ids.empty());
  EXPECT_FALSE(menu.LoadToolbars(std::vector<int>{kToolbar, 2}));
  EXPECT_EQ(SharedCentre(1), 0xFF0000u);
}

TEST_F(MenuToolbarTest, ToolbarFormsTakeTheButtonsImage) {
  menu.SetIconSize(24, 24);
  int index = -1;
  EXPECT_TRUE(BCMenu::GetToolbarImageIndex(102, kToolbar, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(BCMenu::GetToolbarImageIndex(103, kToolbar, index));
  EXPECT_FALSE(BCMenu::GetToolbarImageIndex(102, 77, index));

  ASSERT_TRUE(menu.AppendODMenu(u"Save as", 0, 102, kToolbar));
  EXPECT_EQ(SharedCentre(3), 0xFF0000u);
  ASSERT_TRUE(menu.InsertODMenu(0, u"New", MF_BYPOSITION, 101, kToolbar));
  EXPECT_EQ(SharedCentre(0), 0x0000FFu);
  // A toolbar that does not load leaves the item without an image; -1 takes the registered one.
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 103, 77));
  EXPECT_EQ(SharedCentre(3), 0xFFFFFFFFu);
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 102, -1));
  EXPECT_EQ(SharedCentre(2), 0xFF0000u);
}

TEST_F(MenuToolbarTest, LoadFromToolBarGivesItemsTheirOwnImages) {
  menu.SetIconSize(24, 24);
  GetMenuGlobals().resources.AddBitmap(7, Strip(24, {0x00FFFF, 0xFF00FF}));
  std::optional<MenuToolbar> toolbar = ParseToolbarResource(Toolbar(24, 24, {102, 0, 101, 999}));
  ASSERT_TRUE(toolbar);
  menu.LoadFromToolBar(*toolbar, 7);
  const BCMenuData* open = menu.Record(0);
  EXPECT_EQ(open->imageResourceId, 7);
  EXPECT_EQ(open->imageIndex, 1);
  ASSERT_TRUE(open->ownImages);
  EXPECT_EQ(At(*open->ownImages->Image(open->imageIndex), 12, 12), 0xFF00FFu);
  EXPECT_EQ(menu.Record(1)->imageIndex, 0);
  EXPECT_EQ(menu.Record(2)->imageResourceId, -1);  // no button for it

  menu.LoadFromToolBar(*toolbar, 8);  // no such bitmap
  EXPECT_EQ(menu.Record(0)->imageResourceId, -1);
  EXPECT_EQ(menu.Record(0)->imageIndex, -1);
  EXPECT_FALSE(menu.Record(0)->ownImages);
  EXPECT_EQ(menu.RecordCount(), 3);
}

TEST_F(MenuToolbarTest, CheckmarkBitmapsNeedBothImages) {
  MenuResourceTable& resources = GetMenuGlobals().resources;
  resources.AddBitmap(11, Strip(16, {0x0000FF, 0x00FF00}));
  resources.AddBitmap(12, Strip(16, {0xFF0000}));
  menu.SetIconSize(16, 16);
  menu.SetCheckmarkBitmaps(0, 12);
  EXPECT_EQ(menu.CheckmarkImages(), nullptr);
  EXPECT_EQ(menu.CheckedId(), -1);
  menu.SetCheckmarkBitmaps(11, 12);
  ASSERT_NE(menu.CheckmarkImages(), nullptr);
  ASSERT_EQ(menu.CheckmarkImages()->Count(), 2);
  EXPECT_EQ(At(*menu.CheckmarkImages()->Image(1), 8, 8), 0xFF0000u);
  // A child menu made afterwards draws the same marks.
  BCMenu* child = menu.AppendODPopupMenu(u"More");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->CheckmarkImages(), menu.CheckmarkImages());
  menu.SetCheckmarkBitmaps(11, 99);
  EXPECT_EQ(menu.CheckmarkImages(), nullptr);
}

class NoText : public MenuTextDrawer {
  void DrawMenuText(PixelSurface&, std::u16string_view, const SurfaceRect&, ColorRef,
                    bool) override {}
};

TEST_F(MenuToolbarTest, CheckedItemsShowTheCheckmarkImagesInBothStyles) {
  MenuResourceTable& resources = GetMenuGlobals().resources;
  resources.AddBitmap(11, Strip(16, {0x0000FF}));
  resources.AddBitmap(12, Strip(16, {0x00FF00}));
  menu.SetIconSize(16, 15);
  menu.SetCheckmarkBitmaps(11, 12);
  NoText text;
  for (bool flat : {false, true}) {
    SCOPED_TRACE(flat ? "flat" : "classic");
    BCMenu::SetMenuDrawMode(flat ? 1 : 0);
    const int x = flat ? 4 : 2, y = flat ? 3 : 2;  // where the image cell lands
    for (unsigned state : {unsigned{ODS_CHECKED}, unsigned{ODS_CHECKED | ODS_SELECTED}}) {
      PixelSurface dc(120, 20);
      DrawMenuItem(dc, menu, *menu.Record(2), {{0, 0, 120, 20}, state}, text);
      EXPECT_EQ(At(dc, x + 8, y + 8), state & ODS_SELECTED ? 0x00FF00u : 0x0000FFu);
    }
  }
}

}  // namespace
