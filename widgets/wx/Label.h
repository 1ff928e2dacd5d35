// CLabel: the static text of every page. It paints its own text in a font the page sets piece by
// piece (face, size, bold), in its own colour, over its own background, a gradient, or the
// dialog's background when transparent. It can also blink, emboss, rotate, and act as a link.
// Every setter returns the label so calls chain; the text is the window label (SetLabel).
//
//   label->SetFaceName("Arial").SetPointSize(LabelPointSize(9, factors.y)).SetBold(true)
//         .SetTransparent(true);
//
// A click on a label with the notify flag sends wxEVT_LABEL_CLICKED (a wxCommandEvent with the
// label's id) to its parent instead of opening the link.
#pragma once

#include <wx/cursor.h>
#include <wx/font.h>
#include <wx/timer.h>
#include <wx/window.h>

#include "widgets/LabelText.h"

wxDECLARE_EVENT(wxEVT_LABEL_CLICKED, wxCommandEvent);

class CLabel : public wxWindow {
 public:
  CLabel(wxWindow* parent, wxWindowID id, const wxString& text = wxString(),
         const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
         LabelAlign align = LabelAlign::Left, bool centerImage = false);

  // Setters, in the order the pages know them.
  CLabel& SetBackground(const wxColour& colour, const wxColour& gradientEnd = wxColour(),
                        bool gradient = false);
  CLabel& SetTextColor(const wxColour& colour);
  CLabel& SetLabelText(const wxString& text);
  CLabel& SetBold(bool bold);
  CLabel& SetFaceName(const wxString& face);
  CLabel& SetUnderline(bool underline);
  CLabel& SetItalic(bool italic);
  CLabel& SetPointSize(int points);
  CLabel& SetSunkenEdge(bool sunken);
  CLabel& SetBorder(bool border);
  CLabel& SetTransparent(bool transparent);
  CLabel& SetTextBlink(bool blink);
  CLabel& SetBackgroundBlink(bool blink);
  CLabel& SetHyperlink(bool link, bool notify = false);
  CLabel& SetHoverCursor(const wxCursor& cursor);
  CLabel& SetEmbossed(bool embossed, bool downRight = true);
  CLabel& SetRotation(int degrees, bool rotated = true);
  CLabel& SetEmbossColor(const wxColour& colour);
  CLabel& SetLogFont(const wxFont& font);
  CLabel& SetMailtoLink(bool link, bool notify = false);
  CLabel& SetLinkTarget(const wxString& target);

  bool IsTransparent() const { return m_bTransparent; }
  const wxFont& LabelFont() const { return m_Font; }
  const wxColour& TextColour() const { return m_crText; }
  // The text as the label lays it out in its current size.
  std::vector<std::string> LayoutLines() const;

  void SetLabel(const wxString& text) override;
  wxString GetLabel() const override { return m_Text; }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void Redraw();
  void RebuildFont();
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnSysColourChanged(wxSysColourChangedEvent& event);
  wxColour BackgroundUnder() const;

  wxColour m_crText;
  wxColour m_crEmboss{255, 255, 255};
  wxColour m_crBackground;
  wxColour m_crGradientEnd;
  bool m_bHasBackBrush = false;
  wxFont m_Font;
  bool m_bBlinkPhase = false;
  bool m_bTimerSet = false;
  int m_LinkMode = 0;  // 0 plain, 1 hyperlink, 2 mail link
  bool m_bTransparent = false;
  bool m_bEmbossed = false;
  bool m_bNotify = false;
  bool m_bRotated = false;
  int m_RotationDegrees = 0;
  int m_BlinkKind = 0;  // 0 none, 1 text, 2 background
  wxCursor m_HoverCursor;
  bool m_bEmbossDownRight = false;
  bool m_bGradient = false;
  bool m_bSunken = false;
  bool m_bBorder = false;
  wxString m_LinkTarget;
  wxString m_Text;
  LabelAlign m_Align;
  bool m_bCenterImage;
  wxTimer m_BlinkTimer;
};
