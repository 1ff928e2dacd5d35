#include "unreferenced/wx/ButtonST.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "unreferenced/wx/PixelsBehind.h"
#include "unreferenced/wx/SurfaceBitmap.h"
#include "unreferenced/wx/WxText.h"

namespace {

wxColour ToColour(ColorRef c) {
  return wxColour(ColorRefRed(c), ColorRefGreen(c), ColorRefBlue(c));
}

ColorRef FromColour(const wxColour& c) {
  return MakeColorRef(c.Red(), c.Green(), c.Blue());
}

// The bitmap with its transparent colour masked out.
wxBitmap Masked(const wxBitmap& bitmap, ColorRef transparent) {
  wxBitmap copy = bitmap.GetSubBitmap(wxRect(wxPoint(0, 0), bitmap.GetSize()));
  copy.SetMask(new wxMask(copy, ToColour(transparent)));
  return copy;
}

wxBitmap Mapped(const wxBitmap& bitmap, ColorRef transparent, bool grey) {
  wxMemoryDC dc(const_cast<wxBitmap&>(bitmap));
  PixelSurface pixels = SurfaceFromDC(dc, 0, 0, bitmap.GetWidth(), bitmap.GetHeight());
  dc.SelectObject(wxNullBitmap);
  return SurfaceToBitmap(grey ? CreateGrayscaleImage(pixels, transparent)
                              : CreateDarkerImage(pixels, transparent));
}

}  // namespace

CButtonST::CButtonST(wxWindow* parent, wxWindowID id, const wxString& caption, const wxPoint& pos,
                     const wxSize& size, bool defaultButton)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS) {
  SetLabel(caption);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_Model.defaultButton = defaultButton;
  SetDefaultColors(false);
  m_LinkOpener = [](const wxString& link) { wxLaunchDefaultBrowser(link); };
  Bind(wxEVT_PAINT, &CButtonST::OnPaint, this);
  Bind(wxEVT_ENTER_WINDOW, &CButtonST::OnEnter, this);
  Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& e) {
    CancelHover();
    e.Skip();
  });
  Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
    CancelHover();
    e.Skip();
  });
  Bind(wxEVT_SYS_COLOUR_CHANGED, [this](wxSysColourChangedEvent& e) {
    m_BkCache = wxBitmap();
    SetDefaultColors(true);
    e.Skip();
  });
  Bind(wxEVT_LEFT_DOWN, &CButtonST::OnLeftDown, this);
  // A double click counts as a second press.
  Bind(wxEVT_LEFT_DCLICK, &CButtonST::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &CButtonST::OnLeftUp, this);
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_SPACE || e.GetKeyCode() == WXK_RETURN)
      OnClicked();
    else
      e.Skip();
  });
  if (size == wxDefaultSize) SetInitialSize();
}

CButtonST::~CButtonST() {
  if (HasCapture()) ReleaseMouse();
  m_Menu.reset();  // before the native menus it stands on
}

ButtonStModel::PaintState CButtonST::State() const {
  ButtonStModel::PaintState state;
  state.selected = m_Selected;
  state.focused = HasFocus();
  state.hovering = m_Hovering;
  state.menuShowing = m_MenuShowing;
  return state;
}

int CButtonST::SetBitmaps(const wxBitmap& in, ColorRef inTransparent, const wxBitmap& out,
                          ColorRef outTransparent, int outKind) {
  m_In = wxBitmap();
  m_Out = wxBitmap();
  if (!in.IsOk()) return BTNST_INVALIDRESOURCE;
  m_In = Masked(in, inTransparent);
  if (outKind == BTNST_AUTO_GRAY || outKind == BTNST_AUTO_DARKER)
    m_Out = Masked(Mapped(in, inTransparent, outKind == BTNST_AUTO_GRAY), inTransparent);
  else if (out.IsOk())
    m_Out = Masked(out, outTransparent);
  Refresh();
  return BTNST_OK;
}

void CButtonST::SizeToContent() {
  if (!m_In.IsOk()) return;
  m_Model.xMargin = 0;
  m_Model.yMargin = 0;
  SetSize(m_In.GetSize());
}

wxSize CButtonST::DoGetBestClientSize() const {
  wxSize text = GetTextExtent(GetLabel());
  wxSize image = m_In.IsOk() ? m_In.GetSize() : wxSize(0, 0);
  return wxSize(text.x + image.x + 4 * m_Model.xMargin + 8,
                std::max(text.y, image.y) + 2 * m_Model.yMargin + 8);
}

void CButtonST::SetDefaultColors(bool repaint) {
  m_Model.SetDefaultColors(FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)),
                           FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT)));
  Repaint(repaint);
}

void CButtonST::SetFlat(bool flat, bool repaint) {
  m_Model.flat = flat;
  Repaint(repaint);
}

int CButtonST::SetAlign(int align, bool repaint) {
  int result = m_Model.SetAlign(align);
  if (result == BTNST_OK) Repaint(repaint);
  return result;
}

int CButtonST::SetColor(int index, ColorRef colour, bool repaint) {
  int result = m_Model.SetColor(index, colour);
  if (result == BTNST_OK) Repaint(repaint);
  return result;
}

int CButtonST::OffsetColor(int index, int shade, bool repaint) {
  int result = m_Model.OffsetColor(index, shade);
  if (result == BTNST_OK) Repaint(repaint);
  return result;
}

void CButtonST::SetCheck(bool checked, bool repaint) {
  if (!m_Model.checkBox) return;
  m_Model.checked = checked;
  Repaint(repaint);
}

int CButtonST::SetURL(const wxString& link) {
  return m_Model.SetURL(ToU16String(link));
}

int CButtonST::SetSound(const wxString& name, bool resource, bool onClick, bool async) {
  if (name.empty()) return m_Model.SetSound(nullptr, resource, onClick, async);
  std::u16string text = ToU16String(name);
  return m_Model.SetSound(text.c_str(), resource, onClick, async);
}

void CButtonST::SetTooltipText(const wxString& text, bool activate) {
  if (text.empty()) return;
  // An inactive tooltip keeps no text on the window.
  if (activate)
    SetToolTip(text);
  else
    UnsetToolTip();
}

int CButtonST::SetBtnCursor(int stockCursor, bool repaint) {
  SetCursor(wxNullCursor);
  if (stockCursor == 0) return BTNST_OK;
  if (stockCursor <= wxCURSOR_NONE || stockCursor >= wxCURSOR_MAX) return BTNST_INVALIDRESOURCE;
  SetCursor(wxCursor(static_cast<wxStockCursor>(stockCursor)));
  Repaint(repaint);
  return BTNST_OK;
}

int CButtonST::SetMenu(std::span<const std::byte> menuTemplate, wxEvtHandler* commandHandler,
                       int drawMode, int toolbarId, wxSize toolbarIconSize,
                       ColorRef toolbarBackground, bool repaint) {
  m_Menu.reset();
  m_CommandHandler = nullptr;
  m_MenuShowing = false;
  if (menuTemplate.empty()) return BTNST_OK;
  BCMenu::SetMenuDrawMode(drawMode);
  auto menu = std::make_unique<BCMenu>(m_Native);
  if (!menu->LoadMenu(menuTemplate)) return BTNST_INVALIDRESOURCE;
  if (toolbarId != 0) {
    menu->SetBitmapBackground(toolbarBackground);
    menu->SetIconSize(toolbarIconSize.x, toolbarIconSize.y);
    if (!menu->AddToolbarImages(toolbarId)) return BTNST_INVALIDRESOURCE;
  }
  m_Menu = std::move(menu);
  m_CommandHandler = commandHandler;
  Repaint(repaint);
  return BTNST_OK;
}

int CButtonST::TrackPopupMenu(wxMenu& menu, const wxPoint& at) {
  int chosen = GetPopupMenuSelectionFromUser(menu, at);
  return chosen == wxID_NONE ? 0 : chosen;
}

void CButtonST::Play(const ButtonSound& sound) {
  if (m_Sounds && !sound.name.empty()) m_Sounds->Play(sound);
}

void CButtonST::OnEnter(wxMouseEvent& event) {
  event.Skip();
  if (!m_Model.flat || (event.LeftIsDown() && !m_Hovering)) return;
  if (!m_Hovering) {
    m_Hovering = true;
    Refresh();
    Play(m_Model.HoverSound());
  }
}

void CButtonST::CancelHover() {
  if (m_Model.flat && m_Hovering) {
    m_Hovering = false;
    Refresh();
  }
}

void CButtonST::OnLeftDown(wxMouseEvent&) {
  m_Selected = true;
  if (!HasCapture()) CaptureMouse();
  Refresh();
}

void CButtonST::OnLeftUp(wxMouseEvent& event) {
  if (HasCapture()) ReleaseMouse();
  const bool wasSelected = m_Selected;
  m_Selected = false;
  Refresh();
  if (wasSelected && GetClientRect().Contains(event.GetPosition())) OnClicked();
}

void CButtonST::OnClicked() {
  SetFocus();
  Play(m_Model.ClickSound());
  if (m_Model.checkBox) {
    m_Model.checked = !m_Model.checked;
    Refresh();
  } else if (m_Menu && m_Native.Menu(m_Native.GetSubMenu(m_Menu->GetHandle(), 0))) {
    // The menu wins over the link.
    wxMenu* popup = m_Native.Menu(m_Native.GetSubMenu(m_Menu->GetHandle(), 0));
    m_MenuShowing = true;
    Refresh();
    Update();
    const int command = TrackPopupMenu(*popup, wxPoint(0, GetClientSize().y));
    m_MenuShowing = false;
    Refresh();
    if (command != 0 && m_CommandHandler) {
      auto* chosen = new wxCommandEvent(wxEVT_MENU, command);
      wxQueueEvent(m_CommandHandler, chosen);
    }
    return;
  } else if (!m_Model.URL().empty()) {
    const std::u16string& link = m_Model.URL();
    m_LinkOpener(ToWxString(link));
  }
  wxCommandEvent clicked(wxEVT_BUTTON, GetId());
  clicked.SetEventObject(this);
  ProcessWindowEvent(clicked);
}

void CButtonST::DrawBorder(wxDC& dc, const wxRect& rect) {
  ButtonBorderColours colours;
  colours.highlight = FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
  colours.light = FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_3DLIGHT));
  colours.shadow = FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
  colours.darkShadow = FromColour(wxSystemSettings::GetColour(wxSYS_COLOUR_3DDKSHADOW));
  const SurfaceRect r{rect.x, rect.y, rect.GetRight() + 1, rect.GetBottom() + 1};
  dc.SetPen(*wxTRANSPARENT_PEN);
  for (const ButtonBorderLine& line : m_Model.BorderLines(r, State(), colours)) {
    dc.SetBrush(wxBrush(ToColour(line.colour)));
    dc.DrawRectangle(line.rect.left, line.rect.top, line.rect.Width(), line.rect.Height());
  }
}

void CButtonST::DrawTransparent(bool repaint) {
  m_Transparent = true;
  m_BkCache = wxBitmap();
  Repaint(repaint);
}

int CButtonST::SetBk(wxDC* parentDc) {
  if (!m_Transparent || !parentDc) return BTNST_BADPARAM;
  CaptureBk(*parentDc);
  return BTNST_OK;
}

void CButtonST::CaptureBk(wxDC& parentDc) {
  // The button's rectangle in the parent's client coordinates.
  m_BkCache = CopyPixelsBehind(parentDc, GetRect());
}

void CButtonST::PaintBk(wxDC& dc) {
  if (!m_BkCache.IsOk()) m_BkCache = CopyPixelsBehind(*this);
  if (m_BkCache.IsOk()) dc.DrawBitmap(m_BkCache, 0, 0, false);
}

void CButtonST::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const ButtonStModel::PaintState state = State();
  const bool pressed = m_Model.IsPressed(state);
  const bool disabled = !IsEnabled();
  if (m_Transparent) {
    PaintBk(dc);
  } else {
    wxRect rect = GetClientRect();
    if (!m_Model.flat && (state.focused || m_Model.defaultButton)) {
      dc.SetPen(*wxBLACK_PEN);
      dc.SetBrush(*wxTRANSPARENT_BRUSH);
      dc.DrawRectangle(rect);
      rect.Deflate(1);
    }
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(ToColour(m_Model.Background(state))));
    dc.DrawRectangle(rect);
  }
  if (m_Model.flat) DrawBorder(dc, GetClientRect());

  const wxString caption = GetLabel();
  const wxRect client = GetClientRect();
  SurfaceRect captionRect{client.x, client.y, client.GetRight() + 1, client.GetBottom() + 1};
  if (m_In.IsOk()) {
    const wxBitmap& image = m_Model.UsesOutImage(state, m_Out.IsOk()) ? m_Out : m_In;
    const SurfaceRect at = m_Model.PrepareImageRect(!caption.empty(), captionRect, captionRect,
                                                    pressed, image.GetWidth(), image.GetHeight());
    dc.DrawBitmap(disabled ? image.ConvertToDisabled() : image, at.left, at.top, true);
  }
  if (!caption.empty()) {
    wxRect textRect(captionRect.left, captionRect.top, captionRect.Width(), captionRect.Height());
    if (pressed && !m_Model.checkBox)
      textRect.Offset(m_Model.pressedOffsetX, m_Model.pressedOffsetY);
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    if (disabled) {
      dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
      wxRect raised = textRect;
      raised.Offset(1, 1);
      dc.DrawLabel(caption, raised, wxALIGN_CENTER);
      dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    } else {
      dc.SetTextForeground(ToColour(m_Model.TextColour(state)));
    }
    dc.DrawLabel(caption, textRect, wxALIGN_CENTER);
  }
  if (state.focused && (!m_Model.flat || m_Model.drawFlatFocus))
    wxRendererNative::Get().DrawFocusRect(this, dc, GetClientRect().Deflate(3));
}
