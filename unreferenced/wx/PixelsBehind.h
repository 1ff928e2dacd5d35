// What a parent shows behind one of its children, for controls drawn as if transparent: the
// pixels of the child's rectangle, copied from a device context of the parent (one given by the
// caller, or the parent's client area as it is on screen).
#pragma once

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/gdicmn.h>
#include <wx/window.h>

// behind is in parentDc's coordinates.
wxBitmap CopyPixelsBehind(wxDC& parentDc, const wxRect& behind);
// An empty bitmap when the child has no parent or no area.
wxBitmap CopyPixelsBehind(wxWindow& child);
