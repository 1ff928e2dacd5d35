#include "unreferenced/BCMenuPainter.h"

#include <algorithm>

namespace {

int Margin() {
  return BCMenu::IsFlatDrawMode() && g_MenuShadedImages ? 7 : 4;
}

void Fill(PixelSurface& dc, const SurfaceRect& rect, ColorRef colour) {
  dc.FillRect(rect, OpaquePixel(colour));
}

void Frame(PixelSurface& dc, const SurfaceRect& r, ColorRef topLeft, ColorRef bottomRight) {
  if (r.IsEmpty()) return;
  Fill(dc, {r.left, r.top, r.right, r.top + 1}, topLeft);
  Fill(dc, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
  Fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  Fill(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void Frame(PixelSurface& dc, const SurfaceRect& r, ColorRef colour) {
  Frame(dc, r, colour, colour);
}

// An etched line along the top of the rectangle.
void EtchedTop(PixelSurface& dc, const SurfaceRect& r, const MenuSysColours& c) {
  Fill(dc, {r.left, r.top, r.right, r.top + 1}, c.btnShadow);
  Fill(dc, {r.left, r.top + 1, r.right, r.top + 2}, c.btnHighlight);
}

// The item's image, when it has one: its own list, or its slot of the shared list.
struct ItemImage {
  const MenuImageList* own = nullptr;
  const PixelSurface* image = nullptr;
  const PixelSurface* faded = nullptr;
  const PixelSurface* shadow = nullptr;
};

ItemImage FindImage(const BCMenuData& record, bool flat) {
  ItemImage found;
  const SharedMenuImages& shared = GetMenuGlobals().imageList;
  const int s = record.sharedImageIndex;
  if (record.imageResourceId < 0 && s >= 0 && (!flat || record.imageIndex < 0)) {
    if (static_cast<std::size_t>(s) < shared.images.size()) {
      found.image = &shared.images[s];
      if (CanDraw3DImageList(shared, s)) {
        found.faded = &shared.images[s + 1];
        found.shadow = &shared.images[s + 2];
      }
    }
  } else if (record.imageResourceId >= 0 && record.ownImages) {
    found.image = record.ownImages->Image(std::max(record.imageIndex, 0));
    if (record.imageIndex == 0 && record.ownImages->Count() > 2) {
      found.faded = record.ownImages->Image(1);
      found.shadow = record.ownImages->Image(2);
    }
  }
  return found;
}

void DrawImage(PixelSurface& dc, const PixelSurface& image, int x, int y) {
  for (int row = 0; row < image.Height(); ++row)
    for (int col = 0; col < image.Width(); ++col)
      if (image.GetPixel(col, row) >> 24) dc.SetPixel(x + col, y + row, image.GetPixel(col, row));
}

// A checked item without an image shows the menu's check-mark image when it has one for the
// item's state.
bool HasCheckBitmap(const BCMenu& menu, const ItemImage& image, unsigned state) {
  if (!(state & ODS_CHECKED) || image.image) return false;
  return ((state & ODS_SELECTED) && menu.CheckedSelectedId() > 0) || menu.CheckedId() > 0;
}

// The image rendered on the button face, drawn disabled in the menu's style on the background.
void DrawDisabled(PixelSurface& dc, const BCMenu& menu, const PixelSurface& image, int x, int y,
                  ColorRef background) {
  const MenuSysColours& c = GetMenuGlobals().colours;
  const PixelSurface rendered = ImageOnBackground(image, c.btnFace);
  const auto draw = menu.GetDisableOldStyle() ? DrawDisabledMono : DrawDisabledEmbossed;
  draw(dc, x, y, rendered.Width(), rendered.Height(), rendered, 0, 0, background, c);
}

// The label before the first tab and the accelerator after the last.
void DrawTexts(PixelSurface& dc, MenuTextDrawer& drawer, const std::u16string& text,
               SurfaceRect rect, int iconWidth, ColorRef colour) {
  std::size_t tab = text.find(u'\t');
  if (tab == std::u16string::npos) {
    drawer.DrawMenuText(dc, text, rect, colour, false);
    return;
  }
  rect.right -= iconWidth;
  drawer.DrawMenuText(dc, std::u16string_view(text).substr(0, tab), rect, colour, false);
  drawer.DrawMenuText(dc, std::u16string_view(text).substr(text.rfind(u'\t') + 1), rect, colour,
                      true);
}

void DrawClassic(PixelSurface& dc, const BCMenu& menu, const BCMenuData& record,
                 MenuItemPaint paint, MenuTextDrawer& drawer) {
  const MenuSysColours& c = GetMenuGlobals().colours;
  const ColorRef b = BCMenu::UseFlatStyle() ? c.btnFace : c.menu;
  const SurfaceRect r = paint.rect;
  const int iw = menu.IconWidth(), ih = menu.IconHeight();
  if ((paint.state & ODS_GRAYED) && g_MenuSelectDisabledClassic == 0) paint.state &= ~ODS_SELECTED;
  const bool selected = paint.state & ODS_SELECTED;
  const bool grayed = paint.state & ODS_GRAYED;
  const bool checked = paint.state & ODS_CHECKED;
  if (record.flags & MF_SEPARATOR) {
    Fill(dc, r, b);
    EtchedTop(dc, {r.left, r.top + r.Height() / 2, r.right, r.bottom}, c);
    return;
  }
  const ItemImage image = FindImage(record, false);
  const bool hasImage = image.image != nullptr;
  ColorRef textColour = c.menuText;
  if (!selected) {
    Fill(dc, r, b);
  } else {
    SurfaceRect high = r;
    if (hasImage || checked) high.left += iw + 5;
    Fill(dc, high, c.highlight);
    textColour = c.highlightText;
  }
  const int dy = std::max(0, (r.Height() - ih - 4) / 2);
  const SurfaceRect cellA{r.left + 1, r.top + dy + 1, r.left + iw + 3, r.top + dy + ih + 3};
  const SurfaceRect cellB{r.left, r.top + dy, r.left + iw + 4, r.top + dy + ih + 4};
  const int ix = r.left + 2, iy = r.top + dy + 2;
  if (HasCheckBitmap(menu, image, paint.state)) {
    Frame(dc, cellA, b);
    if (const MenuImageList* marks = menu.CheckmarkImages()) {
      Fill(dc, cellA, b);
      Frame(dc, cellB, b);
      DrawListImage(dc, *marks, selected ? 1 : 0, ix, iy);
    }
  } else if (hasImage) {
    Frame(dc, cellA, b);
    if (grayed) {
      Frame(dc, cellB, b);
      DrawDisabled(dc, menu, *image.image, ix, iy, b);
    } else if (selected) {
      Fill(dc, cellA, b);
      if (BCMenu::IsNewShell()) {
        if (checked)
          Frame(dc, cellB, c.btnShadow, c.btnHighlight);
        else
          Frame(dc, cellB, c.btnHighlight, c.btnShadow);
      }
      DrawImage(dc, *image.image, ix, iy);
    } else if (checked) {
      Fill(dc, cellA, LightenColor(b, 0.6));
      if (BCMenu::IsNewShell()) Frame(dc, cellB, c.btnShadow, c.btnHighlight);
      DrawImage(dc, *image.image, ix, iy);
    } else {
      Fill(dc, cellA, b);
      Frame(dc, cellB, b);
      DrawImage(dc, *image.image, ix, iy);
    }
  } else if (checked) {
    const SurfaceRect cell{r.left + 1, r.top + dy + 2, r.left + iw + 1, r.top + dy + 2 + ih};
    const ColorRef face = BCMenu::UseFlatStyle() ? c.btnFace : c.menu;
    Fill(dc, cell, selected ? face : LightenColor(face, 0.6));
    if (BCMenu::IsNewShell()) Frame(dc, cell, c.btnShadow, c.btnHighlight);
    if (paint.radio)
      DrawRadioDot(dc, cell.left + 5, cell.top + 4, c.menuText);
    else
      DrawCheckMark(dc, cell.left + 4, cell.top + 4, c.menuText);
  }
  if (record.Text().empty()) return;
  const SurfaceRect textRect{r.left + iw + 9, r.top - 1, r.right, r.bottom - 1};
  if (grayed && !selected) {
    DrawTexts(dc, drawer, record.Text(),
              {textRect.left + 1, textRect.top + 1, textRect.right + 1, textRect.bottom + 1}, iw,
              c.btnHighlight);
    DrawTexts(dc, drawer, record.Text(), textRect, iw, c.grayText);
  } else {
    DrawTexts(dc, drawer, record.Text(), textRect, iw, grayed ? b : textColour);
  }
}

int HalfUp(int value) {
  return std::max(0, (value + 1) / 2);
}

void DrawFlat(PixelSurface& dc, const BCMenu& menu, const BCMenuData& record, MenuItemPaint paint,
              MenuTextDrawer& drawer) {
  const MenuSysColours& c = GetMenuGlobals().colours;
  const bool flatStyle = BCMenu::UseFlatStyle();
  const ColorRef k = flatStyle ? c.btnFace : LightenColor(c.btnFace, 0.25);
  const ColorRef w = c.window, h = c.highlight;
  const ColorRef f = LightenColor(h, flatStyle ? 0.7 : 0.85);
  const SurfaceRect r = paint.rect;
  const int iw = menu.IconWidth(), ih = menu.IconHeight();
  const int W = iw + Margin();
  if (paint.state & ODS_GRAYED) paint.state &= ~ODS_SELECTED;
  const bool selected = paint.state & ODS_SELECTED;
  const bool grayed = paint.state & ODS_GRAYED;
  const bool checked = paint.state & ODS_CHECKED;
  const SurfaceRect bar{r.left, r.top, r.left + W, r.bottom};
  if (record.flags & MF_SEPARATOR) {
    Fill(dc, r, w);
    EtchedTop(dc, {bar.right + Margin(), r.top + r.Height() / 2, r.right, r.bottom}, c);
    Fill(dc, bar, k);
    return;
  }
  if (!selected) {
    Fill(dc, r, w);
    Fill(dc, bar, k);
  } else {
    Fill(dc, r, f);
    Frame(dc, r, h);
  }
  const ItemImage image = FindImage(record, true);
  const int x = r.left + HalfUp(W - iw), y = r.top + HalfUp(r.Height() - ih);
  const SurfaceRect cell{r.left + 1, r.top + 1, r.left + W - 1, r.bottom - 1};
  if (HasCheckBitmap(menu, image, paint.state)) {
    if (const MenuImageList* marks = menu.CheckmarkImages()) {
      Fill(dc, cell, k);
      DrawListImage(dc, *marks, selected ? 1 : 0, x, y);
    }
  } else if (image.image) {
    if (grayed) {
      DrawDisabled(dc, menu, *image.image, x, y, k);
    } else if (selected) {
      Fill(dc, cell, f);
      if (checked) {
        Frame(dc, cell, h);
        DrawImage(dc, *image.image, x - 1, y - 1);
      } else if (image.shadow) {
        DrawImage(dc, *image.shadow, x + 1, y + 1);
        DrawImage(dc, *image.image, x - 1, y - 1);
      } else {
        DrawImage(dc, *image.image, x, y);
      }
    } else if (checked) {
      Fill(dc, cell, LightenColor(h, 0.85));
      Frame(dc, cell, h);
      DrawImage(dc, *image.image, x - 1, y - 1);
    } else {
      Fill(dc, cell, k);
      Frame(dc, cell, k);
      DrawImage(dc, image.faded ? *image.faded : *image.image, x, y);
    }
  } else if (checked) {
    const SurfaceRect check{r.left + HalfUp(W - 16), r.top + HalfUp(r.Height() - 16),
                            r.left + HalfUp(W - 16) + 16, r.top + HalfUp(r.Height() - 16) + 16};
    Fill(dc, check, LightenColor(h, 0.85));
    Frame(dc, check, h);
    if (paint.radio)
      DrawRadioDot(dc, check.left + 5, check.top + 4, c.menuText);
    else
      DrawCheckMark(dc, check.left + 5, check.top + 4, c.menuText);
  }
  if (record.Text().empty()) return;
  ColorRef textColour = c.menuText;
  if (grayed) textColour = flatStyle ? c.grayText : LightenColor(c.grayText, 0.4);
  DrawTexts(dc, drawer, record.Text(), {r.left + W + 8, r.top - 1, r.right, r.bottom - 1}, iw,
            textColour);
}

}  // namespace

MenuItemSize MeasureMenuItem(const BCMenu& menu, const BCMenuData& record) {
  const int margin = Margin();
  if (record.flags & MF_SEPARATOR)
    return {0, std::max((menu.IconHeight() + margin) / 2, kMenuLineHeight / 2)};
  const int textWidth = menu.Native().MenuTextWidth(record.Text());
  MenuItemSize size;
  size.width = BCMenu::IsFlatDrawMode() ? textWidth + menu.IconWidth() + margin + 8
                                        : textWidth + 2 * menu.IconWidth() + 1;
  size.height = std::max(kMenuLineHeight, menu.IconHeight() + margin);
  return size;
}

void DrawMenuItem(PixelSurface& dc, const BCMenu& menu, const BCMenuData& record,
                  const MenuItemPaint& paint, MenuTextDrawer& text) {
  if (paint.paletteDisplay || BCMenu::GetMenuDrawMode() != 1)
    DrawClassic(dc, menu, record, paint, text);
  else
    DrawFlat(dc, menu, record, paint, text);
}

void DrawCheckMark(PixelSurface& dc, int x, int y, ColorRef colour) {
  static constexpr int kStrokes[7][2] = {{2, 5}, {3, 6}, {4, 7}, {3, 6}, {2, 5}, {1, 4}, {0, 3}};
  for (int n = 0; n < 7; ++n)
    dc.FillRect({x + n, y + kStrokes[n][0], x + n + 1, y + kStrokes[n][1]}, OpaquePixel(colour));
}

void DrawRadioDot(PixelSurface& dc, int x, int y, ColorRef colour) {
  // The disc inside a 6 x 6 box.
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 6; ++col) {
      const double dx = col - 2.5, dy = row - 2.5;
      if (dx * dx + dy * dy <= 7.0) dc.SetPixel(x + col, y + row, OpaquePixel(colour));
    }
}
