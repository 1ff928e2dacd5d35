#include "unreferenced/wx/SurfaceBitmap.h"

#include <wx/dcmemory.h>
#include <wx/image.h>

wxBitmap SurfaceToBitmap(const PixelSurface& surface) {
  if (surface.IsEmpty()) return wxBitmap();
  wxImage image(surface.Width(), surface.Height());
  for (int y = 0; y < surface.Height(); ++y)
    for (int x = 0; x < surface.Width(); ++x) {
      const DibPixel p = surface.GetPixel(x, y);
      image.SetRGB(x, y, static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                   static_cast<unsigned char>(p));
    }
  return wxBitmap(image, 24);
}

PixelSurface SurfaceFromDC(wxDC& dc, int x, int y, int width, int height) {
  PixelSurface surface(width, height);
  if (surface.IsEmpty()) return surface;
  wxBitmap bitmap(width, height, 24);
  {
    wxMemoryDC memory(bitmap);
    memory.Blit(0, 0, width, height, &dc, x, y);
  }
  const wxImage image = bitmap.ConvertToImage();
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col)
      surface.SetPixel(col, row,
                       DibPixel{image.GetRed(col, row)} << 16 |
                           DibPixel{image.GetGreen(col, row)} << 8 | image.GetBlue(col, row));
  return surface;
}

bool DrawDib(CCeXDib& dib, wxDC& dc, int x, int y) {
  PixelSurface surface(dib.GetWidth(), dib.GetHeight());
  if (!dib.Draw(surface, 0, 0)) return false;
  dc.DrawBitmap(SurfaceToBitmap(surface), x, y, false);
  return true;
}

void CopyDibFromDC(CCeXDib& dib, wxDC& dc, int x, int y) {
  dib.CopyFromDC(SurfaceFromDC(dc, x, y, dib.GetWidth(), dib.GetHeight()), 0, 0);
}
