#include "widgets/LookMetrics.h"

bool IsLargeDesktop(int desktopRight, int desktopBottom) {
  return desktopRight > 2560 && desktopBottom > 1600;
}

DpiFactors ComputeDpiFactors(int pixelsPerInchX, int pixelsPerInchY, int desktopRight,
                             int desktopBottom, bool largeDesktopException) {
  DpiFactors f;
  f.x = 96.0f / static_cast<float>(pixelsPerInchX > 0 ? pixelsPerInchX : 96);
  f.y = 96.0f / static_cast<float>(pixelsPerInchY > 0 ? pixelsPerInchY : 96);
  if (largeDesktopException && IsLargeDesktop(desktopRight, desktopBottom)) f = DpiFactors{};
  return f;
}

int LabelPointSize(int points, float factorY) {
  const float scaled = static_cast<float>(points) * factorY;
  return static_cast<int>(scaled);
}
