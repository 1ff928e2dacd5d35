#include "widgets/wx/PieChartWnd.h"

#include <algorithm>
#include <memory>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include "widgets/wx/FontFace.h"

namespace {

wxColour ToColour(Argb c) {
  return wxColour(RedOf(c), GreenOf(c), BlueOf(c), AlphaOf(c));
}

wxColour WithAlpha(Argb c, uint8_t alpha) {
  return wxColour(RedOf(c), GreenOf(c), BlueOf(c), alpha);
}

PieRect ToPieRect(const wxRect& r) {
  return {r.x, r.y, r.x + r.width, r.y + r.height};
}

wxGraphicsPath PolygonPath(wxGraphicsContext& gc, const std::vector<PiePoint>& polygon) {
  wxGraphicsPath path = gc.CreatePath();
  if (polygon.empty()) return path;
  path.MoveToPoint(polygon[0].x, polygon[0].y);
  for (size_t i = 1; i < polygon.size(); ++i) path.AddLineToPoint(polygon[i].x, polygon[i].y);
  path.CloseSubpath();
  return path;
}

}  // namespace

bool CPieChartWnd::Create(const wxString& title, const wxRect& rect, wxWindow* parent,
                          wxWindowID id) {
  m_Chart.m_Title = title.utf8_string();
  if (!wxWindow::Create(parent, id, rect.GetPosition(), rect.GetSize(),
                        wxCLIP_CHILDREN | wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE))
    return false;
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  const wxSize client = GetClientSize();
  m_LegendScrollBar = new wxScrollBar(this, 1, wxPoint(client.x - 40, 10),
                                      wxSize(20, std::max(client.y - 20, 1)), wxSB_VERTICAL);
  m_LegendScrollBar->Hide();
  Bind(wxEVT_PAINT, &CPieChartWnd::OnPaint, this);
  Bind(wxEVT_SIZE, &CPieChartWnd::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &CPieChartWnd::OnLeftDown, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_LINEUP, &CPieChartWnd::OnScroll, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_LINEDOWN, &CPieChartWnd::OnScroll, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_PAGEUP, &CPieChartWnd::OnScroll, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_PAGEDOWN, &CPieChartWnd::OnScroll, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_THUMBTRACK, &CPieChartWnd::OnScroll, this);
  m_LegendScrollBar->Bind(wxEVT_SCROLL_THUMBRELEASE, &CPieChartWnd::OnScroll, this);
  Relayout();
  return true;
}

// --- setters

void CPieChartWnd::SetBackColor(uint32_t colorref) {
  m_Chart.m_BackColour = ArgbFromColorref(colorref);
  Refresh();
}

void CPieChartWnd::SetInclination(float degrees) {
  m_Chart.SetInclination(degrees);
  Refresh();
}

int CPieChartWnd::SetThickness(float pixels) {
  const int done = m_Chart.SetThickness(pixels);
  if (done) Refresh();
  return done;
}

void CPieChartWnd::SetGradientColor(Argb colour) {
  m_Chart.SetGradientColor(colour);
  Refresh();
}

void CPieChartWnd::SetLegendBackColor(Argb colour) {
  m_Chart.m_LegendBackColour = colour;
  Refresh();
}

void CPieChartWnd::RemoveAllPieces() {
  m_Chart.RemoveAllPieces();
  UpdateLegendScrollBar();
  Refresh();
}

PieChartPiece* CPieChartWnd::AddPiece(const std::string& label, const std::string& text,
                                      double value, Argb colour, bool drawLabelText) {
  PieChartPiece* piece = m_Chart.AddPiece(label, text, value, colour, drawLabelText);
  if (!piece) return nullptr;
  UpdateLegendScrollBar();
  Refresh();
  return piece;
}

void CPieChartWnd::SetTransparency(float percent) {
  m_Chart.SetTransparency(percent);
  Refresh();
}

void CPieChartWnd::SetPieRect(const wxRect& rect) {
  m_Chart.m_PieRect = ToPieRect(rect);
  Refresh();
}

void CPieChartWnd::SetLegendRect(const wxRect& rect) {
  m_Chart.m_LegendRect = ToPieRect(rect);
  Relayout();
  Refresh();
}

void CPieChartWnd::SetChartMode(int mode) {
  m_Chart.m_ChartMode = mode;
  Refresh();
}

void CPieChartWnd::SetRotation(float degrees) {
  m_Chart.SetRotation(degrees);
  Refresh();
}

void CPieChartWnd::SetTextColor(Argb colour) {
  m_Chart.m_TextColour = colour;
  Refresh();
}

void CPieChartWnd::SetShowLabels(bool show) {
  m_Chart.m_ShowLabels = show;
  Refresh();
}

void CPieChartWnd::SetHighlightColour(Argb colour) {
  m_Chart.m_HighlightColour = colour;
  Refresh();
}

void CPieChartWnd::SetPieOffsetX(int offset) {
  if (m_Chart.SetPieOffsetX(offset)) Refresh();
}

void CPieChartWnd::SetLegendFontSize(int points) {
  m_Chart.m_LegendFontSize = points;
  Refresh();
}

void CPieChartWnd::SetGradientLightFactor(float factor) {
  m_Chart.SetGradientLightFactor(factor);
  Refresh();
}

void CPieChartWnd::SetGradientDarkFactor(float factor) {
  m_Chart.SetGradientDarkFactor(factor);
  Refresh();
}

namespace {
int StyleBits(const wxFont& font) {
  return (font.GetWeight() > wxFONTWEIGHT_NORMAL ? 1 : 0) |
         (font.GetStyle() == wxFONTSTYLE_ITALIC ? 2 : 0) | (font.GetUnderlined() ? 4 : 0) |
         (font.GetStrikethrough() ? 8 : 0);
}
}  // namespace

void CPieChartWnd::SetLegendFont(const wxFont& font) {
  m_Chart.m_LegendFontFace = font.GetFaceName().utf8_string();
  m_Chart.m_LegendFontStyle = StyleBits(font);
  Refresh();
}

void CPieChartWnd::SetTitleFont(const wxFont& font) {
  m_Chart.m_TitleFontFace = font.GetFaceName().utf8_string();
  m_Chart.m_TitleFontStyle = StyleBits(font);
  Refresh();
}

void CPieChartWnd::SetTitle(const std::string& title) {
  m_Chart.m_Title = title;
  Refresh();
}

int CPieChartWnd::RemovePiece(const std::string& label) {
  const int removed = m_Chart.RemovePiece(std::string_view(label));
  if (removed) {
    UpdateLegendScrollBar();
    Refresh();
  }
  return removed;
}

void CPieChartWnd::SortByValue(bool descending) {
  m_Chart.SortByValue(descending);
  Refresh();
}

void CPieChartWnd::SortByKey() {
  m_Chart.SortByKey();
  Refresh();
}

void CPieChartWnd::SaveImage(const std::string& path) {
  m_ImagePath = path;
  m_SaveImagePending = true;
  Refresh();
}

// --- layout and events

void CPieChartWnd::Relayout() {
  const wxSize size = GetClientSize();
  m_Chart.SetClientRect({0, 0, size.x, size.y});
  const PieRect bar = m_Chart.Relayout();
  if (m_LegendScrollBar)
    m_LegendScrollBar->SetSize(bar.left, bar.top, bar.Width(), std::max(bar.Height(), 1));
  UpdateLegendScrollBar();
}

void CPieChartWnd::UpdateLegendScrollBar() {
  if (!m_LegendScrollBar) return;
  const LegendScrollInfo info = m_Chart.UpdateLegendScrollBar();
  if (info.shown) {
    m_LegendScrollBar->SetScrollbar(m_Chart.m_LegendScrollPos, info.page, info.range, info.page);
  }
  m_LegendScrollBar->Show(info.shown);
}

void CPieChartWnd::OnSize(wxSizeEvent& event) {
  Relayout();
  Refresh();
  event.Skip();
}

void CPieChartWnd::OnScroll(wxScrollEvent& event) {
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_SCROLL_LINEUP)
    m_Chart.LegendLineUp();
  else if (type == wxEVT_SCROLL_LINEDOWN)
    m_Chart.LegendLineDown();
  else if (type == wxEVT_SCROLL_PAGEUP)
    m_Chart.LegendPageUp();
  else if (type == wxEVT_SCROLL_PAGEDOWN)
    m_Chart.LegendPageDown();
  else
    m_Chart.LegendTrack(event.GetPosition());
  Refresh();
  m_LegendScrollBar->SetThumbPosition(m_Chart.m_LegendScrollPos);
}

void CPieChartWnd::OnLeftDown(wxMouseEvent& event) {
  m_Chart.ClearSelection();
  const PiePoint point{static_cast<float>(event.GetX()), static_cast<float>(event.GetY())};
  const int key = m_Chart.m_ChartMode == 2 ? HitTest3D(m_Chart, m_LastPlan, point)
                                           : HitTestFlat(m_Chart, point);
  if (PieChartPiece* piece = m_Chart.FindPiece(key)) piece->selected = 1;
  Refresh();
  event.Skip();
}

// --- painting

void CPieChartWnd::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize size = GetClientSize();
  if (size.x <= 0 || size.y <= 0) return;
  // The whole chart is built off-screen and copied in one go, so it never flickers.
  wxBitmap bitmap(size.x, size.y, 32);
  {
    wxMemoryDC memory(bitmap);
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(memory));
    if (gc) {
      gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
      PaintChart(*gc);
    }
  }
  SaveImageNow(bitmap);
  dc.DrawBitmap(bitmap, 0, 0);
}

void CPieChartWnd::PaintChart(wxGraphicsContext& gc) {
  const int mode = m_Chart.m_ChartMode;
  if (mode < 0 || mode > 2) return;
  DrawBackground(gc);
  DrawLegend(gc);
  if (mode == 2)
    Paint3D(gc);
  else
    PaintFlat(gc);
  if (m_Chart.m_ShowLabels) DrawLabels(gc);
}

wxFont CPieChartWnd::MakeFont(const std::string& face, int style, int points) const {
  wxFont font(wxFontInfo(std::max(points, 1)).Family(wxFONTFAMILY_SWISS));
  // An empty family falls back to the generic sans-serif one.
  if (!face.empty()) SetFontFace(font, wxString::FromUTF8(face));
  if (style & 1) font.SetWeight(wxFONTWEIGHT_BOLD);
  if (style & 2) font.SetStyle(wxFONTSTYLE_ITALIC);
  if (style & 4) font.SetUnderlined(true);
  if (style & 8) font.SetStrikethrough(true);
  return font;
}

void CPieChartWnd::DrawBackground(wxGraphicsContext& gc) {
  const PieRect client = m_Chart.ClientRect();
  const Argb back = m_Chart.m_BackColour | 0xFF000000u;
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(wxBrush(ToColour(back)));
  gc.DrawRectangle(client.left, client.top, client.Width(), client.Height());

  const PieRect panel = PieChartModel::PanelRect(client);
  gc.SetBrush(gc.CreateLinearGradientBrush(panel.left, panel.top, panel.right, panel.bottom,
                                           ToColour(m_Chart.m_GradientLight),
                                           ToColour(m_Chart.m_GradientDark)));
  gc.DrawRoundedRectangle(panel.left, panel.top, panel.Width(), panel.Height(), 30);

  const wxFont font = MakeFont(m_Chart.m_TitleFontFace, m_Chart.m_TitleFontStyle,
                               PieChartModel::TitleFontSize(panel.Height()));
  gc.SetFont(font, ToColour(m_Chart.m_TextColour));
  const wxString title = wxString::FromUTF8(m_Chart.m_Title);
  double width = 0, height = 0;
  gc.GetTextExtent(title, &width, &height);
  gc.DrawText(title, (client.left + client.right) / 2.0 - width / 2.0, client.top + 10.0);
}

void CPieChartWnd::DrawLegend(wxGraphicsContext& gc) {
  const wxFont font =
      MakeFont(m_Chart.m_LegendFontFace, m_Chart.m_LegendFontStyle, m_Chart.LegendFontSize());
  gc.SetFont(font, ToColour(m_Chart.m_TextColour));
  double widest = 0, width = 0, height = 0;
  for (const auto& [key, p] : m_Chart.Pieces()) {
    gc.GetTextExtent(wxString::FromUTF8(p->text), &width, &height);
    widest = std::max(widest, width);
  }
  double percentWidth = 0, percentHeight = 0;
  gc.GetTextExtent("100.00%", &percentWidth, &percentHeight);
  m_LastLegend =
      m_Chart.PlanLegend(static_cast<int>(widest) + 1, static_cast<int>(percentWidth) + 1,
                         static_cast<int>(percentHeight));
  const LegendPlan& plan = m_LastLegend;
  gc.SetPen(*wxTRANSPARENT_PEN);
  gc.SetBrush(wxBrush(ToColour(m_Chart.m_LegendBackColour)));
  const PieRect& back = plan.percentBack;
  gc.DrawRectangle(back.left, back.top, back.Width(), back.Height());

  const int rowHeight = m_Chart.m_LegendRowHeight;
  for (const LegendRow& row : plan.rows) {
    const PieChartPiece* piece = m_Chart.FindPiece(row.key);
    if (!piece) continue;
    if (row.separator) {
      gc.SetPen(wxPen(ToColour(LighterColour(m_Chart.m_LegendBackColour, 200.0f)), 1));
      gc.StrokeLine(plan.separatorLeft, row.separatorY, plan.separatorRight, row.separatorY);
    }
    const double textY = row.percentRect.top + (rowHeight - percentHeight) / 2.0;
    gc.DrawText(wxString::FromUTF8(row.percentText), row.percentRect.left, textY);
    gc.DrawText(wxString::FromUTF8(piece->text), row.textRect.left, textY);
    gc.SetBrush(wxBrush(ToColour(piece->baseColour | 0xFF000000u)));
    gc.SetPen(wxPen(ToColour(LighterColour(piece->baseColour, 200.0f)), 2));
    const PieRect& box = row.boxRect;
    gc.DrawRectangle(box.left, box.top, box.Width(), box.Height());
  }
}

void CPieChartWnd::DrawFace(wxGraphicsContext& gc, const PieFace& face,
                            const PieChartPiece& piece) {
  const wxGraphicsPath path = PolygonPath(gc, face.polygon);
  gc.SetBrush(gc.CreateLinearGradientBrush(
      face.gradientStart.x, face.gradientStart.y, face.gradientEnd.x, face.gradientEnd.y,
      WithAlpha(face.startColour, piece.alpha), WithAlpha(face.endColour, piece.alpha)));
  gc.SetPen(gc.CreatePen(wxGraphicsPenInfo(ToColour(piece.baseColour | 0xFF000000u)).Width(0.8)));
  gc.DrawPath(path);
  if (piece.selected) {
    gc.SetBrush(wxBrush(WithAlpha(m_Chart.m_HighlightColour, 0x64)));
    gc.SetPen(
        gc.CreatePen(wxGraphicsPenInfo(WithAlpha(m_Chart.m_HighlightColour, 0xFF)).Width(1.0)));
    gc.DrawPath(path);
  }
}

void CPieChartWnd::Paint3D(wxGraphicsContext& gc) {
  ProjectAngles(m_Chart);
  m_LastPlan = PlanPaint3D(m_Chart);
  m_Chart.m_FrontPieceKey = m_LastPlan.frontKey;
  m_Chart.m_BackPieceKey = m_LastPlan.backKey;
  const PieEllipses ellipses = GetPieRects(m_Chart);
  for (const PieceStep& step : m_LastPlan.steps) {
    const PieChartPiece* piece = m_Chart.FindPiece(step.key);
    if (!piece) continue;
    for (const PieFace& face : PieceFaces3D(*piece, step, ellipses)) DrawFace(gc, face, *piece);
  }
}

void CPieChartWnd::PaintFlat(wxGraphicsContext& gc) {
  for (const FlatWedge& wedge : FlatWedges(m_Chart))
    if (const PieChartPiece* piece = m_Chart.FindPiece(wedge.key)) DrawFace(gc, wedge.face, *piece);
}

void CPieChartWnd::DrawLabels(wxGraphicsContext& gc) {
  if (!m_Chart.m_DrawLabelText) return;
  const PieRect pie = m_Chart.GetChartRect(true);
  const int size = pie.Height() / 25;
  const wxFont font = MakeFont(m_Chart.m_LegendFontFace, m_Chart.m_LegendFontStyle,
                               size > 10 ? 11 : std::max(size, 7));
  gc.SetFont(font, ToColour(m_Chart.m_TextColour));
  const PieEllipses ellipses = GetPieRects(m_Chart);
  std::map<int, float> starts;
  if (m_Chart.m_ChartMode == 2) {
    for (const PieceStep& step : m_LastPlan.steps) starts[step.key] = step.startAngle;
  } else {
    for (const FlatWedge& wedge : FlatWedges(m_Chart)) starts[wedge.key] = wedge.startAngle;
  }
  for (const auto& [key, piece] : m_Chart.Pieces()) {
    const float start = starts.count(key) ? starts[key] : 0.0f;
    const PiePoint anchor = m_Chart.m_ChartMode == 2 ? LabelAnchor3D(*piece, start, ellipses)
                                                     : LabelAnchorFlat(*piece, start, pie);
    const wxString text = wxString::FromUTF8(LabelPercentText(piece->share));
    double width = 0, height = 0;
    gc.GetTextExtent(text, &width, &height);
    gc.DrawText(text, anchor.x - width / 2, anchor.y - height / 2);
  }
}

void CPieChartWnd::SaveImageNow(const wxBitmap& bitmap) {
  if (!m_SaveImagePending) return;
  m_SaveImagePending = false;
  const size_t dot = m_ImagePath.find('.');
  if (dot == std::string::npos) return;
  const wxString mime = "image/" + wxString::FromUTF8(m_ImagePath.substr(dot + 1)).Lower();
  if (wxImageHandler* handler = wxImage::FindHandlerMime(mime))
    bitmap.ConvertToImage().SaveFile(wxString::FromUTF8(m_ImagePath), handler->GetType());
}
