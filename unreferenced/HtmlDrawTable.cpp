// Tables of the markup drawer. The measuring pass counts the grid, measures every cell and works
// out column widths and row heights; drawing passes take that layout back, stretch it to the
// width they are given and place backgrounds, frames and cell contents.
#include <algorithm>

#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlNumbers.h"
#include "unreferenced/HtmlTokenizer.h"

namespace {

// The attribute text of the tag at the start of text; pos ends past it.
std::u16string OwnTagAttributes(std::u16string_view text, std::size_t& pos) {
  std::u16string tag;
  pos = 0;
  ReadTextRun(text, pos, tag);
  return SplitTagName(tag);
}

// Calls f(index, text) for each tag called name outside nested tables, the text running from
// its "<" to where end(text, position) says it ends.
template <typename End, typename F>
void ForEachPart(std::u16string_view text, std::u16string_view name, End end, F f) {
  std::size_t pos = 1;  // past the enclosing tag's own "<"
  for (int index = 0; FindTagOutsideTables(text, pos, name); ++index) {
    const std::size_t stop = end(text, pos);
    if (!f(index, text.substr(pos, stop - pos))) return;
    pos = stop;
  }
}

HtmlRect Shrink(const HtmlRect& r, int by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

HtmlDrawItem BoxItem(HtmlDrawItem::Kind kind, const HtmlRect& rect) {
  HtmlDrawItem item;
  item.kind = kind;
  item.x = rect.left;
  item.y = rect.top;
  item.width = rect.right - rect.left;
  item.height = rect.bottom - rect.top;
  return item;
}

}  // namespace

CPPHtmlDrawer::TableSize CPPHtmlDrawer::CountTableCells(std::u16string_view table) const {
  TableSize size;
  ForEachPart(table, u"tr", FindRowEnd, [&](int, std::u16string_view row) {
    int columns = 0;
    ForEachPart(row, u"td", FindCellEnd, [&](int, std::u16string_view cell) {
      std::size_t pos = 0;
      HtmlStyle scratch;
      const HtmlSpans spans = ParseTableAttributes(OwnTagAttributes(cell, pos), scratch, false);
      columns =
          std::min(columns + std::clamp(spans.colspan, 1, kMaxTableColumns), kMaxTableColumns);
      return true;
    });
    size.columns = std::max(size.columns, columns);
    ++size.rows;
    return true;
  });
  return size;
}

void CPPHtmlDrawer::OpenTableStyle(std::u16string_view name, std::u16string_view text, bool isTable,
                                   HtmlSpans* spans) {
  m_Style.name = name;
  StoreRestoreStyle(false);
  ApplyCssStyle(name, m_Style);
  std::size_t pos = 0;
  const std::u16string attributes = OwnTagAttributes(text, pos);
  if (!isTable) m_Style.width = m_Style.height = 0;
  const HtmlSpans parsed = ParseTableAttributes(attributes, m_Style, isTable);
  if (spans != nullptr) *spans = parsed;
  SelectStyleFont();
}

void CPPHtmlDrawer::CloseTableStyle(std::u16string_view name, std::size_t depth) {
  // Markup left open inside the part is dropped with it.
  if (m_StyleStack.size() > depth + 1) m_StyleStack.resize(depth + 1);
  m_Style.name = name;
  if (StoreRestoreStyle(true)) SelectStyleFont();
}

HtmlExtent CPPHtmlDrawer::DrawTextAndTables(std::u16string_view text, HtmlRect rect) {
  HtmlExtent size;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t table = pos;
    const bool found = FindTag(text, table, u"table");
    HtmlExtent part;
    if (table > pos) {
      part = DrawHtml(text.substr(pos, table - pos), rect);
      size.cx = std::max(size.cx, part.cx);
      size.cy = SaturateInt32(std::int64_t{size.cy} + part.cy);
      if (!m_Measuring) rect.top = SaturateInt32(std::int64_t{rect.top} + part.cy);
    }
    if (!found) break;
    const std::size_t end = FindTableEnd(text, table);
    part = DrawTable(text.substr(table, end - table), rect);
    size.cx = std::max(size.cx, part.cx);
    size.cy = SaturateInt32(std::int64_t{size.cy} + part.cy);
    if (!m_Measuring) rect.top = SaturateInt32(std::int64_t{rect.top} + part.cy);
    // Past the closing tag, however it is written.
    pos = end;
    if (pos < text.size()) ReadTagText(text, pos);
  }
  return size;
}

HtmlExtent CPPHtmlDrawer::DrawTable(std::u16string_view text, const HtmlRect& rect) {
  if (m_TableDepth >= kMaxTableDepth) return {};
  const int index = ++m_TableCounter;
  if (m_Measuring) {
    const TableSize counted = CountTableCells(text);
    m_Tables.emplace_back(counted.columns, counted.rows);
  }
  if (index >= static_cast<int>(m_Tables.size())) return {};
  HtmlTableLayout layout = m_Tables[index];
  if (layout.columns == 0 || layout.rows == 0) return {};
  ++m_TableDepth;
  const std::size_t depth = m_StyleStack.size();
  OpenTableStyle(u"table", text, true, nullptr);
  const HtmlStyle& s = m_Style;
  const int spacing = s.padding;
  const bool doubleBorder = s.borderStyle == kLineDouble;
  const int border = doubleBorder ? 3 : s.borderWidth;
  const int borders = doubleBorder ? 6 : SaturateInt32(std::int64_t{s.borderWidth} * 2);

  HtmlRect inner;
  HtmlRect table;
  if (!m_Measuring) {
    const int available = rect.right - rect.left;
    int width = SaturateInt32(std::int64_t{TableExtent(layout.columnWidths, spacing)} + borders);
    if (width < available) {
      ShareSpareWidth(layout.columnWidths, layout.fixed, available - width);
      width = SaturateInt32(std::int64_t{TableExtent(layout.columnWidths, spacing)} + borders);
    }
    const int height =
        SaturateInt32(std::int64_t{TableExtent(layout.rowHeights, spacing)} + borders);
    int left = rect.left;
    if (width < available && s.align == 1) left += (available - width) / 2;
    if (width < available && s.align == 2) left += available - width;
    table = {left, rect.top, SaturateInt32(std::int64_t{left} + width),
             SaturateInt32(std::int64_t{rect.top} + height)};
    if (s.bkEffect >= 0)
      AddFill(table, s.bkEffect, s.bkColor, s.bkMidColor, s.bkEndColor);
    else if (!s.bkImage.empty())
      DrawCellBackgroundImage(table, s.bkImage);
    if (s.borderWidth > 0)
      AddFrame(table, s.borderLight, s.borderDark, s.borderStyle, s.borderWidth);
    inner = Shrink(table, border);
  }

  ForEachPart(text, u"tr", FindRowEnd, [&](int row, std::u16string_view rowText) {
    if (row >= layout.rows) return false;
    ProcessRow(rowText, inner, layout, row);
    return true;
  });

  HtmlExtent size;
  if (m_Measuring) {
    layout.ComputeColumnWidths();
    layout.ComputeRowHeights();
    size = {SaturateInt32(std::int64_t{TableExtent(layout.columnWidths, spacing)} + borders),
            SaturateInt32(std::int64_t{TableExtent(layout.rowHeights, spacing)} + borders)};
    // Drawing passes stretch their own copy: the measured layout stays as it is.
    m_Tables[index] = std::move(layout);
  } else {
    size = {table.right - table.left, table.bottom - table.top};
  }
  CloseTableStyle(u"table", depth);
  --m_TableDepth;
  return size;
}

void CPPHtmlDrawer::ProcessRow(std::u16string_view text, const HtmlRect& inner,
                               HtmlTableLayout& layout, int row) {
  const std::size_t depth = m_StyleStack.size();
  OpenTableStyle(u"tr", text, false, nullptr);
  const int spacing = m_Style.padding;
  // Offset of a column or row: spacing, then each earlier one with its spacing and one pixel.
  const auto offset = [spacing](const std::vector<int>& sizes, int index) {
    std::int64_t at = spacing;
    for (int i = 0; i < index; ++i) at += std::int64_t{spacing} + sizes[i] + 1;
    return at;
  };
  const auto extent = [spacing](const std::vector<int>& sizes, int first, int span) {
    std::int64_t sum = (std::int64_t{span} - 1) * (std::int64_t{spacing} + 1);
    for (int i = first; i < first + span; ++i) sum += sizes[i];
    return sum;
  };
  int column = 0;
  ForEachPart(text, u"td", FindCellEnd, [&](int, std::u16string_view cellText) {
    while (column < layout.columns && layout.Covered(row, column)) ++column;
    // A cell pushed past the grid by spanning cells is not laid out.
    if (column >= layout.columns) return false;
    HtmlTableCell& cell = layout.Cell(row, column);
    HtmlRect rect;
    if (!m_Measuring) {
      const int colspan = std::clamp(cell.colspan, 1, layout.columns - column);
      const int rowspan = std::clamp(cell.rowspan, 1, layout.rows - row);
      const std::int64_t left = inner.left + offset(layout.columnWidths, column);
      const std::int64_t top = inner.top + offset(layout.rowHeights, row);
      rect = {SaturateInt32(left), SaturateInt32(top),
              SaturateInt32(left + extent(layout.columnWidths, column, colspan)),
              SaturateInt32(top + extent(layout.rowHeights, row, rowspan))};
    }
    ProcessCell(cellText, rect, cell);
    if (m_Measuring) {
      cell.colspan = std::clamp(cell.colspan, 1, layout.columns - column);
      cell.rowspan = std::clamp(cell.rowspan, 1, layout.rows - row);
      layout.Cover(row, column, cell.colspan, cell.rowspan);
    }
    column += std::max(cell.colspan, 1);
    return true;
  });
  CloseTableStyle(u"tr", depth);
}

void CPPHtmlDrawer::ProcessCell(std::u16string_view text, const HtmlRect& rect,
                                HtmlTableCell& cell) {
  const std::size_t depth = m_StyleStack.size();
  HtmlSpans spans;
  OpenTableStyle(u"td", text, false, &spans);
  const HtmlStyle& s = m_Style;
  const int border = s.borderWidth > 0 ? 1 : 0;
  const int inset = SaturateInt32(std::int64_t{s.margin} + border);
  // The content may leave the style changed: the cell's own sizes are read now.
  const int styleWidth = s.width;
  const int styleHeight = s.height;
  HtmlRect content;
  if (m_Measuring) {
    cell = {spans.colspan, spans.rowspan, s.width, 0, 0, 0, s.width > 0 ? 1 : 0};
    content = {rect.left, rect.top, SaturateInt32(std::int64_t{rect.left} + s.width), rect.bottom};
  } else {
    if (s.bkEffect >= 0) AddFill(rect, s.bkEffect, s.bkColor, s.bkMidColor, s.bkEndColor);
    if (border > 0) AddFrame(rect, s.borderDark, s.borderLight, s.borderStyle, 1);
    content = Shrink(rect, inset);
    if (s.valign == 1)
      content.top += (content.bottom - cell.contentHeight - content.top) / 2;
    else if (s.valign == 2)
      content.top = content.bottom - cell.contentHeight;
  }
  std::size_t start = 0;
  OwnTagAttributes(text, start);
  const HtmlExtent size = DrawTextAndTables(text.substr(start), content);
  if (m_Measuring) {
    cell.contentWidth = std::max(cell.contentWidth, size.cx);
    cell.contentHeight = size.cy;
    cell.minWidth = SaturateInt32(std::int64_t{std::max(styleWidth, cell.contentWidth)} +
                                  2 * std::int64_t{inset});
    cell.minHeight = SaturateInt32(std::int64_t{std::max(styleHeight, cell.contentHeight)} +
                                   2 * std::int64_t{inset});
  }
  CloseTableStyle(u"td", depth);
}

void CPPHtmlDrawer::DrawCellBackgroundImage(const HtmlRect& rect, std::u16string_view image) {
  if (!m_Enabled || image.size() <= 5 || m_Resources == nullptr) return;
  std::size_t pos = 0;
  FindDelimiter(image, pos, u" :");
  const std::u16string_view name = image.substr(0, pos);
  const std::u16string value = ReadPropertyValue(image, pos, u':', u";");
  const PixelSurface* bitmap = nullptr;
  if (name == u"idres")
    bitmap = m_Resources->Bitmap(u"", LeadingInt(value));
  else if (name == u"iddll")
    bitmap = m_Resources->Bitmap(m_ResourceLibrary, LeadingInt(value));
  else if (name == u"file")
    bitmap = m_Resources->BitmapFile(value);
  if (bitmap == nullptr || bitmap->IsEmpty()) return;
  HtmlDrawItem item = BoxItem(HtmlDrawItem::Kind::Tile, rect);
  item.bitmap = bitmap;
  m_List->push_back(item);
}

void CPPHtmlDrawer::AddFill(const HtmlRect& rect, int effect, ColorRef colour, ColorRef middle,
                            ColorRef end) {
  HtmlDrawItem item = BoxItem(HtmlDrawItem::Kind::Fill, rect);
  item.effect = effect;
  item.colour = colour;
  item.colour2 = middle;
  item.colour3 = end;
  m_List->push_back(item);
}

void CPPHtmlDrawer::AddFrame(const HtmlRect& rect, ColorRef first, ColorRef second, int style,
                             int width) {
  HtmlDrawItem item = BoxItem(HtmlDrawItem::Kind::Frame, rect);
  item.colour = m_Enabled ? first : m_DisabledColor;
  item.colour2 = m_Enabled ? second : m_DisabledColor;
  item.lineStyle = style;
  item.lineWidth = width;
  m_List->push_back(item);
}
