#include "widgets/wx/URLLinkButton.h"

#include <wx/dcbuffer.h>
#include <wx/settings.h>
#include <wx/tooltip.h>
#include <wx/utils.h>

#include "platform/LocalAddress.h"
#include "widgets/LinkClick.h"
#include "widgets/wx/DialogLook.h"

CURLLinkButton::CURLLinkButton(wxWindow* parent, wxWindowID id, const wxString& caption,
                               const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE) {
  SetLabel(caption);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_crNormal = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  m_crHover = wxSystemSettings::GetColour(wxSYS_COLOUR_HOTLIGHT);
  m_crDisabled = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
  SetCursor(wxCursor(wxCURSOR_HAND));
  BuildFont();
  if (size == wxDefaultSize) SetInitialSize(DoGetBestSize());
  Bind(wxEVT_PAINT, &CURLLinkButton::OnPaint, this);
  Bind(wxEVT_ENTER_WINDOW, &CURLLinkButton::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &CURLLinkButton::OnLeave, this);
  Bind(wxEVT_LEFT_DOWN, &CURLLinkButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &CURLLinkButton::OnLeftUp, this);
  Bind(wxEVT_KEY_DOWN, &CURLLinkButton::OnKeyDown, this);
  Bind(wxEVT_KEY_UP, &CURLLinkButton::OnKeyUp, this);
  Bind(wxEVT_KILL_FOCUS, &CURLLinkButton::OnKillFocus, this);
}

void CURLLinkButton::BuildFont() {
  // The control's (template) font, 14 pixels high, extra bold and underlined.
  m_LinkFont = TemplateFont();
  m_LinkFont.SetPixelSize(wxSize(0, 14));
  m_LinkFont.SetNumericWeight(800);
  m_LinkFont.SetUnderlined(true);
}

void CURLLinkButton::SetLinkColors(const wxColour& normal, const wxColour& hover,
                                   const wxColour& visited) {
  m_crNormal = normal;
  m_crHover = hover;
  m_crVisited = visited;
  Refresh();
}

void CURLLinkButton::SetCaption(const wxString& caption) {
  SetLabel(caption);
  SizeToContent();
  Refresh();
}

wxSize CURLLinkButton::DoGetBestSize() const {
  wxClientDC dc(const_cast<CURLLinkButton*>(this));
  dc.SetFont(m_LinkFont);
  const wxSize extent = dc.GetTextExtent(GetLabel());
  return wxSize(std::max(extent.x, 1), std::max(extent.y, 1));
}

void CURLLinkButton::SizeToContent() {
  SetSize(DoGetBestSize());
}

wxString CURLLinkButton::GetLinkAddress() const {
  return m_Prefix + (m_LinkTarget.empty() ? GetLabel() : m_LinkTarget);
}

void CURLLinkButton::SetToolTipText(const wxString& text) {
  SetToolTip(text.empty() ? GetLinkAddress() : text);
}

wxColour CURLLinkButton::CaptionColour() const {
  if (!IsEnabled()) return m_crDisabled;
  if (m_bHover) return m_crHover;
  return m_bVisited ? m_crVisited : m_crNormal;
}

void CURLLinkButton::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  // No background of its own: the parent's colour under the text.
  const wxWindow* parent = GetParent();
  dc.SetBackground(wxBrush(parent ? parent->GetBackgroundColour() : *wxWHITE));
  dc.Clear();
  dc.SetFont(IsEnabled() ? m_LinkFont : GetFont());
  dc.SetTextForeground(CaptionColour());
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  wxDCClipper clip(dc, wxRect(GetClientSize()));
  dc.DrawText(GetLabel(), 0, 0);
}

void CURLLinkButton::OnEnter(wxMouseEvent& event) {
  m_bHover = true;
  Refresh();
  event.Skip();
}

void CURLLinkButton::OnLeave(wxMouseEvent& event) {
  m_bHover = false;
  m_bPressed = false;
  Refresh();
  event.Skip();
}

void CURLLinkButton::OnLeftDown(wxMouseEvent& event) {
  m_bPressed = true;
  if (AcceptsFocus()) SetFocus();
  event.Skip();
}

void CURLLinkButton::OnLeftUp(wxMouseEvent& event) {
  const bool click = m_bPressed && wxRect(GetClientSize()).Contains(event.GetPosition());
  m_bPressed = false;
  if (click) OnClicked();
}

void CURLLinkButton::OnKeyDown(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_SPACE || key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    m_bReturnDown = true;
    return;  // consumed
  }
  m_bReturnDown = false;
  event.Skip();
}

void CURLLinkButton::OnKeyUp(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_SPACE) return;  // consumed, never a click
  if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && m_bReturnDown) {
    m_bReturnDown = false;
    OnClicked();
    return;
  }
  m_bReturnDown = false;
  event.Skip();
}

void CURLLinkButton::OnKillFocus(wxFocusEvent& event) {
  m_bReturnDown = false;
  Refresh();
  event.Skip();
}

void CURLLinkButton::OnClicked() {
  if (!IsEnabled()) return;
  wxBusyCursor wait;
  const wxString text = m_LinkTarget.empty() ? GetLabel() : m_LinkTarget;
  LinkClickContext context;
  context.controlId = GetId();
  context.prefix = m_Prefix.utf8_string();
  context.hasParent = GetParent() != nullptr;
  context.ipText = &m_IpText;
  context.readLocalIp = [] { return LastLocalIpv4Address(); };
  if (!RunLinkClick(text.utf8_string(), context)) return;
  m_bVisited = true;
  m_bHover = false;
  Refresh();
}
