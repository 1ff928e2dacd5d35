// DataCopyPath: the target-folder dialog that the results page's Save runs. OK checks the path
// (made when missing), asks before saving onto the drive being recovered, counts what the
// saving settings will copy, refuses an empty selection, asks when the free space is short, and
// then runs the copy page once the dialog is gone.
#pragma once

#include <functional>
#include <string>

#include "pages/PageFlow.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class CTransparentStatic;
class wxTextCtrl;

class DataCopyPath : public CLookDialog {
 public:
  static constexpr int kIdPath = 1080;
  static constexpr int kIdBrowse = 1003;
  static constexpr int kIdSettings = 1019;
  static constexpr int kIdNote = 1221;
  static constexpr int kIdHeading = 1091;

  explicit DataCopyPath(const FolderWalk& walk, wxWindow* parent = nullptr);

  int ShowModal() override;

  // What runs after the checks: the size box (returns the totals) and the copy page. Tests
  // may replace them.
  std::function<SizeTotals(const FolderWalk&)> m_EvaluateSize;
  std::function<int(const CopyRun&)> m_RunCopyPage;
  std::function<int()> m_RunSettings;

  // The accepted copy, once OK has let it through (the copy page runs after the dialog ends).
  const CopyRun* AcceptedRun() const { return m_Accepted ? &m_Run : nullptr; }

  // The handlers, as a click runs them.
  void OnOK();
  void OnBrowse();

  wxTextCtrl* m_PathEdit = nullptr;
  CHoverButton* m_BrowseButton = nullptr;
  CHoverButton* m_SettingsButton = nullptr;
  CHoverButton* m_OkButton = nullptr;
  CHoverButton* m_CancelButton = nullptr;
  CLabel* m_Note = nullptr;
  CTransparentStatic* m_Heading = nullptr;

 protected:
  void OnEnterKey() override { OnOK(); }

 private:
  const FolderWalk& m_Walk;
  CopyRun m_Run;
  bool m_Accepted = false;
};
