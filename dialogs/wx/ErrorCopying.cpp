#include "dialogs/wx/ErrorCopying.h"

ErrorCopying::ErrorCopying(wxWindow* parent, bool stayOnTop)
    : CAnswerDialog(parent, stayOnTop, 85, kNoChoice) {
  Build({.group = {6, 7, 201, 70}, .picture = {12, 19, 22, 20},
         .label = {40, 18, 160, 50}},
        kIdMessage,
        "Problem encountered while copying file. This may be due to insufficient space in "
        "destination. Please take appropriate action.",
        kIdPicture, "\\Information.bmp",
        {{&m_AbortButton, kIdAbort, "&Abort", "\\abort.bmp", 10, kAbort},
         {&m_SkipButton, kIdSkip, "&Skip", "\\skip.bmp", 35, kSkip},
         {&m_SkipAllButton, kIdSkipAll, "S&kip All", "\\skipall.bmp", 60, kSkipAll}},
        &m_SkipButton);
}

std::unique_ptr<wxDialog> NewErrorCopying() {
  return std::make_unique<ErrorCopying>(nullptr, /*stayOnTop=*/true);
}
