// CPieChartWnd: the drive chart of the source and disk-imaging pages. A rounded gradient panel
// with a title, a pie (a tilted three-dimensional disc unless a flat mode is chosen) and a
// legend with a colour box, the text and the percentage of each piece, scrollable when its rows
// do not fit. A click highlights the piece under the mouse. The numbers live in PieChartModel
// and PieChart3D; this window paints them.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/graphics.h>
#include <wx/scrolbar.h>
#include <wx/window.h>

#include "widgets/PieChart3D.h"
#include "widgets/PieChartModel.h"

class CPieChartWnd : public wxWindow {
 public:
  CPieChartWnd() = default;

  // Stores the title and creates the window as a visible child at rect.
  bool Create(const wxString& title, const wxRect& rect, wxWindow* parent, wxWindowID id);

  // The page-facing setters; each repaints.
  void SetBackColor(uint32_t colorref);  // 0x00BBGGRR
  void SetInclination(float degrees);
  int SetThickness(float pixels);
  void SetGradientColor(Argb colour);
  void SetLegendBackColor(Argb colour);
  void RemoveAllPieces();
  PieChartPiece* AddPiece(const std::string& label, const std::string& text, double value,
                          Argb colour, bool drawLabelText);
  void SetTransparency(float percent);
  void SetPieRect(const wxRect& rect);
  void SetLegendRect(const wxRect& rect);

  void SetChartMode(int mode);
  void SetRotation(float degrees);
  void SetTextColor(Argb colour);
  void SetShowLabels(bool show);
  void SetHighlightColour(Argb colour);
  void SetPieOffsetX(int offset);
  void SetLegendFontSize(int points);
  void SetGradientLightFactor(float factor);
  void SetGradientDarkFactor(float factor);
  void SetLegendFont(const wxFont& font);
  void SetTitleFont(const wxFont& font);
  void SetTitle(const std::string& title);
  int RemovePiece(const std::string& label);
  void SortByValue(bool descending);
  void SortByKey();
  // The next paint writes the chart to path, in the format its extension names ("chart.png").
  void SaveImage(const std::string& path);

  // The pieces and settings; after changing them directly, call Refresh().
  PieChartModel& Chart() { return m_Chart; }
  const PieChartModel& Chart() const { return m_Chart; }
  // The order of the last three-dimensional paint, which the next click's hit test follows.
  const PaintPlan& LastPaintPlan() const { return m_LastPlan; }
  // Where the last paint put the legend's rows.
  const LegendPlan& LastLegendPlan() const { return m_LastLegend; }
  wxScrollBar* LegendScrollBar() const { return m_LegendScrollBar; }

 private:
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnScroll(wxScrollEvent& event);

  void Relayout();
  void UpdateLegendScrollBar();
  void PaintChart(wxGraphicsContext& gc);
  void DrawBackground(wxGraphicsContext& gc);
  void DrawLegend(wxGraphicsContext& gc);
  void Paint3D(wxGraphicsContext& gc);
  void PaintFlat(wxGraphicsContext& gc);
  void DrawLabels(wxGraphicsContext& gc);
  void DrawFace(wxGraphicsContext& gc, const PieFace& face, const PieChartPiece& piece);
  wxFont MakeFont(const std::string& face, int style, int points) const;
  void SaveImageNow(const wxBitmap& bitmap);

  PieChartModel m_Chart;
  PaintPlan m_LastPlan;
  LegendPlan m_LastLegend;
  wxScrollBar* m_LegendScrollBar = nullptr;
  std::string m_ImagePath;
  bool m_SaveImagePending = false;
};
