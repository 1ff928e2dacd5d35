// CPictureCtrl: a picture on a light background in a thin frame, read by the toolkit's image
// decoders (PNG, JPEG, BMP, GIF, TIFF, ICO, ...) and placed by PictureDrawRect. Nothing is drawn
// until a picture loaded.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/window.h>

class CPictureCtrl : public wxWindow {
 public:
  CPictureCtrl(wxWindow* parent, wxWindowID id);
  // True when the file held a picture the toolkit can decode; it is then shown.
  bool Load(const std::string& path);
  void FreeData();
  bool Loaded() const { return m_Image.IsOk(); }
  const wxImage& Image() const { return m_Image; }

 private:
  void OnPaint(wxPaintEvent& event);

  wxImage m_Image;
};
