// SectorsBadStatusAction: the question asked when a sector cannot be read. Its four buttons give
// the answer the sector reader keeps: Retry 0, Skip 1, Retry All 2, Skip All 3. Esc and the close
// box give -1 ("closed without a choice"; the reader keeps its previous choice).
//
// The engine never opens it directly: it calls Prompts().AskBadSector(), which the dialog prompts
// (dialogs/wx/DialogPrompts.h) route to ShowSectorsBadStatusAction on the UI thread.
#pragma once

#include <memory>

#include "dialogs/wx/AnswerDialog.h"

class SectorsBadStatusAction : public CAnswerDialog {
 public:
  static constexpr int kRetry = 0;
  static constexpr int kSkip = 1;
  static constexpr int kRetryAll = 2;
  static constexpr int kSkipAll = 3;
  static constexpr int kNoChoice = -1;

  // Control ids of its template.
  static constexpr int kIdRetry = 1303;
  static constexpr int kIdRetryAll = 1302;
  static constexpr int kIdSkip = 1301;
  static constexpr int kIdSkipAll = 1300;
  static constexpr int kIdMessage = 1226;
  static constexpr int kIdPicture = 1172;

  explicit SectorsBadStatusAction(wxWindow* parent = nullptr, bool stayOnTop = true);

  CHoverButton* m_RetryButton = nullptr;
  CHoverButton* m_RetryAllButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_SkipAllButton = nullptr;
};

// A new dialog with no owner, above other windows: what the dialog prompts show for the
// bad-sector question (InstallDialogPrompts(&NewSectorsBadStatusAction)).
std::unique_ptr<wxDialog> NewSectorsBadStatusAction();
