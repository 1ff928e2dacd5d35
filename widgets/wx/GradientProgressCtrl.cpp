#include "widgets/wx/GradientProgressCtrl.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/thread.h>

#include "widgets/GradientBands.h"

namespace {
Rgb ToRgb(const wxColour& c) {
  return {c.Red(), c.Green(), c.Blue()};
}

int Luma(const wxColour& c) {
  return (299 * c.Red() + 587 * c.Green() + 114 * c.Blue()) / 1000;
}

// The text colour asked for when it stands out from the background, else black or white,
// whichever does: white text on the light grey rest of a bar cannot be read.
wxColour Legible(const wxColour& wanted, const wxColour& background) {
  if (std::abs(Luma(wanted) - Luma(background)) >= 100) return wanted;
  return Luma(background) >= 128 ? *wxBLACK : *wxWHITE;
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
    // The text is drawn twice, each time clipped to one part of the bar, in a colour that stands
    // out from that part: the dark gradient and the light rest need different ones.
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    const wxString text = wxString::FromUTF8(plan.percentText);
    const int filled = std::clamp(plan.backFrom, 0, extent);
    const wxRect filledPart =
        m_Vertical ? wxRect(0, 0, size.x, filled) : wxRect(0, 0, filled, size.y);
    const wxRect restPart = m_Vertical ? wxRect(0, filled, size.x, size.y - filled)
                                       : wxRect(filled, 0, size.x - filled, size.y);
    const wxColour gradientMiddle((m_StartColour.Red() + m_EndColour.Red()) / 2,
                                  (m_StartColour.Green() + m_EndColour.Green()) / 2,
                                  (m_StartColour.Blue() + m_EndColour.Blue()) / 2);
    const std::pair<wxRect, wxColour> parts[2] = {
        {filledPart, Legible(m_TextColour, gradientMiddle)},
        {restPart, Legible(m_TextColour, m_BackColour)}};
    for (const auto& [part, colour] : parts) {
      if (part.IsEmpty()) continue;
      wxDCClipper clip(dc, part);
      dc.SetTextForeground(colour);
      dc.DrawLabel(text, wxRect(size), wxALIGN_CENTER);
    }
  }
}
