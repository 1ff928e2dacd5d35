#include "widgets/GradientBands.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

ProgressPaint PlanProgressPaint(int lower, int upper, int position, int extent, Rgb start, Rgb end,
                                bool showPercent) {
  ProgressPaint plan;
  if (position <= lower || position > upper || upper <= lower || extent <= 0) {
    plan.backFrom = 0;
    return plan;
  }
  plan.empty = false;
  const double span = static_cast<double>(upper) - static_cast<double>(lower);
  const float filled = static_cast<float>((static_cast<double>(position) - lower) / span *
                                          static_cast<double>(extent));
  plan.filledLength = static_cast<int>(filled);

  const int dr = int{end.r} - int{start.r};
  const int dg = int{end.g} - int{start.g};
  const int db = int{end.b} - int{start.b};
  // Equal colours would give no bands at all; one band then carries the single colour.
  const int n = std::max({std::abs(dr), std::abs(dg), std::abs(db), 1});
  const float bandSize = static_cast<float>(extent) / static_cast<float>(n);
  const float stepR = static_cast<float>(dr) / static_cast<float>(n);
  const float stepG = static_cast<float>(dg) / static_cast<float>(n);
  const float stepB = static_cast<float>(db) / static_cast<float>(n);

  plan.backFrom = extent;
  for (int i = 0; i < n; ++i) {
    ColourBand band;
    const float fi = static_cast<float>(i);
    band.colour.r = static_cast<std::uint8_t>(static_cast<int>(start.r + fi * stepR) & 0xFF);
    band.colour.g = static_cast<std::uint8_t>(static_cast<int>(start.g + fi * stepG) & 0xFF);
    band.colour.b = static_cast<std::uint8_t>(static_cast<int>(start.b + fi * stepB) & 0xFF);
    band.from = static_cast<int>(fi * bandSize);
    band.to = static_cast<int>((fi + 1.0f) * bandSize);
    plan.bands.push_back(band);
    if (band.to > plan.filledLength) {
      plan.backFrom = band.to;
      break;
    }
    // Rounding can leave the last band a pixel short of the end; the rest gets the back colour
    // rather than whatever the off-screen bitmap held.
    plan.backFrom = band.to;
  }
  plan.backFrom = std::min(plan.backFrom, extent);

  if (showPercent) {
    const float value =
        static_cast<float>(position - lower) * 100.0f / static_cast<float>(upper - lower);
    char text[32];
    std::snprintf(text, sizeof text, "%3.0f %%", static_cast<double>(value));
    plan.percentText = text;
  }
  return plan;
}

BandRect ProgressBandRect(const ColourBand& band, bool vertical, int clientWidth,
                          int clientHeight) {
  if (vertical) return {0, band.from, clientWidth + 1, band.to - band.from};
  return {band.from, 0, band.to - band.from, clientHeight + 1};
}

std::vector<ColourBand> LabelGradientBands(int left, int width, Rgb start, Rgb end) {
  std::vector<ColourBand> bands;
  const int n = std::min(100, width);
  if (n <= 0) return bands;
  int accR = start.r * 256, accG = start.g * 256, accB = start.b * 256;
  const int stepR = (int{end.r} - int{start.r}) * 256 / n;
  const int stepG = (int{end.g} - int{start.g}) * 256 / n;
  const int stepB = (int{end.b} - int{start.b}) * 256 / n;
  const int bandWidth = width / n;
  const int right = left + width;
  int edge = left;
  for (int i = 0; i < n; ++i) {
    ColourBand band;
    band.from = edge;
    band.to = (i == n - 1) ? right : edge + bandWidth;
    band.colour = {static_cast<std::uint8_t>(accR / 256), static_cast<std::uint8_t>(accG / 256),
                   static_cast<std::uint8_t>(accB / 256)};
    bands.push_back(band);
    edge = band.to;
    accR += stepR;
    accG += stepG;
    accB += stepB;
  }
  return bands;
}
