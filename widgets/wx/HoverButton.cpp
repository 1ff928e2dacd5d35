#include "widgets/wx/HoverButton.h"

#include <wx/dcbuffer.h>
#include <wx/filefn.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "widgets/HoverFrames.h"
#include "widgets/LabelText.h"

CHoverButton::CHoverButton(wxWindow* parent, wxWindowID id, const wxString& caption,
                           const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS) {
  SetLabel(caption);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetInitialSize(size);
  Bind(wxEVT_PAINT, &CHoverButton::OnPaint, this);
  Bind(wxEVT_ENTER_WINDOW, &CHoverButton::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, &CHoverButton::OnLeave, this);
  Bind(wxEVT_LEFT_DOWN, &CHoverButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &CHoverButton::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &CHoverButton::OnLeftUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CHoverButton::OnCaptureLost, this);
  Bind(wxEVT_KEY_DOWN, &CHoverButton::OnKeyDown, this);
  Bind(wxEVT_SET_FOCUS, &CHoverButton::OnFocus, this);
  Bind(wxEVT_KILL_FOCUS, &CHoverButton::OnFocus, this);
}

int CHoverButton::LoadFrameStrip3(std::string path) {
  return LoadStrip(path, 3);
}
int CHoverButton::LoadFrameStrip4(std::string path) {
  return LoadStrip(path, 4);
}

int CHoverButton::LoadStrip(const std::string& path, int frames) {
  m_FrameCount = frames;
  m_Strip = wxBitmap();
  m_DimmedNormal = wxBitmap();
  m_FrameWidth = m_FrameHeight = 0;
  wxImage image;
  {
    wxLogNull quiet;  // a missing file is not an error the user must see
    if (!wxFileExists(wxString::FromUTF8(path)) ||
        !image.LoadFile(wxString::FromUTF8(path), wxBITMAP_TYPE_BMP)) {
      image = wxImage();
    }
  }
  const StripFrameSize frame = image.IsOk()
                                   ? FrameSizeOfStrip(image.GetWidth(), image.GetHeight(), frames)
                                   : StripFrameSize{};
  if (frame.width > 0) {
    m_Strip = wxBitmap(image);
    m_FrameWidth = frame.width;
    m_FrameHeight = frame.height;
    m_DimmedNormal =
        wxBitmap(image.GetSubImage(wxRect(kFrameNormal * frame.width, 0, frame.width, frame.height))
                     .ConvertToDisabled());
  }
  // Without a strip the button keeps a caption-sized face instead of shrinking to nothing.
  const wxSize size = m_Strip.IsOk() ? wxSize(m_FrameWidth, m_FrameHeight) : DoGetBestSize();
  SetMinSize(size);
  SetSize(size);
  Refresh();
  return m_Strip.IsOk() ? 1 : 0;
}

wxSize CHoverButton::DoGetBestSize() const {
  if (m_Strip.IsOk()) return wxSize(m_FrameWidth, m_FrameHeight);
  wxClientDC dc(const_cast<CHoverButton*>(this));
  dc.SetFont(GetFont());
  const wxSize text =
      dc.GetTextExtent(wxString::FromUTF8(StripMnemonics(GetLabel().utf8_string())));
  return wxSize(std::max(text.x + 24, 75), std::max(text.y + 12, 23));
}

bool CHoverButton::EnableButton(bool enable) {
  Enable(enable);
  m_bEnabled = enable;
  if (!enable) m_bHover = m_bPressed = false;
  Refresh();
  return enable;
}

void CHoverButton::SetToolTipText(const wxString* text, bool activate) {
  if (!text) return;
  m_ToolTipText = *text;
  ActivateToolTip(activate);
}

void CHoverButton::ActivateToolTip(bool activate) {
  m_ToolTipActive = activate;
  if (activate && !m_ToolTipText.empty()) {
    SetToolTip(m_ToolTipText);
  } else {
    UnsetToolTip();
  }
}

int CHoverButton::CurrentFrame() const {
  return ChooseHoverFrame(m_FrameCount, m_bPressed, m_bHover, m_bEnabled).frame;
}

void CHoverButton::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  wxWindow* parent = GetParent();
  dc.SetBackground(wxBrush(parent ? parent->GetBackgroundColour() : *wxWHITE));
  dc.Clear();
  if (!m_Strip.IsOk()) {
    DrawCaptionFallback(dc, size);
    return;
  }
  const HoverFrameChoice choice = ChooseHoverFrame(m_FrameCount, m_bPressed, m_bHover, m_bEnabled);
  if (choice.dimmed && m_DimmedNormal.IsOk()) {
    dc.DrawBitmap(m_DimmedNormal, 0, 0);
    return;
  }
  wxMemoryDC strip(m_Strip);
  dc.Blit(0, 0, m_FrameWidth, m_FrameHeight, &strip, choice.frame * m_FrameWidth, 0);
}

void CHoverButton::DrawCaptionFallback(wxDC& dc, const wxSize& size) {
  const HoverFrameChoice choice = ChooseHoverFrame(m_FrameCount, m_bPressed, m_bHover, m_bEnabled);
  const bool disabled = choice.frame == kFrameDisabled || choice.dimmed;
  wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  if (choice.frame == kFrameHover) face = face.ChangeLightness(110);
  if (choice.frame == kFramePressed) face = face.ChangeLightness(85);
  dc.SetBrush(wxBrush(face));
  dc.SetPen(wxPen(wxColour(120, 120, 120)));
  dc.DrawRectangle(0, 0, size.x, size.y);
  dc.SetFont(GetFont());
  dc.SetTextForeground(disabled ? wxColour(150, 150, 150) : *wxBLACK);
  const wxString text = wxString::FromUTF8(StripMnemonics(GetLabel().utf8_string()));
  wxRect rect(0, 0, size.x, size.y);
  if (choice.frame == kFramePressed) rect.Offset(1, 1);
  dc.DrawLabel(text, rect, wxALIGN_CENTER);
  if (HasFocus()) {
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(wxColour(60, 60, 60), 1, wxPENSTYLE_DOT));
    dc.DrawRectangle(3, 3, size.x - 6, size.y - 6);
  }
}

void CHoverButton::OnEnter(wxMouseEvent& event) {
  m_bHover = true;
  Refresh();
  event.Skip();
}

void CHoverButton::OnLeave(wxMouseEvent& event) {
  m_bHover = false;
  Refresh();
  event.Skip();
}

void CHoverButton::OnLeftDown(wxMouseEvent& event) {
  if (!IsEnabled()) return;
  m_bPressed = true;
  if (!HasCapture()) CaptureMouse();
  SetFocus();
  Refresh();
  event.Skip(false);
}

void CHoverButton::OnLeftUp(wxMouseEvent& event) {
  const bool wasPressed = m_bPressed;
  m_bPressed = false;
  if (HasCapture()) ReleaseMouse();
  Refresh();
  if (wasPressed && wxRect(GetClientSize()).Contains(event.GetPosition())) Click();
}

void CHoverButton::OnCaptureLost(wxMouseCaptureLostEvent&) {
  m_bPressed = false;
  Refresh();
}

void CHoverButton::OnKeyDown(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_SPACE || key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    Click();
    return;
  }
  if (key == WXK_TAB) {
    Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward
                               : wxNavigationKeyEvent::IsForward);
    return;
  }
  event.Skip();
}

void CHoverButton::OnFocus(wxFocusEvent& event) {
  Refresh();
  event.Skip();
}

void CHoverButton::Click() {
  if (!IsEnabled()) return;
  wxCommandEvent click(wxEVT_BUTTON, GetId());
  click.SetEventObject(this);
  ProcessWindowEvent(click);
  // What the click opened (a box, a dialog, the next page) ran its own loop and took the pointer
  // away without a leave event reaching the button: it shows what holds now.
  SettleAfterClick();
}

void CHoverButton::SettleAfterClick() {
  m_bPressed = false;
  m_bHover = IsShownOnScreen() && IsEnabled() && GetScreenRect().Contains(wxGetMousePosition());
  Refresh();
}
