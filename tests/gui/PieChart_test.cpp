// The drive chart on a real display, set up as the source and disk-imaging pages set it up: the
// pieces' fills land where the geometry puts them (checked on screenshot pixels), a click
// highlights the piece under it, and the chart can write itself to a picture file.
#include <gtest/gtest.h>
#include <wx/frame.h>

#include <cmath>
#include <filesystem>

#include "ToolkitTestUtil.h"
#include "widgets/PieChart3D.h"
#include "widgets/wx/PieChartWnd.h"

namespace {

using guitest::Near;
using guitest::PixelAt;

// The first five colours of the pages' partition colour table (0x00BBGGRR).
constexpr uint32_t kPartitionColours[] = {0x3FC78D, 0x05D5FF, 0xC5629D, 0x8B08EB, 0x2825ED};

class ChartFrame {
 public:
  ChartFrame() {
    guitest::UseBuildBitmaps();
    m_Frame = new wxFrame(nullptr, wxID_ANY, "chart", wxPoint(30, 30), wxSize(640, 480));
    m_Frame->SetBackgroundColour(*wxWHITE);
    m_Chart = new CPieChartWnd();
    m_Chart->Create("Drive Information", wxRect(10, 10, 600, 420), m_Frame, 1);
    m_Chart->SetBackColor(0xFFFFFF);
    m_Chart->SetInclination(60);
    m_Chart->SetThickness(15);
    m_Chart->SetGradientColor(0xFFA3DDEF);
    m_Chart->SetLegendBackColor(0xFFA3DDEF);
    m_Frame->Show();
    guitest::Pump();
  }
  ~ChartFrame() {
    m_Frame->Destroy();
    guitest::Pump(3);
  }
  CPieChartWnd* operator->() const { return m_Chart; }
  CPieChartWnd* get() const { return m_Chart; }

 private:
  wxFrame* m_Frame;
  CPieChartWnd* m_Chart;
};

// Halfway between the centre and the rim of a piece's top face, in the last paint.
wxPoint TopFaceMiddle(const CPieChartWnd& chart, int key) {
  const PieEllipses e = GetPieRects(chart.Chart());
  for (const PieceStep& step : chart.LastPaintPlan().steps) {
    if (step.key != key) continue;
    const PiePoint rim = EllipsePoint(e.top, step.startAngle + step.sweep / 2);
    const float cx = static_cast<float>((e.top.left + e.top.right) / 2);
    const float cy = static_cast<float>((e.top.top + e.top.bottom) / 2);
    return wxPoint(static_cast<int>((cx + rim.x) / 2), static_cast<int>((cy + rim.y) / 2));
  }
  return wxPoint(-1, -1);
}

// What a top face looks like at point p: its darker-to-lighter gradient, drawn twice at the
// piece's opacity over the panel.
wxColour ExpectedTopFace(const CPieChartWnd& chart, const PieChartPiece& piece, wxPoint p,
                         const wxColour& panel) {
  const PieRect top = GetPieRects(chart.Chart()).top;
  const double t = std::clamp((p.y - top.top) / static_cast<double>(top.Height()), 0.0, 1.0);
  const double a = piece.alpha / 255.0;
  const double cover = 1 - (1 - a) * (1 - a);
  const auto channel = [&](uint8_t dark, uint8_t light, unsigned char back) {
    const double face = dark + (light - dark) * t;
    return static_cast<unsigned char>(std::lround(face * cover + back * (1 - cover)));
  };
  return wxColour(channel(RedOf(piece.darkerColour), RedOf(piece.lighterColour), panel.Red()),
                  channel(GreenOf(piece.darkerColour), GreenOf(piece.lighterColour), panel.Green()),
                  channel(BlueOf(piece.darkerColour), BlueOf(piece.lighterColour), panel.Blue()));
}

int Distance(const wxColour& a, const wxColour& b) {
  return std::abs(a.Red() - b.Red()) + std::abs(a.Green() - b.Green()) +
         std::abs(a.Blue() - b.Blue());
}

void Click(CPieChartWnd* chart, wxPoint p) {
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  down.SetPosition(p);
  down.SetEventObject(chart);
  chart->GetEventHandler()->ProcessEvent(down);
  guitest::Pump(5);
}

TEST(PieChartWnd, UsedAndFreeSpace) {
  ChartFrame chart;
  chart->RemoveAllPieces();
  ASSERT_TRUE(chart->AddPiece("Used Space", "Used Space", 75, 0xFF6E78FD, false));
  ASSERT_TRUE(chart->AddPiece("Free Space", "Free Space", 25, 0xFFFF7B32, false));
  chart->SetTransparency(40);
  guitest::Pump();
  const wxImage screen = guitest::Shot("drive-chart-usage");
  ASSERT_TRUE(screen.IsOk());
  // 75 % ends exactly at the back point, which the 25 % piece then holds.
  EXPECT_EQ(chart->Chart().m_FrontPieceKey, 0);
  EXPECT_EQ(chart->Chart().m_BackPieceKey, 1);

  const wxPoint used = TopFaceMiddle(*chart.get(), 0);
  const wxPoint free = TopFaceMiddle(*chart.get(), 1);
  const wxColour usedPixel = PixelAt(screen, chart.get(), used);
  const wxColour freePixel = PixelAt(screen, chart.get(), free);
  EXPECT_GT(usedPixel.Blue(), usedPixel.Red() + 40) << usedPixel.GetAsString().utf8_string();
  EXPECT_GT(freePixel.Red(), freePixel.Blue() + 60) << freePixel.GetAsString().utf8_string();
  // Outside the panel's rounded corner the back colour shows.
  EXPECT_TRUE(Near(PixelAt(screen, chart.get(), wxPoint(1, 1)), *wxWHITE, 3));
  // The legend's colour boxes are filled opaque with the pieces' colours.
  const LegendPlan& legend = chart->LastLegendPlan();
  ASSERT_EQ(legend.rows.size(), 2u);
  const PieRect box = legend.rows[0].boxRect;
  EXPECT_TRUE(Near(
      PixelAt(screen, chart.get(), wxPoint((box.left + box.right) / 2, (box.top + box.bottom) / 2)),
      wxColour(0x6E, 0x78, 0xFD), 4));

  // A click highlights the piece under it; its face turns toward the highlight colour.
  Click(chart.get(), free);
  ASSERT_TRUE(chart->Chart().SelectedPiece());
  EXPECT_EQ(chart->Chart().SelectedPiece()->label, "Free Space");
  const wxImage selected = guitest::Shot("drive-chart-usage-selected");
  const wxColour lit = PixelAt(selected, chart.get(), free);
  EXPECT_GT(lit.Green(), freePixel.Green() + 20) << lit.GetAsString().utf8_string();
  EXPECT_GT(lit.Blue(), freePixel.Blue() + 20) << lit.GetAsString().utf8_string();
  // A click beside the disc clears it.
  Click(chart.get(), wxPoint(5, 400));
  EXPECT_EQ(chart->Chart().SelectedPiece(), nullptr);
}

// A drive less than half full: the free piece reaches round the used one from both sides, and
// none of its walls is painted over the used piece's top.
TEST(PieChartWnd, ASmallUsedPieceKeepsItsColour) {
  ChartFrame chart;
  chart->RemoveAllPieces();
  ASSERT_TRUE(chart->AddPiece("Used Space", "Used Space", 8, 0xFF6E78FD, false));
  ASSERT_TRUE(chart->AddPiece("Free Space", "Free Space", 92, 0xFFFF7B32, false));
  chart->SetTransparency(40);
  guitest::Pump();
  const wxImage screen = guitest::Shot("drive-chart-small-used");
  ASSERT_TRUE(screen.IsOk());
  const PieChartPiece& usedPiece = *chart->Chart().FindPiece(0);
  const PieChartPiece& freePiece = *chart->Chart().FindPiece(1);
  const wxPoint used = TopFaceMiddle(*chart.get(), 0);
  const wxColour pixel = PixelAt(screen, chart.get(), used);
  const int aboveDisc = GetPieRects(chart->Chart()).top.top - 5;
  const wxColour panel = PixelAt(screen, chart.get(), wxPoint(used.x, aboveDisc));
  EXPECT_LT(Distance(pixel, ExpectedTopFace(*chart.get(), usedPiece, used, panel)),
            Distance(pixel, ExpectedTopFace(*chart.get(), freePiece, used, panel)))
      << pixel.GetAsString().utf8_string();
  EXPECT_GT(pixel.Blue(), pixel.Red() + 40) << pixel.GetAsString().utf8_string();
}

TEST(PieChartWnd, FivePartitions) {
  ChartFrame chart;
  chart->RemoveAllPieces();
  const double sizes[] = {30, 25, 20, 15, 10};
  for (int i = 0; i < 5; ++i) {
    const std::string label =
        i == 2 ? "Selected Partition 3" : "Partition " + std::to_string(i + 1);
    ASSERT_TRUE(
        chart->AddPiece(label, label, sizes[i], ArgbFromColorref(kPartitionColours[i]), false));
  }
  chart->SetTransparency(40);
  chart->SetPieRect(wxRect(30, 110, 240, 240));
  chart->SetLegendRect(wxRect(290, 110, 290, 280));
  guitest::Pump();
  const wxImage screen = guitest::Shot("drive-chart-partitions");
  ASSERT_TRUE(screen.IsOk());
  EXPECT_NE(chart->Chart().m_FrontPieceKey, chart->Chart().m_BackPieceKey);
  // Each piece's top face shows its own colour: of the five expected fills the pixel is
  // nearest its own.
  for (int key = 0; key < 5; ++key) {
    const wxPoint p = TopFaceMiddle(*chart.get(), key);
    const wxColour panel = PixelAt(screen, chart.get(), wxPoint(p.x, 105));
    const wxColour pixel = PixelAt(screen, chart.get(), p);
    int best = -1, bestDistance = 1 << 30;
    for (int other = 0; other < 5; ++other) {
      const int d = Distance(
          pixel, ExpectedTopFace(*chart.get(), *chart->Chart().FindPiece(other), p, panel));
      if (d < bestDistance) {
        best = other;
        bestDistance = d;
      }
    }
    EXPECT_EQ(best, key) << "pixel " << pixel.GetAsString().utf8_string();
    EXPECT_LT(bestDistance, 45) << key;
  }
  // Below the front rim lies the front piece's side: a click there selects it.
  const PieEllipses e = GetPieRects(chart->Chart());
  const PiePoint front = EllipsePoint(e.top, 90);
  Click(chart.get(), wxPoint(static_cast<int>(front.x), static_cast<int>(front.y) + e.depth));
  ASSERT_TRUE(chart->Chart().SelectedPiece());
  EXPECT_EQ(chart->Chart().GetPieceKey(chart->Chart().SelectedPiece()->label),
            chart->Chart().m_FrontPieceKey);
  guitest::Shot("drive-chart-partitions-front-selected");
}

TEST(PieChartWnd, ALongLegendScrolls) {
  ChartFrame chart;
  for (int i = 0; i < 20; ++i) {
    const std::string label = "Partition " + std::to_string(i + 1);
    chart->AddPiece(label, label, 1 + i % 3, ArgbFromColorref(kPartitionColours[i % 5]), false);
  }
  chart->SetTransparency(40);
  chart->SetPieRect(wxRect(30, 110, 240, 240));
  chart->SetLegendRect(wxRect(290, 110, 280, 200));
  guitest::Pump();
  EXPECT_TRUE(chart->LegendScrollBar()->IsShown());
  EXPECT_EQ(chart->LastLegendPlan().rows.front().key, 0);
  guitest::Shot("drive-chart-long-legend");
  // Scrolling down a line at a time ends with the last row in view.
  for (int i = 0; i < 30; ++i) {
    wxScrollEvent down(wxEVT_SCROLL_LINEDOWN, 1, 0, wxVERTICAL);
    down.SetEventObject(chart->LegendScrollBar());
    chart->LegendScrollBar()->GetEventHandler()->ProcessEvent(down);
  }
  guitest::Pump();
  EXPECT_EQ(chart->LastLegendPlan().rows.back().key, 19);
  EXPECT_GT(chart->LastLegendPlan().rows.front().key, 0);
  guitest::Shot("drive-chart-long-legend-scrolled");
}

TEST(PieChartWnd, FlatModeWithLabels) {
  ChartFrame chart;
  chart->AddPiece("Used Space", "Used Space", 75, 0xFF6E78FD, true);
  chart->AddPiece("Free Space", "Free Space", 25, 0xFFFF7B32, true);
  chart->SetChartMode(0);
  chart->SetPieRect(wxRect(30, 110, 240, 240));
  chart->SetLegendRect(wxRect(290, 110, 290, 280));
  guitest::Pump();
  const wxImage screen = guitest::Shot("drive-chart-flat-labels");
  ASSERT_TRUE(screen.IsOk());
  // 75 % from 0 to 270 degrees and 25 % above and right of the centre (150, 230).
  const wxColour used = PixelAt(screen, chart.get(), wxPoint(100, 270));
  const wxColour free = PixelAt(screen, chart.get(), wxPoint(200, 160));
  EXPECT_GT(used.Blue(), used.Red() + 40) << used.GetAsString().utf8_string();
  EXPECT_GT(free.Red(), free.Blue() + 60) << free.GetAsString().utf8_string();
  Click(chart.get(), wxPoint(200, 160));
  ASSERT_TRUE(chart->Chart().SelectedPiece());
  EXPECT_EQ(chart->Chart().SelectedPiece()->label, "Free Space");
}

TEST(PieChartWnd, SavesItsPicture) {
  ChartFrame chart;
  chart->AddPiece("Used Space", "Used Space", 60, 0xFF6E78FD, false);
  chart->AddPiece("Free Space", "Free Space", 40, 0xFFFF7B32, false);
  const std::string path =
      (std::filesystem::temp_directory_path() / "merrowind-chart-save.png").string();
  std::filesystem::remove(path);
  chart->SaveImage(path);
  guitest::Pump();
  wxImage saved;
  ASSERT_TRUE(saved.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG));
  EXPECT_EQ(saved.GetSize(), chart->GetClientSize());
  std::filesystem::remove(path);
}

}  // namespace
