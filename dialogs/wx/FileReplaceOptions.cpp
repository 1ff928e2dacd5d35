#include "dialogs/wx/FileReplaceOptions.h"

#include <wx/checkbox.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>

#include "prompts/ReplacePrompt.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

FileReplaceOptions::FileReplaceOptions(wxWindow* parent, bool stayOnTop)
    : CLookDialog(parent, 273, 95, stayOnTop, /*enterResult=*/kNoChoice,
                  /*escapeResult=*/kNoChoice) {
  const wxRect group = Dlu(6, 7, 201, 80);
  new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect picture = Dlu(12, 19, 22, 20);
  m_Picture =
      new wxStaticBitmap(this, kIdPicture, wxNullBitmap, picture.GetPosition(), picture.GetSize());
  const wxRect label = Dlu(40, 20, 160, 30);
  m_MessageLabel = new CLabel(
      this, kIdMessage,
      "The destination already has this file. Please choose appropriate action.",
      label.GetPosition(), label.GetSize());
  const wxRect check = Dlu(40, 62, 160, 12);
  m_ForAllCheck = new wxCheckBox(this, kIdForAll, "Do this for all related items",
                                 check.GetPosition(), check.GetSize());
  struct ButtonSpec {
    CHoverButton** member;
    int id;
    const char* caption;
    int y;
    int choice;
  };
  const ButtonSpec buttons[] = {
      {&m_YesButton, kIdYes, "&Yes", 12, kReplaceOverwrite},
      {&m_SkipButton, kIdSkip, "&Skip", 38, kReplaceSkip},
      {&m_RenameButton, kIdRename, "&Rename", 64, kReplaceRename},
  };
  for (const ButtonSpec& b : buttons) {
    const wxRect r = Dlu(214, b.y, 50, 14);
    *b.member = new CHoverButton(this, b.id, b.caption, r.GetPosition(), r.GetSize());
    const int choice = b.choice;
    (*b.member)->Bind(wxEVT_BUTTON, [this, choice](wxCommandEvent&) {
      // Ticked, each answer becomes its "for all" form: 0 → 2, 1 → 3, 4 → 5.
      const int answer =
          m_ForAllCheck->GetValue() ? (choice == kReplaceRename ? kReplaceRenameAll : choice + 2)
                                    : choice;
      if (IsModal()) EndModal(answer);
    });
  }
}

void FileReplaceOptions::InitDialog() {
  m_DpiFactors =
      ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = true}, {m_MessageLabel});
  LoadPicture(m_Picture, "\\Question.bmp");
  m_YesButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\yes.bmp"));
  m_SkipButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\skip.bmp"));
  m_RenameButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\rename.bmp"));
  m_SkipButton->SetFocus();
}

int FileReplaceOptions::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}

std::unique_ptr<wxDialog> NewFileReplaceOptions() {
  return std::make_unique<FileReplaceOptions>(nullptr, /*stayOnTop=*/true);
}
