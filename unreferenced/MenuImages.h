// The menus' images: lists of equal-sized images with their transparent pixels, the shared list
// whose slots are registered per command, the faded and shadow copies of the flat style,
// disabled images, colour swatches and the colour arithmetic.
#pragma once

#include <vector>

#include "unreferenced/PixelSurface.h"

// The system colours the menus are painted with.
struct MenuSysColours {
  ColorRef btnFace = 0xC0C0C0;
  ColorRef menu = 0xF0F0F0;
  ColorRef window = 0xFFFFFF;
  ColorRef highlight = 0xD77800;
  ColorRef highlightText = 0xFFFFFF;
  ColorRef menuText = 0x000000;
  ColorRef grayText = 0x808080;
  ColorRef btnHighlight = 0xFFFFFF;
  ColorRef btnShadow = 0x808080;
  ColorRef btnText = 0x000000;
};

// Each channel c becomes the integer part of c + f x (255 - c); unchanged unless 0 < f <= 1.
ColorRef LightenColor(ColorRef colour, double factor);
// Each channel c becomes the integer part of c - f x c; unchanged unless 0 < f <= 1.
ColorRef DarkenColor(ColorRef colour, double factor);

// A surface pixel of a colour, opaque.
constexpr DibPixel OpaquePixel(ColorRef colour) {
  return SwapRedBlue(colour) | 0xFF000000u;
}

// Images of one size; a pixel with alpha 0 is transparent.
class MenuImageList {
 public:
  MenuImageList(int width, int height) : m_Width(width), m_Height(height) {}
  int Width() const { return m_Width; }
  int Height() const { return m_Height; }
  int Count() const { return static_cast<int>(m_Images.size()); }
  const PixelSurface* Image(int index) const {
    return index >= 0 && index < Count() ? &m_Images[index] : nullptr;
  }

  // Adds each image-sized cell of the bitmap, left to right, pixels of the mask colour made
  // transparent; the first new index, or -1 when the bitmap is narrower than one image.
  int AddMasked(const PixelSurface& bitmap, ColorRef mask);
  // Adds an image as it is (its transparent pixels stay transparent); its index.
  int Add(const PixelSurface& image);
  bool Replace(int index, const PixelSurface& image);

 private:
  int m_Width;
  int m_Height;
  std::vector<PixelSurface> m_Images;
};

// Draws image index of the list at (x, y), its transparent pixels left alone; false when the
// list has no such image.
bool DrawListImage(PixelSurface& dc, const MenuImageList& list, int index, int x, int y);
// The image drawn on a background colour, every pixel opaque.
PixelSurface ImageOnBackground(const PixelSurface& image, ColorRef background);
// Every opaque pixel lightened by 0.3.
PixelSurface MakeFadedImage(const PixelSurface& image);
// Every opaque pixel the shadow colour.
PixelSurface MakeShadowImage(const PixelSurface& image, ColorRef shadow);

// The shared list's slots and the command id each is registered for.
struct SharedMenuImages {
  std::vector<PixelSurface> images;
  std::vector<int> ids;
};

// Registers image index of list for the command: a command already registered has its slot
// replaced, with its faded and shadow slots when it has them; a new command is appended, with
// those two copies when shaded is set. The slot, or -1 when the list has no such image.
int AddToGlobalImageList(SharedMenuImages& shared, const MenuImageList& list, int index,
                         int commandId, bool shaded, ColorRef shadow);
int GlobalImageListOffset(const SharedMenuImages& shared, int commandId);
// True when the slot and the two after it hold the same command.
bool CanDraw3DImageList(const SharedMenuImages& shared, int slot);

// Swatch fills: solid, or lines of the fill colour on white every 8 pixels.
inline constexpr int HS_SOLID = -1;
inline constexpr int HS_HORIZONTAL = 0;
inline constexpr int HS_VERTICAL = 1;
inline constexpr int HS_FDIAGONAL = 2;  // top-left to bottom-right
inline constexpr int HS_BDIAGONAL = 3;  // bottom-left to top-right
inline constexpr int HS_CROSS = 4;
inline constexpr int HS_DIAGCROSS = 5;

// A cell of the cell size holding a swatch of the given size, centred on the background when
// the sizes differ, drawn with a 1-pixel border and filled as the hatch style says (a style
// that is none of the above fills solid).
PixelSurface MakeColourSwatch(int width, int height, int cellWidth, int cellHeight, ColorRef fill,
                              ColorRef border, ColorRef background, int hatchStyle = HS_SOLID);
// Disabled images, drawn from an image rendered on the button face (ImageOnBackground with
// btnFace). Both leave the background colour around the image's shape, the shape in the
// highlight colour one pixel down and right, and the shape in the shadow colour in place.
// Embossed: the shape is every pixel that is neither the button face nor the highlight colour;
// the background covers the image's area and the row and column after it.
void DrawDisabledEmbossed(PixelSurface& dc, int x, int y, int width, int height,
                          const PixelSurface& bitmap, int sourceX, int sourceY, ColorRef background,
                          const MenuSysColours& colours);
// Mono (the old style): the shape is every pixel that is not the button face; the background
// covers the image's area only.
void DrawDisabledMono(PixelSurface& dc, int x, int y, int width, int height,
                      const PixelSurface& bitmap, int sourceX, int sourceY, ColorRef background,
                      const MenuSysColours& colours);
