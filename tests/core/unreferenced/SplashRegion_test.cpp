#include "unreferenced/SplashRegion.h"

#include <gtest/gtest.h>

namespace {

bool operator==(const SurfaceRect& a, const SurfaceRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SplashRegionTest, RunsOfPixelsThatAreNotTheKey) {
  const ColorRef key = 0xFF00FF;
  const DibPixel k = SwapRedBlue(key), ink = 0x102030;
  // Row 0: k x x k x; row 1: x x x x x; row 2: all key.
  PixelSurface bitmap(5, 3, k);
  for (int x : {1, 2, 4}) bitmap.SetPixel(x, 0, ink);
  bitmap.FillRect({0, 1, 5, 2}, ink);
  // The alpha byte plays no part.
  bitmap.SetPixel(3, 0, k | 0xFF000000u);

  std::vector<SurfaceRect> runs = RegionRunsFromColour(bitmap, key);
  std::vector<SurfaceRect> expected = {{0, 1, 5, 2}, {1, 0, 3, 1}, {4, 0, 5, 1}};
  ASSERT_EQ(runs.size(), expected.size());
  for (std::size_t i = 0; i < runs.size(); ++i) EXPECT_TRUE(runs[i] == expected[i]) << i;

  EXPECT_TRUE(RegionRunsFromColour(PixelSurface(4, 4, k), key).empty());
  EXPECT_TRUE(RegionRunsFromColour(PixelSurface(), key).empty());
}

}  // namespace
