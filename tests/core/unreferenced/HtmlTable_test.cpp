#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/unreferenced/HtmlLayoutTestUtil.h"

namespace {

using Kind = HtmlDrawItem::Kind;

std::vector<Kind> Kinds(const HtmlDisplayList& list) {
  std::vector<Kind> out;
  for (const HtmlDrawItem& item : list) out.push_back(item.kind);
  return out;
}

// Measures, then draws into a rectangle width pixels wide.
HtmlDisplayList DrawInto(MarkupLayout& l, std::u16string_view markup, int width) {
  l.size = l.drawer.PrepareToDraw(l.measurer, markup);
  return l.drawer.DrawPrepared(l.measurer, {0, 0, width, l.size.cy});
}

TEST(HtmlTable, TagFindersStopAtTheEndOfTheText) {
  const struct {
    std::size_t (*find)(std::u16string_view, std::size_t);
    std::u16string text;
    std::size_t from;
    std::size_t end;
  } cases[] = {
      {FindTableEnd, u"<table></table>", 0, 7},
      {FindTableEnd, u"<table><table></table></table>x", 0, 22},
      {FindTableEnd, u"<table><table></table>", 0, 22},  // the outer one is never closed
      {FindTableEnd, u"<table", 0, 6},
      {FindTableEnd, u"", 5, 0},
      {FindRowEnd, u"<tr><table><tr></tr></table></tr>", 0, 28},
      {FindRowEnd, u"<tr><td>a", 0, 9},
      {FindCellEnd, u"<td><table></td></table></td>", 0, 24},
      {FindCellEnd, u"<td", 0, 3},
      {FindCellEnd, u"<td><table></td>", 0, 16},
  };
  for (const auto& c : cases) EXPECT_EQ(c.find(c.text, c.from), c.end) << Narrow(c.text);

  std::size_t pos = 0;
  EXPECT_FALSE(FindTag(u"<<table", pos, u"table"));  // a literal "<"
  EXPECT_EQ(pos, 7u);
  pos = 10;
  EXPECT_FALSE(FindTag(u"ab", pos, u"tr"));
  EXPECT_EQ(pos, 2u);
  pos = 0;
  EXPECT_TRUE(FindTag(u"a</tr><tr>", pos, u"tr"));
  EXPECT_EQ(pos, 6u);
}

TEST(HtmlTable, CountingLeavesNestedTablesOut) {
  const struct {
    std::u16string table;
    int columns, rows;
  } cases[] = {
      {u"<table><tr><td>a</td><td>b</td></tr><tr><td colspan=3>c</td></tr></table>", 3, 2},
      {u"<table><tr><td><table><tr><td>x</td><td>y</td></tr><tr><td>z</td></tr></table>"
       u"</td></tr></table>",
       1, 1},
      {u"<table><tr><td colspan=0>a</td><td>b</td></tr></table>", 2, 1},
      {u"<table><tr><td colspan=2000000000>a</td><td>b</td></tr></table>", kMaxTableColumns, 1},
      {u"<table><tr><td>a<tr><td>b</table>", 1, 1},
      {u"<table>no rows</table>", 0, 0},
  };
  CPPHtmlDrawer drawer;
  for (const auto& c : cases) {
    const CPPHtmlDrawer::TableSize size = drawer.CountTableCells(c.table);
    EXPECT_EQ(size.columns, c.columns) << Narrow(c.table);
    EXPECT_EQ(size.rows, c.rows) << Narrow(c.table);
  }
}

TEST(HtmlTable, SpareWidthGoesToColumnsWithoutAWidth) {
  MarkupLayout l;
  // Minimum widths 40 and 60 with spacing 2: 2 + 1 + 42 + 62 = 107 measured; drawn 150 wide,
  // the 43 spare pixels go 21 to the first column and 22 to the second.
  HtmlDisplayList list =
      DrawInto(l, u"<table cellspacing=2><tr><td>aaaa</td><td>bbbbbb</td></tr></table>", 150);
  EXPECT_EQ(l.size.cx, 108);
  EXPECT_EQ(l.size.cy, 15);  // 2 + 10 + 2, plus one
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"aaaa@2,2", "bbbbbb@66,2"}));
  EXPECT_EQ(l.drawer.Tables()[0].columnWidths, (std::vector<int>{40, 60}));

  // A cell with a width of its own keeps its column out of the sharing.
  list = DrawInto(l, u"<table><tr><td width=40>a</td><td>b</td></tr></table>", 150);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a@0,0", "b@41,0"}));
  EXPECT_EQ(l.drawer.Tables()[0].fixed, (std::vector<int>{1, 0}));

  // Still narrower when every column is fixed: centred (and its cells inherit the centring).
  list = DrawInto(l, u"<table align=center><tr><td width=40>a</td></tr></table>", 140);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a@65,0"}));
}

TEST(HtmlTable, SpanningCellsShareWhatTheirColumnsMiss) {
  MarkupLayout l;
  l.Run(u"<table><tr><td>a</td><td>b</td><td>c</td></tr><tr><td colspan=3>aaaa</td></tr></table>");
  // 40 over three columns of 10: each grows by 3 and the last by 1 more.
  EXPECT_EQ(l.drawer.Tables()[0].columnWidths, (std::vector<int>{13, 13, 14}));
  l.Run(u"<table><tr><td rowspan=2 height=41>x</td><td>b</td></tr><tr><td>c</td></tr></table>");
  // 41 over two rows of 10: the first row takes the remainder.
  EXPECT_EQ(l.drawer.Tables()[0].rowHeights, (std::vector<int>{21, 20}));
}

TEST(HtmlTable, SpansAreClampedToTheGridAndToAtLeastOne) {
  MarkupLayout l;
  const HtmlDisplayList list = l.Run(
      u"<table><tr><td rowspan=1000>a</td><td colspan=0 rowspan=0>b</td><td>c</td></tr>"
      u"<tr><td colspan=3>d</td></tr></table>");
  ASSERT_EQ(l.drawer.Tables().size(), 1u);
  HtmlTableLayout t = l.drawer.Tables()[0];
  ASSERT_EQ(t.columns, 3);
  ASSERT_EQ(t.rows, 2);
  const struct {
    int row, column, colspan, rowspan;
  } cells[] = {
      {0, 0, 1, 2},    // "a" reaches down to the last row
      {0, 1, 1, 1},    // "b": both spans raised to 1
      {0, 2, 1, 1},    // "c"
      {1, 0, -1, -1},  // under "a"
      {1, 1, 2, 1},    // "d", pushed right by "a", keeps to the last column
      {1, 2, -1, -1},  // under "d"
  };
  for (const auto& c : cells) {
    EXPECT_EQ(t.Cell(c.row, c.column).colspan, c.colspan) << c.row << "," << c.column;
    EXPECT_EQ(t.Cell(c.row, c.column).rowspan, c.rowspan) << c.row << "," << c.column;
  }
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a@0,0", "b@11,0", "c@22,0", "d@11,11"}));
}

TEST(HtmlTable, NestedUnclosedAndStrayTables) {
  const struct {
    std::u16string markup;
    int width;
    std::vector<std::string> texts;
    std::size_t tables;
  } cases[] = {
      // The nested table lies inside the cell's content, below the cell's text.
      {u"<table cellpadding=3><tr><td>x<table><tr><td>yy</td></tr></table></td></tr></table>",
       100,
       {"x@3,3", "yy@6,16"},
       2},
      // An unclosed table runs to the end of the text.
      {u"w<table><tr><td>a</td><td>b", 50, {"w@0,0", "a@0,10", "b@25,10"}, 1},
      {u"<table><tr><td>a</td></tr></table>z", 20, {"a@0,0", "z@0,10"}, 1},
      // A closing tag without an opening one is dropped.
      {u"a</table>b", 20, {"a@0,0", "b@10,0"}, 0},
      {u"<table></table>", 20, {}, 1},
  };
  for (const auto& c : cases) {
    MarkupLayout l;
    EXPECT_EQ(Texts(DrawInto(l, c.markup, c.width)), c.texts) << Narrow(c.markup);
    EXPECT_EQ(l.drawer.Tables().size(), c.tables) << Narrow(c.markup);
  }

  std::u16string deep;
  for (int i = 0; i < 200; ++i) deep += u"<table><tr><td>";
  MarkupLayout l;
  l.Run(deep + u"x");
  EXPECT_EQ(l.drawer.Tables().size(), static_cast<std::size_t>(kMaxTableDepth));
}

TEST(HtmlTable, BackgroundsAndFrames) {
  HtmlResourceTable resources;
  resources.AddBitmap(u"", 5, PixelSurface(4, 4, 0x00FF0000));
  const struct {
    std::u16string markup;
    std::vector<Kind> kinds;
  } cases[] = {
      {u"<table border=1 bgcolor=red><tr><td bgcolor=blue>a</td></tr></table>",
       {Kind::Fill, Kind::Frame, Kind::Fill, Kind::Frame, Kind::Text}},
      // A table's picture is tiled; its cells do not repeat it.
      {u"<table background=\"idres:5\"><tr><td>a</td></tr></table>", {Kind::Tile, Kind::Text}},
      {u"<table background=\"idres:6\"><tr><td>a</td></tr></table>", {Kind::Text}},
      {u"<table background=\"file:/etc/passwd\"><tr><td>a</td></tr></table>", {Kind::Text}},
  };
  for (const auto& c : cases) {
    MarkupLayout l;
    l.drawer.SetResources(&resources);
    EXPECT_EQ(Kinds(DrawInto(l, c.markup, 50)), c.kinds) << Narrow(c.markup);
  }

  MarkupLayout l;
  const HtmlDisplayList list =
      DrawInto(l, u"<table border=2 bgcolor=red><tr><td>aa</td></tr></table>", 60);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list[0].width, 60);
  EXPECT_EQ(list[0].colour, 0x000000FFu);
  EXPECT_EQ(list[1].lineWidth, 2);
  // The frame's 2 pixels and the cell's own 1-pixel frame inset the text.
  EXPECT_EQ(Texts(list).back(), "aa@3,3");

  // A disabled drawer frames in its disabled colour and draws no pictures.
  MarkupLayout off;
  off.drawer.SetResources(&resources);
  off.drawer.SetEnabled(false);
  off.drawer.SetDisabledColor(0x00808080);
  const HtmlDisplayList grey = DrawInto(
      off, u"<table border=1 bordercolor=red background=\"idres:5\"><tr><td>a</td></tr></table>",
      50);
  EXPECT_EQ(Kinds(grey), (std::vector<Kind>{Kind::Frame, Kind::Frame, Kind::Text}));
  EXPECT_EQ(grey[0].colour, 0x00808080u);
  EXPECT_EQ(grey[1].colour2, 0x00808080u);
}

TEST(HtmlTable, CellContentMovesDownByItsVerticalAlignment) {
  MarkupLayout l;
  const HtmlDisplayList list =
      DrawInto(l, u"<table><tr><td height=40 valign=middle>a</td><td>b</td></tr></table>", 21);
  // Middle: (40 - 10) / 2 down; the second cell keeps to the top.
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a@0,15", "b@11,0"}));
}

}  // namespace
