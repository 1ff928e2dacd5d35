#include "pages/analysis/AnalysisLayout.h"

#include <algorithm>

namespace {

constexpr int kMargin = 16;
constexpr int kGap = 8;

}  // namespace

AnalysisPageLayout LayoutAnalysisPage(int clientWidth, int clientHeight,
                                      const AnalysisControlSizes& s) {
  AnalysisPageLayout l;
  const int width = std::max(clientWidth, 480);
  const int height = std::max(clientHeight, 400);
  for (int i = 0; i < 5; ++i)
    l.toolbar[i] = {kGap + i * (s.toolWidth + kGap), kGap, s.toolWidth, s.toolHeight};

  const int bandTop = kGap * 2 + s.toolHeight;
  const int bandHeight = s.rowHeight + 16;
  l.headingBand = {0, bandTop, width, bandHeight};
  l.heading = {kMargin, bandTop + 8, width - 2 * kMargin, s.rowHeight};

  // Left column: the step picture, the help line and the three information lines.
  const int top = bandTop + bandHeight + kMargin;
  const int leftWidth = std::max(s.pictureWidth, width * 3 / 10);
  l.stepPicture = {kMargin, top, s.pictureWidth, s.pictureHeight};
  const int helpTop = top + s.pictureHeight + kGap;
  l.helpLine = {kMargin, helpTop, leftWidth, s.rowHeight * 4};
  for (int i = 0; i < 3; ++i)
    l.infoLines[i] = {kMargin, helpTop + s.rowHeight * 4 + kGap + i * s.rowHeight, leftWidth,
                      s.rowHeight};

  // Right column: five label rows, then the step and detail lines, the bar and the hint.
  const int right = kMargin * 2 + leftWidth;
  const int rightWidth = width - right - kMargin;
  const int labelWidth = std::min(220, rightWidth / 3);
  const int rowPitch = s.rowHeight + kGap;
  for (int i = 0; i < 5; ++i) {
    l.labels[i] = {right, top + i * rowPitch, labelWidth, s.rowHeight};
    l.values[i] = {right + labelWidth + kGap, top + i * rowPitch,
                   rightWidth - labelWidth - kGap, s.rowHeight};
  }
  const int linesTop = top + 5 * rowPitch + kGap;
  l.stepLine = {right, linesTop, rightWidth, s.rowHeight};
  l.detailLine = {right, linesTop + rowPitch, rightWidth, s.rowHeight};
  l.bar = {right, linesTop + 2 * rowPitch, rightWidth, 22};
  // Two rows: the partition search's hint is longer than the column is wide.
  l.hint = {right, linesTop + 2 * rowPitch + 22 + kGap, rightWidth, 2 * s.rowHeight};

  // Buttons at the bottom right, Next last.
  const int buttonTop = height - kMargin - s.buttonHeight;
  int x = width - kMargin;
  for (int i = 4; i >= 0; --i) {
    x -= s.buttonWidths[i];
    l.buttons[i] = {x, buttonTop, s.buttonWidths[i], s.buttonHeight};
    x -= kGap;
  }
  return l;
}
