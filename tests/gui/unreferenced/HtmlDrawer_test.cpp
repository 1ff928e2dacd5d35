// The markup drawer replayed on a device context: text in its colours on the background, and a
// window of markup shown on screen (a screenshot in the build tree).
#include <gtest/gtest.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include "tests/gui/ToolkitTestUtil.h"
#include "unreferenced/HtmlDrawer.h"
#include "unreferenced/wx/HtmlDcRenderer.h"

namespace {

const std::u16string kMarkup =
    u"<h2>Recovered files</h2><br>"
    u"<b>Bold</b>, <i>italic</i>, <u>underlined</u> and <font color=red>red</font> text.<br>"
    u"<justify>A justified paragraph wraps inside the rectangle it is given, sharing the spare "
    u"width of each wrapped line among its spaces.</justify><br>"
    u"<hr width=80% size=2 color=gray><br>"
    u"Tab<t>stop &bull; <a href=\"https://example.org/\">a link</a> &copy; 2024";

int CountNear(const wxImage& image, const wxColour& colour, int tolerance) {
  int count = 0;
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x)
      if (std::abs(image.GetRed(x, y) - colour.Red()) <= tolerance &&
          std::abs(image.GetGreen(x, y) - colour.Green()) <= tolerance &&
          std::abs(image.GetBlue(x, y) - colour.Blue()) <= tolerance)
        ++count;
  return count;
}

TEST(HtmlDrawer, MarkupReplayedOnADeviceContext) {
  wxBitmap bitmap(300, 200, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  CPPHtmlDrawer drawer;
  WxHtmlMeasurer measurer(dc);
  CPPDrawManager dm;
  drawer.SetMaxWidth(280);
  const HtmlExtent size = drawer.PrepareToDraw(measurer, kMarkup);
  ASSERT_GT(size.cx, 100);
  ASSERT_LE(size.cx, 281);
  ASSERT_GT(size.cy, 40);
  ReplayHtml(dc, drawer.DrawPrepared(measurer, {10, 10, 290, 10 + size.cy}), dm);
  dc.SelectObject(wxNullBitmap);
  const wxImage image = bitmap.ConvertToImage();
  EXPECT_GT(CountNear(image, *wxRED, 40), 5);                 // the red word
  EXPECT_GT(CountNear(image, wxColour(0, 0, 255), 40), 5);    // the link
  EXPECT_GT(CountNear(image, wxColour(255, 153, 0), 40), 5);  // the h2 colour
  EXPECT_EQ(image.GetRed(295, 195), 255);                     // background untouched
  EXPECT_EQ(drawer.LinkAreas().size(), 1u);
}

TEST(HtmlDrawer, MarkupWindowScreenshot) {
  wxInitAllImageHandlers();
  auto* frame = new wxFrame(nullptr, wxID_ANY, "markup", wxPoint(40, 40), wxSize(460, 260));
  frame->SetBackgroundColour(*wxWHITE);
  CPPHtmlDrawer drawer;
  CPPDrawManager dm;
  frame->Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
    wxPaintDC dc(frame);
    WxHtmlMeasurer measurer(dc);
    const int width = frame->GetClientSize().x - 20;
    drawer.SetMaxWidth(width);
    const HtmlExtent size = drawer.PrepareToDraw(measurer, kMarkup);
    ReplayHtml(dc, drawer.DrawPrepared(measurer, {10, 10, 10 + width, 10 + size.cy}), dm);
  });
  frame->Show();
  guitest::Pump();
  guitest::Shot("markup_drawer");
  EXPECT_FALSE(drawer.LinkAreas().empty());
  frame->Destroy();
  guitest::Pump(3);
}

}  // namespace
