#include "unreferenced/HtmlTokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RunCase {
  std::u16string text;
  std::u16string run;
  std::u16string tag;
  std::size_t pos;  // position after the read
};

TEST(HtmlTokenizer, TextRunsStopAtTagsAndKeepEscapedLessThanSigns) {
  const RunCase cases[] = {
      {u"", u"", u"", 0},
      {u"abc", u"abc", u"", 3},
      {u"ab<b>c", u"ab", u"b", 5},
      {u"a<<b", u"a<", u"", 3},  // a doubled "<" is one literal "<"
      {u"a<", u"a<", u"", 2},    // a lone "<" at the end is drawn
      {u"a<>b", u"a", u"", 2},   // "<>" is no tag; the position moves by one
      {u"a<b", u"a", u"", 2},    // never closed
      {u"<font color=red>x", u"", u"font color=red", 16},
  };
  for (const RunCase& c : cases) {
    std::size_t pos = 0;
    std::u16string tag = u"stale";
    EXPECT_EQ(ReadTextRun(c.text, pos, tag), c.run) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(tag, c.tag);
    EXPECT_EQ(pos, c.pos);
  }
}

TEST(HtmlTokenizer, TagNamesSplitFromTheirAttributes) {
  const struct {
    std::u16string tag, name, attributes;
  } cases[] = {
      {u"b", u"b", u""},
      {u"font  color=red size=2", u"font", u"color=red size=2"},
      {u"br=3", u"br", u"=3"},
      {u"/a", u"/a", u""},
  };
  for (const auto& c : cases) {
    std::u16string tag = c.tag;
    EXPECT_EQ(SplitTagName(tag), c.attributes);
    EXPECT_EQ(tag, c.name);
  }
}

TEST(HtmlTokenizer, AttributesReadQuotedUnquotedAndBareValues) {
  const std::u16string text = u"idres=5 file='a b.bmp' title=\"x y\" cx=16, mask  ==  0xff bare";
  std::size_t pos = 0;
  std::u16string name;
  const std::pair<std::u16string, std::u16string> expected[] = {
      {u"idres", u"5"}, {u"file", u"a b.bmp"}, {u"title", u"x y"},
      {u"cx", u"16,"},  {u"mask", u"0xff"},    {u"bare", u""}};
  for (const auto& [n, v] : expected) {
    EXPECT_EQ(NextAttribute(text, pos, name), v);
    EXPECT_EQ(name, n);
  }
  EXPECT_EQ(pos, text.size());
}

TEST(HtmlTokenizer, PropertyValuesKeepTrailingSpacesAndNeedAClosingQuote) {
  const struct {
    std::u16string text, value;
    std::size_t pos;
  } cases[] = {
      {u": red ;x", u"red ", 6}, {u":  \"Courier\"; y", u"Courier", 12},
      {u": \"open", u"", 2},     {u" nothing", u"", 1},
      {u":tail", u"tail", 5},
  };
  for (const auto& c : cases) {
    std::size_t pos = 0;
    EXPECT_EQ(ReadPropertyValue(c.text, pos, u':', u";"), c.value);
    EXPECT_EQ(pos, c.pos);
  }
}

TEST(HtmlTokenizer, ScannersStopAtTheEnd) {
  std::size_t pos = 0;
  EXPECT_FALSE(SkipToToken(u"  ;;", pos));
  EXPECT_EQ(pos, 4u);
  pos = 0;
  EXPECT_FALSE(SkipToToken(u" +", pos));
  pos = 0;
  EXPECT_TRUE(SkipToToken(u" +", pos, true));
  EXPECT_EQ(pos, 1u);
  pos = 0;
  EXPECT_EQ(FindDelimiter(u"abc", pos, u"{"), 0);
  EXPECT_EQ(pos, 3u);
  pos = 0;
  EXPECT_EQ(SkipChars(u"   x", pos, u" "), u'x');
  pos = 0;
  EXPECT_FALSE(ExpectChar(u"  ", pos, u':'));
  pos = 0;
  EXPECT_EQ(ReadWord(u"  width=5", pos), u"width");
  pos = 1;
  EXPECT_EQ(ReadWordAfterSpaces(u"x  word rest", pos), u"word");
}

}  // namespace
