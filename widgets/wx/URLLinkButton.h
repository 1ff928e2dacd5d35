// CURLLinkButton: a button drawn as a hyperlink: its caption in a bold underlined font, coloured
// for the normal, hover, visited and disabled states, with a hand cursor. A click (or Return
// pressed and released on it) acts on the link text, the link target when one is set, else the
// caption: see widgets/LinkClick.h. Space never clicks it.
//
//   auto* link = new CURLLinkButton(this, 1170, "support@softdovrane.example", rect.GetPosition(),
//                                   rect.GetSize());
#pragma once

#include <string>

#include <wx/control.h>

class CURLLinkButton : public wxControl {
 public:
  CURLLinkButton(wxWindow* parent, wxWindowID id, const wxString& caption,
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);

  void SetLinkColors(const wxColour& normal, const wxColour& hover, const wxColour& visited);
  void SetNormalColor(const wxColour& c) { m_crNormal = c; }
  void SetHoverColor(const wxColour& c) { m_crHover = c; }
  void SetVisitedColor(const wxColour& c) { m_crVisited = c; }
  // Sets the caption, sizes the button to it and repaints.
  void SetCaption(const wxString& caption);
  void SizeToContent();
  // The prefix followed by the target, or by the caption when there is no target.
  wxString GetLinkAddress() const;
  // An empty text means the link address.
  void SetToolTipText(const wxString& text);
  void SetLinkTarget(const wxString& target) { m_LinkTarget = target; }
  void SetPrefix(const wxString& prefix) { m_Prefix = prefix; }

  // The click: runs the link's action unless the button is disabled.
  void OnClicked();

  bool IsVisited() const { return m_bVisited; }
  bool IsHovered() const { return m_bHover; }
  // The colour the caption is drawn in now.
  wxColour CaptionColour() const;
  const wxFont& LinkFont() const { return m_LinkFont; }
  const std::string& IpText() const { return m_IpText; }

  bool AcceptsFocus() const override { return IsShown() && IsEnabled(); }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void BuildFont();
  void OnPaint(wxPaintEvent& event);
  void OnEnter(wxMouseEvent& event);
  void OnLeave(wxMouseEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnKeyUp(wxKeyEvent& event);
  void OnKillFocus(wxFocusEvent& event);

  std::string m_IpText;
  wxColour m_crNormal;
  wxColour m_crHover;
  wxColour m_crVisited{128, 0, 128};
  wxColour m_crDisabled;
  bool m_bHover = false;
  bool m_bVisited = false;
  bool m_bPressed = false;
  bool m_bReturnDown = false;
  wxString m_LinkTarget;
  wxString m_Prefix;
  wxFont m_LinkFont;
};
