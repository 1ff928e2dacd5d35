#include "ui/wx/FontFace.h"

#include <wx/fontutil.h>

void SetFontFace(wxFont& font, const wxString& face) {
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
