// ErrorCopying: the question asked when a target file cannot be created or an image block cannot
// be written. Its buttons end the dialog with the answer (prompts/CopyErrorPrompt.h): Skip,
// Skip All or Abort; Esc and the close box end it with kNoChoice ("closed").
#pragma once

#include <memory>

#include "dialogs/wx/AnswerDialog.h"

class ErrorCopying : public CAnswerDialog {
 public:
  static constexpr int kIdMessage = 1151;
  static constexpr int kIdAbort = 1306;
  static constexpr int kIdSkip = 1305;
  static constexpr int kIdSkipAll = 1156;
  static constexpr int kIdPicture = 1304;

  static constexpr int kSkip = 0;
  static constexpr int kSkipAll = 1;
  static constexpr int kAbort = 2;
  static constexpr int kNoChoice = -1;

  explicit ErrorCopying(wxWindow* parent = nullptr, bool stayOnTop = true);

  CHoverButton* m_AbortButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_SkipAllButton = nullptr;
};

std::unique_ptr<wxDialog> NewErrorCopying();
