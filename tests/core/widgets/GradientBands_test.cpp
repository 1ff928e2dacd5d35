#include "widgets/GradientBands.h"

#include <gtest/gtest.h>

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

TEST(GradientProgress, EmptyBarsDrawNoText) {
  for (int position : {0, -3, 101, 500}) {
    const ProgressPaint p = PlanProgressPaint(0, 100, position, 300, kRed, kBlue, true);
    EXPECT_TRUE(p.empty) << position;
    EXPECT_TRUE(p.bands.empty()) << position;
    EXPECT_TRUE(p.percentText.empty()) << position;
  }
}

TEST(GradientProgress, PercentTextIsPaddedToThreeCharacters) {
  EXPECT_EQ(PlanProgressPaint(0, 100, 5, 300, kRed, kBlue, true).percentText, "  5 %");
  EXPECT_EQ(PlanProgressPaint(0, 100, 50, 300, kRed, kBlue, true).percentText, " 50 %");
  EXPECT_EQ(PlanProgressPaint(0, 100, 100, 300, kRed, kBlue, true).percentText, "100 %");
  EXPECT_EQ(PlanProgressPaint(0, 100, 50, 300, kRed, kBlue, false).percentText, "");
}

TEST(GradientProgress, HalfwayEndsAtTheFirstBandEdgePastTheMiddle) {
  const ProgressPaint p = PlanProgressPaint(0, 100, 50, 300, kRed, kBlue, true);
  ASSERT_FALSE(p.empty);
  EXPECT_EQ(p.filledLength, 150);
  ASSERT_GE(p.bands.size(), 2u);
  const ColourBand& last = p.bands.back();
  EXPECT_GT(last.to, 150);
  EXPECT_LE(p.bands[p.bands.size() - 2].to, 150);
  EXPECT_EQ(p.backFrom, last.to);
  EXPECT_EQ(p.backFrom, 151);
  // The colours belong to positions along the whole bar: halfway is purple, not blue.
  EXPECT_EQ(p.bands.front().colour, kRed);
  EXPECT_NEAR(last.colour.r, 127, 1);
  EXPECT_NEAR(last.colour.b, 128, 1);
}

TEST(GradientProgress, FullBarRunsTheWholeRampAndLeavesNoUnpaintedPixels) {
  const ProgressPaint p = PlanProgressPaint(0, 100, 100, 300, kRed, kBlue, true);
  ASSERT_EQ(p.bands.size(), 255u);
  EXPECT_EQ(p.bands.back().colour, (Rgb{1, 0, 254}));
  EXPECT_LE(p.backFrom, 300);
  EXPECT_GE(p.backFrom, p.bands.back().to);
  for (std::size_t i = 1; i < p.bands.size(); ++i) EXPECT_EQ(p.bands[i].from, p.bands[i - 1].to);
}

TEST(GradientProgress, VerticalBarsFillFromTheTopDown) {
  const ProgressPaint p = PlanProgressPaint(0, 100, 30, 200, kRed, kBlue, false);
  const BandRect first = ProgressBandRect(p.bands.front(), true, 20, 200);
  EXPECT_EQ(first.x, 0);
  EXPECT_EQ(first.y, 0);
  EXPECT_EQ(first.width, 21);
  const BandRect last = ProgressBandRect(p.bands.back(), true, 20, 200);
  EXPECT_GT(last.y + last.height, 60);
  EXPECT_LT(last.y, 62);
  const BandRect horizontal = ProgressBandRect(p.bands.back(), false, 200, 20);
  EXPECT_EQ(horizontal.y, 0);
  EXPECT_EQ(horizontal.height, 21);
}

TEST(GradientProgress, EqualColoursStillFill) {
  const ProgressPaint p = PlanProgressPaint(0, 100, 40, 100, kRed, kRed, false);
  ASSERT_EQ(p.bands.size(), 1u);
  EXPECT_EQ(p.backFrom, 100);
}

TEST(LabelGradient, NarrowLabelsGetOnePixelBands) {
  const auto bands = LabelGradientBands(10, 40, Rgb{0, 0, 0}, Rgb{200, 100, 40});
  ASSERT_EQ(bands.size(), 40u);
  for (std::size_t i = 0; i < bands.size(); ++i) {
    EXPECT_EQ(bands[i].from, 10 + static_cast<int>(i));
    EXPECT_EQ(bands[i].to - bands[i].from, 1);
  }
  EXPECT_EQ(bands[1].colour, (Rgb{5, 2, 1}));
}

TEST(LabelGradient, WideLabelsGetAHundredBandsEndingAtTheRightEdge) {
  const auto bands = LabelGradientBands(0, 250, Rgb{255, 255, 255}, Rgb{0, 0, 0});
  ASSERT_EQ(bands.size(), 100u);
  EXPECT_EQ(bands[0].to, 2);
  EXPECT_EQ(bands.back().to, 250);
  EXPECT_EQ(bands.front().colour, (Rgb{255, 255, 255}));
  EXPECT_TRUE(LabelGradientBands(0, 0, Rgb{}, Rgb{}).empty());
}

}  // namespace
