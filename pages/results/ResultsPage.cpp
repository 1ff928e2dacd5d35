#include "pages/results/ResultsPage.h"

PixelRect ResultsPageWindowRect(const DesktopRect& desktop, bool* large) {
  const bool isLarge = desktop.right >= 2561 && desktop.bottom >= 1601;
  if (large) *large = isLarge;
  int width = 1080, height = 668;
  if (isLarge) {
    width = 2360;
    height = 1500;
  } else if (desktop.right < 1025) {
    width = desktop.right - desktop.left - 100;
    height = desktop.bottom - desktop.top - 100;
  }
  return {desktop.left + 100, desktop.top + 50, width, height};
}

ListsToFree ResultsBackFrees(bool partitionMode, bool fatFileSystem) {
  if (!partitionMode) return {true, true};
  return {false, fatFileSystem};
}
