// SectorsBadStatusAction: the question asked when a sector cannot be read. Its four buttons give
// the answer the sector reader keeps: Retry 0, Skip 1, Retry All 2, Skip All 3. Esc and the close
// box give -1 ("closed without a choice"; the reader keeps its previous choice).
//
// The engine never opens it directly: it calls Prompts().AskBadSector(), which the dialog prompts
// (dialogs/wx/DialogPrompts.h) route to ShowSectorsBadStatusAction on the UI thread.
#pragma once

#include <memory>

#include "widgets/LookMetrics.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class wxStaticBitmap;
class wxStaticBox;

class SectorsBadStatusAction : public CLookDialog {
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

  // Shows the dialog and returns the choice (0..3) or kNoChoice.
  int DoModal();
  // Applies the look (as DoModal does) and runs the modal loop.
  int ShowModal() override;

  DpiFactors m_DpiFactors;
  CLabel* m_MessageLabel = nullptr;
  CHoverButton* m_RetryButton = nullptr;
  CHoverButton* m_RetryAllButton = nullptr;
  CHoverButton* m_SkipButton = nullptr;
  CHoverButton* m_SkipAllButton = nullptr;
  wxStaticBitmap* m_Picture = nullptr;
  wxStaticBox* m_GroupBox = nullptr;

 private:
  void InitDialog();
};

// A new dialog with no owner, above other windows: what the dialog prompts show for the
// bad-sector question (InstallDialogPrompts(&NewSectorsBadStatusAction)).
std::unique_ptr<wxDialog> NewSectorsBadStatusAction();
