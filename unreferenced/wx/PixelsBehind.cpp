#include "unreferenced/wx/PixelsBehind.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>

wxBitmap CopyPixelsBehind(wxDC& parentDc, const wxRect& behind) {
  if (behind.width <= 0 || behind.height <= 0) return wxBitmap();
  wxBitmap copy(behind.GetSize(), 24);
  wxMemoryDC dc(copy);
  dc.Blit(0, 0, behind.width, behind.height, &parentDc, behind.x, behind.y);
  dc.SelectObject(wxNullBitmap);
  return copy;
}

wxBitmap CopyPixelsBehind(wxWindow& child) {
  wxWindow* parent = child.GetParent();
  if (!parent) return wxBitmap();
  wxClientDC parentDc(parent);
  // The child's rectangle in the parent's client coordinates.
  return CopyPixelsBehind(parentDc, child.GetRect());
}
