#include "dialogs/wx/ErrorCopying.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

ErrorCopying::ErrorCopying(wxWindow* parent, bool stayOnTop)
    : CLookDialog(parent, 273, 85, stayOnTop, /*enterResult=*/kNoChoice,
                  /*escapeResult=*/kNoChoice) {
  const wxRect group = Dlu(6, 7, 201, 70);
  new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture = Dlu(12, 19, 22, 20);
  m_Picture =
      new wxStaticBitmap(this, kIdPicture, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(40, 18, 160, 50);
  m_MessageLabel = new CLabel(this, kIdMessage,
                              "Problem encountered while copying file. This may be due to "
                              "insufficient space in destination. Please take appropriate action.",
                              label.GetPosition(), label.GetSize());
  struct ButtonSpec {
    CHoverButton** member;
    int id;
    const char* caption;
    int y;
    int answer;
  };
  const ButtonSpec buttons[] = {
      {&m_AbortButton, kIdAbort, "&Abort", 10, kAbort},
      {&m_SkipButton, kIdSkip, "&Skip", 35, kSkip},
      {&m_SkipAllButton, kIdSkipAll, "S&kip All", 60, kSkipAll},
  };
  for (const ButtonSpec& b : buttons) {
    const wxRect r = Dlu(214, b.y, 50, 14);
    *b.member = new CHoverButton(this, b.id, b.caption, r.GetPosition(), r.GetSize());
    const int answer = b.answer;
    (*b.member)->Bind(wxEVT_BUTTON, [this, answer](wxCommandEvent&) {
      if (IsModal()) EndModal(answer);
    });
  }
}

void ErrorCopying::InitDialog() {
  m_DpiFactors =
      ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = true}, {m_MessageLabel});
  LoadPicture(m_Picture, "\\Information.bmp");
  m_AbortButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\abort.bmp"));
  m_SkipButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skip.bmp"));
  m_SkipAllButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skipall.bmp"));
  m_SkipButton->SetFocus();
}

int ErrorCopying::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}

std::unique_ptr<wxDialog> NewErrorCopying() {
  return std::make_unique<ErrorCopying>(nullptr, /*stayOnTop=*/true);
}
