// Moves the drawing code's pixel surfaces to and from the toolkit: a surface becomes a bitmap a
// device context can draw, and a device context's pixels become a surface.
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>

#include "unreferenced/CeXDib.h"
#include "unreferenced/PixelSurface.h"

// A 24-bit bitmap of the surface's colours; the alpha bytes are left out.
wxBitmap SurfaceToBitmap(const PixelSurface& surface);
// The width x height pixels of dc at (x, y), alpha 0.
PixelSurface SurfaceFromDC(wxDC& dc, int x, int y, int width, int height);

// CCeXDib::Draw onto a device context: the bitmap's top-left corner at (x, y); false when empty.
bool DrawDib(CCeXDib& dib, wxDC& dc, int x, int y);
// CCeXDib::CopyFromDC from a device context.
void CopyDibFromDC(CCeXDib& dib, wxDC& dc, int x, int y);
