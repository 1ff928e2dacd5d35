#include "widgets/wx/GradientProgressCtrl.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/thread.h>

#include "widgets/GradientBands.h"

namespace {
Rgb ToRgb(const wxColour& c) {
  return {c.Red(), c.Green(), c.Blue()};
}
}  // namespace

CGradientProgressCtrl::CGradientProgressCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                             const wxSize& size, long style)
    : wxControl(parent, id, pos, size, wxBORDER_NONE),
      m_BackColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)),
      m_Vertical((style & wxGA_VERTICAL) != 0) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetInitialSize(size);
  Bind(wxEVT_PAINT, &CGradientProgressCtrl::OnPaint, this);
}

void CGradientProgressCtrl::SetRange(int lower, int upper) {
  m_Lower = lower;
  m_Upper = upper;
  m_Position = lower;
  RequestRepaint();
}

void CGradientProgressCtrl::SetPos(int position) {
  m_Position = position;
  RequestRepaint();
}

void CGradientProgressCtrl::SetStep(int step) {
  m_Step = step;
}

void CGradientProgressCtrl::StepIt() {
  m_Position += m_Step.load();
  RequestRepaint();
}

void CGradientProgressCtrl::SetShowPercent(bool show) {
  m_ShowPercent = show;
  Refresh();
}

void CGradientProgressCtrl::SetTextColour(const wxColour& colour) {
  m_TextColour = colour;
  Refresh();
}

void CGradientProgressCtrl::SetBackColour(const wxColour& colour) {
  m_BackColour = colour;
  Refresh();
}

void CGradientProgressCtrl::RequestRepaint() {
  if (wxThread::IsMain()) {
    Refresh();
    return;
  }
  // Workers report thousands of positions; one pending repaint at a time is enough.
  if (m_RepaintPosted.exchange(true)) return;
  CallAfter([this] {
    m_RepaintPosted = false;
    Refresh();
  });
}

void CGradientProgressCtrl::OnPaint(wxPaintEvent&) {
  // The buffered DC draws the bands off-screen and copies them to the screen in one go.
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  const int extent = m_Vertical ? size.y : size.x;
  const ProgressPaint plan =
      PlanProgressPaint(m_Lower, m_Upper, m_Position, extent, ToRgb(m_StartColour),
                        ToRgb(m_EndColour), m_ShowPercent);
  dc.SetPen(*wxTRANSPARENT_PEN);
  if (plan.empty) {
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.DrawRectangle(0, 0, size.x, size.y);
    return;
  }
  for (const ColourBand& band : plan.bands) {
    const BandRect r = ProgressBandRect(band, m_Vertical, size.x, size.y);
    dc.SetBrush(wxBrush(wxColour(band.colour.r, band.colour.g, band.colour.b)));
    dc.DrawRectangle(r.x, r.y, r.width, r.height);
  }
  if (plan.backFrom < extent) {
    dc.SetBrush(wxBrush(m_BackColour));
    if (m_Vertical) {
      dc.DrawRectangle(0, plan.backFrom, size.x, size.y - plan.backFrom);
    } else {
      dc.DrawRectangle(plan.backFrom, 0, size.x - plan.backFrom, size.y);
    }
  }
  if (!plan.percentText.empty()) {
    dc.SetFont(GetFont());
    dc.SetTextForeground(m_TextColour);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawLabel(wxString::FromUTF8(plan.percentText), wxRect(size), wxALIGN_CENTER);
  }
}
