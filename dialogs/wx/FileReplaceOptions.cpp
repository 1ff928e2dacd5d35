#include "dialogs/wx/FileReplaceOptions.h"

#include <wx/checkbox.h>

#include "prompts/ReplacePrompt.h"

FileReplaceOptions::FileReplaceOptions(wxWindow* parent, bool stayOnTop)
    : CAnswerDialog(parent, stayOnTop, 95, kNoChoice) {
  Build({.group = {6, 7, 201, 80}, .picture = {12, 19, 22, 20},
         .label = {40, 20, 160, 30}},
        kIdMessage, "The destination already has this file. Please choose appropriate action.",
        kIdPicture, "\\Question.bmp",
        {{&m_YesButton, kIdYes, "&Yes", "\\yes.bmp", 12, kReplaceOverwrite},
         {&m_SkipButton, kIdSkip, "&Skip", "\\skip.bmp", 38, kReplaceSkip},
         {&m_RenameButton, kIdRename, "&Rename", "\\rename.bmp", 64, kReplaceRename}},
        &m_SkipButton);
  const wxRect check = Dlu(40, 62, 160, 12);
  m_ForAllCheck = new wxCheckBox(this, kIdForAll, "Do this for all related items",
                                 check.GetPosition(), check.GetSize());
}

int FileReplaceOptions::AnswerOf(int buttonAnswer) {
  if (!m_ForAllCheck->GetValue()) return buttonAnswer;
  return buttonAnswer == kReplaceRename ? kReplaceRenameAll : buttonAnswer + 2;
}

std::unique_ptr<wxDialog> NewFileReplaceOptions() {
  return std::make_unique<FileReplaceOptions>(nullptr, /*stayOnTop=*/true);
}
