#include "unreferenced/SplashRegion.h"

std::vector<SurfaceRect> RegionRunsFromColour(const PixelSurface& bitmap, ColorRef key) {
  std::vector<SurfaceRect> runs;
  const DibPixel keyPixel = SwapRedBlue(key) & 0xFFFFFFu;
  for (int y = bitmap.Height() - 1; y >= 0; --y) {
    int x = 0;
    while (x < bitmap.Width()) {
      while (x < bitmap.Width() && (bitmap.GetPixel(x, y) & 0xFFFFFFu) == keyPixel) ++x;
      if (x == bitmap.Width()) break;
      const int start = x;
      while (x < bitmap.Width() && (bitmap.GetPixel(x, y) & 0xFFFFFFu) != keyPixel) ++x;
      runs.push_back({start, y, x, y + 1});
    }
  }
  return runs;
}
