#include "widgets/wx/TransparentStatic.h"

#include <wx/dcbuffer.h>

CTransparentStatic::CTransparentStatic(wxWindow* parent, wxWindowID id, const wxString& text,
                                       const wxPoint& pos, const wxSize& size, long style)
    : wxControl(parent, id, pos, size, wxBORDER_NONE), m_Align(style & wxALIGN_MASK) {
  wxControl::SetLabel(text);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetInitialSize(size);
  Bind(wxEVT_PAINT, &CTransparentStatic::OnPaint, this);
}

void CTransparentStatic::SetLabel(const wxString& text) {
  wxControl::SetLabel(text);
  Refresh();
  Update();
}

void CTransparentStatic::PostLabel(const wxString& text) {
  CallAfter([this, text] { SetLabel(text); });
}

wxSize CTransparentStatic::DoGetBestSize() const {
  wxClientDC dc(const_cast<CTransparentStatic*>(this));
  dc.SetFont(GetFont());
  wxCoord w = 0, h = 0;
  dc.GetMultiLineTextExtent(GetLabel(), &w, &h);
  return wxSize(std::max(w, 1), std::max(h, 1));
}

void CTransparentStatic::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  ++m_Repaints;
  // The parent's own background stands in for "no background": the old text disappears under it.
  const wxColour back = GetParent() ? GetParent()->GetBackgroundColour() : *wxWHITE;
  dc.SetBackground(wxBrush(back));
  dc.Clear();
  dc.SetFont(GetFont());
  dc.SetTextForeground(GetForegroundColour());
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  int align = wxALIGN_TOP;
  if (m_Align & wxALIGN_CENTER_HORIZONTAL) align |= wxALIGN_CENTER_HORIZONTAL;
  if (m_Align & wxALIGN_RIGHT) align |= wxALIGN_RIGHT;
  dc.DrawLabel(GetLabel(), wxRect(GetClientSize()), align);
}
