#include "dialogs/wx/SectorsBadStatusAction.h"

#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

SectorsBadStatusAction::SectorsBadStatusAction(wxWindow* parent, bool stayOnTop)
    : CLookDialog(parent, 273, 85, stayOnTop, /*enterResult=*/kNoChoice,
                  /*escapeResult=*/kNoChoice) {
  // Template 145.
  const wxRect group = Dlu(6, 7, 201, 70);
  m_GroupBox = new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture = Dlu(10, 17, 15, 13);
  m_Picture =
      new wxStaticBitmap(this, kIdPicture, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(40, 22, 164, 29);
  m_MessageLabel = new CLabel(this, kIdMessage,
                              "Error found while reading sector. This may be due to bad sectors. "
                              "Please choose appropriate action.",
                              label.GetPosition(), label.GetSize());
  struct ButtonSpec {
    CHoverButton** member;
    int id;
    const char* caption;
    int y;
    int choice;
  };
  const ButtonSpec buttons[] = {
      {&m_RetryButton, kIdRetry, "&Retry", 7, kRetry},
      {&m_RetryAllButton, kIdRetryAll, "Retry &All", 26, kRetryAll},
      {&m_SkipButton, kIdSkip, "&Skip", 45, kSkip},
      {&m_SkipAllButton, kIdSkipAll, "S&kip All", 64, kSkipAll},
  };
  for (const ButtonSpec& b : buttons) {
    const wxRect r = Dlu(214, b.y, 50, 14);
    *b.member = new CHoverButton(this, b.id, b.caption, r.GetPosition(), r.GetSize());
    const int choice = b.choice;
    (*b.member)->Bind(wxEVT_BUTTON, [this, choice](wxCommandEvent&) {
      if (IsModal()) EndModal(choice);
    });
  }
}

void SectorsBadStatusAction::InitDialog() {
  m_DpiFactors =
      ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = false}, {m_MessageLabel});
  LoadPicture(m_Picture, "\\Information.bmp");
  m_RetryButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\retry.bmp"));
  m_RetryAllButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\retryall.bmp"));
  m_SkipButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skip.bmp"));
  m_SkipAllButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skipall.bmp"));
  m_RetryButton->SetFocus();
}

int SectorsBadStatusAction::DoModal() {
  return ShowModal();
}

int SectorsBadStatusAction::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}

std::unique_ptr<wxDialog> NewSectorsBadStatusAction() {
  return std::make_unique<SectorsBadStatusAction>(nullptr, /*stayOnTop=*/true);
}
