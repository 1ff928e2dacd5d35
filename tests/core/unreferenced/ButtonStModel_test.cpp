#include "unreferenced/ButtonStModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ButtonStModelTest, SetterCodes) {
  ButtonStModel model;
  ColorRef colour = 0;
  EXPECT_EQ(model.SetColor(6, 0x123456), BTNST_INVALIDINDEX);
  EXPECT_EQ(model.SetColor(-1, 0x123456), BTNST_INVALIDINDEX);
  EXPECT_EQ(model.GetColor(6, colour), BTNST_INVALIDINDEX);
  EXPECT_EQ(model.SetColor(5, 0x123456), BTNST_OK);
  EXPECT_EQ(model.GetColor(5, colour), BTNST_OK);
  EXPECT_EQ(colour, 0x123456u);

  EXPECT_EQ(model.SetAlign(ST_ALIGN_VERT), BTNST_OK);
  EXPECT_EQ(model.SetAlign(4), BTNST_INVALIDALIGN);
  EXPECT_EQ(model.GetAlign(), ST_ALIGN_VERT);  // unchanged by the refused value

  EXPECT_EQ(model.SetPressedStyle(1), BTNST_OK);
  EXPECT_EQ(model.pressedOffsetX, 0);
  EXPECT_EQ(model.pressedOffsetY, 2);
  EXPECT_EQ(model.SetPressedStyle(2), BTNST_INVALIDPRESSEDSTYLE);
  EXPECT_EQ(model.pressedOffsetY, 2);

  EXPECT_EQ(model.OffsetColor(0, 256), BTNST_BADPARAM);
  EXPECT_EQ(model.OffsetColor(6, 10), BTNST_INVALIDINDEX);
}

TEST(ButtonStModelTest, OffsetColorKeepsEveryChannelInRange) {
  struct Case {
    ColorRef colour;
    int shade;
    ColorRef expected;
  } cases[] = {
      {0xF0F0F0, 50, 0xFFFFFF},   // limited by the brightest channel
      {0x102030, -50, 0x001020},  // limited by the darkest channel
      {0x102030, 5, 0x152535},
      {0xFF0000, 10, 0xFF0000},  // one channel already full
  };
  for (const Case& c : cases) {
    ButtonStModel model;
    model.SetColor(BTNST_COLOR_BK_IN, c.colour);
    EXPECT_EQ(model.OffsetColor(BTNST_COLOR_BK_IN, c.shade), BTNST_OK);
    ColorRef out = 0;
    model.GetColor(BTNST_COLOR_BK_IN, out);
    EXPECT_EQ(out, c.expected) << std::hex << c.colour << " " << std::dec << c.shade;
  }
}

TEST(ButtonStModelTest, PressedStateImagesAndColours) {
  using S = ButtonStModel::PaintState;
  ButtonStModel model;
  for (int i = 0; i < 6; ++i) model.SetColor(i, static_cast<ColorRef>(i + 1));
  struct Case {
    const char* name;
    bool checkBox, checked;
    S state;
    bool pressed, outImage;
    ColorRef background, text;
  } cases[] = {
      {"idle", false, false, {}, false, true, 3, 4},
      {"focused", false, false, {false, true}, false, true, 5, 6},
      {"hovered", false, false, {false, false, true}, false, false, 1, 2},
      {"held down", false, false, {true}, true, false, 1, 2},
      {"menu open", false, false, {false, false, false, true}, true, false, 1, 2},
      // A checked box is drawn pressed with the mouse elsewhere.
      {"checked box", true, true, {}, true, false, 1, 2},
      {"hovered box", true, false, {false, false, true}, false, true, 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    model.checkBox = c.checkBox;
    model.checked = c.checked;
    EXPECT_EQ(model.IsPressed(c.state), c.pressed);
    EXPECT_EQ(model.UsesOutImage(c.state, true), c.outImage);
    EXPECT_FALSE(model.UsesOutImage(c.state, false));
    EXPECT_EQ(model.Background(c.state), c.background);
    EXPECT_EQ(model.TextColour(c.state), c.text);
  }
}

TEST(ButtonStModelTest, BorderLinesForEachState) {
  const ButtonBorderColours c{0xFFFFFF, 0xDDDDDD, 0x888888, 0x444444};
  constexpr ColorRef none = 0x010101;
  struct Pixel {
    int x, y;
    ColorRef colour;
  };
  struct Case {
    const char* name;
    bool flat, drawBorder, pressed, hovering;
    std::vector<Pixel> pixels;
  };
  const Case cases[] = {
      {"flat at rest", true, true, false, false, {{0, 0, none}, {9, 7, none}}},
      {"flat hovered",
       true,
       true,
       false,
       true,
       {{0, 0, c.highlight},
        {0, 6, c.highlight},
        {8, 0, c.highlight},
        {9, 0, c.shadow},
        {0, 7, c.shadow},
        {9, 7, c.shadow},
        {1, 1, none}}},
      {"flat hovered without border", true, false, false, true, {{0, 0, none}, {9, 7, none}}},
      {"flat pressed",
       true,
       true,
       true,
       false,
       {{0, 0, c.shadow}, {0, 6, c.shadow}, {9, 0, c.highlight}, {9, 7, c.highlight}}},
      {"flat pressed without border", true, false, true, true, {{0, 0, none}, {9, 7, none}}},
      {"framed pressed",
       false,
       true,
       true,
       false,
       {{0, 0, c.shadow}, {9, 0, c.shadow}, {0, 7, c.shadow}, {9, 7, c.shadow}, {1, 1, none}}},
      {"framed at rest",
       false,
       false,
       false,
       false,
       {{0, 0, c.highlight},
        {8, 0, c.highlight},
        {0, 6, c.highlight},
        {1, 1, c.light},
        {1, 6, c.shadow},
        {2, 1, c.light},
        {8, 1, c.shadow},
        {8, 6, c.shadow},
        {0, 7, c.darkShadow},
        {9, 0, c.darkShadow},
        {9, 7, c.darkShadow},
        {2, 2, none}}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.name);
    ButtonStModel model;
    model.flat = t.flat;
    model.drawBorder = t.drawBorder;
    ButtonStModel::PaintState state;
    state.selected = t.pressed;
    state.hovering = t.hovering;
    PixelSurface dc(10, 8, SwapRedBlue(none));
    for (const ButtonBorderLine& line : model.BorderLines({0, 0, 10, 8}, state, c))
      dc.FillRect(line.rect, SwapRedBlue(line.colour));
    for (const Pixel& p : t.pixels)
      EXPECT_EQ(SwapRedBlue(dc.GetPixel(p.x, p.y)) & 0xFFFFFF, p.colour) << p.x << "," << p.y;
  }
}

TEST(ButtonStModelTest, ImagePlacement) {
  ButtonStModel model;
  const SurfaceRect item{0, 0, 100, 40};
  struct Case {
    int align;
    bool caption, pressed;
    SurfaceRect image;
    int captionLeft, captionTop, captionRight;
  } cases[] = {
      {ST_ALIGN_HORIZ, true, false, {3, 12, 19, 28}, 19, 0, 100},
      {ST_ALIGN_HORIZ, false, false, {42, 12, 58, 28}, 0, 0, 100},
      {ST_ALIGN_HORIZ, true, true, {4, 13, 20, 29}, 19, 0, 100},
      {ST_ALIGN_VERT, true, false, {42, 3, 58, 19}, 0, 16, 100},
      {ST_ALIGN_HORIZ_RIGHT, true, false, {81, 12, 97, 28}, 3, 0, 81},
      {ST_ALIGN_OVERLAP, true, false, {0, 0, 16, 16}, 0, 0, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.align);
    model.SetAlign(c.align);
    SurfaceRect caption = item;
    SurfaceRect image = model.PrepareImageRect(c.caption, item, caption, c.pressed, 16, 16);
    EXPECT_EQ(image.left, c.image.left);
    EXPECT_EQ(image.top, c.image.top);
    EXPECT_EQ(image.right, c.image.right);
    EXPECT_EQ(image.bottom, c.image.bottom);
    EXPECT_EQ(caption.left, c.captionLeft);
    EXPECT_EQ(caption.top, c.captionTop);
    EXPECT_EQ(caption.right, c.captionRight);
  }
}

TEST(ButtonStModelTest, GreyAndDarkerCopiesKeepTheTransparentColour) {
  PixelSurface image(2, 1);
  image.SetPixel(0, 0, SwapRedBlue(0x00FF00u) | 0xFF000000u);
  image.SetPixel(1, 0, SwapRedBlue(0x0080FFu) | 0xFF000000u);
  PixelSurface grey = CreateGrayscaleImage(image, 0x00FF00);
  EXPECT_EQ(SwapRedBlue(grey.GetPixel(0, 0)) & 0xFFFFFFu, 0x00FF00u);
  // 0.299 x 255 + 0.587 x 128 = 151.4
  EXPECT_EQ(SwapRedBlue(grey.GetPixel(1, 0)) & 0xFFFFFFu, 0x979797u);
  PixelSurface darker = CreateDarkerImage(image, 0x00FF00);
  EXPECT_EQ(SwapRedBlue(darker.GetPixel(1, 0)) & 0xFFFFFFu, 0x0060BFu);
}

TEST(ButtonStModelTest, SoundsAndLinks) {
  ButtonStModel model;
  EXPECT_EQ(model.SetSound(u"click.wav", false, true, true), BTNST_OK);
  EXPECT_EQ(model.ClickSound().flags, SND_NOWAIT | SND_NODEFAULT | SND_FILENAME | SND_ASYNC);
  EXPECT_TRUE(model.HoverSound().name.empty());
  EXPECT_EQ(model.SetSound(u"HOVER", true, false, false), BTNST_OK);
  EXPECT_EQ(model.HoverSound().flags, SND_NOWAIT | SND_NODEFAULT | SND_RESOURCE);
  EXPECT_EQ(model.SetSound(nullptr, false, true, false), BTNST_OK);
  EXPECT_TRUE(model.ClickSound().name.empty());

  const std::u16string longest(259, u'a'), tooLong(260, u'a');
  EXPECT_EQ(model.SetURL(longest), BTNST_OK);
  EXPECT_EQ(model.SetURL(tooLong), BTNST_BADPARAM);
  EXPECT_EQ(model.URL(), longest);
  EXPECT_EQ(model.SetSound(tooLong.c_str(), false, true, false), BTNST_BADPARAM);
}

}  // namespace
