#include "pages/wx/DriveChart.h"

#include <algorithm>

#include "widgets/wx/PieChartWnd.h"

namespace {

constexpr float kPieceTransparency = 40.0f;
constexpr Argb kChartBlue = 0xFFA3DDEF;

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
  const int pie = std::max(40, std::min(height - 50, width / 2 - 20));
  chart.SetPieRect(wxRect(16, 40, pie, pie * 3 / 4));
  chart.SetLegendRect(
      wxRect(pie + 40, 40, std::max(80, width - pie - 60), std::max(40, height - 56)));
}
