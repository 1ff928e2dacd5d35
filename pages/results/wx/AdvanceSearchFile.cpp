#include "pages/results/wx/AdvanceSearchFile.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "engine/records/ScanState.h"
#include "pages/results/wx/ViewDataInControls.h"
#include "pages/wx/WizardPage.h"
#include "platform/TextCodec.h"
#include "prompts/UserPrompts.h"
#include "results/ResultRows.h"
#include "storage/SourceGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

constexpr int kTakeMs = 100;
constexpr size_t kSelectAllSlice = 200;  // rows checked per timer tick
constexpr int kWidthDlu = 420;
constexpr int kCriteriaDlu = 104;  // height of the criteria area
constexpr int kStartWidthDlu = 72;  // the Start button, in the name row or above the list
constexpr int kStartHeightDlu = 20;

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

ResultRow RowOf(const SearchMatch& m) {
  return {.folder = m.folder, .file = m.file};
}

wxRect ToRect(const PixelRect& r) {
  return {r.x, r.y, r.width, r.height};
}

PixelRect ToPixels(const wxRect& r) {
  return {r.x, r.y, r.width, r.height};
}

}  // namespace

// The matches, the last found on top; the check boxes show the records' marks.
class SearchResultList : public wxListCtrl {
 public:
  SearchResultList(wxWindow* parent, const std::vector<AdvanceSearchFile::Row>& rows)
      : wxListCtrl(parent, AdvanceSearchFile::kIdList, wxDefaultPosition, wxDefaultSize,
                   wxLC_REPORT | wxLC_VIRTUAL | wxLC_HRULES | wxLC_VRULES | wxLC_SINGLE_SEL |
                       wxBORDER_SIMPLE),
        m_Rows(rows) {
    const char* const headers[] = {"File Name",    "Type",          "Path",          "File Size",
                                   "Created Date", "Modified Date", "Last Accessed", "ID"};
    for (const char* h : headers)
      AppendColumn(h, wxLIST_FORMAT_LEFT, std::string_view(h) == "Path" ? 350 : 150);
    EnableCheckBoxes(true);
  }
  const AdvanceSearchFile::Row* RowAt(long item) const {
    if (item < 0 || static_cast<size_t>(item) >= m_Rows.size()) return nullptr;
    return &m_Rows[m_Rows.size() - 1 - static_cast<size_t>(item)];
  }

 protected:
  wxString OnGetItemText(long item, long column) const override {
    const AdvanceSearchFile::Row* row = RowAt(item);
    if (!row) return wxString();
    const ResultRow r = RowOf(row->match);
    const FileSystemKind fs = g_FileSystemName;
    switch (column) {
      case 0:
        return FromUtf8(RowName(r));
      case 1:
        return FromUtf8(ColumnText(r, ListColumn::Type, fs));
      case 2:
        return FromUtf8(row->path);
      case 3:
        return FromUtf8(ColumnText(r, ListColumn::Size, fs));
      case 4:
        return FromUtf8(ColumnText(r, ListColumn::Created, fs));
      case 5:
        return FromUtf8(ColumnText(r, ListColumn::Modified, fs));
      case 6:
        return FromUtf8(ColumnText(r, ListColumn::Accessed, fs));
      case 7:
        return FromUtf8(ColumnText(r, ListColumn::Id, fs));
      default:
        return wxString();
    }
  }
  bool OnGetItemIsChecked(long item) const override {
    const AdvanceSearchFile::Row* row = RowAt(item);
    return row && RowOf(row->match).Checked();
  }

 private:
  const std::vector<AdvanceSearchFile::Row>& m_Rows;
};

AdvanceSearchFile::AdvanceSearchFile(ViewDataInControls& page)
    : CLookDialog(&page, kWidthDlu, kCriteriaDlu, /*stayOnTop=*/false, /*enterResult=*/wxID_NONE,
                  /*escapeResult=*/wxID_CANCEL),
      m_Page(page) {
  SetTitle(FromUtf8(kSearchDialogTitle));
  auto box = [this](int id, const char* text, wxRect r) {
    auto* b = new wxStaticBox(this, id, text, r.GetPosition(), r.GetSize());
    m_Criteria.push_back(b);
    return b;
  };
  auto criterion = [this](wxWindow* w) {
    m_Criteria.push_back(w);
    return w;
  };
  box(1227, "", Dlu(7, 2, 406, 34));
  // The name row is placed from the lengths of its texts once the label fonts are set.
  m_NameLabel = new CLabel(this, 1118, "Enter Search Name ");
  criterion(m_NameLabel);
  m_Pattern = new wxTextCtrl(this, kIdPattern, wxString(), wxDefaultPosition, wxDefaultSize,
                             wxTE_PROCESS_ENTER);
  criterion(m_Pattern);
  m_ExampleLabel = new CLabel(this, 1228, "e.g: - *.xls");
  criterion(m_ExampleLabel);
  m_StartButton = new CHoverButton(this, kIdStart, "&Start Search");

  box(1234, "", Dlu(7, 40, 118, 60));
  auto place = [this](wxRect r) { return std::make_pair(r.GetPosition(), r.GetSize()); };
  auto [tp, ts] = place(Dlu(13, 39, 40, 12));
  m_TypeBox = new wxCheckBox(this, kIdType, "Type", tp, ts);
  criterion(m_TypeBox);
  const char* const radios[3] = {"Include Deleted File(s)", "Exclude Deleted File(s)",
                                 "Only Deleted File(s)"};
  const int radioIds[3] = {kIdInclude, kIdExclude, kIdOnlyDeleted};
  for (int i = 0; i < 3; ++i) {
    auto [p, s] = place(Dlu(14, 53 + 15 * i, 106, 12));
    m_DeletedRadios[i] =
        new wxRadioButton(this, radioIds[i], radios[i], p, s, i == 0 ? wxRB_GROUP : 0);
    criterion(m_DeletedRadios[i]);
  }

  box(1235, "", Dlu(130, 40, 176, 60));
  auto [dp, ds] = place(Dlu(136, 39, 40, 12));
  m_DateBox = new wxCheckBox(this, kIdDate, "Date", dp, ds);
  criterion(m_DateBox);
  auto [kp, ks] = place(Dlu(136, 52, 90, 15));
  m_DateKind = new wxChoice(this, kIdDateKind, kp, ks);
  for (const char* k : {"Created Date", "Modified Date", "Accessed Date"}) m_DateKind->Append(k);
  criterion(m_DateKind);
  const int comboIds[6] = {1127, 1128, 1129, 1130, 1132, 1133};
  for (int i = 0; i < 6; ++i) {
    const int x = 136 + (i % 3) * 36;
    auto [p, s] = place(Dlu(x, i < 3 ? 68 : 83, i % 3 == 2 ? 48 : 34, 15));
    m_DateCombos[i] = new wxChoice(this, comboIds[i], p, s);
    const int first = i % 3 == 0 ? 1 : i % 3 == 1 ? 1 : 1970;
    const int last = i % 3 == 0 ? 31 : i % 3 == 1 ? 12 : 2030;
    for (int v = first; v <= last; ++v) m_DateCombos[i]->Append(wxString::Format("%02d", v));
    criterion(m_DateCombos[i]);
  }
  auto [bp, bs] = place(Dlu(258, 77, 46, 10));
  criterion(new wxStaticText(this, 1119, "( Between )", bp, bs));

  box(1229, "", Dlu(311, 40, 102, 60));
  auto [sp, ss] = place(Dlu(317, 39, 40, 12));
  m_SizeBox = new wxCheckBox(this, kIdSize, "Size", sp, ss);
  criterion(m_SizeBox);
  auto [cp, cs] = place(Dlu(317, 53, 90, 10));
  criterion(new wxStaticText(this, wxID_ANY, "Size between : ", cp, cs));
  auto [fp, fs] = place(Dlu(317, 65, 43, 14));
  m_SizeFrom = new wxTextCtrl(this, kIdSizeFrom, wxString(), fp, fs);
  criterion(m_SizeFrom);
  auto [op, os] = place(Dlu(364, 65, 43, 14));
  m_SizeTo = new wxTextCtrl(this, kIdSizeTo, wxString(), op, os);
  criterion(m_SizeTo);
  auto [up, us] = place(Dlu(317, 82, 60, 15));
  m_SizeUnit = new wxChoice(this, kIdSizeUnit, up, us);
  for (const char* u : {"Bytes", "KB", "MB", "GB"}) m_SizeUnit->Append(u);
  criterion(m_SizeUnit);

  m_SelectAllBox = new wxCheckBox(this, kIdSelectAll, "Select/Unselect All");
  m_PleaseWait = new wxStaticText(this, kIdPleaseWait, "Please wait...");
  auto* found = new wxStaticText(this, 1236, "Match Found : ");
  m_CountText = new wxStaticText(this, kIdMatchCount, "0");
  m_ToggleButton = new wxButton(this, kIdToggle, ">>");
  m_List = new SearchResultList(this, m_Rows);
  m_SaveButton = new CHoverButton(this, kIdSave, "&Save");
  m_ResultArea = {m_SelectAllBox, found, m_CountText, m_ToggleButton, m_List, m_SaveButton};
  for (wxWindow* w : m_ResultArea) w->Hide();
  m_PleaseWait->Hide();

  m_StartButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnStartSearch(); });
  m_Pattern->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { OnStartSearch(); });
  m_TypeBox->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnTypeCheck(); });
  m_DateBox->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnDateCheck(); });
  m_SizeBox->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnSizeCheck(); });
  m_SelectAllBox->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnSelectAll(); });
  m_ToggleButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnToggleCriteria(); });
  m_SaveButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnSave(); });
  m_List->Bind(wxEVT_LIST_ITEM_CHECKED,
               [this](wxListEvent& e) { OnListItemChanged(e.GetIndex(), true); });
  m_List->Bind(wxEVT_LIST_ITEM_UNCHECKED,
               [this](wxListEvent& e) { OnListItemChanged(e.GetIndex(), false); });
  m_List->Bind(wxEVT_LIST_ITEM_ACTIVATED,
               [this](wxListEvent& e) { OnListDoubleClick(e.GetIndex()); });
  m_List->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK,
               [this](wxListEvent& e) { OnListRightClick(e.GetIndex(), e.GetPoint()); });
  Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnOpen(); }, WxCommandId(kMenuOpen));
  m_TrackContextMenu = [this](wxMenu& menu, const wxPoint& at) {
    const int chosen = m_List->GetPopupMenuSelectionFromUser(menu, at);
    return chosen == wxID_NONE ? 0 : chosen;
  };
  Bind(
      wxEVT_TIMER,
      [this](wxTimerEvent&) {
        TakeMatches();
        if (SelectingAll()) SelectAllResultsStep();
      },
      m_Timer.GetId());

  m_Factors = ApplyDialogLook(this, {.appWindow = true}, {m_NameLabel});
  ApplyLabelLook(m_ExampleLabel, m_Factors);
  m_ExampleLabel->SetBold(false);
  m_StartButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\SearchAdv.bmp"));
  m_SaveButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Save.bmp"));
  SetTitle(FromUtf8(kSearchDialogTitle));
  SetDefaults();
  PlaceNameRow();
  m_StartSize = GetSize();
  PlaceWindow(SearchWindowState::Criteria);
}

AdvanceSearchFile::~AdvanceSearchFile() {
  m_Timer.Stop();
  EndSearch();
}

void AdvanceSearchFile::SetDefaults() {
  m_TypeBox->SetValue(true);
  m_DeletedRadios[0]->SetValue(true);
  m_DateBox->SetValue(false);
  m_SizeBox->SetValue(false);
  const int defaults[6] = {0, 0, 0, 30, 11, 2030 - 1970};  // 01-01-1970 to 31-12-2030
  for (int i = 0; i < 6; ++i) m_DateCombos[i]->SetSelection(defaults[i]);
  m_DateKind->SetSelection(0);
  m_SizeFrom->ChangeValue("0");
  m_SizeTo->ChangeValue("2");
  m_SizeUnit->SetSelection(static_cast<int>(SizeUnit::GB));
  EnableCriteria();
}

void AdvanceSearchFile::EnableCriteria() {
  for (wxRadioButton* r : m_DeletedRadios) r->Enable(m_TypeBox->GetValue());
  m_DateKind->Enable(m_DateBox->GetValue());
  for (wxChoice* c : m_DateCombos) c->Enable(m_DateBox->GetValue());
  for (wxWindow* w : std::initializer_list<wxWindow*>{m_SizeFrom, m_SizeTo, m_SizeUnit})
    w->Enable(m_SizeBox->GetValue());
}

void AdvanceSearchFile::OnTypeCheck() {
  m_DeletedRadios[0]->SetValue(true);
  EnableCriteria();
}

void AdvanceSearchFile::OnDateCheck() {
  m_DateKind->SetSelection(0);
  EnableCriteria();
}

void AdvanceSearchFile::OnSizeCheck() {
  m_SizeUnit->SetSelection(static_cast<int>(SizeUnit::Bytes));
  EnableCriteria();
}

void AdvanceSearchFile::PlaceWindow(SearchWindowState state) {
  const int display = wxDisplay::GetFromWindow(&m_Page);
  const wxRect area = wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display))
                          .GetClientArea();
  const DesktopRect desktop{area.GetLeft(), area.GetTop(), area.GetRight() + 1,
                            area.GetBottom() + 1};
  const PixelRect r = SearchWindowRect(desktop, m_StartSize.x, m_StartSize.y, state);
  SetSize(r.x, r.y, r.width, r.height);
}

void AdvanceSearchFile::PlaceNameRow() {
  SearchNameRowInput in;
  in.row = ToPixels(Dlu(12, 8, 396, 24));
  const wxSize label = m_NameLabel->GetBestSize();
  in.labelText = label.x;
  in.exampleText = m_ExampleLabel->GetBestSize().x;
  in.textHeight = std::max(label.y, m_ExampleLabel->GetBestSize().y);
  in.editHeight = m_Pattern->GetBestSize().y;
  const wxRect start = Dlu(0, 0, kStartWidthDlu, kStartHeightDlu);
  in.startWidth = start.width;
  in.startHeight = start.height;
  in.factors = m_Factors;
  const SearchNameRowLayout out = LayOutSearchNameRow(in);
  m_NameLabel->SetSize(ToRect(out.label));
  m_Pattern->SetSize(ToRect(out.pattern));
  m_ExampleLabel->SetSize(ToRect(out.example));
  m_StartButton->SetSize(ToRect(out.start));
}

void AdvanceSearchFile::LayOut() {
  for (wxWindow* w : m_Criteria) w->Show(m_CriteriaShown);
  if (!m_ResultsShown) return;
  PlaceWindow(m_CriteriaShown ? SearchWindowState::CriteriaAndResults
                              : SearchWindowState::ResultsOnly);
  const wxSize client = GetClientSize();
  const int top = m_CriteriaShown ? Dlu(0, 0, 0, kCriteriaDlu).height : 0;
  SearchResultRowInput in;
  // Without the criteria the Start button joins this row at its full height.
  const wxRect row = Dlu(7, 2, 406, m_CriteriaShown ? 16 : 22);
  in.row = ToPixels(row);
  in.row.y += top;
  in.selectAllWidth = m_SelectAllBox->GetBestSize().x;
  in.pleaseWaitWidth = m_PleaseWait->GetBestSize().x;
  wxWindow* found = FindWindow(1236);
  in.matchFoundWidth = found->GetBestSize().x;
  in.countWidth = m_CountText->GetTextExtent("0000000").x;
  in.textHeight = std::max(m_SelectAllBox->GetBestSize().y, found->GetBestSize().y);
  const wxRect toggle = Dlu(0, 0, 30, 14);
  in.toggleWidth = toggle.width;
  in.toggleHeight = toggle.height;
  if (!m_CriteriaShown) {
    const wxRect start = Dlu(0, 0, kStartWidthDlu, kStartHeightDlu);
    in.startWidth = start.width;
    in.startHeight = start.height;
  }
  in.factors = m_Factors;
  const SearchResultRowLayout out = LayOutSearchResultRow(in);
  m_SelectAllBox->SetSize(ToRect(out.selectAll));
  m_PleaseWait->SetSize(ToRect(out.pleaseWait));
  found->SetSize(ToRect(out.matchFound));
  m_CountText->SetSize(ToRect(out.count));
  m_ToggleButton->SetSize(ToRect(out.toggle));
  if (m_CriteriaShown)
    PlaceNameRow();
  else
    m_StartButton->SetSize(ToRect(out.start));
  // The list fills the space down to the Save button's row. The button is as large as its
  // picture, so none of it is cut off.
  wxRect save = Dlu(0, 0, 50, 18);
  if (m_SaveButton->HasStrip()) save.SetSize(m_SaveButton->GetBestSize());
  const int margin = row.x;
  const int saveY = client.y - margin - save.height;
  const int listY = in.row.y + in.row.height + margin / 2;
  m_SaveButton->SetSize(client.x - margin - save.width, saveY, save.width, save.height);
  m_List->SetSize(margin, listY, client.x - 2 * margin, std::max(0, saveY - margin - listY));
  for (wxWindow* w : m_ResultArea) w->Show();
  m_StartButton->Show();
  Refresh();
}

void AdvanceSearchFile::OnStartSearch() {
  m_ResultsShown = true;
  LayOut();
  OnOK();
}

void AdvanceSearchFile::OnOK() {
  if (Searching()) {
    m_Search.Control().Pause();
    if (Prompts().ViewQuestionMsg(kStopSearchQuestion) == 1) {
      EndSearch();
    } else {
      m_Search.Control().Resume();
    }
    return;
  }
  if (SelectingAll()) return;
  m_MatchCount = 0;
  ShowCount();
  m_Rows.clear();
  m_List->SetItemCount(0);
  m_List->Refresh();
  const SearchScope scope{.chosenFs = static_cast<int16_t>(g_ScanState.chosenFileSystem.load()),
                          .fs = g_FileSystemName,
                          .rootItem = m_Page.m_Tree->Model().RootItem()};
  m_SelectAllBox->SetValue(false);
  m_SelectAllBox->Disable();
  ShowSearchButton(true);
  m_Search.Start([this, criteria = ReadCriteria(),
                  scope](ScanControl& control) { SearchThreadProc(criteria, scope, control); },
                 [this] { OnSearchEnded(); });
  m_Timer.Start(kTakeMs);
}

SearchCriteria AdvanceSearchFile::ReadCriteria() const {
  SearchCriteria c;
  c.pattern = UpperSearchText(Utf8ToUtf16(m_Pattern->GetValue().utf8_string()));
  // The radios count whatever the Type box says.
  c.deleted = m_DeletedRadios[2]->GetValue()   ? DeletedFilter::DeletedOnly
              : m_DeletedRadios[1]->GetValue() ? DeletedFilter::Exclude
                                               : DeletedFilter::Include;
  c.dateOn = m_DateBox->GetValue();
  c.dateKind = static_cast<SearchDateKind>(std::max(0, m_DateKind->GetSelection()));
  auto combo = [this](int i) {
    long v = 0;
    return m_DateCombos[i]->GetStringSelection().ToLong(&v) ? static_cast<int32_t>(v) : 0;
  };
  c.dates = {combo(0), combo(1), combo(2), combo(3), combo(4), combo(5)};
  c.sizeOn = m_SizeBox->GetValue();
  if (c.sizeOn) {
    // A number as the edit holds it; anything that is not one reads as 0.
    auto number = [](const wxTextCtrl* edit) {
      unsigned long v = 0;
      return edit->GetValue().Trim().Trim(false).ToULong(&v) && v <= UINT32_MAX
                 ? static_cast<uint32_t>(v)
                 : 0u;
    };
    const auto unit = static_cast<SizeUnit>(std::max(0, m_SizeUnit->GetSelection()));
    c.sizeFrom = SizeBound(number(m_SizeFrom), unit);
    c.sizeTo = SizeBound(number(m_SizeTo), unit);
  }
  return c;
}

void AdvanceSearchFile::SearchThreadProc(SearchCriteria criteria, SearchScope scope,
                                         ScanControl& control) {
  SearchRecords(criteria, scope, control, [this](const SearchMatch& m) {
    std::lock_guard lock(m_PendingMutex);
    m_Pending.push_back(m);
  });
}

void AdvanceSearchFile::TakeMatches() {
  std::vector<SearchMatch> taken;
  {
    std::lock_guard lock(m_PendingMutex);
    taken.swap(m_Pending);
  }
  if (taken.empty()) return;
  const FolderTreeModel& model = m_Page.m_Tree->Model();
  for (const SearchMatch& m : taken)
    m_Rows.push_back({m, model.GetItemPath(static_cast<TreeItem>(m.treeItem))});
  m_MatchCount = static_cast<int>(m_Rows.size());
  m_List->SetItemCount(static_cast<long>(m_Rows.size()));
  m_List->Refresh();
  ShowCount();
}

// Told only when no confirmed stop ended the search first (EndSearch drops the end).
void AdvanceSearchFile::OnSearchEnded() {
  TakeMatches();
  EndSearch();
}

// Cancels and joins the worker (a no-op when none runs) and puts the controls back.
void AdvanceSearchFile::EndSearch() {
  if (m_Search.Running()) {
    m_Search.CancelAndJoin();
    std::lock_guard lock(m_PendingMutex);
    m_Pending.clear();  // a stopped search lists what it had shown
  }
  if (!SelectingAll()) m_Timer.Stop();
  m_SelectAllBox->Enable();
  ShowSearchButton(false);
}

void AdvanceSearchFile::ShowSearchButton(bool searching) {
  m_StartButton->SetLabel(searching ? "&Stop Search" : "&Start Search");
  m_StartButton->LoadFrameStrip4(
      BitmapPath(g_BitmapFolder, searching ? "\\Stop-btn.bmp" : "\\SearchAdv.bmp"));
  if (!searching) m_StartButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\SearchAdv.bmp"));
  m_StartButton->Refresh();
}

void AdvanceSearchFile::ShowCount() {
  m_CountText->SetLabel(wxString::Format("%d", m_MatchCount));
}

void AdvanceSearchFile::OnCancel() {
  if (SelectingAll()) return;
  if (Searching()) {
    m_Search.Control().Pause();
    if (Prompts().ViewQuestionMsg(kCancelSearchQuestion) == 1)
      EndSearch();  // the dialog stays open
    else
      m_Search.Control().Resume();
    return;
  }
  EndModal(wxID_CANCEL);
}

const AdvanceSearchFile::Row& AdvanceSearchFile::ShownRow(long index) const {
  return *m_List->RowAt(index);
}

wxListCtrl* AdvanceSearchFile::ListControl() const {
  return m_List;
}

void AdvanceSearchFile::ApplyCheck(const Row& row, bool checked) {
  const ResultRow r = RowOf(row.match);
  FolderTreeModel& model = m_Page.m_Tree->Model();
  TreeItem folder = static_cast<TreeItem>(row.match.treeItem);
  if (r.file) {
    const SearchScope scope{.chosenFs = static_cast<int16_t>(g_ScanState.chosenFileSystem.load()),
                            .fs = g_FileSystemName,
                            .rootItem = model.RootItem()};
    folder = static_cast<TreeItem>(FileFolderItem(*r.file, scope));
    if (folder == kNoItem) return;
  }
  m_Page.CheckRow(r, checked, folder);
  if (r.folder && checked) model.CheckFolderRows(folder);
}

void AdvanceSearchFile::OnListItemChanged(long row, bool checked) {
  const Row* r = m_List->RowAt(row);
  if (!r || SelectingAll()) return;
  ApplyCheck(*r, checked);
  m_List->RefreshItem(row);
}

void AdvanceSearchFile::OnSelectAll() {
  if (Searching() || SelectingAll() || m_Rows.empty()) return;
  // The rows are worked in slices from the timer: each check changes the results tree, which
  // belongs to this thread, and the dialog stays responsive meanwhile.
  m_SelectAllChecked = m_SelectAllBox->GetValue();
  m_SelectAllNext = 0;
  m_SelectAllEnd = m_Rows.size();
  m_SelectAllBox->Disable();
  m_StartButton->EnableButton(false);
  m_PleaseWait->Show();
  m_Timer.Start(kTakeMs);
}

void AdvanceSearchFile::SelectAllResultsStep() {
  const size_t end = std::min(m_SelectAllEnd, m_SelectAllNext + kSelectAllSlice);
  for (; m_SelectAllNext < end; ++m_SelectAllNext) {
    const Row& row = m_Rows[m_Rows.size() - 1 - m_SelectAllNext];  // top of the list first
    ApplyCheck(row, m_SelectAllChecked);
  }
  m_List->Refresh();
  if (SelectingAll()) return;
  m_SelectAllNext = m_SelectAllEnd = 0;
  m_Timer.Stop();
  m_PleaseWait->Hide();
  m_SelectAllBox->Enable();
  m_StartButton->EnableButton(true);
}

void AdvanceSearchFile::OnToggleCriteria() {
  m_CriteriaShown = !m_CriteriaShown;
  m_ToggleButton->SetLabel(m_CriteriaShown ? ">>" : "<<");
  LayOut();
}

void AdvanceSearchFile::OnSave() {
  if (Searching() || SelectingAll()) return;
  m_Page.OnSave();
  SetTitle(FromUtf8(kSearchDialogTitle));
  m_List->Refresh();
}

void AdvanceSearchFile::OnListDoubleClick(long row) {
  const Row* r = m_List->RowAt(row);
  if (!r || Searching()) return;
  if (r->match.file) {
    // A file is extracted and opened with its program by the results page's preview.
    m_Page.PreviewFile(r->match.file, /*open=*/true);
    return;
  }
  if (!r->match.folder) return;
  m_Page.ShowFolderItem(static_cast<TreeItem>(r->match.treeItem));
  OnCancel();
}

void AdvanceSearchFile::OnListRightClick(long row, const wxPoint& at) {
  // A click beside the rows, or on a row the click did not select, shows nothing.
  if (row < 0 || m_List->GetItemState(row, wxLIST_STATE_SELECTED) == 0) return;
  wxMenu menu;
  menu.Append(WxCommandId(kMenuOpen), "&Open");
  // The command goes through the dialog's own handlers, as a menu command would.
  if (const int chosen = m_TrackContextMenu(menu, at); chosen != 0) {
    wxCommandEvent command(wxEVT_MENU, chosen);
    command.SetEventObject(this);
    ProcessWindowEvent(command);
  }
}

void AdvanceSearchFile::OnOpen() {
  const long row = m_List->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
  if (row >= 0) OnListDoubleClick(row);
}
