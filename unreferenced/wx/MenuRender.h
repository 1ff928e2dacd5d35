// Owner-drawn menus painted off screen with the toolkit's fonts: the toolkit draws the menus it
// shows itself, so this is where the owner-drawn look can be seen.
#pragma once

#include <wx/bitmap.h>

#include <span>

#include "unreferenced/BCMenuPainter.h"

// The items of the menu one under another, each as wide as the widest, painted in the states
// given (a missing state is 0).
wxBitmap RenderMenuItems(const BCMenu& menu, std::span<const unsigned> states);
