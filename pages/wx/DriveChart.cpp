#include "pages/wx/DriveChart.h"

#include <algorithm>

#include "widgets/wx/PieChartWnd.h"

namespace {

constexpr float kPieceTransparency = 40.0f;
constexpr Argb kChartBlue = 0xFFA3DDEF;
// Narrower than this, the legend does not fit beside the pie.
constexpr int kStackedWidth = 560;

}  // namespace

CPieChartWnd* CreateDriveChart(wxWindow* parent, float inclination, float thickness) {
  auto* chart = new CPieChartWnd;
  chart->Create(kChartTitle, wxRect(0, 0, 300, 200), parent, wxID_ANY);
  chart->SetBackColor(0xFFFFFF);
  chart->SetInclination(inclination);
  chart->SetThickness(thickness);
  chart->SetGradientColor(kChartBlue);
  chart->SetLegendBackColor(kChartBlue);
  return chart;
}

void ShowChartPieces(CPieChartWnd& chart, const std::vector<ChartPiece>& pieces) {
  chart.RemoveAllPieces();
  for (const ChartPiece& p : pieces) chart.AddPiece(p.label, p.label, p.value, p.colour, false);
  chart.SetTransparency(kPieceTransparency);
  chart.Refresh();
}

void PlaceDriveChart(CPieChartWnd& chart, const wxRect& rect) {
  chart.SetSize(rect);
  const int width = rect.width;
  const int height = rect.height;
  constexpr int kTop = 40;  // below the title
  if (width < kStackedWidth) {
    // Too narrow for a legend beside the pie (its longest text is "Selected Partition 26" and a
    // percentage): the legend goes below it.
    const int pieWidth = std::max(40, width - 32);
    const int pieHeight = std::max(40, std::min(pieWidth * 3 / 4, (height - kTop - 16) / 2));
    chart.SetPieRect(wxRect(16, kTop, pieWidth, pieHeight));
    const int legendTop = kTop + pieHeight + 10;
    chart.SetLegendRect(wxRect(16, legendTop, pieWidth, std::max(40, height - legendTop - 16)));
    return;
  }
  const int pie = std::max(40, std::min(height - 50, width / 2 - 20));
  chart.SetPieRect(wxRect(16, kTop, pie, pie * 3 / 4));
  chart.SetLegendRect(
      wxRect(pie + 40, kTop, std::max(80, width - pie - 60), std::max(40, height - 56)));
}
