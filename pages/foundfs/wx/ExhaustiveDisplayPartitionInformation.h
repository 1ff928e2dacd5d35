// ExhaustiveDisplayPartitionInformation: the page between the two passes of a partition search.
// It lists the found file systems in the tree (mode 5), shows the type, size and sectors of the
// one clicked, and its Next runs the analysis page again for that one. Save Log writes the scan
// so far on its own worker; until it ends the lists stay as they are, so Back and Next wait. Back
// throws every list of the search away.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <unordered_map>

#include "pages/wx/PageMenu.h"
#include "pages/wx/WizardPage.h"
#include "widgets/FolderTreeHooks.h"

class CFolderTreeCtrl;
class CHoverButton;
class CLabel;
class wxStaticText;

class ExhaustiveDisplayPartitionInformation : public CWizardPage,
                                              public PageMenuIds,
                                              private FolderTreeHooks {
 public:
  static constexpr int kIdTree = 167;
  static constexpr int kIdNext = 1026;
  static constexpr int kIdBack = 1100;
  static constexpr int kIdSaveLog = 1017;
  static constexpr int kIdHelp = 1013;

  ExhaustiveDisplayPartitionInformation();
  ~ExhaustiveDisplayPartitionInformation() override;

  // What Next runs for the chosen file system: the analysis page; tests may replace it.
  std::function<int()> m_RunAnalysisPage;
  // Save Log: the dialog, then the writer; tests may replace the dialog's part. Returns whether
  // a writer was started (it calls OnSaveLogEnded when it ends).
  std::function<bool(ExhaustiveDisplayPartitionInformation&)> m_StartSaveLog;

  // The tree node of found file system n (1-based), or kNoItem.
  TreeItem NodeOf(int32_t n) const;
  int32_t ChosenNumber() const { return m_Chosen; }
  bool SavingLog() const { return m_SavingLog; }

  CFolderTreeCtrl* m_Tree = nullptr;
  std::array<CLabel*, 4> m_Labels{};  // type, size, start, end
  std::array<wxStaticText*, 4> m_Values{};
  std::array<CHoverButton*, 5> m_Tools{};  // Save Log, Load log, Search, Settings, Help
  CHoverButton* m_NextButton = nullptr;
  CHoverButton* m_BackButton = nullptr;
  wxStaticText* m_Hint = nullptr;

  void OnNext();
  void OnSaveLog();
  // The writer has ended (on the UI thread, joined).
  void OnSaveLogEnded();

 protected:
  void OnInitPage() override;
  void OnCancel() override;  // Back
  void OnCloseBox() override;
  void OnHelp() override;

 private:
  void ShowFileSystemInfo(const std::string& text) override;
  void ShowChosen(int32_t n);
  void UpdateButtons();
  void LayOut();

  std::unordered_map<TreeItem, int32_t> m_NodeNumbers;
  int32_t m_Chosen = 0;
  bool m_AnyFound = false;
  bool m_SavingLog = false;
};
