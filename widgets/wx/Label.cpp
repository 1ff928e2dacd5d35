#include "widgets/wx/Label.h"

#include <cmath>

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "widgets/GradientBands.h"
#include "widgets/wx/FontFace.h"

wxDEFINE_EVENT(wxEVT_LABEL_CLICKED, wxCommandEvent);

namespace {
Rgb ToRgb(const wxColour& c) {
  return {c.Red(), c.Green(), c.Blue()};
}
}  // namespace

CLabel::CLabel(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
               const wxSize& size, LabelAlign align, bool centerImage)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE),
      m_crText(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT)),
      m_Font(parent ? parent->GetFont() : *wxNORMAL_FONT),
      m_Align(align),
      m_bCenterImage(centerImage),
      m_BlinkTimer(this) {
  m_Text = text;
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetInitialSize(size);
  Bind(wxEVT_PAINT, &CLabel::OnPaint, this);
  Bind(wxEVT_TIMER, &CLabel::OnTimer, this);
  Bind(wxEVT_LEFT_DOWN, &CLabel::OnLeftDown, this);
  Bind(wxEVT_SYS_COLOUR_CHANGED, &CLabel::OnSysColourChanged, this);
}

void CLabel::SetLabel(const wxString& text) {
  m_Text = text;
  InvalidateBestSize();
  Redraw();
}

CLabel& CLabel::SetBackground(const wxColour& colour, const wxColour& gradientEnd, bool gradient) {
  m_crBackground = colour;
  m_crGradientEnd = gradientEnd;
  m_bGradient = gradient;
  // A gradient leaves the label without a solid background until the next solid one.
  m_bHasBackBrush = !gradient && colour.IsOk();
  Redraw();
  return *this;
}

CLabel& CLabel::SetTextColor(const wxColour& colour) {
  m_crText = colour;
  Redraw();
  return *this;
}

CLabel& CLabel::SetLabelText(const wxString& text) {
  SetLabel(text);
  return *this;
}

CLabel& CLabel::SetBold(bool bold) {
  m_Font.SetWeight(bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetFaceName(const wxString& face) {
  // The face field of a font description holds at most 31 characters.
  SetFontFace(m_Font, face.Left(31));
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetUnderline(bool underline) {
  m_Font.SetUnderlined(underline);
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetItalic(bool italic) {
  m_Font.SetStyle(italic ? wxFONTSTYLE_ITALIC : wxFONTSTYLE_NORMAL);
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetPointSize(int points) {
  // The toolkit turns points into pixels at the screen's DPI, as the page look expects.
  m_Font.SetPointSize(points > 0 ? points : 1);
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetSunkenEdge(bool sunken) {
  m_bSunken = sunken;
  Refresh();
  return *this;
}

CLabel& CLabel::SetBorder(bool border) {
  m_bBorder = border;
  Refresh();
  return *this;
}

CLabel& CLabel::SetTransparent(bool transparent) {
  m_bTransparent = transparent;
  Redraw();
  return *this;
}

CLabel& CLabel::SetTextBlink(bool blink) {
  if (m_bTimerSet) m_BlinkTimer.Stop();
  if (blink) {
    m_bBlinkPhase = false;
    m_bTimerSet = true;
    m_BlinkTimer.Start(500);
    m_BlinkKind = 1;
  } else {
    m_BlinkKind = 0;
  }
  return *this;
}

CLabel& CLabel::SetBackgroundBlink(bool blink) {
  if (m_bTimerSet) m_BlinkTimer.Stop();
  if (blink) {
    m_bBlinkPhase = false;
    m_bTimerSet = true;
    m_BlinkTimer.Start(500);
    m_BlinkKind = 2;
  }
  return *this;
}

CLabel& CLabel::SetHyperlink(bool link, bool notify) {
  m_LinkMode = link ? 1 : 0;
  m_bNotify = notify;
  return *this;
}

CLabel& CLabel::SetHoverCursor(const wxCursor& cursor) {
  m_HoverCursor = cursor;
  SetCursor(cursor);
  return *this;
}

CLabel& CLabel::SetEmbossed(bool embossed, bool downRight) {
  m_bEmbossed = embossed;
  m_bEmbossDownRight = downRight;
  Redraw();
  return *this;
}

CLabel& CLabel::SetRotation(int degrees, bool rotated) {
  m_RotationDegrees = degrees;
  m_bRotated = rotated;
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetEmbossColor(const wxColour& colour) {
  m_crEmboss = colour;
  Redraw();
  return *this;
}

CLabel& CLabel::SetLogFont(const wxFont& font) {
  if (font.IsOk()) m_Font = font;
  RebuildFont();
  return *this;
}

CLabel& CLabel::SetMailtoLink(bool link, bool notify) {
  m_LinkMode = link ? 2 : 0;
  m_bNotify = notify;
  return *this;
}

CLabel& CLabel::SetLinkTarget(const wxString& target) {
  m_LinkTarget = target;
  return *this;
}

void CLabel::RebuildFont() {
  SetFont(m_Font);
  InvalidateBestSize();
  Redraw();
}

void CLabel::Redraw() {
  // The label paints the background under it itself, so refreshing the label is enough for the
  // old text to disappear.
  Refresh();
}

wxColour CLabel::BackgroundUnder() const {
  const wxWindow* parent = GetParent();
  return parent ? parent->GetBackgroundColour() : *wxWHITE;
}

std::vector<std::string> CLabel::LayoutLines() const {
  // Drawn as a static control draws its text: "&&" shows one "&", a single "&" marks a mnemonic.
  const std::string text = StripMnemonics(GetLabel().utf8_string());
  const LabelTextFormat format = ChooseLabelFormat(m_Align, m_bCenterImage, text);
  wxClientDC dc(const_cast<CLabel*>(this));
  dc.SetFont(m_Font);
  return LayoutLabelLines(text, format, GetClientSize().x, [&dc](std::string_view s) {
    return dc.GetTextExtent(wxString::FromUTF8(s.data(), s.size())).x;
  });
}

wxSize CLabel::DoGetBestSize() const {
  wxClientDC dc(const_cast<CLabel*>(this));
  dc.SetFont(m_Font);
  wxCoord w = 0, h = 0;
  dc.GetMultiLineTextExtent(wxString::FromUTF8(StripMnemonics(GetLabel().utf8_string())), &w, &h);
  return wxSize(std::max(w, 1), std::max(h, 1));
}

void CLabel::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  const std::string text = StripMnemonics(GetLabel().utf8_string());

  // Background: a transparent label shows the dialog's own colour under its text.
  wxColour back = BackgroundUnder();
  if (!m_bTransparent) {
    if (m_bGradient) {
      back = m_crBackground;
      for (const ColourBand& band :
           LabelGradientBands(0, size.x, ToRgb(m_crBackground), ToRgb(m_crGradientEnd))) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(band.colour.r, band.colour.g, band.colour.b)));
        dc.DrawRectangle(band.from, 0, band.to - band.from, size.y);
      }
    } else {
      back = m_bHasBackBrush ? m_crBackground : wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    }
  }
  if (m_bTransparent || !m_bGradient) {
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(back));
    dc.DrawRectangle(0, 0, size.x, size.y);
  }
  if (m_bBorder || m_bSunken) {
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(m_bSunken ? wxColour(128, 128, 128) : *wxBLACK));
    dc.DrawRectangle(0, 0, size.x, size.y);
  }

  // A text blink hides the text in one phase by drawing it in the background colour.
  wxColour colour = m_crText;
  if (m_BlinkKind == 1 && !m_bBlinkPhase) colour = back;
  dc.SetFont(m_Font);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);

  if (m_bRotated) {
    dc.SetTextForeground(colour);
    const wxSize extent = dc.GetTextExtent(GetLabel());
    const double rad = m_RotationDegrees * M_PI / 180.0;
    // Rotate about the label's centre.
    const double cx = size.x / 2, cy = size.y / 2;
    const double x = cx - (extent.x / 2.0) * std::cos(rad) - (extent.y / 2.0) * std::sin(rad);
    const double y = cy + (extent.x / 2.0) * std::sin(rad) - (extent.y / 2.0) * std::cos(rad);
    dc.DrawRotatedText(GetLabel(), static_cast<int>(x), static_cast<int>(y), m_RotationDegrees);
    return;
  }

  const LabelTextFormat format = ChooseLabelFormat(m_Align, m_bCenterImage, text);
  const auto lines = LayoutLabelLines(text, format, size.x, [&dc](std::string_view s) {
    return dc.GetTextExtent(wxString::FromUTF8(s.data(), s.size())).x;
  });
  const int lineHeight = dc.GetCharHeight();
  int top = 0;
  if (format.verticalCenter) top = (size.y - lineHeight) / 2;
  auto drawLines = [&](int dx, int dy, const wxColour& c) {
    dc.SetTextForeground(c);
    int y = top + dy;
    for (const std::string& line : lines) {
      if (y >= size.y) break;
      const wxString w = wxString::FromUTF8(line);
      int x = dx;
      const int width = dc.GetTextExtent(w).x;
      if (format.horizontal == LabelTextFormat::kCenter) x += (size.x - width) / 2;
      if (format.horizontal == LabelTextFormat::kRight) x += size.x - width;
      dc.DrawText(w, x, y);
      y += lineHeight;
    }
  };
  wxDCClipper clip(dc, wxRect(size));
  drawLines(0, 0, colour);
  if (m_bEmbossed) {
    const int d = m_bEmbossDownRight ? 1 : -1;
    drawLines(d, d, m_crEmboss);
  }
}

void CLabel::OnTimer(wxTimerEvent&) {
  m_bBlinkPhase = !m_bBlinkPhase;
  Redraw();
}

void CLabel::OnLeftDown(wxMouseEvent& event) {
  if (m_bNotify) {
    wxCommandEvent click(wxEVT_LABEL_CLICKED, GetId());
    click.SetEventObject(this);
    if (GetParent()) GetParent()->GetEventHandler()->ProcessEvent(click);
    return;
  }
  if (m_LinkMode == 1) {
    wxLaunchDefaultBrowser(m_LinkTarget.empty() ? GetLabel() : m_LinkTarget);
  } else if (m_LinkMode == 2) {
    wxLaunchDefaultBrowser("mailto:" + GetLabel());
  }
  event.Skip();
}

void CLabel::OnSysColourChanged(wxSysColourChangedEvent& event) {
  Redraw();
  event.Skip();
}
