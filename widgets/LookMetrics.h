// The arithmetic of the common page look: the DPI factors that keep label fonts the same pixel
// size at any screen resolution, and the exception for very large desktops.
#pragma once

struct DpiFactors {
  float x = 1.0f;
  float y = 1.0f;
};

// A desktop counts as large only when it is wider than 2560 and taller than 1600 pixels
// (right and bottom edges of the desktop rectangle, both strictly).
bool IsLargeDesktop(int desktopRight, int desktopBottom);

// 96 divided by the screen's pixels per inch on each axis, as 32-bit floats; both become 1 on a
// large desktop when the dialog uses that exception. A non-positive DPI reading counts as 96.
DpiFactors ComputeDpiFactors(int pixelsPerInchX, int pixelsPerInchY, int desktopRight,
                             int desktopBottom, bool largeDesktopException);

// The label point size: points times the vertical factor, cut toward zero (9 points give 9 at 96
// DPI, 7 at 120, 6 at 144, 4 at 192).
int LabelPointSize(int points, float factorY);
