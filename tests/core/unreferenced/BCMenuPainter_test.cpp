#include "unreferenced/BCMenuPainter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unreferenced/FakeNativeMenus.h"

namespace {

struct DrawnText {
  std::u16string text;
  SurfaceRect rect;
  ColorRef colour;
  bool right;
};

class RecordingDrawer : public MenuTextDrawer {
 public:
  void DrawMenuText(PixelSurface&, std::u16string_view text, const SurfaceRect& rect,
                    ColorRef colour, bool alignRight) override {
    drawn.push_back({std::u16string(text), rect, colour, alignRight});
  }
  std::vector<DrawnText> drawn;
};

ColorRef At(const PixelSurface& s, int x, int y) {
  return SwapRedBlue(s.GetPixel(x, y)) & 0xFFFFFFu;
}

class BCMenuPainterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMenuGlobals();
    ASSERT_TRUE(menu.Attach(native.CreatePopupMenu()));
    ASSERT_TRUE(menu.AppendODMenu(u"&Open\tCtrl+O", 0, 1));
    ASSERT_TRUE(menu.AppendODMenu(u"", 0, 0));
  }
  void TearDown() override { ResetMenuGlobals(); }

  void UseFlat() {
    GetMenuGlobals().windowsVersion = 7;
    BCMenu::SetMenuDrawMode(1);
  }
  PixelSurface Paint(int index, unsigned state) {
    PixelSurface dc(120, 20, 0);
    drawer.drawn.clear();
    DrawMenuItem(dc, menu, *menu.Record(index), {{0, 0, 120, 20}, state}, drawer);
    return dc;
  }

  FakeNativeMenus native;
  BCMenu menu{native};
  RecordingDrawer drawer;
  const MenuSysColours colours{};
};

TEST_F(BCMenuPainterTest, ClassicFillsAndTextColours) {
  const ColorRef b = colours.menu;
  struct Case {
    const char* name;
    unsigned state;
    ColorRef fill;
    std::vector<ColorRef> texts;  // label and accelerator of each pass
  } cases[] = {
      {"normal", 0, b, {colours.menuText, colours.menuText}},
      {"selected", ODS_SELECTED, colours.highlight, {colours.highlightText, colours.highlightText}},
      {"greyed",
       ODS_GRAYED,
       b,
       {colours.btnHighlight, colours.btnHighlight, colours.grayText, colours.grayText}},
      // A disabled item under the cursor stays highlighted and its text takes the menu colour.
      {"greyed selected", ODS_GRAYED | ODS_SELECTED, colours.highlight, {b, b}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PixelSurface dc = Paint(0, c.state);
    EXPECT_EQ(At(dc, 0, 0), c.fill);
    EXPECT_EQ(At(dc, 60, 10), c.fill);
    EXPECT_EQ(At(dc, 119, 19), c.fill);
    ASSERT_EQ(drawer.drawn.size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(drawer.drawn[i].colour, c.texts[i]);
    EXPECT_EQ(drawer.drawn[0].text, u"&Open");
    EXPECT_EQ(drawer.drawn[1].text, u"Ctrl+O");
    EXPECT_TRUE(drawer.drawn[1].right);
  }
  // The grey pass is drawn one pixel down and right of the text.
  Paint(0, ODS_GRAYED);
  EXPECT_EQ(drawer.drawn[0].rect.left, drawer.drawn[2].rect.left + 1);
  EXPECT_EQ(drawer.drawn[2].rect.left, 16 + 9);
}

TEST_F(BCMenuPainterTest, FlatFillsAndTextColours) {
  UseFlat();
  const ColorRef k = colours.btnFace, w = colours.window, h = colours.highlight;
  const ColorRef f = LightenColor(h, 0.7);
  struct Case {
    const char* name;
    unsigned state;
    ColorRef bar, item, corner, text;
  } cases[] = {
      {"normal", 0, k, w, k, colours.menuText},
      {"selected", ODS_SELECTED, f, f, h, colours.menuText},
      {"greyed", ODS_GRAYED, k, w, k, colours.grayText},
      // A disabled item is never highlighted in this style.
      {"greyed selected", ODS_GRAYED | ODS_SELECTED, k, w, k, colours.grayText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PixelSurface dc = Paint(0, c.state);
    EXPECT_EQ(At(dc, 5, 10), c.bar);
    EXPECT_EQ(At(dc, 60, 10), c.item);
    EXPECT_EQ(At(dc, 0, 0), c.corner);
    ASSERT_EQ(drawer.drawn.size(), 2u);
    EXPECT_EQ(drawer.drawn[0].colour, c.text);
    EXPECT_EQ(drawer.drawn[0].rect.left, 16 + 7 + 8);
  }
  // The bar ends at icon width + margin.
  PixelSurface dc = Paint(0, 0);
  EXPECT_EQ(At(dc, 22, 10), k);
  EXPECT_EQ(At(dc, 23, 10), w);
  // Not the themed style: the bar lightened and disabled text lightened.
  GetMenuGlobals().themeName = u"Windows Classic.theme";
  GetMenuGlobals().classicTheme.reset();
  BCMenu::SetMenuDrawMode(1);
  GetMenuGlobals().drawModePlain = 1;
  dc = Paint(0, ODS_GRAYED);
  EXPECT_EQ(At(dc, 5, 10), LightenColor(k, 0.25));
  EXPECT_EQ(drawer.drawn[0].colour, LightenColor(colours.grayText, 0.4));
}

TEST_F(BCMenuPainterTest, SeparatorsAreEtchedAcrossTheMiddle) {
  PixelSurface classic = Paint(1, 0);
  EXPECT_EQ(At(classic, 60, 10), colours.btnShadow);
  EXPECT_EQ(At(classic, 60, 11), colours.btnHighlight);
  EXPECT_EQ(At(classic, 60, 9), colours.menu);
  UseFlat();
  PixelSurface flat = Paint(1, 0);
  EXPECT_EQ(At(flat, 5, 10), colours.btnFace);
  EXPECT_EQ(At(flat, 25, 10), colours.window);  // the line starts a margin after the bar
  EXPECT_EQ(At(flat, 31, 10), colours.btnShadow);
  EXPECT_TRUE(drawer.drawn.empty());
}

TEST_F(BCMenuPainterTest, CheckedItemsWithoutImageShowAMarkOrADot) {
  for (bool radio : {false, true}) {
    PixelSurface dc(120, 20, 0);
    DrawMenuItem(dc, menu, *menu.Record(0), {{0, 0, 120, 20}, ODS_CHECKED, radio}, drawer);
    // The cell is (1, 2)-(17, 17); the mark's first stroke is column 5, rows 8 to 10.
    EXPECT_EQ(At(dc, 5, 8) == colours.menuText, !radio);
    EXPECT_EQ(At(dc, 8, 8) == colours.menuText, radio);  // the dot's centre
    EXPECT_EQ(At(dc, 2, 3), LightenColor(colours.menu, 0.6));
  }
}

TEST_F(BCMenuPainterTest, ImagesAreDrawnFromTheSharedListWithShadeInFlatMode) {
  UseFlat();
  MenuImageList list(16, 15);
  PixelSurface bitmap(16, 15, OpaquePixel(0xC0C0C0));
  bitmap.FillRect({4, 4, 12, 11}, OpaquePixel(0x0000FF));
  ASSERT_EQ(list.AddMasked(bitmap, 0xC0C0C0), 0);
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 1, &list, 0));
  EXPECT_EQ(GetMenuGlobals().imageList.ids, (std::vector<int>{1, 1, 1}));
  // Registering again replaces the slots without growing the list.
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 1, &list, 0));
  EXPECT_EQ(GetMenuGlobals().imageList.images.size(), 3u);

  // Image at (4, 3) of the item (dx = 4, dy = 3): normal shows the faded copy.
  PixelSurface normal = Paint(0, 0);
  EXPECT_EQ(At(normal, 8, 8), LightenColor(0x0000FF, 0.3));
  EXPECT_EQ(At(normal, 5, 4), colours.btnFace);
  // Selected: the shadow one pixel down and right, the image one up and left.
  PixelSurface selected = Paint(0, ODS_SELECTED);
  EXPECT_EQ(At(selected, 8, 8), 0x0000FFu);
  EXPECT_EQ(At(selected, 15, 14), colours.btnShadow);
  // Greyed: the shape in the shadow colour.
  PixelSurface greyed = Paint(0, ODS_GRAYED);
  EXPECT_EQ(At(greyed, 8, 8), colours.btnShadow);
}

TEST_F(BCMenuPainterTest, DisabledImagesAreEmbossedOrMonoInBothStyles) {
  // A red block whose top-left pixel is the highlight colour, on the button face.
  MenuImageList list(16, 15);
  PixelSurface bitmap(16, 15, OpaquePixel(0xC0C0C0));
  bitmap.FillRect({4, 4, 12, 11}, OpaquePixel(0x0000FF));
  bitmap.SetPixel(4, 4, OpaquePixel(colours.btnHighlight));
  ASSERT_EQ(list.AddMasked(bitmap, 0xC0C0C0), 0);
  struct Case {
    const char* name;
    bool flat;
    bool oldStyle;
    int x, y;  // where the image's top-left corner lands in the item
    ColorRef corner;
  };
  const ColorRef k = LightenColor(colours.btnFace, 0.25);
  const Case cases[] = {
      // Embossed treats the highlight pixel as background; mono only the button face.
      {"classic embossed", false, false, 2, 2, colours.menu},
      {"classic mono", false, true, 2, 2, colours.btnShadow},
      {"flat embossed", true, false, 4, 3, k},
      {"flat mono", true, true, 4, 3, colours.btnShadow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetMenuGlobals();
    if (c.flat) BCMenu::SetMenuDrawMode(1);
    if (c.oldStyle)
      menu.SetDisableOldStyle();
    else
      menu.UnSetDisableOldStyle();
    ASSERT_TRUE(menu.ModifyODMenu(nullptr, 1, &list, 0));
    const ColorRef background = c.flat ? k : colours.menu;
    for (unsigned state : {unsigned{ODS_GRAYED}, unsigned{ODS_GRAYED | ODS_SELECTED}}) {
      PixelSurface dc = Paint(0, state);
      EXPECT_EQ(At(dc, c.x + 1, c.y + 1), background);
      EXPECT_EQ(At(dc, c.x + 4, c.y + 4), c.corner);
      EXPECT_EQ(At(dc, c.x + 8, c.y + 8), colours.btnShadow);
      // The highlight shape shows one pixel down and right of the shadow shape.
      EXPECT_EQ(At(dc, c.x + 12, c.y + 11), colours.btnHighlight);
      EXPECT_EQ(At(dc, c.x + 12, c.y + 4), background);
    }
  }
}

TEST(MenuImagesTest, DisabledPaintersCoverTheirAreas) {
  const MenuSysColours colours;
  PixelSurface bitmap(4, 4, OpaquePixel(colours.btnFace));
  bitmap.SetPixel(3, 3, OpaquePixel(0x00FF00));
  const DibPixel untouched = OpaquePixel(0x123456);
  PixelSurface embossed(8, 8, untouched), mono(8, 8, untouched);
  DrawDisabledEmbossed(embossed, 1, 1, 4, 4, bitmap, 0, 0, 0xAAAAAA, colours);
  DrawDisabledMono(mono, 1, 1, 4, 4, bitmap, 0, 0, 0xAAAAAA, colours);
  for (const PixelSurface* dc : {&embossed, &mono}) {
    EXPECT_EQ(At(*dc, 1, 1), 0xAAAAAAu);
    EXPECT_EQ(At(*dc, 4, 4), colours.btnShadow);
    EXPECT_EQ(At(*dc, 5, 5), colours.btnHighlight);
    EXPECT_EQ(At(*dc, 0, 0), 0x123456u);
  }
  // The embossed one also covers the row and column after the image; mono leaves them.
  EXPECT_EQ(At(embossed, 5, 2), 0xAAAAAAu);
  EXPECT_EQ(At(mono, 5, 2), 0x123456u);
}

TEST_F(BCMenuPainterTest, BitmapAndSwatchFormsRegisterOneImage) {
  // Two cells on the button face, the mask colour: red, then blue.
  PixelSurface bitmap(32, 15, OpaquePixel(0xC0C0C0));
  bitmap.FillRect({2, 2, 14, 13}, OpaquePixel(0x0000FF));
  bitmap.FillRect({18, 2, 30, 13}, OpaquePixel(0xFF0000));
  const SharedMenuImages& shared = GetMenuGlobals().imageList;
  auto sharedImage = [&](const BCMenuData& record) -> const PixelSurface* {
    const int slot = record.sharedImageIndex;
    return slot >= 0 ? &shared.images[static_cast<std::size_t>(slot)] : nullptr;
  };
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 1, &bitmap));
  ASSERT_TRUE(sharedImage(*menu.Record(0)));
  EXPECT_EQ(At(*sharedImage(*menu.Record(0)), 8, 8), 0x0000FFu);
  EXPECT_EQ(sharedImage(*menu.Record(0))->GetPixel(0, 0) >> 24, 0u);
  EXPECT_EQ(shared.images.size(), 1u);  // the second cell is not taken
  ASSERT_TRUE(menu.ModifyODMenu(nullptr, 1, static_cast<const PixelSurface*>(nullptr)));
  EXPECT_EQ(menu.Record(0)->sharedImageIndex, -1);

  ASSERT_TRUE(menu.AppendMenu(0, 5, u"Own", &bitmap));
  ASSERT_TRUE(menu.Record(2)->ownImages);
  EXPECT_EQ(At(*menu.Record(2)->ownImages->Image(0), 8, 8), 0x0000FFu);
  ASSERT_TRUE(menu.InsertMenu(0, MF_BYPOSITION, 6, "Shared", &bitmap));
  ASSERT_TRUE(sharedImage(*menu.Record(0)));
  EXPECT_EQ(At(*sharedImage(*menu.Record(0)), 8, 8), 0x0000FFu);

  // A 10 x 10 swatch centred in the 16 x 15 cell on the menu colour.
  struct Case {
    int hatch;
    ColorRef at88, at99;
  } cases[] = {{HS_SOLID, 0x00FF00, 0x00FF00},     {HS_CROSS, 0x00FF00, 0xFFFFFF},
               {HS_FDIAGONAL, 0x00FF00, 0x00FF00}, {HS_HORIZONTAL, 0x00FF00, 0xFFFFFF},
               {HS_BDIAGONAL, 0xFFFFFF, 0xFFFFFF}, {99, 0x00FF00, 0x00FF00}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hatch);
    ASSERT_TRUE(menu.ModifyODMenu("Green", 5, 0x00FF00, 0x000080, c.hatch, 10, 10));
    EXPECT_EQ(menu.Record(3)->Text(), u"Green");
    const PixelSurface* swatch = sharedImage(*menu.Record(3));
    ASSERT_TRUE(swatch);
    EXPECT_EQ(At(*swatch, 0, 0), colours.menu);
    EXPECT_EQ(At(*swatch, 3, 2), 0x000080u);
    EXPECT_EQ(At(*swatch, 8, 8), c.at88);
    EXPECT_EQ(At(*swatch, 9, 9), c.at99);
  }
}

TEST_F(BCMenuPainterTest, ItemsAreMeasuredWithTheirFontOnEverySystem) {
  for (int version : {0, 1, 6}) {  // every system but the flat one
    SCOPED_TRACE(version);
    GetMenuGlobals().windowsVersion = version;
    MenuItemSize size = MeasureMenuItem(menu, *menu.Record(0));
    EXPECT_EQ(size.width, 7 * 12 + 2 * 16 + 1);
    EXPECT_EQ(size.height, kMenuLineHeight);
    EXPECT_EQ(MeasureMenuItem(menu, *menu.Record(1)).height, kMenuLineHeight / 2);
  }
  UseFlat();
  menu.SetIconSize(32, 32);
  MenuItemSize size = MeasureMenuItem(menu, *menu.Record(0));
  EXPECT_EQ(size.width, 7 * 12 + 32 + 7 + 8);
  EXPECT_EQ(size.height, 39);
  EXPECT_EQ(MeasureMenuItem(menu, *menu.Record(1)).height, 19);
}

TEST(MenuImagesTest, ColourArithmetic) {
  EXPECT_EQ(LightenColor(0x000000, 0.5), 0x7F7F7Fu);
  EXPECT_EQ(LightenColor(0x102030, 0.0), 0x102030u);
  EXPECT_EQ(LightenColor(0x102030, 1.5), 0x102030u);
  EXPECT_EQ(LightenColor(0x102030, 1.0), 0xFFFFFFu);
  EXPECT_EQ(DarkenColor(0xFF8040, 0.5), 0x7F4020u);
  EXPECT_EQ(DarkenColor(0xFF8040, -0.1), 0xFF8040u);
  PixelSurface swatch = MakeColourSwatch(4, 4, 8, 8, 0x0000FF, 0x000000, 0xC0C0C0);
  EXPECT_EQ(At(swatch, 0, 0), 0xC0C0C0u);
  EXPECT_EQ(At(swatch, 2, 2), 0x000000u);
  EXPECT_EQ(At(swatch, 3, 3), 0x0000FFu);
  EXPECT_EQ(At(swatch, 6, 6), 0xC0C0C0u);
}

}  // namespace
