// The band arithmetic of the gradient progress bar and of a label's gradient background, as plain
// data the controls paint. The bar's colours are tied to positions along the whole bar: at 30 %
// it shows the first third of the red-to-blue ramp, not a compressed ramp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One band along the bar's extent (x when horizontal, y when vertical): [from, to).
struct ColourBand {
  int from = 0;
  int to = 0;
  Rgb colour;
};

struct ProgressPaint {
  // Nothing filled: the whole bar gets the button-face colour and there is no text.
  bool empty = true;
  int filledLength = 0;
  std::vector<ColourBand> bands;
  // The back colour covers [backFrom, extent).
  int backFrom = 0;
  // "%3.0f %%" of the percentage ("  5 %", " 50 %", "100 %"); empty when not shown.
  std::string percentText;
};

// Plans one paint of a bar with the given range and position over `extent` pixels (the client
// width, or the height of a vertical bar).
ProgressPaint PlanProgressPaint(int lower, int upper, int position, int extent, Rgb start, Rgb end,
                                bool showPercent);

struct BandRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Where a band lands in a client area: a horizontal bar's band spans the height plus one pixel,
// a vertical bar's band spans the width plus one pixel and runs from the top down.
BandRect ProgressBandRect(const ColourBand& band, bool vertical, int clientWidth, int clientHeight);

// A label's horizontal gradient over [left, left + width): at most 100 bands (fewer on narrow
// labels), colours stepped in 8.8 fixed point, the last band reaching the right edge.
std::vector<ColourBand> LabelGradientBands(int left, int width, Rgb start, Rgb end);
