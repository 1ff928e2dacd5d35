// The layout of one table of the markup: a grid of cells with their spans and measured sizes,
// and the column widths and row heights worked out from them. The measuring pass fills one per
// table; drawing passes read it back and stretch it to the width they are given.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

struct HtmlTableCell {
  int colspan = 0;  // both -1 when a spanning cell covers this position
  int rowspan = 0;
  int contentWidth = 0;
  int contentHeight = 0;
  int minWidth = 0;
  int minHeight = 0;
  int fixed = 0;  // the cell has a width of its own
};

struct HtmlTableLayout {
  HtmlTableLayout() = default;
  HtmlTableLayout(int columns, int rows);
  HtmlTableCell& Cell(int row, int column) {
    return grid[static_cast<std::size_t>(row) * columns + column];
  }
  bool Covered(int row, int column) const {
    return grid[static_cast<std::size_t>(row) * columns + column].colspan == -1;
  }
  // Marks every position of the cell's rectangle but its own as covered.
  void Cover(int row, int column, int colspan, int rowspan);
  // Columns take at least the minimum widths of their cells, spanning cells share what they
  // miss among their columns (the last one takes the remainder); fixed cells fix their columns.
  void ComputeColumnWidths();
  // Rows likewise from the minimum heights, the remainder going to the first spanned row.
  void ComputeRowHeights();

  int columns = 0;
  int rows = 0;
  std::vector<HtmlTableCell> grid;
  std::vector<int> columnWidths;
  std::vector<int> rowHeights;
  std::vector<int> fixed;  // per column
};

// Spans never reach past the grid and are at least 1; a table has at most this many columns.
constexpr int kMaxTableColumns = 1000;
// Tables nested deeper than this inside cells are left out.
constexpr int kMaxTableDepth = 32;

// Whole-table width or height: spacing, one pixel between neighbours and each size plus spacing.
int TableExtent(const std::vector<int>& sizes, int spacing);
// Shares spare pixels among the columns whose fixed flag is 0, in order, each taking what is
// left divided by the number still to go.
void ShareSpareWidth(std::vector<int>& widths, const std::vector<int>& fixed, int spare);

// Tag finders over markup. Each answers a position inside the text, the text's end when there
// is nothing to find.
// The next "<" followed by name, skipping a "<" written doubled (a literal one).
bool FindTag(std::u16string_view text, std::size_t& pos, std::u16string_view name);
// From a table's "<": the "<" of its matching closing tag; an unclosed table runs to the end.
std::size_t FindTableEnd(std::u16string_view text, std::size_t pos);
// From a row's "<": the "<" of its matching closing tag; nested tables are skipped whole.
std::size_t FindRowEnd(std::u16string_view text, std::size_t pos);
// From a cell's "<": the "<" of the first closing cell tag outside nested tables.
std::size_t FindCellEnd(std::u16string_view text, std::size_t pos);
// The next tag of that name that is not inside a table nested from pos on.
bool FindTagOutsideTables(std::u16string_view text, std::size_t& pos, std::u16string_view name);
