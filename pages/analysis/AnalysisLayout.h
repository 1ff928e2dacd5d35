// Where the analysis page's controls stand in its client area: the toolbar row, the heading
// band, the step picture with the help line and the mode, device and capacity lines on the left,
// the five value rows, the step and detail lines and the bar on the right, the buttons at the
// bottom right.
#pragma once

#include <array>

#include "pages/ModePageLayout.h"

struct AnalysisPageLayout {
  std::array<PixelRect, 5> toolbar;  // Save Log, Load Log, Settings, Search, Help
  PixelRect headingBand;
  PixelRect heading;
  PixelRect stepPicture;
  PixelRect helpLine;
  std::array<PixelRect, 3> infoLines;  // mode, device, capacity
  std::array<PixelRect, 5> labels;     // elapsed, size or sector, folders, files, last name
  std::array<PixelRect, 5> values;
  PixelRect stepLine;
  PixelRect detailLine;
  PixelRect bar;
  PixelRect hint;
  std::array<PixelRect, 5> buttons;  // Pause, Hide Details, Stop, Back, Next
};

struct AnalysisControlSizes {
  int toolWidth = 60;
  int toolHeight = 50;
  int pictureWidth = 180;
  int pictureHeight = 120;
  std::array<int, 5> buttonWidths{100, 100, 100, 100, 100};  // Pause ... Next
  int buttonHeight = 30;
  int rowHeight = 24;  // a label row at the page's font size
};

AnalysisPageLayout LayoutAnalysisPage(int clientWidth, int clientHeight,
                                      const AnalysisControlSizes& sizes);
