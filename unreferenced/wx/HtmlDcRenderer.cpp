#include "unreferenced/wx/HtmlDcRenderer.h"

#include <wx/pen.h>

#include <algorithm>

#include "unreferenced/wx/SurfaceBitmap.h"

namespace {

wxString ToWx(std::u16string_view text) {
  std::wstring wide;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    wide += static_cast<wchar_t>(c);
  }
  return wxString(wide);
}

wxColour ToColour(ColorRef c) {
  return wxColour(ColorRefRed(c), ColorRefGreen(c), ColorRefBlue(c));
}

void DrawText(wxDC& dc, const HtmlDrawItem& item) {
  dc.SetFont(HtmlStyleFont(item.style));
  dc.SetTextForeground(ToColour(item.style.color));
  dc.SetTextBackground(ToColour(item.style.bkColor));
  dc.SetBackgroundMode(item.style.bkMode == 2 ? wxBRUSHSTYLE_SOLID : wxBRUSHSTYLE_TRANSPARENT);
  const int spaces = static_cast<int>(std::count(item.text.begin(), item.text.end(), u' '));
  if (item.justifyExtra <= 0 || spaces == 0) {
    dc.DrawText(ToWx(item.text), item.x, item.y);
    return;
  }
  // Justified: word by word, the spare pixels shared among the spaces.
  int x = item.x;
  int extra = item.justifyExtra;
  int left = spaces;
  std::size_t start = 0;
  while (start <= item.text.size()) {
    std::size_t end = item.text.find(u' ', start);
    if (end == std::u16string::npos) end = item.text.size();
    const wxString word = ToWx(std::u16string_view(item.text).substr(start, end - start));
    dc.DrawText(word, x, item.y);
    x += dc.GetTextExtent(word).x;
    if (end == item.text.size()) break;
    const int share = extra / left;
    x += dc.GetTextExtent(" ").x + share;
    extra -= share;
    --left;
    start = end + 1;
  }
}

void DrawPicture(wxDC& dc, const HtmlDrawItem& item, CPPDrawManager& dm) {
  const int width = item.width + (item.shadow ? std::max(item.shadowDx, 0) : 0);
  const int height = item.height + (item.shadow ? std::max(item.shadowDy, 0) : 0);
  if (width <= 0 || height <= 0) return;
  PixelSurface area = SurfaceFromDC(dc, item.x, item.y, width, height);
  if (item.kind == HtmlDrawItem::Kind::Bitmap) {
    dm.DrawBitmap(area, 0, 0, item.width, item.height, item.bitmap, item.useMask, item.maskColour,
                  item.flags, item.shadow, item.shadowDx, item.shadowDy, item.blurX, item.blurY,
                  item.shadowColour);
  } else if (item.kind == HtmlDrawItem::Kind::Icon) {
    dm.DrawIcon(area, 0, 0, item.width, item.height, item.icon, item.flags, item.shadow,
                item.shadowDx, item.shadowDy, item.blurX, item.blurY, item.shadowColour);
  } else {
    dm.DrawImageList(area, 0, 0, item.width, item.height, item.bitmap, item.frame, item.cellWidth,
                     item.cellHeight, item.useMask, item.maskColour, item.flags, item.shadow,
                     item.shadowDx, item.shadowDy, item.blurX, item.blurY, item.shadowColour);
  }
  dc.DrawBitmap(SurfaceToBitmap(area), item.x, item.y);
}

}  // namespace

wxFont HtmlStyleFont(const HtmlStyle& style) {
  wxFontInfo info(wxSize(0, std::clamp(style.size < 0 ? -style.size : style.size, 1, 1000)));
  info.FaceName(ToWx(style.face))
      .Italic(style.italic != 0)
      .Underlined(style.underline != 0)
      .Strikethrough(style.strikeout != 0);
  wxFont font(info);
  font.SetNumericWeight(std::clamp(style.weight, 1, 1000));
  return font;
}

void WxHtmlMeasurer::SelectFont(const HtmlStyle& style) {
  m_Dc.SetFont(HtmlStyleFont(style));
}

HtmlExtent WxHtmlMeasurer::TextExtent(std::u16string_view text) {
  const wxSize size = m_Dc.GetTextExtent(ToWx(text));
  return {size.x, size.y};
}

HtmlTextMetrics WxHtmlMeasurer::Metrics() {
  const wxFontMetrics m = m_Dc.GetFontMetrics();
  return {m.height, m.ascent, m.descent};
}

int WxHtmlMeasurer::DotsPerInchY() {
  const int dpi = m_Dc.GetPPI().y;
  return dpi > 0 ? dpi : 96;
}

void ReplayHtml(wxDC& dc, const HtmlDisplayList& list, CPPDrawManager& drawManager) {
  for (const HtmlDrawItem& item : list) {
    switch (item.kind) {
      case HtmlDrawItem::Kind::Text:
        DrawText(dc, item);
        break;
      case HtmlDrawItem::Kind::Line:
        if (item.width > 0 && item.lineWidth > 0) {
          dc.SetPen(wxPen(ToColour(item.colour), item.lineWidth));
          dc.DrawLine(item.x, item.y, item.x + item.width, item.y);
        }
        break;
      case HtmlDrawItem::Kind::Fill:
      case HtmlDrawItem::Kind::Frame:
      case HtmlDrawItem::Kind::Tile: {
        if (item.width <= 0 || item.height <= 0) break;
        // A frame's right and bottom lines lie on the box's right and bottom edges, one pixel
        // past its last column and row.
        const int grow = item.kind == HtmlDrawItem::Kind::Frame ? 1 : 0;
        PixelSurface area =
            SurfaceFromDC(dc, item.x, item.y, item.width + grow, item.height + grow);
        const SurfaceRect rect{0, 0, item.width, item.height};
        if (item.kind == HtmlDrawItem::Kind::Fill)
          drawManager.FillEffect(area, item.effect, rect, item.colour, item.colour2, item.colour3);
        else if (item.kind == HtmlDrawItem::Kind::Tile)
          drawManager.TileBitmap(area, 0, 0, item.width, item.height, *item.bitmap, 0, 0,
                                 item.bitmap->Width(), item.bitmap->Height());
        else
          drawManager.DrawRectangle(area, rect, item.colour, item.colour2, item.lineStyle,
                                    item.lineWidth);
        dc.DrawBitmap(SurfaceToBitmap(area), item.x, item.y);
        break;
      }
      default:
        DrawPicture(dc, item, drawManager);
        break;
    }
  }
}
