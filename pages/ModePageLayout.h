// The mode page's geometry rules, free of any window: its size and place on the desktop, the
// heading's font and place, and where the mode buttons and the toolbar stand.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "widgets/LookMetrics.h"

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const PixelRect&) const = default;
};

// The desktop rectangle as the screen reports it (right and bottom exclusive).
struct DesktopRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// 100 pixels right of and 50 below the desktop's top-left corner: 2360 x 1500 on a desktop whose
// right edge is above 2560 and bottom above 1600, else 1080 x 668 when the right edge is above
// 1024, else the desktop's size less 100 each way.
PixelRect ModePageWindowRect(const DesktopRect& desktop);

struct HeadingLook {
  std::string_view face;
  int points = 0;
  bool bold = true;
  bool transparent = true;
  uint32_t colorRef = 0;  // 0x00BBGGRR
  PixelRect rect;
};

// The heading label "Please Select Recovery Option": "verdana", 12 points on a large desktop,
// else 12 x fx cut to a whole number; 48 pixels high on a large desktop, else 20; left at 320
// plus the ceiling of a thirty-third of the window width, top at three quarters of the window
// height plus 60; as wide as the rest of the window.
HeadingLook ModePageHeading(int windowWidth, int windowHeight, float factorX, bool largeDesktop);

// Where the controls stand, in client pixels.
struct ModePageLayout {
  // Deleted, formatted, partition, create image.
  std::array<PixelRect, 4> modeButtons;
  // Save Log, Load log, Search, Settings, Help.
  std::array<PixelRect, 5> toolbar;
  PixelRect line1206;
  PixelRect line1212;
};

// Template positions of the page, in pixels at 96 DPI.
inline constexpr int kSaveLogTemplateX = 120;
inline constexpr int kSaveLogTemplateY = 106;
inline constexpr int kFirstModeButtonTemplateY = 112;
inline constexpr int kModeButtonPitch = 85;
inline constexpr int kToolbarGap = 8;

// Mode buttons in one column 85 pixels apart, 100 pixels right of the Save Log button's template
// position; the toolbar in one row of Save Log sized buttons 8 pixels apart, starting 110 pixels
// left of and 100 above that position (both offsets times the DPI factors); two 2-pixel lines
// across the client below it (the second 20 pixels lower on a large desktop).
ModePageLayout LayoutModePage(int clientWidth, int modeButtonWidth, int modeButtonHeight,
                              int toolbarWidth, int toolbarHeight, const DpiFactors& factors,
                              bool largeDesktop);
