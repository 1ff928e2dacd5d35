// A top-most borderless window that shows a bitmap, shaped by a key colour when one is given,
// with one line of text on it. It can fade in and out, hides itself after a time-out or on a
// click or key, and deletes itself once hidden (create it with new).
#pragma once

#include <wx/bitmap.h>
#include <wx/font.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include <vector>

#include "unreferenced/PixelSurface.h"

inline constexpr int CSS_FADEIN = 0x1;
inline constexpr int CSS_FADEOUT = 0x2;
inline constexpr int CSS_SHADOW = 0x4;
inline constexpr int CSS_CENTERSCREEN = 0x8;
inline constexpr int CSS_CENTERAPP = 0x10;
inline constexpr int CSS_HIDEONCLICK = 0x20;

// Text format bits.
inline constexpr int CSS_TEXT_CENTER = 0x1;
inline constexpr int CSS_TEXT_RIGHT = 0x2;
inline constexpr int CSS_TEXT_VCENTER = 0x4;
inline constexpr int CSS_TEXT_BOTTOM = 0x8;

// Font style bits of SetTextFont.
inline constexpr int CSS_FONT_BOLD = 0x1;
inline constexpr int CSS_FONT_ITALIC = 0x2;
inline constexpr int CSS_FONT_UNDERLINE = 0x4;

class CSplashScreenEx : public wxFrame {
 public:
  CSplashScreenEx();

  // Makes the hidden window. Every splash window gets its own, so a second one can be made
  // while the first is showing. A time-out of 0 keeps it until it is hidden.
  bool Create(wxWindow* parent, const wxString& text, int timeoutMs, int styleFlags);

  // Takes the bitmap and its size and places the window; a key colour with no component -1
  // shapes the window to the bitmap's pixels that are not that colour.
  bool SetBitmap(const wxBitmap& bitmap, int red, int green, int blue);
  bool SetBitmap(const wxString& path, int red, int green, int blue);

  void Show();
  // Fades out when asked to, then destroys the window.
  void Hide();

  void SetText(const wxString& text);
  void SetTextColor(const wxColour& colour);
  void SetTextRect(const wxRect& rect);
  void SetTextFormat(int format) { m_TextFormat = format; }
  // A font of the face and size in tenths of a point, with the style bits.
  void SetTextFont(const wxString& face, int tenthsOfPoint, int style);
  void SetTextDefaultFont();

  // Whether fading is possible on this display; without it the window shows and hides at once.
  bool CanFade() const { return m_CanFade; }
  const std::vector<SurfaceRect>& RegionRuns() const { return m_RegionRuns; }
  wxPoint WindowPosition() const { return m_Position; }

 private:
  void DrawWindow(wxDC& dc);
  void OnPaint(wxPaintEvent& event);
  void OnTimeout(wxTimerEvent& event);
  void OnFade(wxTimerEvent& event);
  void OnInput(wxEvent& event);
  void StartFade(int durationMs, bool in);

  int m_Style = 0;
  int m_TimeoutMs = 2000;
  bool m_CanFade = false;
  wxBitmap m_Bitmap;
  wxFont m_Font;
  wxString m_Text;
  wxRect m_TextRect;
  int m_TextFormat = CSS_TEXT_CENTER | CSS_TEXT_VCENTER;
  wxColour m_TextColour = *wxBLACK;
  wxPoint m_Position;
  std::vector<SurfaceRect> m_RegionRuns;
  wxTimer m_TimeoutTimer;
  wxTimer m_FadeTimer;
  wxLongLong m_FadeStart;
  int m_FadeDuration = 0;
  bool m_FadingIn = false;
  bool m_Hiding = false;
};
