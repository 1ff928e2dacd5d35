#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FakeShellLauncher.h"
#include "tests/core/unreferenced/HtmlLayoutTestUtil.h"

namespace {

TEST(HtmlLayout, LinesBreakAtBreakCharactersAndCutLongWords) {
  const struct {
    std::u16string markup;
    int maxWidth;
    std::vector<std::string> texts;
    int width, height;
  } cases[] = {
      {u"abc", 0, {"abc@0,0"}, 31, 11},
      {u"aaa bbb ccc", 0, {"aaa bbb ccc@0,0"}, 111, 11},
      {u"aaa bbb ccc", 50, {"aaa@0,0", "bbb@0,10", "ccc@0,20"}, 31, 31},
      {u"abcdefgh", 50, {"abcde@0,0", "fgh@0,10"}, 51, 21},  // cut inside the word
      {u"ab abcdefgh", 50, {"ab@0,0", "abcde@0,10", "fgh@0,20"}, 51, 31},
      {u"a<<b", 0, {"a<@0,0", "b@20,0"}, 31, 11},
      {u"x<", 0, {"x<@0,0"}, 21, 11},
      {u"&amp;lt;", 0, {"<@0,0"}, 11, 11},
      {u"", 0, {}, 0, 0},
  };
  for (const auto& c : cases) {
    MarkupLayout l;
    const HtmlDisplayList list = l.Run(c.markup, c.maxWidth);
    EXPECT_EQ(Texts(list), c.texts) << Narrow(c.markup);
    EXPECT_EQ(l.size.cx, c.width) << Narrow(c.markup);
    EXPECT_EQ(l.size.cy, c.height) << Narrow(c.markup);
  }
}

TEST(HtmlLayout, NarrowerDrawingRectanglesAndTinyWidthsEnd) {
  MarkupLayout l;
  // Measured 50 wide, drawn into 20 and into 0: every pass ends, lines past the measured ones
  // take default records.
  l.Run(u"<center>aaaa bbbb cccc dddd</center>", 50, 20);
  l.Run(u"<right>aaaa bbbb</right>", 50, 0);
  const HtmlDisplayList list = l.Run(u"abc", 1);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a@0,0", "b@0,10", "c@0,20"}));
  const HtmlDisplayList spaces = l.Run(u"     ", 20);
  EXPECT_LE(spaces.size(), 5u);
}

TEST(HtmlLayout, JustifiedWrappedLinesShareTheSpareWidthAmongSpaces) {
  MarkupLayout l;
  l.drawer.SetMaxWidth(90);
  l.size = l.drawer.PrepareToDraw(l.measurer, u"<justify>aa bb cc dd</justify>");
  const HtmlDisplayList list = l.drawer.DrawPrepared(l.measurer, {0, 0, 90, l.size.cy});
  ASSERT_EQ(Texts(list), (std::vector<std::string>{"aa bb cc@0,0", "dd@0,10"}));
  EXPECT_EQ(list[0].justifyExtra, 10);
  EXPECT_EQ(list[0].width, 90);
  EXPECT_EQ(list[1].justifyExtra, 0);  // the last line is not stretched
  const HtmlDisplayList centred = l.Run(u"<center>ab</center><br><right>c</right>", 0, 60);
  EXPECT_EQ(Texts(centred), (std::vector<std::string>{"ab@20,0", "c@50,10"}));
}

TEST(HtmlLayout, BreaksAndTabStops) {
  const struct {
    std::u16string markup;
    std::vector<std::string> texts;
  } cases[] = {
      {u"a<br=3>b", {"a@0,0", "b@0,30"}},
      {u"a</br>b", {"a@0,0", "b@0,10"}},
      {u"a\nb", {"a@0,0", "b@0,10"}},
      {u"a<t=2>b", {"a@0,0", "b@64,0"}},
      {u"<t>b", {"b@32,0"}},
      {u"a\tb", {"a@0,0", "b@32,0"}},
  };
  for (const auto& c : cases) {
    MarkupLayout l;
    EXPECT_EQ(Texts(l.Run(c.markup)), c.texts) << Narrow(c.markup);
  }
}

TEST(HtmlLayout, StyleTagsNestAndToggle) {
  MarkupLayout l;
  const HtmlDisplayList list = l.Run(u"<i>a<i>b</i>c</i>d<b>e</b><B>f</em>g<font color=red>h");
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list[0].style.italic, 1);
  EXPECT_EQ(list[1].style.italic, 0);
  EXPECT_EQ(list[2].style.italic, 1);
  EXPECT_EQ(list[3].style.italic, 0);
  EXPECT_EQ(list[4].style.weight, 800);
  EXPECT_EQ(list[5].style.weight, 400);  // "<B>" is no tag
  EXPECT_EQ(list[6].style.italic, 0);    // a stray closing tag changes nothing
  EXPECT_EQ(list[7].style.color, 0x000000FFu);
}

TEST(HtmlLayout, RulesTakeTheirPercentOfTheWidth) {
  MarkupLayout l;
  const HtmlDisplayList list = l.Run(u"abcdefghij<br><hr width=50% size=2>", 0, 100);
  EXPECT_EQ(l.size.cx, 101);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].kind, HtmlDrawItem::Kind::Line);
  EXPECT_EQ(list[1].width, 50);
  EXPECT_EQ(list[1].lineWidth, 2);
  MarkupLayout alone;
  alone.Run(u"<hr width=50%>");
  EXPECT_EQ(alone.size.cx, 3);  // 1 pixel measured, plus half of it rounded up, plus one
}

TEST(HtmlLayout, LinksHoverOpenAndReportMessages) {
  ScopedFakeLauncher launcher;
  MarkupLayout l;
  std::vector<int> repaints;
  std::vector<std::u16string> messages;
  l.drawer.SetCallbackRepaint([&](int link) { repaints.push_back(link); });
  l.drawer.SetCallbackHyperlink([&](const std::u16string& m) { messages.push_back(m); });
  const std::u16string markup =
      u"<a href=\"https://example.org/\">go</a> <a msg=\"m1\">msg</a> "
      u"<a href=\"file:///etc/passwd\">f</a><a href=\"-x http://y\">o</a>";
  HtmlDisplayList list = l.Run(markup);
  ASSERT_EQ(l.drawer.LinkAreas().size(), 4u);
  EXPECT_EQ(list[0].style.underline, 0);
  EXPECT_TRUE(l.drawer.OnSetCursor(5, 5));
  EXPECT_TRUE(l.drawer.OnSetCursor(6, 5));  // the same link: told once
  EXPECT_EQ(repaints, std::vector<int>{0});
  list = l.drawer.DrawPrepared(l.measurer, {0, 0, l.size.cx, l.size.cy});
  EXPECT_EQ(list[0].style.underline, 1);  // the hover style after the repaint
  EXPECT_EQ(l.drawer.LinkAreas().size(), 4u);
  EXPECT_FALSE(l.drawer.OnSetCursor(500, 5));
  EXPECT_EQ(repaints, (std::vector<int>{0, -2}));

  l.drawer.OnLButtonDown(5, 5);
  l.drawer.OnLButtonDown(45, 5);
  l.drawer.OnLButtonDown(75, 5);   // file: is refused
  l.drawer.OnLButtonDown(85, 5);   // not a scheme at all
  l.drawer.OnLButtonDown(300, 5);  // off every link
  EXPECT_EQ(launcher.fake.opened, std::vector<std::string>{"https://example.org/"});
  EXPECT_EQ(messages, std::vector<std::u16string>{u"m1"});
  EXPECT_FALSE(CPPHtmlDrawer::OpenUrl(u"javascript:alert(1)"));
  EXPECT_TRUE(CPPHtmlDrawer::OpenUrl(u"mailto:someone@example.org"));
}

TEST(HtmlLayout, PicturesComeOnlyFromTheResourceTable) {
  HtmlResourceTable table;
  table.AddBitmap(u"", 5, PixelSurface(20, 10, 0x00FF0000));
  table.AddBitmap(u"pics.dll", 3, PixelSurface(8, 8));
  table.AddBitmapHandle(0x40, PixelSurface(40, 10));  // a strip of four 10 x 10 frames
  table.AddString(u"", 7, u"str");
  MarkupLayout l;
  l.drawer.SetResources(&table);
  const HtmlDisplayList list = l.Run(
      u"<bmp idres=5><bmp idres=6><bmp iddll=3 srcdll=evil.dll><bmp iddll=3 srcdll=pics.dll>"
      u"<icon handle=0x99><bmp file=/etc/passwd><ilst index=0 handle=0x40 cx=10, cy=10 speed=2>"
      u"<string idres=7><string idres=8>");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].kind, HtmlDrawItem::Kind::Bitmap);
  EXPECT_EQ(list[0].width, 20);
  EXPECT_EQ(list[1].kind, HtmlDrawItem::Kind::Bitmap);
  EXPECT_EQ(list[1].x, 20);
  EXPECT_EQ(list[2].kind, HtmlDrawItem::Kind::StripFrame);
  EXPECT_EQ(list[2].frame, 0);
  EXPECT_EQ(Narrow(list[3].text), "str");
  EXPECT_FALSE(l.drawer.AnimationTick());
  EXPECT_TRUE(l.drawer.AnimationTick());
  const HtmlDisplayList next = l.drawer.DrawPrepared(l.measurer, {0, 0, l.size.cx, l.size.cy});
  EXPECT_EQ(next[2].frame, 1);
}

}  // namespace
