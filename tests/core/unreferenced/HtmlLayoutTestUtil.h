// Helpers of the markup layout tests: a text measurer with every character 10 pixels wide and
// lines 10 high (ascent 8, descent 2) whatever the font, and a drawer that measures and draws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "unreferenced/HtmlDrawer.h"

class FixedWidthMeasurer final : public HtmlTextMeasurer {
 public:
  void SelectFont(const HtmlStyle&) override {}
  HtmlExtent TextExtent(std::u16string_view text) override {
    return {static_cast<int>(text.size()) * 10, 10};
  }
  HtmlTextMetrics Metrics() override { return {10, 8, 2}; }
  int DotsPerInchY() override { return 96; }
};

inline std::string Narrow(std::u16string_view s) {
  return std::string(s.begin(), s.end());
}

// "text@x,y" per text item.
inline std::vector<std::string> Texts(const HtmlDisplayList& list) {
  std::vector<std::string> out;
  for (const HtmlDrawItem& item : list)
    if (item.kind == HtmlDrawItem::Kind::Text)
      out.push_back(Narrow(item.text) + "@" + std::to_string(item.x) + "," +
                    std::to_string(item.y));
  return out;
}

struct MarkupLayout {
  CPPHtmlDrawer drawer;
  FixedWidthMeasurer measurer;
  HtmlExtent size;
  HtmlDisplayList Run(std::u16string_view markup, int maxWidth = 0, int drawWidth = -1) {
    drawer.SetMaxWidth(maxWidth);
    size = drawer.PrepareToDraw(measurer, markup);
    const int width = drawWidth < 0 ? size.cx : drawWidth;
    return drawer.DrawPrepared(measurer, {0, 0, width, size.cy});
  }
};
