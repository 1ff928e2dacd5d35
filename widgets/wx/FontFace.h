// Font faces by the names the dialogs use ("Arial", "verdana", "MS Sans Serif"). The toolkit's
// font list does not show fontconfig's aliases, so the face is given to the font description as it
// is and fontconfig picks the metric-compatible face installed here (Liberation Sans for Arial).
// The old bitmap dialog faces have no such alias; they get Liberation Sans, whose widths are
// closest, so templates measured in them keep their proportions.
#pragma once

#include <wx/font.h>

void SetFontFace(wxFont& font, const wxString& face);
