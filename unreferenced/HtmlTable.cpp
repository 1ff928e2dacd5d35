#include "unreferenced/HtmlTable.h"

#include <algorithm>
#include <cstdint>

#include "unreferenced/HtmlNumbers.h"

namespace {

constexpr std::u16string_view kTable = u"table";
constexpr std::u16string_view kTableClose = u"/table";

// For each spanning cell, in order of growing span: sizes[first..first+span) grow to the cell's
// minimum; span 1 simply takes the larger.
template <typename Span, typename Minimum>
void GrowToCells(HtmlTableLayout& t, std::vector<int>& sizes, bool byColumn, Span span,
                 Minimum minimum, bool remainderToLast) {
  struct Placed {
    int span;
    int first;
    std::size_t index;
  };
  std::vector<Placed> cells;
  for (int r = 0; r < t.rows; ++r)
    for (int c = 0; c < t.columns; ++c) {
      const HtmlTableCell& cell = t.Cell(r, c);
      if (span(cell) > 0)
        cells.push_back(
            {span(cell), byColumn ? c : r, static_cast<std::size_t>(r) * t.columns + c});
    }
  std::stable_sort(cells.begin(), cells.end(),
                   [](const Placed& a, const Placed& b) { return a.span < b.span; });
  const int count = static_cast<int>(sizes.size());
  for (const Placed& p : cells) {
    const HtmlTableCell& cell = t.grid[p.index];
    const int last = std::min(p.first + p.span, count);
    if (byColumn && cell.fixed)
      for (int i = p.first; i < last; ++i) t.fixed[i] = 1;
    std::int64_t sum = 0;
    for (int i = p.first; i < last; ++i) sum += sizes[i];
    const std::int64_t missing = minimum(cell) - sum;
    if (missing <= 0 || last <= p.first) continue;
    const int n = last - p.first;
    const int share = static_cast<int>(missing / n);
    for (int i = p.first; i < last; ++i) sizes[i] = SaturateInt32(std::int64_t{sizes[i]} + share);
    const int rest = static_cast<int>(missing - std::int64_t{share} * n);
    int& target = sizes[remainderToLast ? last - 1 : p.first];
    target = SaturateInt32(std::int64_t{target} + rest);
  }
}

}  // namespace

HtmlTableLayout::HtmlTableLayout(int columnCount, int rowCount)
    : columns(std::max(columnCount, 0)),
      rows(std::max(rowCount, 0)),
      grid(static_cast<std::size_t>(columns) * rows),
      columnWidths(columns),
      rowHeights(rows),
      fixed(columns) {}

void HtmlTableLayout::Cover(int row, int column, int colspan, int rowspan) {
  for (int r = row; r < std::min(row + rowspan, rows); ++r)
    for (int c = column; c < std::min(column + colspan, columns); ++c)
      if (r != row || c != column) Cell(r, c) = {-1, -1, 0, 0, 0, 0, 0};
}

void HtmlTableLayout::ComputeColumnWidths() {
  GrowToCells(
      *this, columnWidths, true, [](const HtmlTableCell& c) { return c.colspan; },
      [](const HtmlTableCell& c) { return c.minWidth; }, true);
}

void HtmlTableLayout::ComputeRowHeights() {
  GrowToCells(
      *this, rowHeights, false, [](const HtmlTableCell& c) { return c.rowspan; },
      [](const HtmlTableCell& c) { return c.minHeight; }, false);
}

int TableExtent(const std::vector<int>& sizes, int spacing) {
  std::int64_t extent = std::int64_t{spacing} + static_cast<std::int64_t>(sizes.size()) - 1;
  for (int size : sizes) extent += std::int64_t{size} + spacing;
  return SaturateInt32(extent);
}

void ShareSpareWidth(std::vector<int>& widths, const std::vector<int>& fixed, int spare) {
  int free = static_cast<int>(std::count(fixed.begin(), fixed.end(), 0));
  for (std::size_t i = 0; i < widths.size() && free > 0; ++i) {
    if (fixed[i]) continue;
    const int share = spare / free--;
    widths[i] = SaturateInt32(std::int64_t{widths[i]} + share);
    spare -= share;
  }
}

bool FindTag(std::u16string_view text, std::size_t& pos, std::u16string_view name) {
  for (std::size_t p = text.find(u'<', std::min(pos, text.size())); p != std::u16string_view::npos;
       p = text.find(u'<', p + 1)) {
    if (p > 0 && text[p - 1] == u'<') continue;
    if (text.substr(p + 1, name.size()) == name) {
      pos = p;
      return true;
    }
  }
  pos = text.size();
  return false;
}

std::size_t FindTableEnd(std::u16string_view text, std::size_t pos) {
  std::size_t open = std::min(pos + 1, text.size());
  std::size_t close = open;
  int depth = 1;
  while (true) {
    FindTag(text, open, kTable);
    if (!FindTag(text, close, kTableClose)) return text.size();
    if (open < close) {
      ++depth;
      ++open;
    } else if (--depth == 0) {
      return close;
    } else {
      ++close;
    }
  }
}

bool FindTagOutsideTables(std::u16string_view text, std::size_t& pos, std::u16string_view name) {
  while (true) {
    std::size_t table = pos;
    const bool found = FindTag(text, pos, name);
    if (!FindTag(text, table, kTable) || table > pos) return found;
    // A nested table comes first: look on after its end.
    const std::size_t end = FindTableEnd(text, table);
    if (end >= text.size()) {
      pos = text.size();
      return false;
    }
    pos = end + 1;
  }
}

std::size_t FindRowEnd(std::u16string_view text, std::size_t pos) {
  std::size_t at = std::min(pos + 1, text.size());
  int depth = 1;
  while (true) {
    std::size_t open = at;
    std::size_t close = at;
    FindTagOutsideTables(text, open, u"tr");
    if (!FindTagOutsideTables(text, close, u"/tr")) return text.size();
    if (open < close) {
      ++depth;
      at = open + 1;
    } else if (--depth == 0) {
      return close;
    } else {
      at = close + 1;
    }
  }
}

std::size_t FindCellEnd(std::u16string_view text, std::size_t pos) {
  std::size_t at = std::min(pos + 1, text.size());
  FindTagOutsideTables(text, at, u"/td");
  return at;
}
