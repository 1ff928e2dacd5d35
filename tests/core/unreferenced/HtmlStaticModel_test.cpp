#include <gtest/gtest.h>

#include <string>

#include "tests/core/unreferenced/HtmlLayoutTestUtil.h"
#include "unreferenced/HtmlStaticModel.h"

namespace {

TEST(HtmlStaticModel, TextRectFollowsFlagsThenStyle) {
  HtmlStaticStyle plain;
  HtmlStaticStyle centred;
  centred.center = true;
  centred.centerImage = true;
  HtmlStaticStyle right;
  right.right = true;
  const struct {
    int align;
    HtmlStaticStyle style;
    int left, top;
  } cases[] = {
      // Client 200 x 100, margins 5 and 4, markup 50 x 20.
      {kHtmlAlignDefault, plain, 5, 4},
      {kHtmlAlignDefault, centred, 75, 40},
      {kHtmlAlignDefault, right, 145, 4},
      {kHtmlAlignRight | kHtmlAlignBottom, centred, 145, 76},
      {kHtmlAlignCenter | kHtmlAlignVCenter, plain, 75, 40},
      {kHtmlAlignLeft | kHtmlAlignTop, centred, 5, 4},
  };
  for (const auto& c : cases) {
    const HtmlRect r = HtmlStaticTextRect(200, 100, 5, 4, {50, 20}, c.align, c.style, false);
    EXPECT_EQ(r.left, c.left) << c.align;
    EXPECT_EQ(r.top, c.top) << c.align;
    EXPECT_EQ(r.right - r.left, 50);
    EXPECT_EQ(r.bottom - r.top, 20);
  }
  // Without word wrap the markup takes the inner width; nothing is larger than the client.
  HtmlStaticStyle noWrap;
  noWrap.wordWrap = false;
  HtmlRect r = HtmlStaticTextRect(200, 100, 5, 4, {50, 20}, 0, noWrap, false);
  EXPECT_EQ(r.right - r.left, 189);
  r = HtmlStaticTextRect(200, 100, 5, 4, {50, 20}, 0, noWrap, true);  // images keep their size
  EXPECT_EQ(r.right - r.left, 50);
  r = HtmlStaticTextRect(40, 10, 0, 0, {50, 20}, 0, plain, false);
  EXPECT_EQ(r.right, 40);
  EXPECT_EQ(r.bottom, 10);
}

TEST(HtmlStaticModel, SettersWriteTheirMarkup) {
  const auto res = HtmlImageSource::Resource(7);
  const auto handle = HtmlImageSource::Handle(0x40);
  const struct {
    HtmlImageKind kind;
    HtmlImageSource source;
    int index, cx, cy;
    ColorRef mask;
    std::u16string tag;
  } cases[] = {
      {HtmlImageKind::Icon, res, 0, 32, 32, kHtmlNoColor, u"<icon idres=7>"},
      {HtmlImageKind::Icon, handle, 0, 0, 0, kHtmlNoColor, u"<icon handle=0x40>"},
      {HtmlImageKind::Bitmap, res, 0, 0, 0, kHtmlNoColor, u"<bmp idres=7>"},
      {HtmlImageKind::Bitmap, handle, 0, 0, 0, 0x00FF00FF, u"<bmp handle=0x40 mask=0xFF00FF>"},
      {HtmlImageKind::Animation, res, 0, 0, 0, kHtmlNoColor, u"<ilst index=0 idres=7 speed=1>"},
      {HtmlImageKind::Animation, handle, 0, 16, 8, 0xFF,
       u"<ilst index=0 handle=0x40 mask=0x0000FF cx=16, cy=8 speed=1>"},
      {HtmlImageKind::ImageListImage, res, 3, 16, 16, kHtmlNoColor,
       u"<ilst index=3 idres=7 cx=16, cy=16>"},
      {HtmlImageKind::ImageListImage, handle, 2, 0, 0, 0,
       u"<ilst index=2 handle=0x40 mask=0x000000>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HtmlImageTag(c.kind, c.source, c.index, c.cx, c.cy, c.mask), c.tag) << Narrow(c.tag);

  const struct {
    int widthPercent, heightPercent;
    HtmlExtent natural;
    std::u16string markup;
  } zooms[] = {
      {50, 50, {32, 32}, u"<icon idres=7 width=16 height=16>"},
      {100, 200, {-1, -1}, u"<icon idres=7 width=100% height=200%>"},
      {0, 0, {32, 32}, u"<icon idres=7 width=89 height=37>"},  // client 100 x 50, margins 5, 6
  };
  for (const auto& z : zooms)
    EXPECT_EQ(HtmlZoomedImageTag(u"<icon idres=7>", z.widthPercent, z.heightPercent, z.natural, 100,
                                 50, 5, 6),
              z.markup)
        << Narrow(z.markup);

  EXPECT_EQ(HtmlHyperlinkMarkup(u"Home", u"https://example.org/", false),
            u"<a href=\"https://example.org/\">Home</a>");
  EXPECT_EQ(HtmlHyperlinkMarkup(u"Tell", u"m1", true), u"<a msg=\"m1\">Tell</a>");
  EXPECT_EQ(HtmlColoredMarkup(u"x", 0x00123456), u"<font color=0x123456>x</font>");
  EXPECT_EQ(HtmlBodyFontRule(9, 0, u"Sans", 700, true),
            u"font-size:9pt; color:0x000000; font-family:Sans; font-weight:700; "
            u"font-style:italic");
  EXPECT_EQ(HtmlLinkRule(0x00FF0000, false), u"color:0xFF0000; text-decoration:none");
}

TEST(HtmlStaticModel, WrittenMarkupReadsBackThroughTheDrawer) {
  // The setters' rules and tags are what the drawer understands.
  MarkupLayout l;
  l.drawer.SetCssStyle(u"a:link", HtmlLinkRule(0x00FF0000, true));
  const HtmlDisplayList list = l.Run(HtmlColoredMarkup(
      HtmlHyperlinkMarkup(u"go", u"https://example.org/", false) + u"!", 0x000000FF));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].style.color, 0x00FF0000u);
  EXPECT_EQ(list[0].style.underline, 1);
  EXPECT_EQ(list[1].style.color, 0x000000FFu);
  ASSERT_EQ(l.drawer.LinkAreas().size(), 1u);
  EXPECT_EQ(Narrow(l.drawer.LinkAreas()[0].target), "https://example.org/");
}

}  // namespace
