#include "unreferenced/MenuImages.h"

#include <algorithm>

namespace {

std::uint8_t Lighten(std::uint8_t c, double f) {
  return static_cast<std::uint8_t>(c + f * (255 - c));
}

std::uint8_t Darken(std::uint8_t c, double f) {
  return static_cast<std::uint8_t>(c - f * c);
}

bool Opaque(DibPixel p) {
  return (p >> 24) != 0;
}

ColorRef PixelColour(DibPixel p) {
  return SwapRedBlue(p) & 0xFFFFFFu;
}

PixelSurface MapOpaque(const PixelSurface& image, ColorRef (*map)(ColorRef, ColorRef),
                       ColorRef argument) {
  PixelSurface out = image;
  for (DibPixel& p : out.Pixels())
    if (Opaque(p)) p = OpaquePixel(map(PixelColour(p), argument));
  return out;
}

}  // namespace

ColorRef LightenColor(ColorRef colour, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return colour;
  return MakeColorRef(Lighten(ColorRefRed(colour), factor), Lighten(ColorRefGreen(colour), factor),
                      Lighten(ColorRefBlue(colour), factor));
}

ColorRef DarkenColor(ColorRef colour, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return colour;
  return MakeColorRef(Darken(ColorRefRed(colour), factor), Darken(ColorRefGreen(colour), factor),
                      Darken(ColorRefBlue(colour), factor));
}

int MenuImageList::AddMasked(const PixelSurface& bitmap, ColorRef mask) {
  if (m_Width <= 0 || m_Height <= 0 || bitmap.Width() < m_Width) return -1;
  int first = Count();
  const DibPixel key = SwapRedBlue(mask) & 0xFFFFFFu;
  for (int cell = 0; (cell + 1) * m_Width <= bitmap.Width(); ++cell) {
    PixelSurface image(m_Width, m_Height);
    for (int y = 0; y < m_Height; ++y)
      for (int x = 0; x < m_Width; ++x) {
        DibPixel p = bitmap.GetPixel(cell * m_Width + x, y) & 0xFFFFFFu;
        image.SetPixel(x, y, p == key || y >= bitmap.Height() ? 0 : p | 0xFF000000u);
      }
    m_Images.push_back(std::move(image));
  }
  return first;
}

int MenuImageList::Add(const PixelSurface& image) {
  PixelSurface sized(m_Width, m_Height);
  BitBlt(sized, 0, 0, m_Width, m_Height, image, 0, 0);
  m_Images.push_back(std::move(sized));
  return Count() - 1;
}

bool MenuImageList::Replace(int index, const PixelSurface& image) {
  if (index < 0 || index >= Count()) return false;
  m_Images[index] = PixelSurface(m_Width, m_Height);
  BitBlt(m_Images[index], 0, 0, m_Width, m_Height, image, 0, 0);
  return true;
}

bool DrawListImage(PixelSurface& dc, const MenuImageList& list, int index, int x, int y) {
  const PixelSurface* image = list.Image(index);
  if (!image) return false;
  for (int row = 0; row < image->Height(); ++row)
    for (int col = 0; col < image->Width(); ++col) {
      DibPixel p = image->GetPixel(col, row);
      if (Opaque(p)) dc.SetPixel(x + col, y + row, p);
    }
  return true;
}

PixelSurface ImageOnBackground(const PixelSurface& image, ColorRef background) {
  PixelSurface out(image.Width(), image.Height(), OpaquePixel(background));
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (Opaque(image.GetPixel(x, y))) out.SetPixel(x, y, image.GetPixel(x, y));
  return out;
}

PixelSurface MakeFadedImage(const PixelSurface& image) {
  return MapOpaque(
      image, [](ColorRef c, ColorRef) { return LightenColor(c, 0.3); }, 0);
}

PixelSurface MakeShadowImage(const PixelSurface& image, ColorRef shadow) {
  return MapOpaque(
      image, [](ColorRef, ColorRef s) { return s; }, shadow);
}

int GlobalImageListOffset(const SharedMenuImages& shared, int commandId) {
  for (std::size_t i = 0; i < shared.ids.size(); ++i)
    if (shared.ids[i] == commandId) return static_cast<int>(i);
  return -1;
}

bool CanDraw3DImageList(const SharedMenuImages& shared, int slot) {
  if (slot < 0 || static_cast<std::size_t>(slot) + 2 >= shared.ids.size()) return false;
  return shared.ids[slot] == shared.ids[slot + 1] && shared.ids[slot] == shared.ids[slot + 2];
}

int AddToGlobalImageList(SharedMenuImages& shared, const MenuImageList& list, int index,
                         int commandId, bool shaded, ColorRef shadow) {
  const PixelSurface* image = list.Image(index);
  if (!image) return -1;
  const PixelSurface copies[] = {*image, MakeFadedImage(*image), MakeShadowImage(*image, shadow)};
  int slot = GlobalImageListOffset(shared, commandId);
  if (slot >= 0) {
    shared.images[slot] = copies[0];
    if (shaded && CanDraw3DImageList(shared, slot)) {
      shared.images[slot + 1] = copies[1];
      shared.images[slot + 2] = copies[2];
    }
    return slot;
  }
  slot = static_cast<int>(shared.images.size());
  for (int i = 0; i < (shaded ? 3 : 1); ++i) {
    shared.images.push_back(copies[i]);
    shared.ids.push_back(commandId);
  }
  return slot;
}

namespace {

// Whether the hatch style draws its line at the pixel; the pattern starts at the bitmap's
// corner.
bool OnHatch(int style, int x, int y) {
  const bool horizontal = y % 8 == 0, vertical = x % 8 == 0;
  const bool forward = (x - y) % 8 == 0, backward = (x + y) % 8 == 7;
  switch (style) {
    case HS_HORIZONTAL:
      return horizontal;
    case HS_VERTICAL:
      return vertical;
    case HS_FDIAGONAL:
      return forward;
    case HS_BDIAGONAL:
      return backward;
    case HS_CROSS:
      return horizontal || vertical;
    case HS_DIAGCROSS:
      return forward || backward;
    default:
      return true;
  }
}

}  // namespace

PixelSurface MakeColourSwatch(int width, int height, int cellWidth, int cellHeight, ColorRef fill,
                              ColorRef border, ColorRef background, int hatchStyle) {
  PixelSurface cell(cellWidth, cellHeight, OpaquePixel(background));
  SurfaceRect swatch{0, 0, cellWidth, cellHeight};
  if (width != cellWidth || height != cellHeight) {
    swatch.left = (cellWidth - width) / 2;
    swatch.top = (cellHeight - height) / 2;
    swatch.right = swatch.left + width;
    swatch.bottom = swatch.top + height;
  }
  cell.FillRect(swatch, OpaquePixel(border));
  for (int y = std::max(swatch.top + 1, 0); y < swatch.bottom - 1; ++y)
    for (int x = std::max(swatch.left + 1, 0); x < swatch.right - 1; ++x)
      cell.SetPixel(x, y, OpaquePixel(OnHatch(hatchStyle, x, y) ? fill : 0xFFFFFF));
  return cell;
}

namespace {

// The pixels of the bitmap's area that belong to the shape, row by row.
std::vector<bool> ShapeMask(const PixelSurface& bitmap, int sourceX, int sourceY, int width,
                            int height, ColorRef face, const ColorRef* alsoBackground) {
  std::vector<bool> shape(static_cast<std::size_t>(std::max(width, 0)) *
                          static_cast<std::size_t>(std::max(height, 0)));
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const ColorRef p = PixelColour(bitmap.GetPixel(sourceX + col, sourceY + row));
      shape[static_cast<std::size_t>(row) * width + col] =
          p != face && !(alsoBackground && p == *alsoBackground);
    }
  return shape;
}

// Sets the shape's pixels to the colour with the shape's top-left corner at (x, y).
void StampShape(PixelSurface& dc, const std::vector<bool>& shape, int width, int x, int y,
                ColorRef colour) {
  for (std::size_t i = 0; i < shape.size(); ++i)
    if (shape[i])
      dc.SetPixel(x + static_cast<int>(i % width), y + static_cast<int>(i / width),
                  OpaquePixel(colour));
}

}  // namespace

void DrawDisabledEmbossed(PixelSurface& dc, int x, int y, int width, int height,
                          const PixelSurface& bitmap, int sourceX, int sourceY, ColorRef background,
                          const MenuSysColours& colours) {
  if (width <= 0 || height <= 0) return;
  const std::vector<bool> shape =
      ShapeMask(bitmap, sourceX, sourceY, width, height, colours.btnFace, &colours.btnHighlight);
  // The work image goes out twice: with the highlight shape one pixel down and right, then in
  // place with the shadow shape over it.
  PixelSurface work(width, height, OpaquePixel(background));
  StampShape(work, shape, width, 0, 0, colours.btnHighlight);
  BitBlt(dc, x + 1, y + 1, width, height, work, 0, 0);
  StampShape(work, shape, width, 1, 1, colours.btnHighlight);
  StampShape(work, shape, width, 0, 0, colours.btnShadow);
  BitBlt(dc, x, y, width, height, work, 0, 0);
}

void DrawDisabledMono(PixelSurface& dc, int x, int y, int width, int height,
                      const PixelSurface& bitmap, int sourceX, int sourceY, ColorRef background,
                      const MenuSysColours& colours) {
  if (width <= 0 || height <= 0) return;
  const std::vector<bool> shape =
      ShapeMask(bitmap, sourceX, sourceY, width, height, colours.btnFace, nullptr);
  dc.FillRect({x, y, x + width, y + height}, OpaquePixel(background));
  StampShape(dc, shape, width, x + 1, y + 1, colours.btnHighlight);
  StampShape(dc, shape, width, x, y, colours.btnShadow);
}
