// AdvanceSearchFile: the "Search Data" dialog of the results page. It searches the result lists by
// a name pattern and, when their boxes are checked, by deleted state, a date range and a size
// range, on a worker (SearchThreadProc) that only reads the lists; matches arrive at the top of
// its list with their folder path. Checking a match checks it on the results page by the page's
// own rules, a double-click on a folder shows it there, and Save saves what is checked. Stop and
// Cancel pause the worker while they ask and cancel and join it on Yes; the dialog never ends
// while the worker runs, so the page's lists outlive every read.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <wx/timer.h>

#include "pages/results/SearchDialogLayout.h"
#include "pages/wx/PageWorker.h"
#include "results/SearchWalk.h"
#include "widgets/FolderTreeItem.h"
#include "widgets/wx/DialogLook.h"

class CHoverButton;
class CLabel;
class ViewDataInControls;
class wxCheckBox;
class wxChoice;
class wxListCtrl;
class wxListEvent;
class wxMenu;
class wxRadioButton;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;
class SearchResultList;

inline constexpr std::string_view kSearchDialogTitle = "Search Data";
inline constexpr std::string_view kStopSearchQuestion = "Do you want to stop data searching.";
inline constexpr std::string_view kCancelSearchQuestion = "Do you want to stop this process.";

class AdvanceSearchFile : public CLookDialog {
 public:
  static constexpr int kIdPattern = 1117;
  static constexpr int kIdStart = wxID_OK;
  static constexpr int kIdType = 1125;
  static constexpr int kIdInclude = 1115;
  static constexpr int kIdExclude = 1061;
  static constexpr int kIdOnlyDeleted = 1116;
  static constexpr int kIdDate = 1120;
  static constexpr int kIdDateKind = 1126;
  static constexpr int kIdSize = 1123;
  static constexpr int kIdSizeFrom = 1121;
  static constexpr int kIdSizeTo = 1122;
  static constexpr int kIdSizeUnit = 1124;
  static constexpr int kIdList = 1002;
  static constexpr int kIdSelectAll = 1187;
  static constexpr int kIdPleaseWait = 1188;
  static constexpr int kIdMatchCount = 1154;
  static constexpr int kIdToggle = 1232;
  static constexpr int kIdSave = 1003;
  // The list's context menu: "&Open" on the selected row.
  static constexpr int kMenuOpen = 32795;

  // One listed match and the path shown for it.
  struct Row {
    SearchMatch match;
    std::string path;
  };

  explicit AdvanceSearchFile(ViewDataInControls& page);
  ~AdvanceSearchFile() override;

  int DoModal() { return ShowModal(); }

  // The handlers, as the controls run them.
  void OnStartSearch();
  void OnOK();
  void OnCancel();
  void OnTypeCheck();
  void OnDateCheck();
  void OnSizeCheck();
  void OnSelectAll();
  void OnToggleCriteria();
  void OnSave();
  // The user changed row's check box (rows count from the top of the list).
  void OnListItemChanged(long row, bool checked);
  void OnListDoubleClick(long row);
  // A right-click on row of the list (-1: beside the rows): the context menu when it selected a
  // row.
  void OnListRightClick(long row, const wxPoint& at);
  // "&Open": the selected row, as a double-click on it.
  void OnOpen();

  // Shows the context menu at a point of the list and returns the chosen command (0 for none);
  // tests may answer it instead of showing the popup, which is modal.
  std::function<int(wxMenu& menu, const wxPoint& at)> m_TrackContextMenu;

  bool Searching() const { return m_Search.Running(); }
  bool SelectingAll() const { return m_SelectAllNext < m_SelectAllEnd; }
  int MatchCount() const { return m_MatchCount; }
  // The row shown at index (0 is the top, the last match).
  const Row& ShownRow(long index) const;
  long ShownRowCount() const { return static_cast<long>(m_Rows.size()); }
  wxListCtrl* ListControl() const;

  wxTextCtrl* m_Pattern = nullptr;
  CHoverButton* m_StartButton = nullptr;
  wxCheckBox* m_TypeBox = nullptr;
  std::array<wxRadioButton*, 3> m_DeletedRadios{};  // include, exclude, only
  wxCheckBox* m_DateBox = nullptr;
  wxChoice* m_DateKind = nullptr;
  std::array<wxChoice*, 6> m_DateCombos{};  // from day, month, year; to day, month, year
  wxCheckBox* m_SizeBox = nullptr;
  wxTextCtrl* m_SizeFrom = nullptr;
  wxTextCtrl* m_SizeTo = nullptr;
  wxChoice* m_SizeUnit = nullptr;
  SearchResultList* m_List = nullptr;
  wxCheckBox* m_SelectAllBox = nullptr;
  wxStaticText* m_PleaseWait = nullptr;
  wxStaticText* m_CountText = nullptr;
  wxButton* m_ToggleButton = nullptr;
  CHoverButton* m_SaveButton = nullptr;

 protected:
  void OnEscape() override { OnCancel(); }

 private:
  void SetDefaults();
  void EnableCriteria();
  void LayOut();
  void PlaceNameRow();
  // Puts the window where the state wants it on the desktop.
  void PlaceWindow(SearchWindowState state);
  SearchCriteria ReadCriteria() const;
  void SearchThreadProc(SearchCriteria criteria, SearchScope scope, ScanControl& control);
  void TakeMatches();
  void OnSearchEnded();
  void EndSearch();
  void ShowSearchButton(bool searching);
  void ShowCount();
  void SelectAllResultsStep();
  void ApplyCheck(const Row& row, bool checked);

  ViewDataInControls& m_Page;
  CLabel* m_NameLabel = nullptr;
  CLabel* m_ExampleLabel = nullptr;
  DpiFactors m_Factors;
  wxSize m_StartSize;  // the window before the first search
  std::vector<wxWindow*> m_Criteria;  // hidden together by the toggle
  std::vector<wxWindow*> m_ResultArea;
  std::vector<Row> m_Rows;  // in the order found; shown last first
  std::mutex m_PendingMutex;
  std::vector<SearchMatch> m_Pending;  // found by the worker, not listed yet
  wxTimer m_Timer{this};
  int m_MatchCount = 0;
  bool m_ResultsShown = false;
  bool m_CriteriaShown = true;
  bool m_SelectAllChecked = false;
  size_t m_SelectAllNext = 0;
  size_t m_SelectAllEnd = 0;
  // Last, so that it is joined before the matches it hands over go.
  PageWorker m_Search{*this};
};
