// FileReplaceOptions: the question asked when the target folder already has a file of the copy's
// name. Its buttons end the dialog with the new replace choice (prompts/ReplacePrompt.h): Yes 0,
// Skip 1, Rename 4, or 2, 3, 5 with "Do this for all related items" ticked. Esc and the close box
// end it with -1, which the copy takes as skip.
#pragma once

#include <memory>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxCheckBox;
class wxStaticBitmap;

class FileReplaceOptions : public CLookDialog {
 public:
  static constexpr int kIdMessage = 1151;
  static constexpr int kIdYes = 1308;
  static constexpr int kIdSkip = 1307;
  static constexpr int kIdRename = 1152;
  static constexpr int kIdForAll = 1010;
  static constexpr int kIdPicture = 1172;
  static constexpr int kNoChoice = -1;

  explicit FileReplaceOptions(wxWindow* parent = nullptr, bool stayOnTop = true);

  // Applies the look and runs the modal loop; returns 0..5 or kNoChoice.
  int ShowModal() override;
  int DoModal() { return ShowModal(); }

  DpiFactors m_DpiFactors;
  CLabel* m_MessageLabel = nullptr;
  CHoverButton* m_YesButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_RenameButton = nullptr;
  wxCheckBox* m_ForAllCheck = nullptr;
  wxStaticBitmap* m_Picture = nullptr;

 private:
  void InitDialog();
};

std::unique_ptr<wxDialog> NewFileReplaceOptions();
