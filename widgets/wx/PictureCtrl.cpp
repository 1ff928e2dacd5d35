#include "widgets/wx/PictureCtrl.h"

#include <wx/dcbuffer.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "widgets/PictureFit.h"

CPictureCtrl::CPictureCtrl(wxWindow* parent, wxWindowID id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CPictureCtrl::OnPaint, this);
}

void CPictureCtrl::FreeData() {
  m_Image = wxImage();
}

bool CPictureCtrl::Load(const std::string& path) {
  FreeData();
  const wxString name = wxString::FromUTF8(path);
  if (!wxFileName::FileExists(name)) return false;
  wxLogNull quiet;  // a damaged picture is no error to tell: the preview says so itself
  wxImage image;
  if (!image.LoadFile(name, wxBITMAP_TYPE_ANY) || !image.IsOk()) return false;
  m_Image = image;
  Refresh();
  Update();
  return true;
}

void CPictureCtrl::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  const wxSize size = GetClientSize();
  if (!m_Image.IsOk()) {
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    return;
  }
  // COLORREF 0xFFFFF0 and 0xBE8C6E: a pale cyan fill in a steel-blue frame.
  dc.SetBrush(wxBrush(wxColour(0xF0, 0xFF, 0xFF)));
  dc.SetPen(wxPen(wxColour(0x6E, 0x8C, 0xBE)));
  dc.DrawRectangle(0, 0, size.x, size.y);
  const PictureRect r = PictureDrawRect(size.x, size.y, m_Image.GetWidth(), m_Image.GetHeight());
  if (r.width <= 0 || r.height <= 0) return;
  const wxImage scaled = (r.width == m_Image.GetWidth() && r.height == m_Image.GetHeight())
                             ? m_Image
                             : m_Image.Scale(r.width, r.height, wxIMAGE_QUALITY_BILINEAR);
  dc.DrawBitmap(wxBitmap(scaled), r.x, r.y, true);
}
