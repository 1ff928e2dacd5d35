// The search dialog's window on the desktop in each state, and its text-placed rows at each DPI:
// the template (rows, buttons, edits) grows with the DPI while the label texts keep their pixels,
// the gaps grow with the DPI, and nothing overlaps or leaves its row.
#include <gtest/gtest.h>

#include <string>

#include "pages/results/SearchDialogLayout.h"

namespace {

int Right(const PixelRect& r) {
  return r.x + r.width;
}

bool Inside(const PixelRect& inner, const PixelRect& outer) {
  return inner.x >= outer.x && inner.y >= outer.y && Right(inner) <= Right(outer) &&
         inner.y + inner.height <= outer.y + outer.height;
}

// The DPI cases: the screen's pixels per inch on a desktop, the factor that follows and the gaps
// of 6, 10 and 12 pixels of the 96-DPI design.
struct DpiCase {
  int dpi;
  DesktopRect desktop;
  float factor;
  int gap6, gap10, gap12;
};
const DpiCase kDpiCases[] = {
    {96, {0, 0, 1280, 1024}, 1.0f, 6, 10, 12},
    {120, {0, 0, 1920, 1080}, 0.8f, 8, 13, 15},
    {144, {0, 0, 2560, 1440}, 96.0f / 144.0f, 9, 15, 18},
    {192, {0, 0, 2560, 1600}, 0.5f, 12, 20, 24},
    // A desktop above 2560 x 1600 keeps the factors at 1 whatever the DPI.
    {192, {0, 0, 3840, 2160}, 1.0f, 6, 10, 12},
};

DpiFactors FactorsOf(const DpiCase& c) {
  return ComputeDpiFactors(c.dpi, c.dpi, c.desktop.right, c.desktop.bottom, true);
}

// Template pixels at the case's DPI.
int Scaled(int pixelsAt96, int dpi) {
  return pixelsAt96 * dpi / 96;
}

}  // namespace

TEST(SearchDialogLayout, FactorsAndGapsPerDpi) {
  for (const DpiCase& c : kDpiCases) {
    const DpiFactors f = FactorsOf(c);
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, desktop " + std::to_string(c.desktop.right));
    EXPECT_FLOAT_EQ(f.x, c.factor);
    EXPECT_EQ(SearchDialogPixels(6, f.x), c.gap6);
    EXPECT_EQ(SearchDialogPixels(10, f.x), c.gap10);
    EXPECT_EQ(SearchDialogPixels(12, f.x), c.gap12);
  }
  EXPECT_EQ(SearchDialogPixels(6, 0.0f), 6);  // no factor read counts as 1
}

TEST(SearchDialogLayout, NameRowPerDpi) {
  for (const DpiCase& c : kDpiCases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, desktop " + std::to_string(c.desktop.right));
    const int dpi = c.factor == 1.0f ? 96 : c.dpi;  // a large desktop draws the 96-DPI template
    SearchNameRowInput in;
    in.row = {Scaled(18, dpi), Scaled(12, dpi), Scaled(594, dpi), Scaled(36, dpi)};
    in.labelText = 126;  // "Enter Search Name " in bold Arial of 9 points at 96 DPI
    in.exampleText = 66;
    in.textHeight = 15;
    in.editHeight = Scaled(24, dpi);
    in.startWidth = Scaled(108, dpi);
    in.startHeight = Scaled(30, dpi);
    in.factors = FactorsOf(c);
    const SearchNameRowLayout out = LayOutSearchNameRow(in);

    EXPECT_EQ(out.label.x, in.row.x);
    EXPECT_EQ(out.label.width, in.labelText);
    EXPECT_EQ(out.pattern.x - Right(out.label), c.gap6);
    EXPECT_EQ(out.example.x - Right(out.pattern), c.gap6);
    EXPECT_EQ(out.example.width, in.exampleText);
    EXPECT_EQ(out.start.x - Right(out.example), c.gap10);
    EXPECT_EQ(Right(out.start), Right(in.row));
    EXPECT_EQ(out.pattern.height, in.editHeight);
    // Each centred on the row and inside it.
    for (const PixelRect& r : {out.label, out.pattern, out.example, out.start}) {
      EXPECT_TRUE(Inside(r, in.row));
      EXPECT_LE(std::abs((r.y - in.row.y) - (in.row.y + in.row.height - r.y - r.height)), 1);
    }
  }
}

TEST(SearchDialogLayout, NameRowKeepsTheEditUsableWhenTheRowIsShort) {
  SearchNameRowInput in;
  in.row = {10, 0, 300, 30};
  in.labelText = 126;
  in.exampleText = 66;
  in.textHeight = 15;
  in.editHeight = 22;
  in.startWidth = 100;
  in.startHeight = 26;
  for (const float f : {1.0f, 0.5f}) {
    in.factors = {f, f};
    const SearchNameRowLayout out = LayOutSearchNameRow(in);
    EXPECT_EQ(out.pattern.width, SearchDialogPixels(80, f));
    EXPECT_EQ(out.example.x, Right(out.pattern) + SearchDialogPixels(6, f));
  }
}

TEST(SearchDialogLayout, ResultRowPerDpi) {
  for (const DpiCase& c : kDpiCases) {
    for (const bool startInRow : {false, true}) {
      SCOPED_TRACE(std::to_string(c.dpi) + " dpi, desktop " + std::to_string(c.desktop.right) +
                   (startInRow ? ", criteria hidden" : ""));
      const int dpi = c.factor == 1.0f ? 96 : c.dpi;
      SearchResultRowInput in;
      in.row = {Scaled(10, dpi), Scaled(160, dpi), Scaled(609, dpi), Scaled(26, dpi)};
      in.selectAllWidth = 140;
      in.pleaseWaitWidth = 80;
      in.matchFoundWidth = 95;
      in.countWidth = 56;
      in.textHeight = 17;
      in.toggleWidth = Scaled(45, dpi);
      in.toggleHeight = Scaled(23, dpi);
      if (startInRow) {
        in.startWidth = Scaled(108, dpi);
        in.startHeight = Scaled(23, dpi);
      }
      in.factors = FactorsOf(c);
      const SearchResultRowLayout out = LayOutSearchResultRow(in);

      EXPECT_EQ(out.selectAll.x, in.row.x);
      EXPECT_EQ(out.pleaseWait.x - Right(out.selectAll), c.gap12);
      EXPECT_EQ(Right(out.toggle), Right(in.row));
      EXPECT_EQ(out.toggle.x - Right(out.count), c.gap12);
      EXPECT_EQ(Right(out.matchFound), out.count.x);
      if (startInRow) {
        EXPECT_EQ(out.matchFound.x - Right(out.start), c.gap12);
        EXPECT_GE(out.start.x - Right(out.pleaseWait), c.gap12);
        EXPECT_TRUE(Inside(out.start, in.row));
      } else {
        EXPECT_EQ(out.start, PixelRect{});
        EXPECT_LT(Right(out.pleaseWait), out.matchFound.x);
      }
      for (const PixelRect& r : {out.selectAll, out.pleaseWait, out.matchFound, out.count,
                                 out.toggle})
        EXPECT_TRUE(Inside(r, in.row));
    }
  }
}

TEST(SearchDialogLayout, WindowOnTheDesktopInEachState) {
  using S = SearchWindowState;
  struct Case {
    const char* what;
    DesktopRect desktop;
    int width, height;
    S state;
    PixelRect expected;
  };
  const Case cases[] = {
      // Centre across at 5/7 of (1280 - 300) = 700, down at 512.
      {"start", {0, 0, 1280, 1024}, 640, 200, S::Criteria, {380, 412, 640, 200}},
      {"with criteria", {0, 0, 1280, 1024}, 640, 200, S::CriteriaAndResults, {380, 60, 640, 600}},
      {"results only", {0, 0, 1280, 1024}, 640, 200, S::ResultsOnly, {380, 60, 640, 480}},
      // A desktop right of another: measured from its own left and top.
      {"second screen", {1280, 100, 3200, 1180}, 640, 200, S::Criteria, {2117, 540, 640, 200}},
      // Too far left at 640 wide: moved in.
      {"narrow", {0, 0, 640, 480}, 640, 160, S::Criteria, {0, 160, 640, 160}},
      // Three times the start is taller than the desktop: cut to it, from its top.
      {"short", {0, 0, 800, 600}, 640, 260, S::CriteriaAndResults, {37, 0, 640, 600}},
      {"wider than the desktop", {0, 0, 600, 800}, 640, 200, S::ResultsOnly, {0, 60, 600, 480}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SearchWindowRect(c.desktop, c.width, c.height, c.state), c.expected);
  }
}
