#include "pages/source/wx/DeletedFilesRecovery.h"

#include <algorithm>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/HelpPage.h"
#include "dialogs/wx/AboutDlg.h"
#include "dialogs/wx/FileDialogST.h"
#include "engine/records/ScanState.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "pages/PageFlow.h"
#include "pages/source/SourceNames.h"
#include "pages/source/wx/LoadScanLog.h"
#include "pages/wx/DriveChart.h"
#include "pages/wx/PageButtons.h"
#include "prompts/ExitQuestion.h"
#include "prompts/UserPrompts.h"
#include "storage/GeometryStore.h"
#include "storage/SourceGlobals.h"
#include "storage/partitions/DiskPartitions.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/FolderTreeCtrl.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/PieChartWnd.h"

namespace {

constexpr int kPanelLineIds[6] = {1192, 1195, 1197, 1198, 1199, 1200};

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

DeletedFilesRecovery::DeletedFilesRecovery(std::unique_ptr<DriveCatalogue> drives)
    : CWizardPage(nullptr, wxString()), m_Drives(std::move(drives)) {
  m_RunAnalysisPage = [] { return RunAnalysisPage(); };
  m_RunFoundFileSystemsPage = [] { return RunFoundFileSystemsPage(); };
  m_RunImagingPage = [] { return RunImagingPage(); };
  m_ChooseImageFolder = [this]() -> std::optional<std::string> {
    CFileDialogST dialog;
    if (dialog.BrowseForFolder(kSelectImageFolderTitle, std::string(), 0, this) != 1)
      return std::nullopt;
    return dialog.GetSelectedFolder();
  };
  m_ChooseImageFile = [this]() -> std::optional<std::string> {
    CFileDialogST dialog(true, nullptr, nullptr, kOfnPathMustExist | kOfnAllowMultiSelect,
                         {{"*.dmg", "*.dmg"}}, this);
    if (dialog.DoModal() != 1) return std::nullopt;
    return dialog.GetPathName();
  };
  // Here only Load Log, Exit, View Help and About act.
  SetMenuBar(
      CreatePageMenu(ViewItems::Plain, {kMenuLoadLog, kMenuExit, kMenuViewHelp, kMenuAbout}));
  SetMinSize(wxSize(640, 480));
  wxWindow* client = Client();

  const char* const toolCaptions[5] = {"Help", "Load log", "Save Log", "Settings", "Search"};
  const int toolIds[5] = {kIdHelp, kIdLoadLog, kIdSaveLog, kIdSettings, kIdSearch};
  for (int i = 0; i < 5; ++i) m_Tools[i] = new CHoverButton(client, toolIds[i], toolCaptions[i]);
  m_Heading = new CLabel(client, kIdHeading, kSourceHeadingText);
  m_Tree = new CFolderTreeCtrl(client, kIdTree);
  for (size_t i = 0; i < m_PanelLines.size(); ++i) {
    m_PanelLines[i] = new wxStaticText(client, kPanelLineIds[i], wxString());
    m_PanelLines[i]->Hide();
  }
  m_StartCaption = new CLabel(client, 1208, "Starting Range  :");
  m_EndCaption = new CLabel(client, 1209, "Ending Range    :");
  m_FsCaption = new CLabel(client, 1210, "File System        :");
  m_StartEdit = new wxTextCtrl(client, kIdStart, wxString());
  m_EndEdit = new wxTextCtrl(client, kIdEnd, wxString());
  wxArrayString fileSystems;
  for (std::string_view fs : kRangeFileSystems) fileSystems.Add(FromUtf8(fs));
  m_FileSystem = new wxChoice(client, kIdFileSystem, wxDefaultPosition, wxDefaultSize, fileSystems);
  m_SelectRange = new wxCheckBox(client, kIdSelectRange, "Select Range");
  m_NextButton = new CHoverButton(client, kIdNext, "&Next >");
  m_BackButton = new CHoverButton(client, kIdBack, "< &Back");

  SourcePageView& view = *this;
  m_Selection = std::make_unique<SourceSelection>(m_Tree->Model(), view, *m_Drives);
  m_Tree->SetHooks(m_Selection.get());

  m_NextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); });
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBack(); });
  m_Tools[0]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  m_SelectRange->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { OnSelectRange(); });
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnCancel(); }, WxCommandId(kMenuExit));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnHelp(); }, WxCommandId(kMenuViewHelp));
  Bind(
      wxEVT_MENU, [](wxCommandEvent&) { ShowAboutDialog(); }, WxCommandId(kMenuAbout));
  m_Tools[1]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnLoadLog(); });
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnLoadLog(); }, WxCommandId(kMenuLoadLog));
  client->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayOut();
    event.Skip();
  });
}

void DeletedFilesRecovery::OnLoadLog() {
  // After a scan of a disk image the image has to be chosen again (see OnOK); a log loaded
  // before that would read the first physical disk in the image's place.
  if (g_SourceName == kDiskImageText && g_DiskImageSource == 0) {
    Prompts().ViewMsgBox(kSelectDiskImageText);
    return;
  }
  LoadScanLog(this, m_ChooseLogFile);
  SetTitle(wxString::FromUTF8(g_AppTitle));
  Refresh();
}

DeletedFilesRecovery::~DeletedFilesRecovery() {
  // The tree outlives nothing it calls into: its hooks go before the selection does.
  m_Tree->SetHooks(nullptr);
}

bool DeletedFilesRecovery::IsRangeMode() const {
  return g_ScanState.partitionStyle == 1;
}

void DeletedFilesRecovery::OnInitPage() {
  g_TreeMode = 1;
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);
  const DpiFactors factors =
      ApplyDialogLook(this, {.appWindow = true, .icons = true},
                      {m_Heading, m_StartCaption, m_EndCaption, m_FsCaption});
  (void)factors;
  SetTitle(FromUtf8(g_AppTitle));

  m_NextButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp"));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  struct Tool {
    const char* bitmap;
    const char* tip;
    bool enabled;
  };
  const bool loadLog =
      g_ScanState.recoveryMode != kRawDataRecovery && g_ScanState.recoveryMode != kCreateDiskImage;
  const Tool tools[5] = {{"\\Help-tbar.bmp", "Help", true},
                         {"\\Load-Recovery-tbar.bmp", "Load log", loadLog},
                         {"\\Save-Recovery-tbar.bmp", "Save Log", false},
                         {"\\recover-tbar.bmp", "Settings", false},
                         {"\\Search-tbar.bmp", "Search", false}};
  for (int i = 0; i < 5; ++i) {
    m_Tools[i]->LoadFrameStrip4(BitmapPath(g_BitmapFolder, tools[i].bitmap));
    const wxString tip = tools[i].tip;
    m_Tools[i]->SetToolTipText(&tip, true);
    m_Tools[i]->EnableButton(tools[i].enabled);
  }

  // The drive chart below the panel.
  if (!m_Chart) m_Chart = CreateDriveChart(Client(), 60, 15);

  const bool range = IsRangeMode();
  for (wxWindow* w : {static_cast<wxWindow*>(m_StartCaption), static_cast<wxWindow*>(m_EndCaption),
                      static_cast<wxWindow*>(m_FsCaption), static_cast<wxWindow*>(m_StartEdit),
                      static_cast<wxWindow*>(m_EndEdit), static_cast<wxWindow*>(m_FileSystem),
                      static_cast<wxWindow*>(m_SelectRange)})
    w->Show(range);
  OnSelectRange();
  LayOut();
  // The tree is filled once the page is on screen, as the first paint always did it.
  CallAfter([this] {
    if (!m_Listed) EnumerateSources();
  });
}

void DeletedFilesRecovery::EnumerateSources() {
  m_Listed = true;
  m_Tree->InitRoots();
  m_Selection->EnumerateSources(g_ScanState.recoveryMode);
  const TreeItem thisPc = m_Tree->Model().ThisPcItem();
  if (thisPc != kNoItem) {
    const wxTreeItemId id = m_Tree->ShowItem(thisPc);
    if (id.IsOk()) m_Tree->SelectItem(id);
  }
  m_Tree->SetFocus();
  // Said over the listing, so the disks it speaks of are in view.
  CallAfter([this] { m_Selection->TellDisksRefusedForRights(); });
}

void DeletedFilesRecovery::OnSelectRange() {
  const bool on = m_SelectRange->GetValue();
  m_StartEdit->Enable(on);
  m_EndEdit->Enable(on);
  m_FileSystem->Enable(on);
}

void DeletedFilesRecovery::OnOK() {
  SourceRangeInput range;
  range.start = m_StartEdit->GetValue().utf8_string();
  range.end = m_EndEdit->GetValue().utf8_string();
  range.fileSystem = m_FileSystem->GetSelection();
  const SourceNextStep step = CheckSourceNext(range, m_CanOpenSource);
  if (step == SourceNextStep::Refused) return;
  Hide();
  switch (step) {
    case SourceNextStep::Analysis:
      if (m_RunAnalysisPage) m_RunAnalysisPage();
      break;
    case SourceNextStep::PartitionSearch:
      if (m_RunAnalysisPage) m_RunAnalysisPage();
      if (m_RunFoundFileSystemsPage) m_RunFoundFileSystemsPage();
      break;
    case SourceNextStep::Imaging:
      if (m_RunImagingPage) m_RunImagingPage();
      break;
    case SourceNextStep::Refused:
      break;
  }
  Show();
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));
  SetTitle(FromUtf8(g_AppTitle));
  g_TreeMode = 1;
  // An image has to be chosen again before the next Next; until then its entry number must not
  // be read as a physical disk's, and the page shows nothing chosen, as when it opened.
  if (g_DiskImageSource) {
    g_SourceName = kDiskImageText;
    ShowDiskInfo(-1);
    m_Tree->Model().ForgetChosenItem();
    m_Tree->Model().Select(m_Tree->Model().ThisPcItem());
  }
  g_DiskImageSource = 0;
}

void DeletedFilesRecovery::OnBack() {
  g_SourceName.clear();
  g_DiskImageSource = 0;
  EndDialog(kIdBack);
}

void DeletedFilesRecovery::OnCancel() {
  ConfirmExit();
}

void DeletedFilesRecovery::OnHelp() {
  OpenHelpWebPage();
}

std::vector<std::string> DeletedFilesRecovery::PanelTexts() const {
  std::vector<std::string> lines;
  for (wxStaticText* line : m_PanelLines)
    if (line->IsShown()) lines.push_back(line->GetLabel().utf8_string());
  return lines;
}

void DeletedFilesRecovery::ShowPanel(const std::vector<std::string>& lines) {
  for (size_t i = 0; i < m_PanelLines.size(); ++i) {
    const bool shown = i < lines.size();
    m_PanelLines[i]->SetLabel(shown ? FromUtf8(lines[i]) : wxString());
    m_PanelLines[i]->Show(shown);
  }
  LayOut();
}

void DeletedFilesRecovery::ShowRangeFields() {
  if (!IsRangeMode()) return;
  m_StartEdit->ChangeValue(std::to_string(g_SourceStartSector));
  m_EndEdit->ChangeValue(std::to_string(g_SourceEndSector));
  int choice = 3;
  if (g_FileSystemName == FileSystemKind::Ntfs)
    choice = 2;
  else if (g_FileSystemName == FileSystemKind::Fat32)
    choice = 1;
  else if (g_FileSystemName == FileSystemKind::Fat16)
    choice = 0;
  m_FileSystem->SetSelection(choice);
  OnSelectRange();
}

void DeletedFilesRecovery::ShowDiskInfo(int number) {
  if (number < 0) {
    ShowPanel({});
    if (m_Chart) m_Chart->RemoveAllPieces();
    return;
  }
  const auto stored = ReadDiskGeometry(number);
  const StoredDiskGeometry disk = stored.value_or(StoredDiskGeometry{});
  g_SourceDiskModel = disk.model;
  ShowPanel(DiskInfoLines(number, disk));
  ShowRangeFields();
  SetDevicePathFromSelection();
  ShowPartitionChart(number, -1);
}

void DeletedFilesRecovery::ShowVolumeInfo(const LogicalDrive& drive) {
  std::string fileSystem(FileSystemKindText(g_FileSystemName));
  if (fileSystem.empty()) {
    fileSystem = drive.fileSystem;
    std::transform(fileSystem.begin(), fileSystem.end(), fileSystem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  }
  ShowPanel(VolumeInfoLines(drive, fileSystem));
  ShowRangeFields();
  // The imaging page shows the same drive's chart.
  g_ChosenDriveSizes = {drive.capacityBytes, drive.freeBytes};
  ShowDriveUsageChart(drive.capacityBytes, drive.freeBytes);
}

void DeletedFilesRecovery::ShowPartitionInfo() {
  const int disk = g_CurrentDevice;
  const int k = g_SelectedPartitionIndex;
  if (disk < 0 || disk >= kPartitionDiskCount || k < 0 || k >= kMaxListedPartitions) return;
  const DiskPartitions& block = g_DiskPartitions[static_cast<size_t>(disk)];
  const PartitionEntry& e = block.entries[static_cast<size_t>(k)];
  ShowPanel(PartitionInfoLines(block.names[static_cast<size_t>(k)], e.startSector, e.endSector,
                               static_cast<uint32_t>(g_BytesPerSector)));
  ShowRangeFields();
  ShowPartitionChart(disk, k);
}

void DeletedFilesRecovery::ShowImageFileTimes(const std::string& path) {
  time_t created = 0;
  time_t accessed = 0;
  time_t modified = 0;
  if (!ReadFileTimes(path, created, accessed, modified)) return;
  ShowPanel(ImageFileTimesLines(created, accessed, modified));
}

std::optional<std::string> DeletedFilesRecovery::ChooseImageFolder() {
  return m_ChooseImageFolder ? m_ChooseImageFolder() : std::nullopt;
}

std::optional<std::string> DeletedFilesRecovery::ChooseImageFile() {
  return m_ChooseImageFile ? m_ChooseImageFile() : std::nullopt;
}

void DeletedFilesRecovery::AddChartPieces(const std::vector<ChartPiece>& pieces) {
  if (!m_Chart) return;
  ShowChartPieces(*m_Chart, pieces);
  LayOut();
}

void DeletedFilesRecovery::ShowPartitionChart(int disk, int selected) {
  const auto stored = ReadDiskGeometry(disk);
  if (selected < 0 && disk == 0 && !g_DiskImageSource) RereadFirstDiskTable(stored);
  AddChartPieces(PartitionChartPieces(disk, selected, stored ? stored->sizeBytes : 0,
                                      static_cast<uint32_t>(g_BytesPerSector)));
}

void DeletedFilesRecovery::RereadFirstDiskTable(const std::optional<StoredDiskGeometry>& disk) {
  // A logical drive's click leaves that drive's one volume in disk 0's block; the whole disk's
  // chart reads the disk's own table again. The source's range stays as the click set it.
  const int64_t endSector = g_SourceEndSector;
  SetDevicePath(0, "\\\\.\\PhysicalDrive0");
  g_SourceEndSector = 0;
  const uint64_t bytesPerSector =
      g_BytesPerSector > 0 ? static_cast<uint64_t>(g_BytesPerSector) : 512;
  m_Tree->EnumDiskPartitions(0, 0, false, disk ? disk->sizeBytes / bytesPerSector : 0);
  g_SourceEndSector = endSector;
}

void DeletedFilesRecovery::ShowDriveUsageChart(uint64_t capacityBytes, uint64_t freeBytes) {
  AddChartPieces(DriveUsageChartPieces(capacityBytes, freeBytes));
}

void DeletedFilesRecovery::LayOut() {
  const wxSize client = Client()->GetClientSize();
  if (client.x <= 0 || client.y <= 0 || !m_Chart) return;
  constexpr int kMargin = kPageMargin;
  const int toolbarBottom = PlaceToolbar(m_Tools);
  const wxSize heading = m_Heading->GetBestSize();
  m_Heading->SetSize(kMargin, toolbarBottom + 14, client.x - 2 * kMargin, heading.y);
  const int top = toolbarBottom + 14 + heading.y + 12;
  const int buttonsTop = PlaceBackNext(m_BackButton, m_NextButton, client);
  const int bottom = buttonsTop - 16;

  // In the range modes the range group sits below the tree, so the chart keeps its height.
  const int rowHeight = std::max(30, m_StartEdit->GetBestSize().y + 8);
  const int rangeHeight = IsRangeMode() ? 4 * rowHeight + 10 : 0;
  const int treeWidth = std::max(220, client.x * 2 / 5);
  m_Tree->SetSize(kMargin, top, treeWidth, std::max(60, bottom - top - rangeHeight));

  // The panel and the chart below it.
  const int left = kMargin + treeWidth + 24;
  const int width = std::max(160, client.x - kMargin - left);
  const bool large = client.x > 2000 && client.y > 1200;
  wxFont panelFont(wxFontInfo(wxSize(0, large ? 18 : 14)).FaceName("Arial").Bold());
  int y = top;
  const int lineHeight = (large ? 18 : 14) + 10;
  for (wxStaticText* line : m_PanelLines) {
    line->SetFont(panelFont);
    line->SetForegroundColour(*wxBLACK);
    line->SetSize(left, y, width, lineHeight - 4);
    y += lineHeight;
  }
  y = top + 5 * lineHeight + 6;  // room for the longest panel, whatever is shown now
  PlaceDriveChart(*m_Chart, wxRect(left, y, width, std::max(120, bottom - y)));
  if (IsRangeMode()) {
    const int rangeLeft = kMargin;
    int ry = bottom - rangeHeight + 14;
    m_SelectRange->SetSize(rangeLeft, ry, -1, -1);
    ry += rowHeight;
    int captionWidth = 0;
    for (CLabel* c : {m_StartCaption, m_EndCaption, m_FsCaption})
      captionWidth = std::max(captionWidth, c->GetBestSize().x);
    const int fieldLeft = rangeLeft + captionWidth + 12;
    const int fieldWidth = std::min(260, std::max(120, rangeLeft + treeWidth - fieldLeft));
    const int drop =
        std::max(0, (m_StartEdit->GetBestSize().y - m_StartCaption->GetBestSize().y) / 2);
    const std::array<std::pair<CLabel*, wxWindow*>, 3> rows = {
        {{m_StartCaption, m_StartEdit}, {m_EndCaption, m_EndEdit}, {m_FsCaption, m_FileSystem}}};
    for (const auto& [caption, field] : rows) {
      caption->SetSize(rangeLeft, ry + drop, captionWidth, caption->GetBestSize().y);
      field->SetSize(fieldLeft, ry, fieldWidth, -1);
      ry += rowHeight;
    }
  }
}

int RunSourcePage() {
  DeletedFilesRecovery page;
  return page.DoModal();
}
