// The results page's window size at the desktop edges, and what Back frees in each mode.
#include <gtest/gtest.h>

#include "pages/results/ResultsPage.h"

TEST(ResultsPageWindow, SizeAtTheDesktopEdges) {
  struct Case {
    DesktopRect desktop;
    int width, height;
    bool large;
  };
  const Case cases[] = {
      {{0, 0, 2560, 1600}, 1080, 668, false},
      {{0, 0, 2561, 1601}, 2360, 1500, true},
      {{0, 0, 1024, 768}, 924, 668, false},
      {{0, 0, 1280, 1024}, 1080, 668, false},
  };
  for (const Case& c : cases) {
    bool large = !c.large;
    const PixelRect r = ResultsPageWindowRect(c.desktop, &large);
    EXPECT_EQ(r.width, c.width);
    EXPECT_EQ(r.height, c.height);
    EXPECT_EQ(r.x, 100);
    EXPECT_EQ(r.y, 50);
    EXPECT_EQ(large, c.large);
  }
}

TEST(ResultsPageBack, FreesByMode) {
  EXPECT_TRUE(ResultsBackFrees(false, true).folders && ResultsBackFrees(false, true).files);
  EXPECT_TRUE(ResultsBackFrees(false, false).folders && ResultsBackFrees(false, false).files);
  EXPECT_FALSE(ResultsBackFrees(true, true).folders);
  EXPECT_TRUE(ResultsBackFrees(true, true).files);
  EXPECT_FALSE(ResultsBackFrees(true, false).folders || ResultsBackFrees(true, false).files);
}
