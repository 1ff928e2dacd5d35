#include <gtest/gtest.h>

#include <set>
#include <string>

#include "unreferenced/HtmlDrawer.h"

namespace {

std::string Narrow(std::u16string_view s) {
  return std::string(s.begin(), s.end());
}

TEST(HtmlVocabulary, TagsPairByStyleNameAndMatchExactly) {
  CPPHtmlDrawer d;
  const struct {
    std::u16string tag;
    int id;
    std::u16string style;
    bool closing;
  } cases[] = {
      {u"b", kTagBold, u"bold", false},
      {u"/em", kTagItalic, u"italic", true},
      {u"strike", kTagStrikeout, u"strikeout", false},
      {u"middle", kTagVCenter, u"vcenter", false},
      {u"\n", kTagBreak, u"", false},
      {u"/br", kTagBreak, u"", true},
      {u"h3", kTagStyleSheet, u"h3", false},
      {u"a", kTagLink, u"link", false},
      {u"B", 0, u"unchanged", false},
      {u"/table", 0, u"unchanged", true},
  };
  for (const auto& c : cases) {
    std::u16string tag = c.tag, style = u"unchanged";
    bool closing = !c.closing;
    EXPECT_EQ(d.LookupTag(tag, style, closing), c.id) << Narrow(c.tag);
    EXPECT_EQ(style, c.style) << Narrow(c.tag);
    EXPECT_EQ(closing, c.closing) << Narrow(c.tag);
  }
  std::set<std::u16string_view> names;
  for (const HtmlTagRow& row : kHtmlTags) names.insert(row.name);
  EXPECT_EQ(names.size(), 40u);
}

TEST(HtmlVocabulary, ColourNamesHoldTheTellingRowsAndTheSystemColours) {
  HtmlSystemColors system = ClassicSystemColors();
  system[kSysInfoBk] = 0x00123456;
  CPPHtmlDrawer d(system);
  const struct {
    std::u16string name;
    ColorRef colour;
  } cases[] = {
      {u"aqua", 0x00FFFF00},
      {u"brown", 0x002A2AA5},
      {u"gold", 0x0000D7FF},
      {u"orange", 0x0000A5FF},
      {u"green", 0x00008000},
      {u"lime", 0x0000FF00},
      {u"darkseagreen", 0x008BBC8F},
      {u"lightgrey", 0x00D3D3D3},
      {u"yellowgreen", 0x0032CD9A},
      {u"infobackground", 0x00123456},
      {u"buttonshadow", 0x00808080},
      {u"lightgray", 7},
      {u"grey", 7},
      {u"Red", 7},
  };
  for (const auto& c : cases) EXPECT_EQ(d.GetColorByName(c.name, 7), c.colour) << Narrow(c.name);
  std::set<std::u16string_view> names;
  for (const auto& row : kHtmlNamedColors) names.insert(row.name);
  for (const auto& row : kHtmlSystemColorNames) names.insert(row.name);
  EXPECT_EQ(names.size(), 168u);
  EXPECT_EQ(d.GetDisabledColor(), 0x00808080u);
}

TEST(HtmlVocabulary, PreparedTextReplacesEntitiesInKeyOrder) {
  CPPHtmlDrawer d;
  EXPECT_EQ(d.PrepareText(u"&amp;lt; &copy;&nbsp;&trade;\r\na\tb"), u"<< \u00A9 \u2122<br>a<t>b");
  d.SetTagsForNewLine(false);
  EXPECT_EQ(d.PrepareText(u"a\r\n\tb &quot;&gt;"), u"ab \">");
}

TEST(HtmlVocabulary, DefaultStyleSheetAppliesToStyles) {
  CPPHtmlDrawer d;
  HtmlStyle h2;
  d.ApplyCssStyle(u"h2", h2);
  EXPECT_EQ(h2.size, 17);  // 13pt at 96 dots per inch
  EXPECT_EQ(h2.color, 0x000099FFu);
  EXPECT_EQ(h2.weight, 700);
  HtmlStyle pre;
  d.ApplyCssStyle(u"pre", pre);
  EXPECT_EQ(pre.face, u"courier");  // declarations are lower-cased whole
  EXPECT_EQ(pre.bkMode, 2);
  EXPECT_EQ(pre.bkColor, 0x00BBEDFBu);
  HtmlStyle comment;
  d.ApplyCssStyle(u".CPP-Comment", comment);
  EXPECT_EQ(comment.italic, 1);
  EXPECT_EQ(comment.color, 0x00008000u);
}

TEST(HtmlVocabulary, StyleSheetSelectorsAndDeclarations) {
  CPPHtmlDrawer d;
  const std::u16string sheet = u"h1,h2 {color:red} X{font-size:3} empty {} broken {color:blue";
  d.ParseStyleSheet(&sheet);
  EXPECT_TRUE(d.GetCssStyle(u"h1,h2"));
  EXPECT_FALSE(d.GetCssStyle(u"h1"));
  EXPECT_EQ(d.GetCssStyle(u"x"), u"font-size:3");
  EXPECT_FALSE(d.GetCssStyle(u"empty"));
  EXPECT_FALSE(d.GetCssStyle(u"broken"));
  EXPECT_FALSE(d.GetCssStyle(u"body"));  // a new sheet replaces the old one
  d.ParseStyleSheet(nullptr);
  EXPECT_TRUE(d.GetCssStyle(u"body"));

  const struct {
    std::u16string declarations;
    std::u16string what;
    int value;
  } cases[] = {
      {u"color: red ;", u"color", 0},  // the trailing space keeps the colour
      {u"color:RED", u"color", 0xFF},
      {u"background-color: transparent", u"bkMode", 1},
      {u"background-color:#000001", u"bkMode", 2},
      {u"border-style: dotted", u"borderWidth", 1},
      {u"border-width: 0; border-style:solid", u"borderStyle", 1},
      {u"border-width: 0", u"borderStyle", 0},
      {u"font-size: +2", u"size", 10},
      {u"font-size: 150%", u"size", 24},
      {u"text-decoration: underline overline", u"overline", 1},
      {u"unknown: 5; margin: 4px", u"margin", 4},
  };
  for (const auto& c : cases) {
    HtmlStyle s;
    d.ParseCssDeclarations(c.declarations, s);
    const int got = c.what == u"color"         ? static_cast<int>(s.color)
                    : c.what == u"bkMode"      ? s.bkMode
                    : c.what == u"borderWidth" ? s.borderWidth
                    : c.what == u"borderStyle" ? s.borderStyle
                    : c.what == u"size"        ? s.size
                    : c.what == u"overline"    ? s.overline
                                               : s.margin;
    EXPECT_EQ(got, c.value) << Narrow(c.declarations);
  }
  HtmlStyle disabled;
  d.SetEnabled(false);
  d.ParseCssDeclarations(u"color:red; background-color:red", disabled);
  EXPECT_EQ(disabled.color, d.GetDisabledColor());
  EXPECT_EQ(disabled.bkMode, 1);
}

TEST(HtmlVocabulary, StyleStackPairsByNameAndIgnoresStrayClosingTags) {
  CPPHtmlDrawer d;
  d.CurrentStyle().name = u"italic";
  d.CurrentStyle().italic = 0;
  EXPECT_TRUE(d.StoreRestoreStyle(false));
  d.CurrentStyle().italic = 1;
  d.CurrentStyle().name = u"bold";
  EXPECT_FALSE(d.StoreRestoreStyle(true));  // no "bold" on the stack
  EXPECT_EQ(d.CurrentStyle().italic, 1);
  EXPECT_TRUE(d.CurrentStyle().name.empty());
  d.CurrentStyle().name = u"italic";
  EXPECT_TRUE(d.StoreRestoreStyle(true));
  EXPECT_EQ(d.CurrentStyle().italic, 0);
  EXPECT_EQ(d.StyleDepth(), 0u);
}

TEST(HtmlVocabulary, ResourceStringsComeOnlyFromTheTable) {
  CPPHtmlDrawer d;
  EXPECT_EQ(d.LoadResourceString(5, u""), u"");
  HtmlResourceTable table;
  table.AddString(u"", 5, u"one\ntwo");
  table.AddString(u"styles.dll", 9, u"b {color:red}");
  d.SetResources(&table);
  EXPECT_EQ(d.LoadResourceString(5, u""), u"one\ntwo");
  EXPECT_EQ(d.LoadResourceString(5, u"other.dll"), u"");
  EXPECT_EQ(d.GetResourceStringLine(5, 1), u"two");
  EXPECT_EQ(d.GetResourceStringLine(5, 2), u"");
  d.SetCssStylesFromResource(9, u"styles.dll");
  EXPECT_TRUE(d.GetCssStyle(u"b"));
  d.SetCssStylesFromResource(9, u"missing.dll");
  EXPECT_FALSE(d.GetCssStyle(u"b"));
}

}  // namespace
