#include "unreferenced/HtmlValueParser.h"

#include <gtest/gtest.h>

#include <string>

#include "unreferenced/HtmlNumbers.h"

namespace {

// Fixed metrics: 96 dots per inch, "x" 7 pixels high, lines 16 pixels.
class FixedMeasurer final : public HtmlTextMeasurer {
 public:
  void SelectFont(const HtmlStyle&) override {}
  HtmlExtent TextExtent(std::u16string_view text) override {
    return {static_cast<int>(text.size()) * 8, 7};
  }
  HtmlTextMetrics Metrics() override { return {16, 13, 3}; }
  int DotsPerInchY() override { return 96; }
};

class TestParser : public HtmlValueParser {
 public:
  TestParser() {
    m_Measurer = &measurer;
    m_ColorNames[u"red"] = 0x000000FF;
  }
  void SetShadowOffsets(int x, int y, bool gradient) {
    m_ShadowOffsetX = x;
    m_ShadowOffsetY = y;
    m_GradientShadow = gradient;
  }
  FixedMeasurer measurer;
};

TEST(HtmlValueParser, LengthsInEveryUnit) {
  TestParser p;
  const struct {
    std::u16string value;
    int base;
    bool html;
    int pixels;
  } cases[] = {
      {u"", 11, false, 11},     {u"10pt", 0, false, 13}, {u"3", 0, true, 12},
      {u"12", 0, true, 12},     {u"3", 0, false, 3},     {u"+2", 0, true, 10},
      {u"150%", 16, true, 24},  {u"7px", 0, false, 7},   {u"2ex", 0, false, 14},
      {u"1.5em", 0, false, 16}, {u"1in", 0, false, 96},  {u"1cm", 0, false, 37},
      {u"10mm", 0, false, 37},  {u"2pc", 0, false, 32},  {u"0x10", 0, false, 16},
      {u"-5px", 0, false, 5},   {u"abc", 9, false, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(p.ParseLength(c.value, c.base, c.html), c.pixels)
        << std::string(c.value.begin(), c.value.end());
}

TEST(HtmlValueParser, HugeNumbersSaturateInsteadOfWrapping) {
  TestParser p;
  EXPECT_EQ(p.ParseLength(u"99999999999999999999px", 0, false), 2147483647);
  EXPECT_EQ(p.ParseLength(u"99999999999in", 0, false), 2147483647);
  EXPECT_EQ(p.ParseLength(u"4294967296", 0, false), 2147483647);
  EXPECT_EQ(p.ParseLength(u"99999999999999%", 2147483647, false), 2147483647);
  EXPECT_EQ(p.ParseLength(u"3000000000em", 0, false), 2147483647);
  EXPECT_EQ(p.ParseColor(u"0x1ffffffff", 5), 0xFFFFFFFFu);
  EXPECT_EQ(p.ParseColor(u"99999999999999999999", 5), 0xFFFFFFFFu);
  EXPECT_EQ(MulDiv(2147483647, 2147483647, 1), 2147483647);
  EXPECT_EQ(MulDiv(-2147483647, 2147483647, 1), -2147483647 - 1);
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
  EXPECT_EQ(MulDiv(3, 1, 2), 2);  // halves round away from zero
}

TEST(HtmlValueParser, Colours) {
  TestParser p;
  const struct {
    std::u16string value;
    ColorRef colour;
  } cases[] = {
      {u"", 0x123},
      {u"#fff", 0x123},
      {u"#00ff00", 0x0000FF00},
      {u"#ff9900", 0x000099FF},
      {u"0x0000ff", 0x000000FF},
      {u"255", 0x000000FF},
      {u"0255", 173},
      {u"red", 0x000000FF},
      {u"red ", 0x123},
      {u"nosuch", 0x123},
      {u"#zz0000", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(p.ParseColor(c.value, 0x123), c.colour)
        << std::string(c.value.begin(), c.value.end());
  p.SetEnabled(false);
  p.SetDisabledColor(0x00ABCDEF);
  EXPECT_EQ(p.ParseColor(u"red", 0), 0x00ABCDEFu);
  EXPECT_EQ(p.ParseColor(u"#00ff00", 0), 0x0000FF00u);
}

TEST(HtmlValueParser, KeywordsKeepThePreviousValueWhenUnknown) {
  using P = HtmlValueParser;
  EXPECT_EQ(P::ParseFontStyle(u"oblique", 0), 1);
  EXPECT_EQ(P::ParseFontStyle(u"", 1), 0);
  EXPECT_EQ(P::ParseFontStyle(u"slanted", 1), 1);
  EXPECT_EQ(P::ParseFontWeight(u"bolder"), 900);
  EXPECT_EQ(P::ParseFontWeight(u"600"), 600);
  EXPECT_EQ(P::ParseFontWeight(u"heavy"), 0);
  EXPECT_EQ(P::ParseTextAlign(u"justify", 2), 2);
  EXPECT_EQ(P::ParseTextAlign(u"center", 0), 1);
  EXPECT_EQ(P::ParseVerticalAlign(u"vcenter", 3), 1);
  EXPECT_EQ(P::ParseVerticalAlign(u"", 2), 3);
  EXPECT_EQ(P::ParseTextTransform(u"capitalize", 0), 3);
  EXPECT_EQ(P::ParseBorderStyle(u"double", 0), 6);
  TestParser p;
  EXPECT_EQ(p.ParseBorderWidth(u"thin", 4), 3);
  EXPECT_EQ(p.ParseBorderWidth(u"thick", 4), 5);
  EXPECT_EQ(p.ParseBorderWidth(u"", 4), 4);
  EXPECT_EQ(p.ParseBackgroundEffect(u"metal", 0), 15);
  EXPECT_EQ(p.ParseBackgroundEffect(u"transparent", 0), -1);
  EXPECT_EQ(p.ParseBackgroundEffect(u"", 6), 6);
  EXPECT_EQ(p.ParseBackgroundEffect(u"9", 6), 9);
}

TEST(HtmlValueParser, DecorationsAndStyleLetters) {
  HtmlStyle s;
  HtmlValueParser::ParseTextDecoration(u"underline overline", s);
  EXPECT_EQ(s.underline, 1);
  EXPECT_EQ(s.overline, 1);
  HtmlValueParser::ParseTextDecoration(u"line-through,bogus", s);
  EXPECT_EQ(s.strikeout, 1);
  HtmlValueParser::ParseTextDecoration(u"", s);
  EXPECT_EQ(s.underline + s.overline + s.strikeout, 0);

  HtmlStyle t;
  t.italic = 1;
  HtmlValueParser::ParseStyleLetters(u"b-i+u-so?", t);
  EXPECT_EQ(t.weight, 700);
  EXPECT_EQ(t.italic, 0);
  EXPECT_EQ(t.underline, 1);
  EXPECT_EQ(t.strikeout, 0);
  EXPECT_EQ(t.overline, 1);  // the flag turned back on after "s"
}

TEST(HtmlValueParser, ImageStylesAndAttributes) {
  TestParser p;
  EXPECT_EQ(p.ParseImageStyle(u"gdlx"), 7);
  EXPECT_EQ(p.ParseImageStyle(u"s"), 512);
  p.SetShadowOffsets(2, 0, false);
  EXPECT_EQ(p.ParseImageStyle(u"s"), 256);
  p.SetShadowOffsets(0, 0, true);
  EXPECT_EQ(p.ParseImageStyle(u"s"), 0);

  HtmlImageAttributes a;
  a.width = a.height = 100;
  p.ParseImageAttributes(
      u"index=0 idres=7 mask=0xff00ff cx=16, cy=16 speed=1 width=50% height=20 style=g "
      u"hotstyle=d file=\"c:/x.bmp\" srcdll=lib",
      a);
  EXPECT_EQ(a.idres, 7);
  EXPECT_EQ(a.cx, 16);
  EXPECT_EQ(a.cy, 16);
  EXPECT_EQ(a.speed, 1);
  EXPECT_EQ(a.hasMask, 1);
  EXPECT_EQ(a.maskColor, 0x00FF00FFu);
  EXPECT_EQ(a.width, 50);
  EXPECT_EQ(a.widthPercent, 1);
  EXPECT_EQ(a.height, 20);
  EXPECT_EQ(a.heightPercent, 0);
  EXPECT_EQ(a.styleFlags, 1);
  EXPECT_EQ(a.hotStyleFlags, 2);
  EXPECT_EQ(a.file, u"c:/x.bmp");
  EXPECT_EQ(a.dllFile, u"lib");
}

TEST(HtmlValueParser, TableAttributesAndTheirBorderRules) {
  TestParser p;
  HtmlStyle s;
  HtmlSpans spans = p.ParseTableAttributes(
      u"cellpadding=3 cellspacing=2 border=2 bgcolor=red colspan=4 rowspan=0 width=120 "
      u"align=right valign=bottom background=idres:5",
      s, true);
  EXPECT_EQ(spans.colspan, 4);
  EXPECT_EQ(spans.rowspan, 0);  // clamped later, by the grid
  EXPECT_EQ(s.margin, 3);
  EXPECT_EQ(s.padding, 2);
  EXPECT_EQ(s.borderWidth, 2);
  EXPECT_EQ(s.borderStyle, 1);
  EXPECT_EQ(s.bkColor, 0x000000FFu);
  EXPECT_EQ(s.bkEffect, 0);
  EXPECT_EQ(s.width, 120);
  EXPECT_EQ(s.align, 2);
  EXPECT_EQ(s.valign, 2);
  EXPECT_EQ(s.bkImage, u"idres:5");

  const struct {
    std::u16string text;
    bool isTable;
    int width, style;
  } borders[] = {
      {u"border=3", false, 1, 1},
      {u"border=3 borderstyle=dotted", true, 1, 3},
      {u"borderstyle=dashed", true, 1, 2},
      {u"border=0 borderstyle=solid", true, 1, 1},
      {u"border=4 borderstyle=none", true, 0, 0},
  };
  for (const auto& b : borders) {
    HtmlStyle t;
    p.ParseTableAttributes(b.text, t, b.isTable);
    EXPECT_EQ(t.borderWidth, b.width) << std::string(b.text.begin(), b.text.end());
    EXPECT_EQ(t.borderStyle, b.style) << std::string(b.text.begin(), b.text.end());
  }

  HtmlStyle d;
  p.SetEnabled(false);
  p.SetDisabledColor(0x00111111);
  p.ParseTableAttributes(u"bgcolor=red bordercolor=red", d, true);
  EXPECT_EQ(d.bkEffect, -1);
  EXPECT_EQ(d.bkColor, 0x00FFFFFFu);
  EXPECT_EQ(d.borderLight, 0x00111111u);
  EXPECT_EQ(d.borderDark, 0x00111111u);
  EXPECT_EQ(p.ParseTableAttributes(u"", d, true).colspan, 1);
}

}  // namespace
