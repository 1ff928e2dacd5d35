// FileReplaceOptions: the question asked when the target folder already has a file of the copy's
// name. Its buttons end the dialog with the new replace choice (prompts/ReplacePrompt.h): Yes 0,
// Skip 1, Rename 4, or 2, 3, 5 with "Do this for all related items" ticked. Esc and the close box
// end it with -1, which the copy takes as skip.
#pragma once

#include <memory>

#include "dialogs/wx/AnswerDialog.h"

class wxCheckBox;

class FileReplaceOptions : public CAnswerDialog {
 public:
  static constexpr int kIdMessage = 1151;
  static constexpr int kIdYes = 1308;
  static constexpr int kIdSkip = 1307;
  static constexpr int kIdRename = 1152;
  static constexpr int kIdForAll = 1010;
  static constexpr int kIdPicture = 1172;
  static constexpr int kNoChoice = -1;

  explicit FileReplaceOptions(wxWindow* parent = nullptr, bool stayOnTop = true);

  CHoverButton* m_YesButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_RenameButton = nullptr;
  wxCheckBox* m_ForAllCheck = nullptr;

 protected:
  // Ticked, each answer becomes its "for all" form: 0 → 2, 1 → 3, 4 → 5.
  int AnswerOf(int buttonAnswer) override;
};

std::unique_ptr<wxDialog> NewFileReplaceOptions();
