// CRecoveryMode: the mode page, the program's main window. Its four mode buttons record the mode
// (pages/ModeGlobals.h), hide the page, run the source page and show the page again; its close
// box, Esc, Cancel and Data > Exit ask "Do you want to exit."; Help opens the help page and
// Help > About the about box. The page never ends itself: every way out is ExitApplication.
#pragma once

#include <array>
#include <functional>

#include "widgets/LookMetrics.h"
#include "pages/wx/PageMenu.h"
#include "pages/wx/WizardPage.h"

class CHoverButton;
class CLabel;
class wxMenuBar;

class CRecoveryMode : public CWizardPage, public PageMenuIds {
 public:
  // Control ids of the page and the command numbers of its menu (menu items carry
  // WxCommandId(number)).
  static constexpr int kIdHelpButton = 1013;
  static constexpr int kIdLoadLogButton = 1020;
  static constexpr int kIdSaveLogButton = 1021;
  static constexpr int kIdSettingsButton = 1022;
  static constexpr int kIdSearchButton = 1023;
  static constexpr int kIdHeading = 1257;
  static constexpr int kIdLine1206 = 1206;
  static constexpr int kIdLine1204 = 1204;
  static constexpr int kIdLine1212 = 1212;

  CRecoveryMode();

  // What a mode button runs after recording the mode (the source page); tests may replace it.
  std::function<int()> m_RunSourcePage;

  DpiFactors m_DpiFactors;
  // Deleted, formatted, partition, create image.
  std::array<CHoverButton*, 4> m_ModeButtons{};
  CHoverButton* m_HelpButton = nullptr;
  CHoverButton* m_LoadLogButton = nullptr;
  CHoverButton* m_SaveLogButton = nullptr;
  CHoverButton* m_SettingsButton = nullptr;
  CHoverButton* m_SearchButton = nullptr;
  CLabel* m_Heading = nullptr;
  wxWindow* m_Line1206 = nullptr;
  wxWindow* m_Line1204 = nullptr;
  wxWindow* m_Line1212 = nullptr;

  // The menu of the mode page and the source page (greyed items disabled).

 protected:
  void OnInitPage() override;
  void OnCancel() override;
  void OnHelp() override;

 private:
  void OnModeButton(wxCommandEvent& event);
  void OnPaint(wxPaintEvent& event);
  void RestoreTitle();
};
