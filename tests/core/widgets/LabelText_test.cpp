#include "widgets/LabelText.h"

#include <gtest/gtest.h>

#include "widgets/LookGlobals.h"

namespace {

// One unit per character.
int Chars(std::string_view s) {
  return static_cast<int>(s.size());
}

TEST(LabelText, LeftLabelsWrapAtWordsAndNoWrapLabelsDoNot) {
  const std::string text = "Error found while reading sector. This may be due to bad sectors.";
  const auto wrapped =
      LayoutLabelLines(text, ChooseLabelFormat(LabelAlign::Left, false, text), 20, Chars);
  ASSERT_EQ(wrapped.size(), 4u);
  EXPECT_EQ(wrapped[0], "Error found while");
  for (const auto& line : wrapped) EXPECT_LE(line.size(), 20u);
  const auto single =
      LayoutLabelLines(text, ChooseLabelFormat(LabelAlign::LeftNoWrap, false, text), 20, Chars);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0], text);
}

TEST(LabelText, CenterImageIsSingleLineUnlessTheTextBreaks) {
  const auto one = ChooseLabelFormat(LabelAlign::Left, true, "Drive Information");
  EXPECT_TRUE(one.singleLine);
  EXPECT_TRUE(one.verticalCenter);
  EXPECT_EQ(one.horizontal, LabelTextFormat::kCenter);
  const auto two = ChooseLabelFormat(LabelAlign::Left, true, "first\r\nsecond");
  EXPECT_FALSE(two.singleLine);
  EXPECT_FALSE(two.verticalCenter);
  EXPECT_EQ(two.horizontal, LabelTextFormat::kCenter);
  EXPECT_EQ(LayoutLabelLines("first\r\nsecond", two, 100, Chars).size(), 2u);
}

TEST(LabelText, TabsExpandAndLongWordsStayWhole) {
  const auto f = ChooseLabelFormat(LabelAlign::Left, false, "a\tb");
  EXPECT_TRUE(f.expandTabs);
  EXPECT_EQ(LayoutLabelLines("a\tb", f, 100, Chars)[0], "a       b");
  const auto lines = LayoutLabelLines("x averyveryverylongword y",
                                      ChooseLabelFormat(LabelAlign::Left, false, ""), 6, Chars);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "averyveryverylongword");
  EXPECT_EQ(LayoutLabelLines("", f, 10, Chars).size(), 1u);
}

TEST(LabelText, MnemonicsAreNotDrawn) {
  EXPECT_EQ(StripMnemonics("Retry &All"), "Retry All");
  EXPECT_EQ(StripMnemonics("S&kip All"), "Skip All");
  EXPECT_EQ(StripMnemonics("Save && Exit"), "Save & Exit");
}

TEST(LookGlobals, BitmapNamesJoinTheFolderWithOneSlash) {
  EXPECT_EQ(BitmapPath("/usr/share/softdovrane/merrowind", "\\ok.bmp"),
            "/usr/share/softdovrane/merrowind/ok.bmp");
  EXPECT_EQ(BitmapPath("/data/", "\\ok.bmp"), "/data/ok.bmp");
  EXPECT_EQ(BitmapPath("/data", "ok.bmp"), "/data/ok.bmp");
}

}  // namespace
