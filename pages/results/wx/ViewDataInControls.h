// ViewDataInControls: the page that shows what a scan found. The folder tree (mode 2) is filled
// on a worker; the list shows the chosen folder's subfolders and files from rows built on a
// worker, deleted ones in red, sorted on that worker by a header click; check boxes in the tree
// and the list mark what Save copies. Every worker that reads the record lists is stopped and
// joined before Back, the switch to formatted recovery or the end of the page frees them.
#pragma once

#include <array>
#include <atomic>
#include <functional>

#include <wx/timer.h>

#include "pages/wx/PageMenu.h"
#include "pages/wx/PageWorker.h"
#include "pages/wx/WizardPage.h"
#include "results/ResultRows.h"
#include "results/RowSelection.h"
#include "saving/copywalk/FolderWalk.h"
#include "widgets/FolderTreeHooks.h"

class CColoredListCtrl;
class CFolderTreeCtrl;
class CGradientProgressCtrl;
class CHoverButton;
class PreviewPane;
class wxBitmapButton;
class wxListEvent;
class wxStaticBitmap;
class wxTreeEvent;
class wxStaticText;

class ViewDataInControls : public CWizardPage, public PageMenuIds, private FolderTreeHooks {
 public:
  static constexpr int kIdTree = 167;
  static constexpr int kIdList = 1002;
  static constexpr int kIdSave = 1003;
  static constexpr int kIdSaveLog = 1017;
  static constexpr int kIdLoadLog = 1213;
  static constexpr int kIdSearch = 1018;
  static constexpr int kIdRecover = 1131;
  static constexpr int kIdHelp = 1004;
  static constexpr int kIdParentFolder = 1155;
  static constexpr int kIdStepPicture = 1161;
  static constexpr int kMenuOpen = 32795;  // "&Open" of the list's context menu

  ViewDataInControls();
  ~ViewDataInControls() override;

  // What Save runs with the checked tree, what the filter command runs, and what the switch to
  // formatted recovery runs after Back; tests may replace them.
  std::function<int(const FolderWalk&)> m_RunDataCopyPath;
  std::function<int()> m_RunSavingSettings;
  std::function<int()> m_RunAnalysisPage;
  // Save Log: the dialog, then the writer; tests may replace the dialog's part.
  std::function<bool(ViewDataInControls&)> m_StartSaveLog;

  CFolderTreeCtrl* m_Tree = nullptr;
  CColoredListCtrl* m_List = nullptr;
  std::array<CHoverButton*, 5> m_Tools{};  // Save Log, Load Log, Search, Recover, Help
  CHoverButton* m_BackButton = nullptr;
  CHoverButton* m_SaveButton = nullptr;
  wxBitmapButton* m_ParentFolder = nullptr;
  wxStaticBitmap* m_StepPicture = nullptr;
  wxStaticText* m_Status = nullptr;
  CGradientProgressCtrl* m_Progress = nullptr;
  wxStaticText* m_Hint = nullptr;
  wxStaticText* m_PreviewCaption = nullptr;
  PreviewPane* m_PreviewArea = nullptr;

  // True while any worker reading the lists runs (the tests wait for the page to settle).
  bool Busy() const;
  // Previews the file of list row (open: extracts it and opens it with its program).
  void PreviewRow(long row, bool open);
  // Previews a found file (and, with open, opens it with its program once extracted).
  void PreviewFile(const FileRecord* file, bool open);
  bool SortDescending() const { return m_SortDescending; }

  void OnBack();
  void OnSave();
  // The search dialog over this page's tree; while it is open no Back can free the lists.
  void OnSearch();
  void OnSaveLog();
  void OnSaveLogEnded();
  void OnSwitchToFormatted();
  void SortByColumn(int column);
  // The check box of list row changed to checked (from the list, or a test).
  void OnRowChecked(long row, bool checked);
  void RenameListRow(long row, const std::string& text);
  // A row's check as the list's rules apply it to the records and the tree; a file's folder is
  // fileFolder (the list passes the folder it shows, the search a match's own folder).
  void CheckRow(const ResultRow& r, bool checked, TreeItem fileFolder);
  // Shows folder item in the tree and its contents in the list.
  void ShowFolderItem(TreeItem item);

 protected:
  void OnInitPage() override;
  void OnCancel() override;  // Esc: the exit question
  void OnCloseBox() override;
  void OnHelp() override;

 private:
  // Tree hooks.
  bool ClicksBlocked() override;
  void ShowFolderContents(TreeItem item, uint32_t folderId) override;
  void SelectFolderData(TreeItem item, uint32_t folderId) override;
  void DeselectFolderData(TreeItem item, uint32_t folderId) override;
  void CheckListRowsOfFolder(TreeItem item, uint32_t folderId) override;
  void UncheckListRowsOfFolder(TreeItem item, uint32_t folderId) override;
  void SetListItemNameById(TreeItem item, const std::string& name) override;
  void ReportFillProgress(int percent) override;

  void LayOut();
  void LoadStepPicture();
  void StartTreeFill();
  void StartMarking(bool selected, TreeItem item);
  void JoinMarking();
  void StopListWorker();
  // Waits for the list worker without dropping its rows.
  void JoinListWorker();
  // Runs build on the list worker; the rows it returns replace the list's unless a later worker
  // or Back took over meanwhile.
  void StartListWorker(std::function<std::vector<ResultRow>()> build);
  void ShowWorking(const char* status);
  void HideWorking();
  void StopWorkers();
  void UncheckUpwards(TreeItem from);
  void OnListKeyDown(wxListEvent& event);
  void OnListActivated(wxListEvent& event);
  void OnListRightClick(wxListEvent& event);
  // "&Open" and a double-click: a file is extracted and opened, a folder shown.
  void OnOpen();
  void OpenRow(long row);
  // Shows the parent of the tree's selected folder.
  void OnParentFolder();
  void OnTreeSelChanged(wxTreeEvent& event);
  void FollowTreeSelection();

  PageWorker m_TreeFill{*this};
  PageWorker m_ListFill{*this};
  RowMarking m_Marking;
  std::atomic<bool> m_StopListFill{false};
  std::atomic<int> m_FillPercent{-1};
  wxTimer m_FillTimer{this};
  static constexpr int kFollowDelayMs = 60;
  wxTimer m_FollowTimer;
  uint64_t m_ListGeneration = 0;
  uint64_t m_MarkingGeneration = 0;
  bool m_TreeFilling = false;
  bool m_ListFilling = false;
  bool m_SavingLog = false;
  bool m_ForceBack = false;
  bool m_SortDescending = false;
  bool m_LargeDesktop = false;
  uint32_t m_CurrentFolderId = 0;
};
