// The markup drawer on a device context: a text measurer over the context's fonts, and the
// replay of a display list onto the context.
#pragma once

#include <wx/dc.h>
#include <wx/font.h>

#include "unreferenced/DrawManager.h"
#include "unreferenced/HtmlDisplayList.h"
#include "unreferenced/HtmlMeasurer.h"

// The font of a style: its pixel height, weight, slant, underline, strike-out and face.
wxFont HtmlStyleFont(const HtmlStyle& style);

class WxHtmlMeasurer final : public HtmlTextMeasurer {
 public:
  explicit WxHtmlMeasurer(wxDC& dc) : m_Dc(dc) {}
  void SelectFont(const HtmlStyle& style) override;
  HtmlExtent TextExtent(std::u16string_view text) override;
  HtmlTextMetrics Metrics() override;
  int DotsPerInchY() override;

 private:
  wxDC& m_Dc;
};

// Paints every item in order; pictures go through the drawing manager.
void ReplayHtml(wxDC& dc, const HtmlDisplayList& list, CPPDrawManager& drawManager);
