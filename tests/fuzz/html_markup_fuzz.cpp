// Fuzzes the markup readers and the layout: the input, read as UTF-16 text, is walked run by run
// and tag by tag as the drawer walks it, every attribute and value parser reads it, and the
// drawer measures it and draws it into a narrower rectangle. Each walk must end with its
// position inside the text, every pass must end, and table cells must span only their grid.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/HtmlTokenizer.h"
#include "unreferenced/HtmlValueParser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class FuzzParser : public HtmlValueParser {
 public:
  FuzzParser() { m_ColorNames[u"red"] = 0xFF; }
};

class FixedWidthMeasurer final : public HtmlTextMeasurer {
 public:
  void SelectFont(const HtmlStyle& style) override { m_Size = style.size & 0xF; }
  HtmlExtent TextExtent(std::u16string_view text) override {
    return {static_cast<int>(text.size()) * (m_Size + 1), m_Size + 2};
  }
  HtmlTextMetrics Metrics() override { return {m_Size + 2, m_Size + 1, 1}; }
  int DotsPerInchY() override { return 96; }

 private:
  int m_Size = 8;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2)
    text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  if (size % 2) text += static_cast<char16_t>(data[size - 1]);

  FuzzParser parser;
  size_t pos = 0;
  size_t steps = 0;
  while (pos < text.size()) {
    const size_t before = pos;
    std::u16string tag;
    ReadTextRun(text, pos, tag);
    Check(pos <= text.size() && pos > before);
    std::u16string attributes = SplitTagName(tag);
    HtmlImageAttributes image;
    parser.ParseImageAttributes(attributes, image);
    HtmlStyle style;
    parser.ParseTableAttributes(attributes, style, (steps & 1) != 0);
    Check(++steps <= text.size());
  }
  HtmlStyle style;
  parser.ParseLength(text, 16, true);
  parser.ParseColor(text, 0);
  parser.ParseBorderWidth(text, 3);
  parser.ParseBackgroundEffect(text, 0);
  HtmlValueParser::ParseTextDecoration(text, style);
  HtmlValueParser::ParseStyleLetters(text, style);
  pos = 0;
  while (pos < text.size()) {
    const size_t before = pos;
    ReadPropertyValue(text, pos, u':', u";");
    ReadWord(text, pos);
    Check(pos <= text.size());
    if (pos == before) ++pos;
  }
  if (text.size() > 4096) return 0;
  HtmlResourceTable table;
  table.AddBitmap(u"", 5, PixelSurface(20, 10));
  table.AddBitmapHandle(64, PixelSurface(40, 10));
  CPPHtmlDrawer drawer;
  drawer.SetResources(&table);
  FixedWidthMeasurer measurer;
  drawer.SetMaxWidth(size > 0 ? data[0] % 64 : 0);
  const HtmlExtent extent = drawer.PrepareToDraw(measurer, text);
  // Every table's cells keep inside its grid.
  for (const HtmlTableLayout& t : drawer.Tables()) {
    Check(t.grid.size() == static_cast<size_t>(t.columns) * t.rows);
    for (int r = 0; r < t.rows; ++r)
      for (int c = 0; c < t.columns; ++c) {
        const HtmlTableCell& cell = t.grid[static_cast<size_t>(r) * t.columns + c];
        if (cell.colspan > 0) Check(c + cell.colspan <= t.columns && r + cell.rowspan <= t.rows);
      }
  }
  drawer.DrawPrepared(measurer, {0, 0, extent.cx / 2, extent.cy});
  drawer.AnimationTick();
  drawer.DrawPrepared(measurer, {0, 0, extent.cx, extent.cy});
  return 0;
}
