#include "unreferenced/wx/SplashScreenEx.h"

#include <wx/dcbuffer.h>
#include <wx/display.h>
#include <wx/region.h>
#include <wx/settings.h>

#include "unreferenced/SplashRegion.h"
#include "unreferenced/wx/SurfaceBitmap.h"

namespace {

constexpr int kFadeInMs = 500;
constexpr int kFadeOutMs = 200;
constexpr int kFadeStepMs = 20;
constexpr int kTimeoutTimerId = 1;
constexpr int kFadeTimerId = 2;

}  // namespace

CSplashScreenEx::CSplashScreenEx()
    : m_TimeoutTimer(this, kTimeoutTimerId), m_FadeTimer(this, kFadeTimerId) {
  SetTextDefaultFont();
}

bool CSplashScreenEx::Create(wxWindow* parent, const wxString& text, int timeoutMs,
                             int styleFlags) {
  m_Text = text;
  m_TimeoutMs = timeoutMs;
  m_Style = styleFlags;
  if (!wxFrame::Create(parent, wxID_ANY, wxString(), wxDefaultPosition, wxSize(1, 1),
                       wxFRAME_SHAPED | wxBORDER_NONE | wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR |
                           wxFRAME_TOOL_WINDOW | (parent ? wxFRAME_FLOAT_ON_PARENT : 0)))
    return false;
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_CanFade = CanSetTransparent();
  Bind(wxEVT_PAINT, &CSplashScreenEx::OnPaint, this);
  // Timers report to the window that owns them.
  Bind(wxEVT_TIMER, &CSplashScreenEx::OnTimeout, this, kTimeoutTimerId);
  Bind(wxEVT_TIMER, &CSplashScreenEx::OnFade, this, kFadeTimerId);
  for (wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_RIGHT_DOWN, wxEVT_MIDDLE_DOWN})
    Bind(type, &CSplashScreenEx::OnInput, this);
  Bind(wxEVT_KEY_DOWN, &CSplashScreenEx::OnInput, this);
  return true;
}

bool CSplashScreenEx::SetBitmap(const wxString& path, int red, int green, int blue) {
  wxBitmap bitmap;
  if (!bitmap.LoadFile(path, wxBITMAP_TYPE_BMP)) return false;
  return SetBitmap(bitmap, red, green, blue);
}

bool CSplashScreenEx::SetBitmap(const wxBitmap& bitmap, int red, int green, int blue) {
  if (!bitmap.IsOk()) return false;
  m_Bitmap = bitmap;
  const wxSize size = bitmap.GetSize();
  m_TextRect = wxRect(wxPoint(0, 0), size);
  if (m_Style & CSS_CENTERSCREEN) {
    const wxRect screen = wxDisplay(this).GetClientArea();
    m_Position =
        wxPoint(screen.x + (screen.width - size.x) / 2, screen.y + (screen.height - size.y) / 2);
  } else if ((m_Style & CSS_CENTERAPP) && GetParent()) {
    const wxRect parent = GetParent()->GetScreenRect();
    m_Position =
        wxPoint(parent.x + (parent.width - size.x) / 2, parent.y + (parent.height - size.y) / 2);
  }
  if (red != -1 && green != -1 && blue != -1) {
    const PixelSurface pixels = [&] {
      wxMemoryDC dc(m_Bitmap);
      return SurfaceFromDC(dc, 0, 0, size.x, size.y);
    }();
    m_RegionRuns = RegionRunsFromColour(
        pixels, MakeColorRef(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                             static_cast<std::uint8_t>(blue)));
    wxRegion region;
    for (const SurfaceRect& run : m_RegionRuns)
      region.Union(run.left, run.top, run.Width(), run.Height());
    SetShape(region);
  }
  Refresh();
  return true;
}

void CSplashScreenEx::Show() {
  SetSize(m_Position.x, m_Position.y, m_Bitmap.GetWidth(), m_Bitmap.GetHeight());
  if ((m_Style & CSS_FADEIN) && m_CanFade) {
    SetTransparent(0);
    wxFrame::Show(true);
    StartFade(kFadeInMs, true);
  } else {
    wxFrame::Show(true);
  }
  if (m_TimeoutMs != 0) m_TimeoutTimer.StartOnce(m_TimeoutMs);
}

void CSplashScreenEx::Hide() {
  if (m_Hiding) return;
  m_Hiding = true;
  m_TimeoutTimer.Stop();
  if ((m_Style & CSS_FADEOUT) && m_CanFade && IsShown()) {
    StartFade(kFadeOutMs, false);
    return;
  }
  wxFrame::Show(false);
  Destroy();
}

void CSplashScreenEx::StartFade(int durationMs, bool in) {
  m_FadeStart = wxGetLocalTimeMillis();
  m_FadeDuration = durationMs;
  m_FadingIn = in;
  m_FadeTimer.Start(kFadeStepMs);
}

void CSplashScreenEx::OnFade(wxTimerEvent&) {
  const long elapsed = (wxGetLocalTimeMillis() - m_FadeStart).ToLong();
  const double done = std::min(1.0, static_cast<double>(elapsed) / m_FadeDuration);
  const double opacity = m_FadingIn ? done : 1.0 - done;
  SetTransparent(static_cast<wxByte>(opacity * 255.0));
  if (done < 1.0) return;
  m_FadeTimer.Stop();
  if (!m_FadingIn) {
    wxFrame::Show(false);
    Destroy();
  }
}

void CSplashScreenEx::OnTimeout(wxTimerEvent&) {
  Hide();
}

void CSplashScreenEx::OnInput(wxEvent& event) {
  if (m_Style & CSS_HIDEONCLICK) {
    Hide();
    return;  // the click or key is eaten
  }
  event.Skip();
}

void CSplashScreenEx::SetText(const wxString& text) {
  m_Text = text;
  Refresh();
  Update();
}

void CSplashScreenEx::SetTextColor(const wxColour& colour) {
  m_TextColour = colour;
  Refresh();
  Update();
}

void CSplashScreenEx::SetTextRect(const wxRect& rect) {
  m_TextRect = rect;
  Refresh();
  Update();
}

void CSplashScreenEx::SetTextFont(const wxString& face, int tenthsOfPoint, int style) {
  wxFontInfo info(std::max(1, tenthsOfPoint / 10));
  info.FaceName(face)
      .Bold(style & CSS_FONT_BOLD)
      .Italic(style & CSS_FONT_ITALIC)
      .Underlined(style & CSS_FONT_UNDERLINE);
  m_Font = wxFont(info);
}

void CSplashScreenEx::SetTextDefaultFont() {
  m_Font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

void CSplashScreenEx::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  DrawWindow(dc);
}

void CSplashScreenEx::DrawWindow(wxDC& dc) {
  if (m_Bitmap.IsOk()) dc.DrawBitmap(m_Bitmap, 0, 0, false);
  if (m_Text.empty()) return;
  int align = wxALIGN_LEFT | wxALIGN_TOP;
  if (m_TextFormat & CSS_TEXT_CENTER) align = (align & ~wxALIGN_LEFT) | wxALIGN_CENTER_HORIZONTAL;
  if (m_TextFormat & CSS_TEXT_RIGHT) align = (align & ~wxALIGN_LEFT) | wxALIGN_RIGHT;
  if (m_TextFormat & CSS_TEXT_VCENTER) align = (align & ~wxALIGN_TOP) | wxALIGN_CENTER_VERTICAL;
  if (m_TextFormat & CSS_TEXT_BOTTOM) align = (align & ~wxALIGN_TOP) | wxALIGN_BOTTOM;
  dc.SetFont(m_Font);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  dc.SetTextForeground(m_TextColour);
  dc.DrawLabel(m_Text, m_TextRect, align);
}
