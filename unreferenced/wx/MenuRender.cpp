#include "unreferenced/wx/MenuRender.h"

#include <wx/dcmemory.h>
#include <wx/settings.h>

#include <algorithm>
#include <vector>

#include "unreferenced/wx/SurfaceBitmap.h"
#include "unreferenced/wx/WxText.h"

namespace {

constexpr int kMenuCheckColumn = 14;

// Texts are kept while the pixels are painted and drawn over them afterwards.
class DeferredTexts : public MenuTextDrawer {
 public:
  struct Text {
    std::u16string text;
    SurfaceRect rect;
    ColorRef colour;
    bool right;
  };
  void DrawMenuText(PixelSurface&, std::u16string_view text, const SurfaceRect& rect,
                    ColorRef colour, bool alignRight) override {
    texts.push_back({std::u16string(text), rect, colour, alignRight});
  }
  std::vector<Text> texts;
};

}  // namespace

wxBitmap RenderMenuItems(const BCMenu& menu, std::span<const unsigned> states) {
  BCMenu& items = const_cast<BCMenu&>(menu);
  int width = 0, height = 0;
  std::vector<MenuItemSize> sizes;
  for (int i = 0; i < items.RecordCount(); ++i) {
    sizes.push_back(MeasureMenuItem(menu, *items.Record(i)));
    // The system widens owner-drawn items by its check-mark column.
    width = std::max(width, sizes.back().width + kMenuCheckColumn);
    height += sizes.back().height;
  }
  if (width <= 0 || height <= 0) return wxBitmap();
  PixelSurface surface(width, height);
  DeferredTexts texts;
  int top = 0;
  for (int i = 0; i < items.RecordCount(); ++i) {
    MenuItemPaint paint;
    paint.rect = {0, top, width, top + sizes[i].height};
    paint.state = static_cast<std::size_t>(i) < states.size() ? states[i] : 0;
    DrawMenuItem(surface, menu, *items.Record(i), paint, texts);
    top += sizes[i].height;
  }
  wxBitmap bitmap = SurfaceToBitmap(surface);
  wxMemoryDC dc(bitmap);
  dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  for (const DeferredTexts::Text& t : texts.texts) {
    dc.SetTextForeground(
        wxColour(ColorRefRed(t.colour), ColorRefGreen(t.colour), ColorRefBlue(t.colour)));
    const wxRect rect(t.rect.left, t.rect.top, t.rect.Width(), t.rect.Height());
    // The mnemonic's ampersand marks the key with an underline, as menus show it.
    std::u16string shown;
    const int key = MenuLabelMnemonic(t.text, shown);
    dc.DrawLabel(ToWxString(shown), rect,
                 wxALIGN_CENTER_VERTICAL | (t.right ? wxALIGN_RIGHT : wxALIGN_LEFT), key);
  }
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}
