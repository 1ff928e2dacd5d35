// Measuring and painting owner-drawn menu items onto a pixel surface, in the classic raised and
// sunken style or the flat style with an icon bar. Texts go through a drawer the caller gives,
// so the same painter serves a toolkit's fonts and a test's record of what was drawn.
#pragma once

#include <string_view>

#include "unreferenced/BCMenu.h"
#include "unreferenced/MenuImages.h"
#include "unreferenced/PixelSurface.h"

// Item states of a paint.
inline constexpr unsigned ODS_SELECTED = 0x1;
inline constexpr unsigned ODS_GRAYED = 0x2;
inline constexpr unsigned ODS_CHECKED = 0x8;

class MenuTextDrawer {
 public:
  virtual ~MenuTextDrawer() = default;
  // One line, centred vertically in the rectangle, at its left edge or against its right edge.
  virtual void DrawMenuText(PixelSurface& dc, std::u16string_view text, const SurfaceRect& rect,
                            ColorRef colour, bool alignRight) = 0;
};

struct MenuItemSize {
  int width = 0;
  int height = 0;
};

// The height the system gives a menu line.
inline constexpr int kMenuLineHeight = 19;

// The item's size. Its text is always measured in the menu font the item is painted in.
MenuItemSize MeasureMenuItem(const BCMenu& menu, const BCMenuData& record);

struct MenuItemPaint {
  SurfaceRect rect;
  unsigned state = 0;
  // A checked radio item shows a dot instead of a check mark.
  bool radio = false;
  // A display with a palette is always painted in the classic style.
  bool paletteDisplay = false;
};

void DrawMenuItem(PixelSurface& dc, const BCMenu& menu, const BCMenuData& record,
                  const MenuItemPaint& paint, MenuTextDrawer& text);

// The check-mark strokes and radio dot, in the colour, with their top-left corner at (x, y).
void DrawCheckMark(PixelSurface& dc, int x, int y, ColorRef colour);
void DrawRadioDot(PixelSurface& dc, int x, int y, ColorRef colour);
