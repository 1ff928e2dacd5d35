#include "pages/ModePageLayout.h"

#include <algorithm>

PixelRect ModePageWindowRect(const DesktopRect& desktop) {
  PixelRect rect;
  rect.x = desktop.left + 100;
  rect.y = desktop.top + 50;
  if (IsLargeDesktop(desktop.right, desktop.bottom)) {
    rect.width = 2360;
    rect.height = 1500;
  } else if (desktop.right > 1024) {
    rect.width = 1080;
    rect.height = 668;
  } else {
    rect.width = desktop.right - desktop.left - 100;
    rect.height = desktop.bottom - desktop.top - 100;
  }
  return rect;
}

HeadingLook ModePageHeading(int windowWidth, int windowHeight, float factorX, bool largeDesktop) {
  HeadingLook look;
  look.face = "verdana";
  look.points = largeDesktop ? 12 : static_cast<int>(12.0f * factorX);
  look.colorRef = 0x274E9E;
  look.rect.height = largeDesktop ? 48 : 20;
  look.rect.x = 320 + (windowWidth + 32) / 33;
  look.rect.y = windowHeight * 3 / 4 + 60;
  look.rect.width = std::max(0, windowWidth - look.rect.x);
  return look;
}

ModePageLayout LayoutModePage(int clientWidth, int modeButtonWidth, int modeButtonHeight,
                              int toolbarWidth, int toolbarHeight, const DpiFactors& factors,
                              bool largeDesktop) {
  ModePageLayout layout;
  for (size_t i = 0; i < layout.modeButtons.size(); ++i) {
    layout.modeButtons[i] = {kSaveLogTemplateX + 100,
                             kFirstModeButtonTemplateY + static_cast<int>(i) * kModeButtonPitch,
                             modeButtonWidth, modeButtonHeight};
  }
  const int left = kSaveLogTemplateX - static_cast<int>(110 * factors.x);
  const int top = kSaveLogTemplateY - static_cast<int>(100 * factors.y);
  for (size_t i = 0; i < layout.toolbar.size(); ++i) {
    layout.toolbar[i] = {left + static_cast<int>(i) * (toolbarWidth + kToolbarGap), top,
                         toolbarWidth, toolbarHeight};
  }
  const int below = top + toolbarHeight + 6;
  layout.line1206 = {0, below, clientWidth, 2};
  layout.line1212 = {0, below + (largeDesktop ? 24 : 4), clientWidth, 2};
  return layout;
}
