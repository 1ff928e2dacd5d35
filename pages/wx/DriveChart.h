// The drive chart as the source and disk-imaging pages set it up: created on the page with its
// look (white back, tilt and thickness by page, the pale blue gradient and legend back), given
// the pieces of the chosen source, and fitted with its pie beside its legend.
#pragma once

#include <vector>

#include <wx/gdicmn.h>

#include "pages/DriveChartPieces.h"

class CPieChartWnd;
class wxWindow;

// A new chart "Drive Information" on parent; the source page tilts it by 60 degrees and gives it
// 15 pixels of thickness, the imaging page 45 and 10.
CPieChartWnd* CreateDriveChart(wxWindow* parent, float inclination, float thickness);

// Replaces the chart's pieces; the transparency is set after them so that it reaches them.
void ShowChartPieces(CPieChartWnd& chart, const std::vector<ChartPiece>& pieces);

// Places the chart at rect with the pie on the left and the legend to its right.
void PlaceDriveChart(CPieChartWnd& chart, const wxRect& rect);
