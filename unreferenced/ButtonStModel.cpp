#include "unreferenced/ButtonStModel.h"

#include <algorithm>

#include "unreferenced/DrawManager.h"
#include "unreferenced/MenuImages.h"

ButtonStModel::ButtonStModel() {
  SetDefaultColors(0xF0F0F0, 0x000000);
}

void ButtonStModel::SetDefaultColors(ColorRef face, ColorRef text) {
  for (int i = 0; i < 6; ++i) m_Colours[i] = i % 2 == 0 ? face : text;
}

int ButtonStModel::SetColor(int index, ColorRef colour) {
  if (index < 0 || index > 5) return BTNST_INVALIDINDEX;
  m_Colours[index] = colour;
  return BTNST_OK;
}

int ButtonStModel::GetColor(int index, ColorRef& colour) const {
  if (index < 0 || index > 5) return BTNST_INVALIDINDEX;
  colour = m_Colours[index];
  return BTNST_OK;
}

int ButtonStModel::OffsetColor(int index, int shade) {
  if (index < 0 || index > 5) return BTNST_INVALIDINDEX;
  if (shade < -255 || shade > 255) return BTNST_BADPARAM;
  const ColorRef c = m_Colours[index];
  const int channels[3] = {ColorRefRed(c), ColorRefGreen(c), ColorRefBlue(c)};
  for (int channel : channels)
    shade = shade > 0 ? std::min(shade, 255 - channel) : std::max(shade, -channel);
  m_Colours[index] = MakeColorRef(static_cast<std::uint8_t>(channels[0] + shade),
                                  static_cast<std::uint8_t>(channels[1] + shade),
                                  static_cast<std::uint8_t>(channels[2] + shade));
  return BTNST_OK;
}

int ButtonStModel::SetAlign(int align) {
  if (align < ST_ALIGN_HORIZ || align > ST_ALIGN_OVERLAP) return BTNST_INVALIDALIGN;
  m_Align = align;
  return BTNST_OK;
}

int ButtonStModel::SetPressedStyle(int style) {
  if (style == 0) {
    pressedOffsetX = 1;
    pressedOffsetY = 1;
  } else if (style == 1) {
    pressedOffsetX = 0;
    pressedOffsetY = 2;
  } else {
    return BTNST_INVALIDPRESSEDSTYLE;
  }
  return BTNST_OK;
}

int ButtonStModel::SetSound(const char16_t* name, bool resource, bool onClick, bool async) {
  ButtonSound& sound = onClick ? m_ClickSound : m_HoverSound;
  if (!name) {
    sound = {};
    return BTNST_OK;
  }
  std::u16string_view text(name);
  if (text.size() >= kButtonTextCapacity) return BTNST_BADPARAM;
  sound.name = std::u16string(text);
  sound.flags = SND_NOWAIT | SND_NODEFAULT | (resource ? SND_RESOURCE : SND_FILENAME) |
                (async ? SND_ASYNC : 0);
  return BTNST_OK;
}

int ButtonStModel::SetURL(std::u16string_view link) {
  if (link.size() >= kButtonTextCapacity) return BTNST_BADPARAM;
  m_Link = std::u16string(link);
  return BTNST_OK;
}

bool ButtonStModel::IsPressed(const PaintState& state) const {
  if (checkBox) return state.selected || checked;
  return state.selected || state.menuShowing;
}

bool ButtonStModel::UsesOutImage(const PaintState& state, bool hasOutImage) const {
  if (!hasOutImage) return false;
  const bool pressed = IsPressed(state);
  return (checkBox && !pressed) || (!pressed && !state.hovering);
}

namespace {

// The pixels a pen leaves going from (x0, y0) to (x1, y1), the end point left out; lines are
// horizontal or vertical.
SurfaceRect Stroke(int x0, int y0, int x1, int y1) {
  if (y0 == y1)
    return x1 >= x0 ? SurfaceRect{x0, y0, x1, y0 + 1} : SurfaceRect{x1 + 1, y0, x0 + 1, y0 + 1};
  return y1 >= y0 ? SurfaceRect{x0, y0, x0 + 1, y1} : SurfaceRect{x0, y1 + 1, x0 + 1, y0 + 1};
}

// Top and left in one colour, right and bottom in the other.
void Rect3d(std::vector<ButtonBorderLine>& lines, const SurfaceRect& r, ColorRef topLeft,
            ColorRef bottomRight) {
  lines.push_back({{r.left, r.top, r.right - 1, r.top + 1}, topLeft});
  lines.push_back({{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft});
  lines.push_back({{r.right - 1, r.top, r.right, r.bottom}, bottomRight});
  lines.push_back({{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight});
}

}  // namespace

std::vector<ButtonBorderLine> ButtonStModel::BorderLines(const SurfaceRect& r,
                                                         const PaintState& state,
                                                         const ButtonBorderColours& c) const {
  std::vector<ButtonBorderLine> lines;
  const bool pressed = IsPressed(state);
  if (pressed && flat) {
    if (drawBorder) Rect3d(lines, r, c.shadow, c.highlight);
  } else if (pressed) {
    Rect3d(lines, r, c.shadow, c.shadow);
  } else if (!flat) {
    lines.push_back({Stroke(r.left, r.bottom - 1, r.left, r.top), c.highlight});
    lines.push_back({Stroke(r.left, r.top, r.right, r.top), c.highlight});
    lines.push_back({Stroke(r.left + 1, r.bottom - 1, r.left + 1, r.top + 1), c.light});
    lines.push_back({Stroke(r.left + 1, r.top + 1, r.right, r.top + 1), c.light});
    lines.push_back({Stroke(r.left, r.bottom - 1, r.right - 1, r.bottom - 1), c.darkShadow});
    lines.push_back({Stroke(r.right - 1, r.bottom - 1, r.right - 1, r.top - 1), c.darkShadow});
    lines.push_back({Stroke(r.left + 1, r.bottom - 2, r.right - 2, r.bottom - 2), c.shadow});
    lines.push_back({Stroke(r.right - 2, r.bottom - 2, r.right - 2, r.top), c.shadow});
  } else if (state.hovering && drawBorder) {
    Rect3d(lines, r, c.highlight, c.shadow);
  }
  return lines;
}

ColorRef ButtonStModel::Background(const PaintState& state) const {
  if (state.hovering || IsPressed(state)) return m_Colours[BTNST_COLOR_BK_IN];
  return m_Colours[state.focused ? BTNST_COLOR_BK_FOCUS : BTNST_COLOR_BK_OUT];
}

ColorRef ButtonStModel::TextColour(const PaintState& state) const {
  if (state.hovering || IsPressed(state)) return m_Colours[BTNST_COLOR_FG_IN];
  return m_Colours[state.focused ? BTNST_COLOR_FG_FOCUS : BTNST_COLOR_FG_OUT];
}

SurfaceRect ButtonStModel::PrepareImageRect(bool hasCaption, const SurfaceRect& item,
                                            SurfaceRect& caption, bool pressed, int width,
                                            int height) const {
  SurfaceRect image = item;
  const int centreX = item.left + (item.Width() - width) / 2;
  const int centreY = item.top + (item.Height() - height) / 2;
  switch (m_Align) {
    case ST_ALIGN_HORIZ:
      if (hasCaption) {
        image.left += xMargin;
        caption.left += width + xMargin;
      } else {
        image.left = centreX;
      }
      image.top = centreY;
      break;
    case ST_ALIGN_VERT:
      image.left = centreX;
      if (hasCaption) {
        image.top = yMargin;
        caption.top += height;
      } else {
        image.top = centreY;
      }
      break;
    case ST_ALIGN_HORIZ_RIGHT:
      if (!hasCaption) {
        image.left = centreX;
      } else {
        caption.right -= xMargin + caption.left + width;
        caption.left = xMargin;
        image.left = item.right - xMargin - width;
      }
      image.top = centreY;
      break;
    default:
      break;
  }
  image.right = image.left + width;
  image.bottom = image.top + height;
  if (pressed && !checkBox) {
    image.left += pressedOffsetX;
    image.right += pressedOffsetX;
    image.top += pressedOffsetY;
    image.bottom += pressedOffsetY;
  }
  return image;
}

namespace {

template <typename Map>
PixelSurface MapPixels(const PixelSurface& image, ColorRef transparent, Map map) {
  PixelSurface out = image;
  for (DibPixel& p : out.Pixels()) {
    const ColorRef colour = SwapRedBlue(p) & 0xFFFFFFu;
    if (colour != transparent) p = (p & 0xFF000000u) | SwapRedBlue(map(colour));
  }
  return out;
}

}  // namespace

PixelSurface CreateGrayscaleImage(const PixelSurface& image, ColorRef transparent) {
  return MapPixels(image, transparent, CPPDrawManager::GrayColor);
}

PixelSurface CreateDarkerImage(const PixelSurface& image, ColorRef transparent) {
  return MapPixels(image, transparent, [](ColorRef c) { return DarkenColor(c, 0.25); });
}
