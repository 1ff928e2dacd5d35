#include "widgets/PieChartModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(PieChartColours, LighterAndDarkerPerChannel) {
  struct Case {
    Argb colour;
    float factor;
    Argb lighter;
    Argb darker;
  };
  const Case cases[] = {
      // The pages' panel colour with the panel's two factors, and the pieces' defaults.
      {0xFFA3DDEF, 200.0f, 0xFFEBF7FB, 0xFF232F33},
      {0xFFA3DDEF, 10.0f, 0xFFA6DEEF, 0xFF9CD4E5},
      {0xFF6E78FD, 120.0f, 0xFFB2B7FD, 0xFF3A3F85},
      // Kept within 0..255, and always opaque.
      {0x00808080, 1000.0f, 0xFFFFFFFF, 0xFF000000},
      {0x80000000, 0.0f, 0xFF000000, 0xFF000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LighterColour(c.colour, c.factor), c.lighter)
        << std::hex << c.colour << " " << c.factor;
    EXPECT_EQ(DarkerColour(c.colour, c.factor), c.darker)
        << std::hex << c.colour << " " << c.factor;
  }
  EXPECT_EQ(ArgbFromColorref(0x3FC78D), 0xFF8DC73Fu);
}

TEST(PieChartModel, RefusedPiecesChangeNothingButTheLabelFlag) {
  PieChartModel chart;
  ASSERT_TRUE(chart.AddPiece("Used Space", "Used Space", 3, 0xFF6E78FD, true));
  struct Case {
    const char* what;
    const char* label;
    double value;
  };
  const Case cases[] = {
      {"empty label", "", 1},
      {"label taken", "Used Space", 1},
      {"zero value", "Free Space", 0},
      {"negative value", "Free Space", -2},
      {"not a number", "Free Space", std::numeric_limits<double>::quiet_NaN()},
      {"infinite", "Free Space", std::numeric_limits<double>::infinity()},
  };
  bool flag = false;
  for (const Case& c : cases) {
    EXPECT_EQ(chart.AddPiece(c.label, "text", c.value, 0xFF000000, flag), nullptr) << c.what;
    EXPECT_EQ(chart.m_DrawLabelText, flag) << c.what;
    EXPECT_EQ(chart.m_PieceCount, 1) << c.what;
    EXPECT_EQ(chart.m_Total, 3) << c.what;
    flag = !flag;
  }
  // Labels compare exactly.
  EXPECT_TRUE(chart.AddPiece("used space", "x", 1, 0xFF000000, false));
}

TEST(PieChartModel, SharesSweepsAndLegendTexts) {
  PieChartModel chart;
  PieChartPiece* used = chart.AddPiece("Used Space", "Used Space", 3, 0xFF6E78FD, false);
  PieChartPiece* free = chart.AddPiece("Free Space", "Free Space", 1, 0xFFFF7B32, false);
  ASSERT_TRUE(used && free);
  EXPECT_EQ(used->key, 0);
  EXPECT_EQ(free->key, 1);
  EXPECT_FLOAT_EQ(used->share, 0.75f);
  EXPECT_FLOAT_EQ(free->sweep, 90.0f);
  EXPECT_FLOAT_EQ(free->drawSweep, 90.0f);
  EXPECT_EQ(used->lighterColour, LighterColour(0xFF6E78FD, 120));
  EXPECT_EQ(used->darkerColour, DarkerColour(0xFF6E78FD, 10));
  EXPECT_EQ(used->alpha, 255);

  struct Text {
    float share;
    const char* legend;
    const char* label;
  };
  const Text texts[] = {{0.75f, "75.00%", "75.00%"},  {0.25f, "25.00%", "25.00%"},
                        {0.05f, "05.00%", "5.00%"},   {0.0f, "00.00%", "0.00%"},
                        {1.0f, "100.00%", "100.00%"}, {0.099999f, "10.00%", "10.00%"}};
  for (const Text& t : texts) {
    EXPECT_EQ(LegendPercentText(t.share), t.legend) << t.share;
    EXPECT_EQ(LabelPercentText(t.share), t.label) << t.share;
  }
}

TEST(PieChartModel, RemovingRenumbersTheMapAndRestartsKeys) {
  PieChartModel chart;
  for (const char* label : {"a", "b", "c"}) chart.AddPiece(label, label, 1, 0xFF000000, false);
  EXPECT_EQ(chart.RemovePiece(std::string_view("b")), 1);
  EXPECT_EQ(chart.RemovePiece(std::string_view("b")), 0);
  EXPECT_EQ(chart.m_PieceCount, 2);
  EXPECT_EQ(chart.GetPieceKey("c"), 1);
  EXPECT_EQ(chart.FindPiece("c")->key, 2);  // the piece keeps the key it was inserted under
  EXPECT_FLOAT_EQ(chart.FindPiece("c")->share, 0.5f);
  EXPECT_EQ(chart.GetPieceKey("b"), -1);
  chart.RemoveAllPieces();
  EXPECT_EQ(chart.m_Total, 0);
  EXPECT_EQ(chart.AddPiece("x", "x", 1, 0xFF000000, false)->key, 0);
}

TEST(PieChartModel, SortingKeepsLaterEqualPiecesFirst) {
  struct Case {
    bool descending;
    const char* order;
  };
  for (const Case c : {Case{false, "BCA"}, Case{true, "CAB"}}) {
    PieChartModel chart;
    chart.AddPiece("A", "A", 2, 0xFF000000, false);
    chart.AddPiece("B", "B", 1, 0xFF000000, false);
    chart.AddPiece("C", "C", 2, 0xFF000000, false);
    const auto order = [&] {
      std::string s;
      for (const auto& [key, p] : chart.Pieces()) s += p->label;
      return s;
    };
    chart.SortByValue(c.descending);
    EXPECT_EQ(order(), c.order);
    EXPECT_EQ(chart.GetPieceKey(std::string(1, c.order[0])), 0);
    chart.SortByKey();
    EXPECT_EQ(order(), "ABC");
  }
}

TEST(PieChartModel, SettingsAreClamped) {
  PieChartModel chart;
  chart.AddPiece("a", "a", 1, 0xFF000000, false);
  chart.AddPiece("b", "b", 1, 0xFF000000, false);
  struct Case {
    float in;
    float inclination;
    uint8_t alpha;
  };
  const Case cases[] = {{120, 89, 0}, {-5, 0, 255}, {100, 89, 0}, {40, 40, 153}, {150, 89, 0}};
  for (const Case& c : cases) {
    chart.SetInclination(c.in);
    EXPECT_EQ(chart.m_Inclination, c.inclination) << c.in;
    chart.SetTransparency(c.in);
    for (const auto& [key, p] : chart.Pieces()) EXPECT_EQ(p->alpha, c.alpha) << c.in;
  }
  // Not a number changes neither into garbage.
  chart.SetInclination(std::nanf(""));
  EXPECT_EQ(chart.m_Inclination, 0);
  chart.SetTransparency(std::nanf(""));
  EXPECT_EQ(chart.FindPiece("a")->alpha, 255);
  chart.SetRotation(725);
  EXPECT_FLOAT_EQ(chart.m_Rotation, 5);
  EXPECT_FLOAT_EQ(chart.m_DrawStartAngle, 5);
  EXPECT_EQ(chart.SetPieceValue("a", 0), 0);
  EXPECT_EQ(chart.SetPieceValue("missing", 3), 0);
  EXPECT_EQ(chart.SetPieceValue("a", 3), 1);
  EXPECT_FLOAT_EQ(chart.FindPiece("a")->share, 0.75f);
  EXPECT_EQ(chart.GetPieceLightFactor("missing"), -1);
  EXPECT_FALSE(chart.SetPieOffsetX(0));
  EXPECT_TRUE(chart.SetPieOffsetX(4));
}

TEST(PieChartModel, ChartRectangles) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 600, 400});
  // Before the first layout the pie stands left of the default edge (200 - 10), squared.
  EXPECT_EQ(chart.GetChartRect(true), (PieRect{30, 155, 190, 315}));
  chart.Relayout();
  EXPECT_EQ(chart.m_DefaultPieRight, 400);
  EXPECT_EQ(chart.GetChartRect(true), (PieRect{30, 100, 300, 370}));
  EXPECT_EQ(chart.m_LegendRowHeight, 18);  // 270 / 15
  EXPECT_EQ(chart.m_LegendBoxWidth, 33);   // 270 / 8
  EXPECT_EQ(chart.m_LegendRowGap, 13);     // 270 / 20
  // An odd height grows by a pixel, so the ellipses have a whole centre.
  chart.SetClientRect({0, 0, 600, 401});
  EXPECT_EQ(chart.GetChartRect(true), (PieRect{30, 100, 302, 372}));
  // Fixed rectangles are taken as given; the offset moves only a computed pie.
  chart.m_PieRect = {10, 20, 110, 121};
  chart.SetPieOffsetX(5);
  EXPECT_EQ(chart.GetChartRect(true), (PieRect{10, 20, 110, 121}));
}

TEST(PieChartModel, ThicknessIsRelativeToTheTilt) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 600, 400});
  chart.m_PieRect = {0, 0, 180, 180};
  for (float refused : {-1.0f, std::nanf(""), INFINITY}) EXPECT_EQ(chart.SetThickness(refused), 0);
  EXPECT_FLOAT_EQ(chart.m_ThicknessFactor, 0.5f);
  EXPECT_EQ(chart.SetThickness(15), 1);
  EXPECT_FLOAT_EQ(chart.m_ThicknessFactor, 15.0f / 89.0f);
  // A pie too flat to tilt would divide by zero: refused.
  chart.m_PieRect = {0, 0, 180, 1};
  EXPECT_EQ(chart.SetThickness(15), 0);
  EXPECT_FLOAT_EQ(chart.m_ThicknessFactor, 15.0f / 89.0f);
}

TEST(PieChartModel, LegendScrollsToItsLastPageAndStops) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 600, 400});
  chart.m_LegendRect = {300, 100, 580, 250};  // 150 high: rows 10 + gap 7 = 17
  for (int i = 0; i < 12; ++i) {
    const std::string label = "Partition " + std::to_string(i + 1);
    chart.AddPiece(label, label, 1, 0xFF000000, false);
  }
  chart.Relayout();
  EXPECT_EQ(chart.m_LegendRowHeight, 10);
  EXPECT_EQ(chart.m_LegendRowGap, 7);
  EXPECT_EQ(chart.m_LegendContentHeight, 12 * 17 - 7);
  const LegendScrollInfo info = chart.UpdateLegendScrollBar();
  EXPECT_TRUE(info.shown);
  EXPECT_EQ(info.range, 197);
  EXPECT_EQ(info.page, 150);
  // (150 - 10) / 17 = 8 more rows fit below the first: the last page starts at row 3.
  for (int i = 0; i < 20; ++i) chart.LegendLineDown();
  EXPECT_EQ(chart.m_LegendFirstRow, 3);
  EXPECT_EQ(chart.m_LegendScrollPos, chart.ScrollLimit());
  const LegendPlan plan = chart.PlanLegend(80, 50, 12);
  ASSERT_FALSE(plan.rows.empty());
  EXPECT_EQ(plan.rows.front().key, 3);
  EXPECT_EQ(plan.rows.back().key, 11);
  for (int i = 0; i < 20; ++i) chart.LegendLineUp();
  EXPECT_EQ(chart.m_LegendFirstRow, 0);
  EXPECT_EQ(chart.m_LegendScrollPos, 0);
  chart.LegendPageDown();
  EXPECT_EQ(chart.m_LegendScrollPos, chart.ScrollLimit());
  chart.LegendTrack(0);
  EXPECT_EQ(chart.m_LegendFirstRow, 0);

  // Rows that fit need no scroll bar.
  chart.m_LegendRect = {300, 100, 580, 800};
  chart.Relayout();
  EXPECT_FALSE(chart.UpdateLegendScrollBar().shown);
}

TEST(PieChartModel, LegendRowsFollowTheLayout) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 600, 400});
  chart.AddPiece("Used Space", "Used Space", 3, 0xFF6E78FD, false);
  chart.AddPiece("Free Space", "Free Space", 1, 0xFFFF7B32, false);
  chart.Relayout();
  const LegendPlan plan = chart.PlanLegend(81, 51, 14);
  ASSERT_EQ(plan.rows.size(), 2u);
  const int W = 600;
  // Percentages at the right, texts left of them, colour boxes left of the texts.
  EXPECT_EQ(plan.rows[0].percentRect.left, 600 - 51 - W / 35);
  EXPECT_EQ(plan.rows[0].textRect.left, plan.rows[0].percentRect.left - W / 30 - 81);
  EXPECT_EQ(plan.rows[0].boxRect.right, plan.rows[0].textRect.left - W / 30);
  EXPECT_EQ(plan.rows[0].percentText, "75.00%");
  EXPECT_EQ(plan.rows[1].percentText, "25.00%");
  EXPECT_FALSE(plan.rows[0].separator);
  EXPECT_TRUE(plan.rows[1].separator);
  EXPECT_EQ(plan.rows[1].percentRect.top - plan.rows[0].percentRect.top,
            chart.m_LegendRowHeight + chart.m_LegendRowGap);
  // The rows stand around the legend's middle.
  const int middle = (100 + 370) / 2;
  EXPECT_EQ(plan.rows[0].percentRect.top,
            middle - (chart.m_LegendRowHeight + chart.m_LegendRowGap) * 2 / 2 + 1);
  // The computed pie moves left of the colour boxes.
  EXPECT_EQ(chart.m_DefaultPieRight, plan.rows[0].boxRect.left - W / 20);
}

}  // namespace
