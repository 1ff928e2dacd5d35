#include "widgets/PieChart3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// The chart as the pages set it up: tilted by 60 degrees, 15 pixels thick, in a fixed square.
PieChartModel PagesChart(std::initializer_list<double> values) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 500, 400});
  chart.m_PieRect = {20, 60, 260, 300};
  chart.SetInclination(60);
  chart.SetThickness(15);
  int i = 0;
  for (double v : values) {
    const std::string label = "Partition " + std::to_string(++i);
    chart.AddPiece(label, label, v, 0xFF000000 | static_cast<Argb>(i * 0x101010), false);
  }
  chart.SetTransparency(40);
  return chart;
}

std::vector<int> Keys(const PaintPlan& plan) {
  std::vector<int> keys;
  for (const PieceStep& s : plan.steps) keys.push_back(s.key);
  return keys;
}

TEST(PieChart3D, AngleOfPoint) {
  const PieRect r{0, 0, 100, 50};  // centre (50, 25)
  struct Case {
    float x, y, angle;
  };
  const Case cases[] = {{90, 25, 0},   {50, 45, 90},  {10, 25, 180}, {50, 5, 270},
                        {60, 15, 315}, {40, 35, 135}, {50, 25, 0}};
  for (const Case& c : cases)
    EXPECT_NEAR(AngleOfPoint(c.x, c.y, r), c.angle, 1e-3) << c.x << "," << c.y;
}

TEST(PieChart3D, EllipsesOfTheTiltedDisc) {
  PieChartModel chart = PagesChart({1});
  const PieEllipses e = GetPieRects(chart);
  EXPECT_EQ(e.tilt, 80);  // 240 x 60 / 180
  EXPECT_EQ(e.middle, (PieRect{20, 140, 260, 220}));
  EXPECT_EQ(e.depth, static_cast<int>(80 * (15.0f / 118) * 0.5f));  // 240 x 89 / 180 = 118
  EXPECT_EQ(e.top.top, e.middle.top - e.depth);
  EXPECT_EQ(e.bottom.bottom, e.middle.bottom + e.depth);
}

TEST(PieChart3D, FlatDiscDrawsTheFlatSweeps) {
  PieChartModel chart = PagesChart({1, 2, 3, 4});
  chart.SetInclination(0);
  ProjectAngles(chart);
  EXPECT_EQ(GetPieRects(chart).depth, 0);
  for (const auto& [key, p] : chart.Pieces()) EXPECT_NEAR(p->drawSweep, p->sweep, 0.05) << key;
  // No sides on a flat disc: each piece is its top face, twice.
  const PaintPlan plan = PlanPaint3D(chart);
  for (const PieceStep& s : plan.steps)
    for (const PieFace& f : PieceFaces3D(*chart.FindPiece(s.key), s, GetPieRects(chart)))
      EXPECT_EQ(f.kind, FaceKind::Top);
}

TEST(PieChart3D, TiltedSweepsStillCloseTheDisc) {
  for (float rotation : {0.0f, 30.0f, 100.0f, 300.0f}) {
    PieChartModel chart = PagesChart({5, 1, 1, 2, 7});
    chart.SetRotation(rotation);
    ProjectAngles(chart);
    float sum = 0;
    for (const auto& [key, p] : chart.Pieces()) sum += p->drawSweep;
    EXPECT_NEAR(sum, 360.0f, 0.05) << rotation;
    // A piece at the side of the disc looks narrower than its share; at the front, wider.
    // Each piece's end point lies on the top ellipse at its projected angle.
    const PieEllipses e = GetPieRects(chart);
    for (const auto& [key, p] : chart.Pieces()) {
      const float angle = AngleOfPoint(p->endPoint.x, p->endPoint.y + e.depth, e.middle);
      const PiePoint expected = EllipsePoint(e.top, angle);
      EXPECT_NEAR(p->endPoint.x, expected.x, 1.0) << rotation << " " << key;
      EXPECT_NEAR(p->endPoint.y, expected.y, 1.0) << rotation << " " << key;
    }
    // Start points chain on from the previous end point, the first from the last.
    EXPECT_EQ(chart.FindPiece(0)->startPoint.x, chart.FindPiece(4)->endPoint.x);
    EXPECT_EQ(chart.FindPiece(3)->startPoint.y, chart.FindPiece(2)->endPoint.y);
  }
  // Seen at a slant, a quarter centred on the side looks narrower than a quarter at the front.
  PieChartModel side = PagesChart({1, 3});
  side.SetRotation(-45);  // piece 0 spans 315..45 around the right side
  ProjectAngles(side);
  PieChartModel front = PagesChart({1, 3});
  front.SetRotation(45);  // piece 0 spans 45..135 around the front
  ProjectAngles(front);
  EXPECT_LT(side.FindPiece(0)->drawSweep, 90.0f);
  EXPECT_GT(front.FindPiece(0)->drawSweep, 90.0f);
}

TEST(PieChart3D, PaintingOrderRunsFromTheBackToTheFront) {
  PieChartModel chart = PagesChart({1, 1, 1, 1, 1, 1});  // 60 degrees each before the tilt
  chart.SetRotation(0);
  ProjectAngles(chart);
  const PaintPlan plan = PlanPaint3D(chart);
  // Piece 1 spans 60..120 (the front), piece 4 spans 240..300 (the back).
  EXPECT_EQ(plan.frontKey, 1);
  EXPECT_EQ(plan.backKey, 4);
  EXPECT_EQ(Keys(plan), (std::vector<int>{4, 3, 2, 5, 0, 1}));
  EXPECT_EQ(plan.steps.front().part, PiecePart::Back);
  EXPECT_EQ(plan.steps[1].part, PiecePart::Left);
  EXPECT_EQ(plan.steps[3].part, PiecePart::Right);
  EXPECT_EQ(plan.steps.back().part, PiecePart::Front);
}

TEST(PieChart3D, APieceOverHalfTheDiscIsSplitAroundTheOthers) {
  struct Case {
    const char* what;
    std::initializer_list<double> values;
    float rotation;
    std::vector<int> keys;
  };
  const Case cases[] = {
      {"one piece", {1}, 0, {0, 0}},
      // 80 % from 0 to 288: it holds the front and the back.
      {"80/20", {4, 1}, 0, {0, 1, 0}},
      // Starting on the left half, the others lie on the left: walked toward lower keys.
      {"big piece from the left", {12, 1, 1}, 150, {0, 2, 1, 0}},
  };
  for (const Case& c : cases) {
    PieChartModel chart = PagesChart(c.values);
    chart.SetRotation(c.rotation);
    ProjectAngles(chart);
    const PaintPlan plan = PlanPaint3D(chart);
    EXPECT_EQ(plan.frontKey, 0) << c.what;
    EXPECT_EQ(plan.backKey, 0) << c.what;
    EXPECT_EQ(Keys(plan), c.keys) << c.what;
    EXPECT_EQ(plan.steps.front().part, PiecePart::SplitBack) << c.what;
    EXPECT_EQ(plan.steps.back().part, PiecePart::SplitFront) << c.what;
  }
}

TEST(PieChart3D, APieceEndingAtTheBackPointLeavesItToTheNext) {
  // 75 % from 0 to exactly 270: the back point starts the 25 % piece, whose arc covers it.
  PieChartModel chart = PagesChart({3, 1});
  ProjectAngles(chart);
  const PaintPlan plan = PlanPaint3D(chart);
  EXPECT_EQ(plan.frontKey, 0);
  EXPECT_EQ(plan.backKey, 1);
  EXPECT_EQ(Keys(plan), (std::vector<int>{1, 0}));
}

TEST(PieChart3D, OnlyFacesTowardTheViewerAreDrawn) {
  PieChartModel chart = PagesChart({1});
  const PieEllipses e = GetPieRects(chart);
  const PieChartPiece& piece = *chart.FindPiece(0);
  struct Case {
    float start, sweep;
    int radial, outer;
  };
  const Case cases[] = {
      {30, 120, 0, 1},   // the front: its rim shows, both walls face away
      {200, 50, 1, 0},   // back left: its start wall faces the viewer, its rim does not
      {290, 40, 1, 0},   // back right: its end wall
      {150, 60, 1, 1},   // from the left front into the back
      {300, 120, 1, 1},  // from the back right round past 0: its end wall faces front
      {100, 340, 2, 2},  // nearly all: both walls and the rim on each side of the gap
  };
  for (const Case& c : cases) {
    const auto faces = PieceFaces3D(piece, {0, PiecePart::Back, c.start, c.sweep}, e);
    const auto count = [&](FaceKind k) {
      return std::count_if(faces.begin(), faces.end(),
                           [&](const PieFace& f) { return f.kind == k; });
    };
    EXPECT_EQ(count(FaceKind::RadialSide), c.radial) << c.start;
    EXPECT_EQ(count(FaceKind::OuterSide), c.outer) << c.start;
    EXPECT_EQ(faces.front().kind, FaceKind::Top);
    EXPECT_EQ(faces.back().kind, FaceKind::Top);
  }
}

TEST(PieChart3D, HitTestFindsTheVisibleFace) {
  // The middle of each piece's top face shows that piece, a small one beside a piece split round
  // it (a drive less than half full) too: no wall of the large one is painted over it.
  for (const auto values : {std::initializer_list<double>{1, 1, 1, 1, 1, 1},
                            {8, 92},
                            {92, 8},
                            {5, 90, 5},
                            {30, 3, 67}}) {
    PieChartModel chart = PagesChart(values);
    ProjectAngles(chart);
    const PaintPlan plan = PlanPaint3D(chart);
    const PieEllipses e = GetPieRects(chart);
    float start = chart.m_DrawStartAngle;
    for (const auto& [key, p] : chart.Pieces()) {
      const PieRect& top = e.top;
      const PiePoint c{static_cast<float>((top.left + top.right) / 2),
                       static_cast<float>((top.top + top.bottom) / 2)};
      const PiePoint rim = EllipsePoint(top, start + p->drawSweep / 2);
      const PiePoint mid{(c.x + rim.x) / 2, (c.y + rim.y) / 2};
      EXPECT_EQ(HitTest3D(chart, plan, mid), key) << key << " of " << values.size();
      start += p->drawSweep;
    }
  }
  PieChartModel chart = PagesChart({1, 1, 1, 1, 1, 1});
  ProjectAngles(chart);
  const PaintPlan plan = PlanPaint3D(chart);
  const PieEllipses e = GetPieRects(chart);
  // Just below the front rim lies the front piece's side, though farther faces lie behind it.
  const PiePoint front = EllipsePoint(e.top, 90);
  EXPECT_EQ(HitTest3D(chart, plan, {front.x, front.y + static_cast<float>(e.depth)}),
            plan.frontKey);
  EXPECT_EQ(HitTest3D(chart, plan, {static_cast<float>(e.top.left - 5), front.y}), -1);
  EXPECT_EQ(HitTest3D(chart, plan, {front.x, front.y + 3.0f * static_cast<float>(e.depth) + 2}),
            -1);
}

TEST(PieChart3D, FlatModesHitTheWedges) {
  PieChartModel chart = PagesChart({3, 1});
  chart.m_ChartMode = 0;
  // 75 % from 0 to 270 and 25 % from 270 to 360 on the square pie 20..260 x 60..300.
  EXPECT_EQ(HitTestFlat(chart, {140, 250}), 0);  // below the centre
  EXPECT_EQ(HitTestFlat(chart, {200, 120}), 1);  // upper right
  EXPECT_EQ(HitTestFlat(chart, {10, 10}), -1);
  const auto wedges = FlatWedges(chart);
  ASSERT_EQ(wedges.size(), 2u);
  EXPECT_FLOAT_EQ(wedges[1].startAngle, 270.0f);
}

TEST(PieChart3D, DegenerateChartsStayFinite) {
  PieChartModel chart;
  chart.SetClientRect({0, 0, 0, 0});
  chart.m_PieRect = {5, 5, 5, 5};  // empty: the computed square is used
  chart.AddPiece("a", "a", 1e-30, 0xFF000000, false);
  chart.AddPiece("b", "b", 1, 0xFF000000, false);
  chart.SetInclination(89);
  ProjectAngles(chart);
  for (const auto& [key, p] : chart.Pieces()) {
    EXPECT_TRUE(std::isfinite(p->drawSweep));
    EXPECT_TRUE(std::isfinite(p->endPoint.x) && std::isfinite(p->endPoint.y));
  }
  EXPECT_FALSE(PlanPaint3D(chart).steps.empty());
  EXPECT_TRUE(PlanPaint3D(PieChartModel()).steps.empty());
}

}  // namespace
