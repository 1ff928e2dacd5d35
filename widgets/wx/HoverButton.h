// CHoverButton: the pages' push button, painted from a horizontal strip of three or four equal
// frames (pressed, mouse over, normal, disabled) loaded from a BMP file in the bitmap folder. The
// strip carries the caption; when the file cannot be loaded the button draws its own caption in a
// plain frame instead, so it stays usable. A click sends wxEVT_BUTTON with the button's id.
//
//   auto* next = new CHoverButton(this, wxID_FORWARD, "&Next", pos);
//   next->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp"));
//   next->SetToolTipText(&tip, true);
//   next->EnableButton(false);   // shows the disabled frame
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/control.h>

class CHoverButton : public wxControl {
 public:
  // The caption is used only when no strip is loaded (and for accessibility); "&" marks a
  // mnemonic as in the dialog templates.
  CHoverButton(wxWindow* parent, wxWindowID id, const wxString& caption,
               const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);

  // Loads a strip of three (or four) frames and sizes the button to one frame; the position
  // stays. Returns 1 when the strip loaded, 0 when it did not (the caption is drawn then).
  int LoadFrameStrip3(std::string path);
  int LoadFrameStrip4(std::string path);

  // Enables or disables the button and remembers the state for the frame choice.
  bool EnableButton(bool enable);

  // A null text changes nothing; otherwise sets the tooltip's text and activates it or not.
  void SetToolTipText(const wxString* text, bool activate);
  void ActivateToolTip(bool activate);

  bool IsHovered() const { return m_bHover; }
  bool IsPressed() const { return m_bPressed; }
  bool HasStrip() const { return m_Strip.IsOk(); }
  int FrameCount() const { return m_FrameCount; }
  // The frame the next paint shows.
  int CurrentFrame() const;

  // Sends the click as a mouse release over the button would.
  void Click();

  bool AcceptsFocus() const override { return IsShown() && IsEnabled(); }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  int LoadStrip(const std::string& path, int frames);
  void OnPaint(wxPaintEvent& event);
  void OnEnter(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnFocus(wxFocusEvent& event);
  void DrawCaptionFallback(wxDC& dc, const wxSize& size);
  void SettleAfterClick();

  bool m_bHover = false;
  bool m_bEnabled = true;
  bool m_bPressed = false;
  int m_FrameCount = 3;
  int m_FrameWidth = 0;
  int m_FrameHeight = 0;
  wxBitmap m_Strip;
  wxBitmap m_DimmedNormal;  // normal frame greyed, for a disabled three-frame button
  wxString m_ToolTipText;
  bool m_ToolTipActive = false;
};
