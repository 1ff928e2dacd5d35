#include "widgets/wx/FontFace.h"

#include <wx/fontutil.h>

namespace {
wxString Substitute(const wxString& face) {
  for (const char* old : {"MS Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Sarif"}) {
    if (face.CmpNoCase(old) == 0) return "Liberation Sans";
  }
  return face;
}
}  // namespace

void SetFontFace(wxFont& font, const wxString& requested) {
  const wxString face = Substitute(requested);
  if (!font.IsOk()) font = *wxNORMAL_FONT;
  const wxNativeFontInfo* current = font.GetNativeFontInfo();
  if (!current) {
    font.SetFaceName(face);
    return;
  }
  wxNativeFontInfo info = *current;
  info.SetFaceName(face);
  font.SetNativeFontInfo(info);
}
