#include "dialogs/wx/SectorsBadStatusAction.h"

SectorsBadStatusAction::SectorsBadStatusAction(wxWindow* parent, bool stayOnTop)
    : CAnswerDialog(parent, stayOnTop, 85, kNoChoice) {
  // Template 145.
  Build({.group = {6, 7, 201, 70},
         .picture = {10, 17, 15, 13},
         .label = {40, 22, 164, 29},
         .largeDesktopException = false},
        kIdMessage,
        "Error found while reading sector. This may be due to bad sectors. Please choose "
        "appropriate action.",
        kIdPicture, "\\Information.bmp",
        {{&m_RetryButton, kIdRetry, "&Retry", "\\retry.bmp", 7, kRetry},
         {&m_RetryAllButton, kIdRetryAll, "Retry &All", "\\retryall.bmp", 26, kRetryAll},
         {&m_SkipButton, kIdSkip, "&Skip", "\\skip.bmp", 45, kSkip},
         {&m_SkipAllButton, kIdSkipAll, "S&kip All", "\\skipall.bmp", 64, kSkipAll}},
        &m_RetryButton);
}

std::unique_ptr<wxDialog> NewSectorsBadStatusAction() {
  return std::make_unique<SectorsBadStatusAction>(nullptr, /*stayOnTop=*/true);
}
