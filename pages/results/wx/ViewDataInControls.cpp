#include "pages/results/wx/ViewDataInControls.h"

#include <algorithm>

#include <wx/artprov.h>
#include <wx/bmpbuttn.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "dialogs/HelpPage.h"
#include "dialogs/wx/AboutDlg.h"
#include "engine/records/ChangedFolderIds.h"
#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/PageFlow.h"
#include "pages/results/ResultsPage.h"
#include "pages/results/wx/AdvanceSearchFile.h"
#include "pages/results/wx/PreviewPane.h"
#include "pages/wx/PageButtons.h"
#include "pages/wx/SaveScanLogThread.h"
#include "prompts/ExitQuestion.h"
#include "prompts/UserPrompts.h"
#include "results/RowSelection.h"
#include "saving/settings/SavingSettings.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/ColoredListCtrl.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/GradientProgressCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/SystemImageList.h"

namespace {

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

int16_t ChosenFs() {
  return static_cast<int16_t>(g_ScanState.chosenFileSystem.load());
}

}  // namespace

ViewDataInControls::ViewDataInControls() : CWizardPage(nullptr, wxString()) {
  m_RunDataCopyPath = [](const FolderWalk& walk) { return RunDataCopyPath(walk); };
  m_RunSavingSettings = [] { return RunSavingSettings(); };
  m_RunAnalysisPage = [] { return RunAnalysisPage(); };
  m_StartSaveLog = [](ViewDataInControls& page) {
    return SaveScanLogThread(page, [&page] { page.OnSaveLogEnded(); });
  };
  SetMenuBar(CreatePageMenu(ViewItems::Radio));
  SetMinSize(wxSize(640, 480));
  wxWindow* client = Client();
  const char* const toolCaptions[5] = {"Save Log", "Load Log", "Search", "Settings", "Help"};
  const int toolIds[5] = {kIdSaveLog, kIdLoadLog, kIdSearch, kIdRecover, kIdHelp};
  const char* const toolTips[5] = {"SaveLog", "LoadLog", "Search", "Settings", "Help"};
  for (int i = 0; i < 5; ++i) {
    m_Tools[i] = new CHoverButton(client, toolIds[i], toolCaptions[i]);
    m_Tools[i]->SetToolTip(toolTips[i]);
  }
  m_Tree = new CFolderTreeCtrl(client, kIdTree);
  m_Tree->SetHooks(this);
  InitSystemImageLists();  // the rows' icons; start-up has made them already
  m_List = new CColoredListCtrl(client, kIdList);
  m_List->ShowMarksOf(&m_Marking);
  m_ParentFolder = new wxBitmapButton(
      client, kIdParentFolder, wxArtProvider::GetBitmapBundle(wxART_GO_DIR_UP, wxART_BUTTON));
  m_StepPicture = new wxStaticBitmap(client, kIdStepPicture, wxNullBitmap);
  m_PreviewCaption = new wxStaticText(client, 1260, "Preview");
  m_PreviewArea = new PreviewPane(client, 1245);
  m_PreviewArea->m_OnRunning = [this](bool running) {
    m_BackButton->EnableButton(!running);
    m_SaveButton->EnableButton(!running);
  };
  m_Status = new wxStaticText(client, 1051, wxString());
  m_Progress = new CGradientProgressCtrl(client, 1050);
  m_Progress->SetRange(0, 100);
  m_Hint = new wxStaticText(client, 1203, FromUtf8(kResultsHint));
  m_BackButton = new CHoverButton(client, wxID_OK, "< &Back");
  m_SaveButton = new CHoverButton(client, kIdSave, "&Save");

  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBack(); });
  m_SaveButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSave(); });
  m_Tools[0]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSaveLog(); });
  m_Tools[2]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSearch(); });
  m_Tools[3]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSave(); });
  m_Tools[4]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  m_List->Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& e) { SortByColumn(e.GetColumn()); });
  m_List->Bind(wxEVT_LIST_ITEM_CHECKED,
               [this](wxListEvent& e) { OnRowChecked(e.GetIndex(), true); });
  m_List->Bind(wxEVT_LIST_ITEM_UNCHECKED,
               [this](wxListEvent& e) { OnRowChecked(e.GetIndex(), false); });
  m_List->Bind(wxEVT_LIST_KEY_DOWN, &ViewDataInControls::OnListKeyDown, this);
  m_List->Bind(wxEVT_LIST_ITEM_ACTIVATED, &ViewDataInControls::OnListActivated, this);
  m_List->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent& e) { PreviewRow(e.GetIndex(), false); });
  m_List->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &ViewDataInControls::OnListRightClick, this);
  m_ParentFolder->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnParentFolder(); });
  // The list follows the tree's selection however it moves (arrow keys, Home, End, a search).
  m_Tree->Bind(wxEVT_TREE_SEL_CHANGED, &ViewDataInControls::OnTreeSelChanged, this);
  m_FollowTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { FollowTreeSelection(); });
  // The tree renames a folder in its own handler of the edit's end; this one is bound later, so
  // it runs first and a sort on the list worker, which reads the names, ends before one changes.
  m_Tree->Bind(wxEVT_TREE_END_LABEL_EDIT, [this](wxTreeEvent& e) {
    if (!e.IsEditCancelled()) JoinListWorker();
    e.Skip();
  });
  m_List->Bind(wxEVT_LIST_END_LABEL_EDIT, [this](wxListEvent& e) {
    // The list shows the records' names: the edit is written back and the row redrawn.
    if (!e.IsEditCancelled()) RenameListRow(e.GetIndex(), e.GetLabel().utf8_string());
    e.Veto();
  });

  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnSave(); }, WxCommandId(kMenuRecoverSelected));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnSaveLog(); }, WxCommandId(kMenuSaveLog));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnSearch(); }, WxCommandId(kMenuSearch));
  Bind(
      wxEVT_MENU,
      [this](wxCommandEvent&) {
        if (m_RunSavingSettings) m_RunSavingSettings();
      },
      WxCommandId(kMenuRecoveryFilter));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnSwitchToFormatted(); }, WxCommandId(kMenuFormatted));
  Bind(
      wxEVT_MENU,
      [this](wxCommandEvent&) {
        if (m_List->GetSelectedItemCount() == 1)
          m_List->EditLabel(m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
        else if (wxTreeItemId id = m_Tree->GetSelection(); id.IsOk() && id != m_Tree->GetRootItem())
          m_Tree->EditLabel(id);
      },
      WxCommandId(kMenuRename));
  Bind(
      wxEVT_MENU,
      [this](wxCommandEvent&) {
        if (Prompts().ViewQuestionMsg(kResultsExitQuestion) == 1) ExitApplication();
      },
      WxCommandId(kMenuExit));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnHelp(); }, WxCommandId(kMenuViewHelp));
  const std::pair<int, CColoredListCtrl::View> views[3] = {
      {kMenuLargeIcons, CColoredListCtrl::View::LargeIcons},
      {kMenuDetails, CColoredListCtrl::View::Details},
      {kMenuSmallIcons, CColoredListCtrl::View::SmallIcons}};
  for (const auto& [command, view] : views)
    Bind(
        wxEVT_MENU,
        [this, command, view](wxCommandEvent&) {
          m_List->SetView(view);
          GetMenuBar()->Check(WxCommandId(command), true);
        },
        WxCommandId(command));
  Bind(
      wxEVT_MENU, [](wxCommandEvent&) { ShowAboutDialog(); }, WxCommandId(kMenuAbout));
  Client()->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayOut();
    event.Skip();
  });
  // The tree fill reports its progress from its worker; the bar follows it from here.
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
    if (const int p = m_FillPercent.load(); p >= 0 && m_TreeFilling) m_Progress->SetPos(p);
  });
}

ViewDataInControls::~ViewDataInControls() {
  // The tree outlives this object's members while the window's children are destroyed.
  m_Tree->Unbind(wxEVT_TREE_SEL_CHANGED, &ViewDataInControls::OnTreeSelChanged, this);
  StopWorkers();
  JoinSaveLogThread();
  m_Tree->SetHooks(nullptr);
}

void ViewDataInControls::OnInitPage() {
  SetTitle(FromUtf8(g_AppTitle));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ResultsPageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1},
      &m_LargeDesktop);
  SetSize(rect.x, rect.y, rect.width, rect.height);
  const char* const toolBitmaps[5] = {"\\Save-Recovery-tbar.bmp", "\\Load-Recovery-tbar.bmp",
                                      "\\Search-tbar.bmp", "\\recover-tbar.bmp", "\\Help-tbar.bmp"};
  for (int i = 0; i < 5; ++i)
    m_Tools[i]->LoadFrameStrip4(BitmapPath(g_BitmapFolder, toolBitmaps[i]));
  m_Tools[1]->EnableButton(false);
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  m_SaveButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Save.bmp"));
  m_PreviewArea->LoadPictures();
  LoadStepPicture();
  ApplyDialogLook(this, {.appWindow = true, .icons = true}, {});

  wxMenuBar* bar = GetMenuBar();
  bar->Enable(WxCommandId(kMenuLoadLog), false);
  bar->Enable(WxCommandId(kMenuFormatted),
              g_FormattedMode.load() == 0 && g_PartitionMode.load() == 0);
  bar->Check(WxCommandId(kMenuDetails), true);

  g_TreeMode = 2;
  m_Tree->InitRoots();
  LayOut();
  StartTreeFill();
}

void ViewDataInControls::LayOut() {
  const wxSize client = Client()->GetClientSize();
  if (client.x <= 0 || client.y <= 0) return;
  constexpr int kMargin = kPageMargin;
  const int toolsBottom = PlaceToolbar(m_Tools) + 8;
  const int width = client.x - 2 * kMargin;
  const int bottom = client.y - kMargin;
  const int buttonTop = PlaceBackNext(m_BackButton, m_SaveButton, client);
  const int buttonWidth = m_SaveButton->GetSize().x;
  (void)buttonTop;
  // The parent-folder button ends the toolbar row, centred on it.
  const wxRect help = m_Tools[4]->GetRect();
  const wxSize up = m_ParentFolder->GetBestSize();
  m_ParentFolder->SetSize(help.GetRight() + 9, help.y + (help.height - up.y) / 2, up.x, up.y);
  // The step picture at the bottom left, the hint between it and the buttons.
  const wxBitmap step = m_StepPicture->GetBitmap();
  const wxSize stepSize = step.IsOk() ? step.GetSize() : wxSize(20, 20);
  m_StepPicture->SetSize(kMargin, bottom - stepSize.y, stepSize.x, stepSize.y);
  const int hintLeft = kMargin + stepSize.x + 10;
  const int hintWidth = std::max(100, client.x - hintLeft - 2 * kMargin - 2 * buttonWidth - 10);
  // Wrapped afresh from its text, as high as its lines need.
  m_Hint->SetLabel(FromUtf8(kResultsHint));
  m_Hint->Wrap(hintWidth);
  const int hintHeight = std::max(40, m_Hint->GetBestSize().y);
  m_Hint->SetSize(hintLeft, bottom - hintHeight, hintWidth, hintHeight);
  const int statusTop = bottom - std::max(hintHeight, stepSize.y) - 26;
  m_Status->SetSize(kMargin, statusTop, width - 330, 20);
  m_Progress->SetSize(client.x - kMargin - 310, statusTop + 2, 310, 15);

  const int areaTop = toolsBottom;
  const int areaHeight = std::max(100, statusTop - 8 - areaTop);
  const int treeWidth = width / 4 + (m_LargeDesktop ? 50 : 0);
  m_Tree->SetSize(kMargin, areaTop, treeWidth, areaHeight);
  const int listLeft = kMargin + treeWidth + 8;
  const int listWidth = client.x - kMargin - listLeft;
  const int listHeight = std::min(areaHeight, areaHeight / 3 + 20);
  m_List->SetSize(listLeft, areaTop, listWidth, listHeight);
  const int captionTop = areaTop + listHeight + 6;
  m_PreviewCaption->SetSize(listLeft, captionTop, listWidth, 18);
  const int previewTop = captionTop + 22;
  m_PreviewArea->SetSize(listLeft, previewTop, listWidth,
                         std::max(0, areaTop + areaHeight - previewTop));
  Client()->Refresh();
}

// The step of the wizard this page is: the fourth after a sector-range scan, else the third. The
// picture is drawn at most 32 pixels high so the hint beside it keeps two lines' width.
void ViewDataInControls::LoadStepPicture() {
  if (!LoadPicture(m_StepPicture,
                   g_ScanState.partitionStyle == 1 ? "\\Step-4.bmp" : "\\Step-3.bmp"))
    return;
  constexpr int kStepHeight = 32;
  const wxBitmap picture = m_StepPicture->GetBitmap();
  if (picture.GetHeight() <= kStepHeight) return;
  const int width = picture.GetWidth() * kStepHeight / picture.GetHeight();
  m_StepPicture->SetBitmap(
      wxBitmap(picture.ConvertToImage().Scale(width, kStepHeight, wxIMAGE_QUALITY_HIGH)));
  m_StepPicture->SetSize(width, kStepHeight);
}

bool ViewDataInControls::Busy() const {
  return m_TreeFilling || m_ListFilling || m_Marking.Running() || m_SavingLog ||
         m_PreviewArea->Running() || m_FollowTimer.IsRunning();
}

void ViewDataInControls::ShowWorking(const char* status) {
  m_Status->SetLabel(status);
  m_Status->Show();
  m_Progress->SetPos(0);
  m_Progress->Show();
}

void ViewDataInControls::HideWorking() {
  m_Status->Hide();
  m_Progress->Hide();
}

void ViewDataInControls::StartTreeFill() {
  uint32_t rootId = 0;
  const bool known = FolderTreeModel::RootFolderId(rootId);
  const bool hint = g_FormattedMode.load() == 0 && g_PartitionMode.load() == 0;
  if (!known) {
    // An unknown file system leaves the tree and the list empty; the status line stays.
    m_Status->SetLabel(FromUtf8(kTreeFillStatus));
    if (hint) CallAfter([] { Prompts().ViewMsgBox(kDeletedScanHint); });
    return;
  }
  ShowWorking(std::string(kTreeFillStatus).c_str());
  const TreeItem root = m_Tree->Model().RootItem();
  m_TreeFilling = true;
  m_FillPercent = 0;
  m_FillTimer.Start(100);
  m_Tree->Model().SetMarksOnly(1);
  m_TreeFill.Start(
      [this, root, rootId](ScanControl&) { m_Tree->Model().BuildFolderTree(root, rootId); },
      [this, root, hint] {
        m_TreeFilling = false;
        m_FillTimer.Stop();
        m_Progress->SetPos(100);
        FolderTreeModel& model = m_Tree->Model();
        model.ShowFilledTree(root);
        model.Expand(root);
        m_Tree->SelectItem(m_Tree->ShowItem(root));
        model.ShowFolder(root);
        if (!m_ListFilling) HideWorking();
        if (hint) Prompts().ViewMsgBox(kDeletedScanHint);
        Refresh();
      });
}

void ViewDataInControls::ReportFillProgress(int percent) {
  m_FillPercent = percent;  // read by the UI thread's timer
}

bool ViewDataInControls::ClicksBlocked() {
  return m_TreeFilling || m_ListFilling || m_Marking.Running();
}

void ViewDataInControls::ShowFolderContents(TreeItem, uint32_t folderId) {
  if (!g_ScanState.folderList.head && !g_ScanState.fileList.head) return;
  StopListWorker();
  m_CurrentFolderId = folderId;
  m_List->ClearRows();
  m_PreviewArea->Reset();  // what was previewed belongs to the folder shown before
  ShowWorking(std::string(kListFillStatus).c_str());
  const int16_t chosen = ChosenFs();
  const FileSystemKind fs = g_FileSystemName;
  const bool descending = m_SortDescending;
  StartListWorker([this, folderId, chosen, fs, descending] {
    return CollectFolderRows(folderId, chosen, fs, descending, m_StopListFill);
  });
}

// One list worker at a time: one still running is stopped and joined first, and its rows dropped.
void ViewDataInControls::StopListWorker() {
  m_StopListFill = true;
  m_ListFill.Join();
  m_StopListFill = false;
  m_ListFilling = false;
}

// A sort still running reads the names: it ends before one changes. Its rows still replace the
// list's when its CallAfter runs.
void ViewDataInControls::JoinListWorker() {
  m_ListFill.Join();
}

void ViewDataInControls::StartListWorker(std::function<std::vector<ResultRow>()> build) {
  const uint64_t generation = ++m_ListGeneration;
  const FileSystemKind fs = g_FileSystemName;
  m_ListFilling = true;
  m_ListFill.Start([build = std::move(build)](ScanControl&) { return build(); },
                   [this, generation, fs](std::vector<ResultRow> rows) {
                     if (generation != m_ListGeneration) return;  // a later fill or Back took over
                     m_ListFilling = false;
                     m_List->SetRows(std::move(rows), fs);
                     if (!m_TreeFilling && !m_Marking.Running()) HideWorking();
                   });
}

// The rows are sorted on the list worker: a large folder's sort would hold the UI thread for
// several frames. The list shows the old order until the sorted rows replace it.
void ViewDataInControls::SortByColumn(int column) {
  if (m_ListFilling || column < 0 || column >= kListColumnCount) return;
  m_SortDescending = !m_SortDescending;
  StopListWorker();
  StartListWorker([rows = m_List->Rows(), column, descending = m_SortDescending,
                   fs = g_FileSystemName]() mutable {
    SortRows(rows, static_cast<ListColumn>(column), descending, fs);
    return std::move(rows);
  });
}

// The root marks every record, other folders the files of the folders the tree marked; both on
// the select worker, as a million records take longer than a frame.
void ViewDataInControls::StartMarking(bool selected, TreeItem item) {
  const bool everything = item == m_Tree->Model().RootItem();
  if (m_Marking.Running() && !everything) return;  // the ids stay for the next worker
  JoinMarking();  // the root's marks are never dropped: they follow the running worker's
  MarkingJob job{.everything = everything,
                 .selected = selected,
                 .chosenFs = ChosenFs(),
                 .folderIds = everything ? std::vector<uint32_t>{} : TakeChangedFolderIds()};
  ShowWorking(std::string(selected ? kSelectingStatus : kDeselectingStatus).c_str());
  const uint64_t generation = ++m_MarkingGeneration;
  m_Marking.Start(std::move(job), [this, generation] {
    CallAfter([this, generation] {
      if (generation != m_MarkingGeneration) return;  // joined already; a later worker runs
      JoinMarking();
      if (!m_TreeFilling && !m_ListFilling) HideWorking();
      m_List->RefreshShown();
    });
  });
}

void ViewDataInControls::JoinMarking() {
  m_Marking.Join();
}

void ViewDataInControls::SelectFolderData(TreeItem item, uint32_t) {
  StartMarking(true, item);
}

void ViewDataInControls::DeselectFolderData(TreeItem item, uint32_t) {
  StartMarking(false, item);
}

// The marking worker started by the same check writes the files (and for the root every row);
// the rows left to this thread are the folders it does not.
void ViewDataInControls::CheckListRowsOfFolder(TreeItem item, uint32_t folderId) {
  const FolderTreeModel& model = m_Tree->Model();
  const bool wholeList = item == model.RootItem() || folderId == m_CurrentFolderId;
  m_Marking.MarkRows(m_List->Rows(), true, wholeList, model.FolderOf(item));
  m_List->RefreshShown();
}

void ViewDataInControls::UncheckListRowsOfFolder(TreeItem item, uint32_t folderId) {
  const FolderTreeModel& model = m_Tree->Model();
  const bool wholeList = item == model.RootItem() || folderId == m_CurrentFolderId;
  m_Marking.MarkRows(m_List->Rows(), false, wholeList, model.FolderOf(item));
  m_List->RefreshShown();
}

void ViewDataInControls::SetListItemNameById(TreeItem, const std::string&) {
  m_List->RefreshShown();  // the row's name is read from its record
}

// Unchecks from in the tree, and each ancestor of it, until one still holds a checked item.
void ViewDataInControls::UncheckUpwards(TreeItem from) {
  FolderTreeModel& model = m_Tree->Model();
  const TreeItem root = model.RootItem();
  auto holdsSelected = [&](TreeItem item) {
    uint32_t id = 0;
    if (item == root) {
      if (!FolderTreeModel::RootFolderId(id)) return false;
    } else {
      const FolderRecord* f = model.FolderOf(item);
      if (!f || f->partition != ChosenFs()) return false;
      id = f->id;
    }
    if (FolderHoldsSelected(id, ChosenFs(), m_Marking.Job())) return true;
    if (item != root) const_cast<FolderRecord*>(model.FolderOf(item))->selected = 'n';
    return false;
  };
  for (TreeItem a = from; a != kNoItem; a = model.Parent(a)) {
    if (holdsSelected(a)) return;
    model.SetItemUnchecked(a);
    if (a == root) return;
  }
}

void ViewDataInControls::OnRowChecked(long row, bool checked) {
  if (m_ListFilling || m_Marking.Running() || row < 0 ||
      static_cast<size_t>(row) >= m_List->Rows().size())
    return;
  CheckRow(m_List->Rows()[static_cast<size_t>(row)], checked, m_Tree->Model().ShownItem());
}

void ViewDataInControls::CheckRow(const ResultRow& r, bool checked, TreeItem fileFolder) {
  // A folder's check starts the worker that marks its files; one still marking finishes first,
  // so no folder's ids wait behind it.
  JoinMarking();
  FolderTreeModel& model = m_Tree->Model();
  const TreeItem root = model.RootItem();
  if (r.file) {
    r.file->selected = checked ? 'y' : 'n';
    model.SetMarksOnly(1);
    const TreeItem shown = fileFolder;
    if (checked) {
      for (TreeItem a = model.Parent(shown); a != kNoItem && a != root; a = model.Parent(a))
        model.SetItemChecked(a);
      if (shown != kNoItem) model.SetItemChecked(shown);
      model.SetItemChecked(root);
    } else if (shown != kNoItem) {
      UncheckUpwards(shown);
    }
  } else {
    const auto item = static_cast<TreeItem>(r.folder->treeItem);
    model.SetMarksOnly(0);
    r.folder->selected = checked ? 'y' : 'n';
    if (checked) {
      model.SetItemChecked(item);
      model.CheckSubtree(item);
      if (item != root) SelectFolderData(item, 0);
    } else {
      model.SetItemUnchecked(item);
      model.UncheckSubtree(item);
      if (item != root) DeselectFolderData(item, 0);
      UncheckUpwards(item);
    }
    model.SetMarksOnly(1);
    model.UpdateParentsAfterUncheck(item);
    model.UpdateParentsAfterCheck(item);
  }
  m_List->RefreshShown();
}

void ViewDataInControls::RenameListRow(long row, const std::string& text) {
  if (row < 0 || static_cast<size_t>(row) >= m_List->Rows().size()) return;
  JoinListWorker();
  const ResultRow r = m_List->Rows()[static_cast<size_t>(row)];
  if (r.folder && r.folder->treeItem != 0)
    m_Tree->Model().RenameItem(static_cast<TreeItem>(r.folder->treeItem), text);
  else
    RenameRow(r, text);
  m_List->RefreshShown();
}

void ViewDataInControls::OnListKeyDown(wxListEvent& event) {
  if (event.GetKeyCode() == WXK_F2 && m_List->GetSelectedItemCount() == 1)
    m_List->EditLabel(m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
  event.Skip();
}

void ViewDataInControls::OnListActivated(wxListEvent& event) {
  OpenRow(event.GetIndex());
}

void ViewDataInControls::OpenRow(long row) {
  if (ClicksBlocked() || row < 0 || static_cast<size_t>(row) >= m_List->Rows().size()) return;
  const ResultRow r = m_List->Rows()[static_cast<size_t>(row)];
  if (r.file) {
    PreviewRow(row, true);
    return;
  }
  if (!r.folder || r.folder->treeItem == 0) return;
  ShowFolderItem(static_cast<TreeItem>(r.folder->treeItem));
}

void ViewDataInControls::ShowFolderItem(TreeItem item) {
  FolderTreeModel& model = m_Tree->Model();
  if (ClicksBlocked() || !model.IsValid(item)) return;
  if (const TreeItem parent = model.Parent(item); parent != kNoItem) model.Expand(parent);
  m_Tree->SelectItem(m_Tree->ShowItem(item));
  model.Expand(item);
  model.ShowFolder(item);
}

void ViewDataInControls::PreviewRow(long row, bool open) {
  if (m_ListFilling || row < 0 || static_cast<size_t>(row) >= m_List->Rows().size()) return;
  const ResultRow r = m_List->Rows()[static_cast<size_t>(row)];
  if (r.file)
    PreviewFile(r.file, open);
  else if (!open)
    m_PreviewArea->Reset();  // a folder has no preview: the placeholder again
}

void ViewDataInControls::OnListRightClick(wxListEvent& event) {
  // Only a click on a selected row offers its menu.
  const long row = event.GetIndex();
  if (row < 0 || m_List->GetItemState(row, wxLIST_STATE_SELECTED) == 0) return;
  wxMenu menu;
  menu.Append(WxCommandId(kMenuOpen), "&Open");
  const int chosen = m_List->GetPopupMenuSelectionFromUser(menu, event.GetPoint());
  if (chosen == WxCommandId(kMenuOpen)) OnOpen();
}

void ViewDataInControls::OnOpen() {
  const long row = m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
  const long chosen =
      row >= 0 ? row : m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
  if (chosen >= 0) OpenRow(chosen);
}

void ViewDataInControls::OnParentFolder() {
  const FolderTreeModel& model = m_Tree->Model();
  const TreeItem shown = m_Tree->ModelItem(m_Tree->GetSelection());
  if (shown == kNoItem || shown == model.RootItem()) return;
  if (const TreeItem parent = model.Parent(shown); parent != kNoItem) ShowFolderItem(parent);
}

void ViewDataInControls::OnTreeSelChanged(wxTreeEvent& event) {
  m_FollowTimer.StartOnce(kFollowDelayMs);
  event.Skip();
}

// The tree's selection moved: the list shows the folder now selected once the keys rest a moment,
// so holding a key down fills the list once, not once per folder passed.
void ViewDataInControls::FollowTreeSelection() {
  if (m_TreeFilling) return;  // the fill shows the root itself when it ends
  if (m_Marking.Running()) {
    m_FollowTimer.StartOnce(kFollowDelayMs);  // the marks are read by the rows: after them
    return;
  }
  const TreeItem selected = m_Tree->ModelItem(m_Tree->GetSelection());
  if (selected != kNoItem) m_Tree->Model().ShowFolder(selected);
}

void ViewDataInControls::PreviewFile(const FileRecord* file, bool open) {
  m_PreviewArea->Start(file, g_FileSystemName,
                       g_FormattedMode.load() != 0 || g_PartitionMode.load() != 0, open);
}

void ViewDataInControls::OnSave() {
  if (m_TreeFilling || m_PreviewArea->Running()) return;
  // The snapshot must see the marks the select worker is still writing.
  JoinMarking();
  const FolderWalk walk = m_Tree->Model().TakeFolderWalk(g_SelectionMode.load());
  if (m_RunDataCopyPath) m_RunDataCopyPath(walk);
  SetTitle(FromUtf8(g_AppTitle));
  Refresh();
}

void ViewDataInControls::OnSearch() {
  if (m_TreeFilling || m_SavingLog) return;
  AdvanceSearchFile search(*this);
  search.DoModal();
  SetTitle(FromUtf8(g_AppTitle));
  Refresh();
}

void ViewDataInControls::OnSaveLog() {
  if (m_SavingLog || g_SaveLogThread.joinable() || m_TreeFilling) return;
  if (!m_StartSaveLog || !m_StartSaveLog(*this)) return;
  m_SavingLog = true;
  m_BackButton->EnableButton(false);
}

void ViewDataInControls::OnSaveLogEnded() {
  m_SavingLog = false;
  m_BackButton->EnableButton(true);
}

void ViewDataInControls::StopWorkers() {
  m_FollowTimer.Stop();
  m_PreviewArea->StopAndJoin();
  ++m_ListGeneration;  // rows still on their way are dropped
  m_StopListFill = true;
  m_Marking.Stop();
  m_ListFill.Join();
  m_TreeFill.Join();
  m_ListFilling = m_TreeFilling = false;
}

void ViewDataInControls::OnBack() {
  if (m_SavingLog) return;  // the log writer still reads the lists
  if (!m_ForceBack && Prompts().ViewQuestionMsg(kResultsBackQuestion) != 1) {
    Refresh();
    return;
  }
  m_ForceBack = false;
  StopWorkers();
  JoinSaveLogThread();
  m_List->ClearRows();
  const ListsToFree lists =
      ResultsBackFrees(g_PartitionMode.load() != 0, IsFatKind(g_FileSystemName));
  if (lists.folders) FreeFolderList();
  if (lists.files) FreeFileList();
  if (lists.folders && lists.files) g_LogLoaded = 0;
  EndDialog(1);
}

void ViewDataInControls::OnSwitchToFormatted() {
  if (g_FormattedMode.load() != 0 || g_PartitionMode.load() != 0) return;
  if (Prompts().ViewQuestionMsg(kSwitchToFormattedQuestion) != 1) return;
  m_ForceBack = true;
  OnBack();
  g_FormattedMode = 1;
  Hide();
  if (m_RunAnalysisPage) m_RunAnalysisPage();
}

void ViewDataInControls::OnCancel() {
  ConfirmExit();
}

void ViewDataInControls::OnCloseBox() {
  ConfirmExit();
}

void ViewDataInControls::OnHelp() {
  OpenHelpWebPage();
}

int RunResultsPage() {
  ViewDataInControls page;
  return page.DoModal();
}
