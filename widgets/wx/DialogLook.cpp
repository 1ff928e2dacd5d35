#include "widgets/wx/DialogLook.h"

#include <wx/display.h>
#include <wx/filefn.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/statbmp.h>
#include <wx/toplevel.h>

#include "widgets/LookGlobals.h"
#include "widgets/wx/FontFace.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

wxFont TemplateFont() {
  wxFont font(wxFontInfo(8));
  SetFontFace(font, "MS Sans Serif");
  return font;
}

wxRect TemplateRect(wxWindow* dialog, DluRect rect) {
  const wxFont font = TemplateFont();
  if (dialog->GetFont() != font) dialog->SetFont(font);
  const wxPoint pos = dialog->ConvertDialogToPixels(wxPoint(rect.x, rect.y));
  const wxSize size = dialog->ConvertDialogToPixels(wxSize(rect.width, rect.height));
  return wxRect(pos, size);
}

void SizeFromTemplate(wxWindow* dialog, int widthDlu, int heightDlu) {
  dialog->SetClientSize(TemplateRect(dialog, {0, 0, widthDlu, heightDlu}).GetSize());
}

DpiFactors ScreenDpiFactors(bool largeDesktopException) {
  const wxSize ppi = wxGetDisplayPPI();
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  return ComputeDpiFactors(ppi.x, ppi.y, desktop.GetRight() + 1, desktop.GetBottom() + 1,
                           largeDesktopException);
}

void ApplyLabelLook(CLabel* label, const DpiFactors& factors, int points) {
  if (!label) return;
  label->SetFaceName("Arial")
      .SetPointSize(LabelPointSize(points, factors.y))
      .SetBold(true)
      .SetTransparent(true)
      .SetTextColor(*wxBLACK);
}

DpiFactors ApplyDialogLook(wxTopLevelWindow* dialog, const DialogLookOptions& options,
                           std::initializer_list<CLabel*> labels) {
  dialog->SetTitle(wxString::FromUTF8(g_AppTitle));
  dialog->SetBackgroundColour(*wxWHITE);
  if (options.icons) {
    wxLogNull quiet;
    const wxString path = wxString::FromUTF8(BitmapPath(g_BitmapFolder, "\\Merrowind.bmp"));
    wxImage image;
    if (wxFileExists(path) && image.LoadFile(path, wxBITMAP_TYPE_BMP)) {
      wxIcon icon;
      icon.CopyFromBitmap(wxBitmap(image));
      dialog->SetIcon(icon);
    }
  }
  const DpiFactors factors = ScreenDpiFactors(options.largeDesktopException);
  for (CLabel* label : labels) ApplyLabelLook(label, factors, options.labelPoints);
  dialog->Refresh();
  return factors;
}

bool LoadPicture(wxStaticBitmap* picture, std::string_view name) {
  if (!picture) return false;
  wxLogNull quiet;
  const wxString path = wxString::FromUTF8(BitmapPath(g_BitmapFolder, name));
  wxImage image;
  if (!wxFileExists(path) || !image.LoadFile(path, wxBITMAP_TYPE_BMP)) {
    picture->SetBitmap(wxNullBitmap);
    return false;
  }
  picture->SetBitmap(wxBitmap(image));
  picture->SetSize(image.GetWidth(), image.GetHeight());
  return true;
}

CLookDialog::CLookDialog(wxWindow* parent, int widthDlu, int heightDlu, bool stayOnTop,
                         int enterResult, int escapeResult)
    : wxDialog(parent, wxID_ANY, "Dialog", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | (stayOnTop ? wxSTAY_ON_TOP : 0)),
      m_EnterResult(enterResult),
      m_EscapeResult(escapeResult) {
  SetBackgroundColour(*wxWHITE);
  SizeFromTemplate(this, widthDlu, heightDlu);
  Bind(wxEVT_CHAR_HOOK, &CLookDialog::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &CLookDialog::OnClose, this);
}

void CLookDialog::OnCharHook(wxKeyEvent& event) {
  const int key = event.GetKeyCode();
  if (key == WXK_ESCAPE) {
    OnEscape();
    return;
  }
  if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    if (auto* button = dynamic_cast<CHoverButton*>(FindFocus())) {
      button->Click();
    } else {
      OnEnterKey();
    }
    return;
  }
  event.Skip();
}

void CLookDialog::OnClose(wxCloseEvent& event) {
  if (IsModal()) {
    OnEscape();
  } else {
    event.Skip();
  }
}

void CLookDialog::OnEscape() {
  if (IsModal()) EndModal(m_EscapeResult);
}

void CLookDialog::OnEnterKey() {
  if (IsModal()) EndModal(m_EnterResult);
}
