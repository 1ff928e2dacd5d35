// CTransparentStatic: a static text without a background of its own, for values that change while
// a worker runs. Every SetLabel, even with the same text, repaints the area under it, so an old,
// longer text never shows through. PostLabel does the same from a worker thread.
#pragma once

#include <wx/control.h>

class CTransparentStatic : public wxControl {
 public:
  CTransparentStatic(wxWindow* parent, wxWindowID id, const wxString& text = wxString(),
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxALIGN_LEFT);

  void SetLabel(const wxString& text) override;
  // Sets the text from any thread (the change lands on the UI thread).
  void PostLabel(const wxString& text);
  // How many times the text area was repainted (for tests of the repaint on every change).
  int RepaintCount() const { return m_Repaints; }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);
  long m_Align;
  int m_Repaints = 0;
};
