#include "pages/imaging/wx/CreateDiskImage.h"

#include <algorithm>
#include <filesystem>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/display.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/HelpPage.h"
#include "dialogs/wx/AboutDlg.h"
#include "dialogs/wx/FileDialogST.h"
#include "engine/records/ScanState.h"
#include "pages/DriveChartPieces.h"
#include "pages/ModeGlobals.h"
#include "pages/ModePageLayout.h"
#include "pages/PageFlow.h"
#include "pages/wx/DriveChart.h"
#include "pages/wx/PageButtons.h"
#include "prompts/ExitQuestion.h"
#include "prompts/UserPrompts.h"
#include "saving/imaging/ImageGlobals.h"
#include "storage/GeometryStore.h"
#include "storage/SourceGlobals.h"
#include "widgets/AppGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/DialogLook.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/PieChartWnd.h"

namespace {

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

}  // namespace

CreateDiskImage::CreateDiskImage() : CWizardPage(nullptr, wxString()) {
  g_ImageToDisk = 0;
  m_RunAnalysisPage = [] { return RunAnalysisPage(); };
  // Of the Data menu only Exit acts here; View Help and About act as on every page.
  SetMenuBar(CreatePageMenu(ViewItems::Plain, {kMenuExit, kMenuViewHelp, kMenuAbout}));
  SetMinSize(wxSize(560, 420));
  wxWindow* client = Client();
  const char* const toolCaptions[5] = {"Help", "Load log", "Save Log", "Settings", "Search"};
  const int toolIds[5] = {kIdHelp, 1020, 1022, 1023, 1013};
  for (int i = 0; i < 5; ++i) m_Tools[i] = new CHoverButton(client, toolIds[i], toolCaptions[i]);
  m_StepPicture = new wxStaticBitmap(client, 1161, wxNullBitmap);
  m_TypeCaption = new CLabel(client, 1214, "Disk Image Type :");
  wxArrayString types;
  types.Add("Disk");
  types.Add("Image");
  m_Type = new wxChoice(client, kIdType, wxDefaultPosition, wxDefaultSize, types, wxCB_SORT);
  m_TargetCaption = new CLabel(client, 1098, kTargetDiskCaption);
  m_Target = new wxChoice(client, kIdTarget);
  m_Path = new wxTextCtrl(client, kIdPath, wxString());
  m_Browse = new CHoverButton(client, kIdBrowse, "&Browse");
  m_MultiFile = new wxCheckBox(client, kIdMultiFile, wxString());
  m_MultiFileLabel = new wxStaticText(client, 1184, "Multifile (Split file in 2gb chunks)");
  m_ModelCaption = new CLabel(client, 1096, "Model Number :");
  m_Model = new wxStaticText(client, 1094, wxString());
  m_SizeCaption = new CLabel(client, 1097, "Disk Size :");
  m_Size = new wxStaticText(client, 1095, wxString());
  m_HelpLines[0] = new wxStaticText(
      client, 1112,
      "Select Disk Image Type : Selected device to disk or Selected device to Image.");
  m_HelpLines[1] = new wxStaticText(
      client, 1113,
      "Multifile : This option will take the image size in 2gb chunks. This is only when disk "
      "image type is Image.");
  m_NextButton = new CHoverButton(client, kIdNext, "&Next >");
  m_BackButton = new CHoverButton(client, kIdBack, "< &Back");

  m_Type->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnImageTypeChange(); });
  m_Target->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnTargetDiskChange(); });
  m_Browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); });
  m_NextButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnNext(); });
  m_BackButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); });
  m_Tools[0]->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnHelp(); });
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnCloseBox(); }, WxCommandId(kMenuExit));
  Bind(
      wxEVT_MENU, [this](wxCommandEvent&) { OnHelp(); }, WxCommandId(kMenuViewHelp));
  Bind(
      wxEVT_MENU, [](wxCommandEvent&) { ShowAboutDialog(); }, WxCommandId(kMenuAbout));
  Client()->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    LayOut();
    event.Skip();
  });
}

CreateDiskImage::~CreateDiskImage() = default;

void CreateDiskImage::OnInitPage() {
  g_AppTitle = g_AppTitleCopy + std::string(ModeTitleSuffix(g_ScanState.recoveryMode));
  SetTitle(FromUtf8(g_AppTitle));
  const wxRect desktop = wxDisplay(0u).GetGeometry();
  const PixelRect rect = ModePageWindowRect(
      {desktop.GetLeft(), desktop.GetTop(), desktop.GetRight() + 1, desktop.GetBottom() + 1});
  SetSize(rect.x, rect.y, rect.width, rect.height);
  const DpiFactors factors = ApplyDialogLook(
      this, {.appWindow = true, .icons = true},
      {m_TypeCaption, m_TargetCaption, m_ModelCaption, m_SizeCaption});
  for (CLabel* caption : {m_TypeCaption, m_TargetCaption, m_ModelCaption, m_SizeCaption})
    caption->SetFaceName("Arial").SetBold(true).SetPointSize(LabelPointSize(10, factors.y));

  LoadPicture(m_StepPicture, "\\Step-2.bmp");
  g_TreeMode = 4;
  m_Type->SetSelection(0);  // "Disk"
  m_NextButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Next-btn.bmp"));
  m_Browse->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\browse.bmp"));
  m_BackButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\Back-btn.bmp"));
  const char* const toolBitmaps[5] = {"\\Help-tbar.bmp", "\\Load-Recovery-tbar.bmp",
                                      "\\Save-Recovery-tbar.bmp", "\\recover-tbar.bmp",
                                      "\\Search-tbar.bmp"};
  for (int i = 0; i < 5; ++i) {
    m_Tools[i]->LoadFrameStrip4(BitmapPath(g_BitmapFolder, toolBitmaps[i]));
    m_Tools[i]->EnableButton(i == 0);
  }
  // No disk is chosen for the user: a disk is overwritten only once it was picked by hand.
  FillTargetDiskList();
  // The source's drive chart (after the list, which writes the disk store it reads): its
  // partitions, or a logical drive's used and free space.
  if (!m_Chart) m_Chart = CreateDriveChart(Client(), 45, 10);
  if (g_SourceDriveLetter != 0)
    ShowDriveUsageChart();
  else
    ShowPartitionChart(g_CurrentDevice, g_SelectedPartitionIndex);
  OnImageTypeChange();
  m_TargetCaption->SetLabel(kTargetDiskCaption);
  LayOut();
}

void CreateDiskImage::ShowPartitionChart(int disk, int selected) {
  const auto stored = ReadDiskGeometry(disk);
  ShowChartPieces(*m_Chart, PartitionChartPieces(disk, selected, stored ? stored->sizeBytes : 0,
                                                 static_cast<uint32_t>(g_BytesPerSector)));
}

void CreateDiskImage::ShowDriveUsageChart() {
  ShowChartPieces(*m_Chart, DriveUsageChartPieces(g_ChosenDriveSizes.capacityBytes,
                                                  g_ChosenDriveSizes.freeBytes, 1));
}

void CreateDiskImage::FillTargetDiskList() {
  // A store that cannot be written has been told to the user already; the list stays empty.
  m_Targets = ImagingTargetDisks(m_DiskInUse).disks;
  m_Target->Clear();
  for (const TargetDisk& disk : m_Targets) m_Target->Append(FromUtf8(disk.name));
}

const TargetDisk* CreateDiskImage::SelectedTarget() const {
  const int at = m_Target->GetSelection();
  if (at == wxNOT_FOUND || at >= static_cast<int>(m_Targets.size())) return nullptr;
  return &m_Targets[static_cast<size_t>(at)];
}

bool CreateDiskImage::ImageTypeIsDisk() const {
  return m_Type->GetStringSelection() == "Disk";
}

void CreateDiskImage::ShowTargetDiskInfo() {
  // The details always name the disk the combo shows, the one Next would write to.
  const TargetDisk* target = SelectedTarget();
  m_Model->SetLabel(target ? FromUtf8(target->model) : wxString());
  m_Size->SetLabel(target ? FromUtf8(TargetDiskSizeText(target->sizeBytes)) : wxString());
}

void CreateDiskImage::OnTargetDiskChange() {
  ShowTargetDiskInfo();
}

void CreateDiskImage::OnImageTypeChange() {
  const bool disk = ImageTypeIsDisk();
  m_TargetCaption->SetLabel(disk ? kTargetDiskCaptionOnChange : kTargetImageCaption);
  for (wxWindow* w : {static_cast<wxWindow*>(m_MultiFile), static_cast<wxWindow*>(m_MultiFileLabel),
                      static_cast<wxWindow*>(m_Browse), static_cast<wxWindow*>(m_Path)})
    w->Show(!disk);
  for (wxWindow* w : {static_cast<wxWindow*>(m_Target), static_cast<wxWindow*>(m_ModelCaption),
                      static_cast<wxWindow*>(m_Model), static_cast<wxWindow*>(m_SizeCaption),
                      static_cast<wxWindow*>(m_Size)})
    w->Show(disk);
  if (disk) ShowTargetDiskInfo();
  LayOut();
}

void CreateDiskImage::OnBrowse() {
  CFileDialogST dialog;
  if (dialog.BrowseForFolder(std::string(), std::string(), 0, this) != 1) return;
  m_Path->SetValue(FromUtf8(BrowsedImagePath(dialog.GetSelectedFolder())));
}

void CreateDiskImage::OnNext() {
  const uint64_t sourceBytes =
      ImagingSourceBytes(g_SourceStartSector, g_SourceEndSector, g_BytesPerSector);
  if (ImageTypeIsDisk()) {
    const TargetDisk* target = SelectedTarget();
    if (!target) {
      Prompts().ViewMsgBox(kChooseTargetDiskText);
      return;
    }
    if (sourceBytes >= target->sizeBytes && Prompts().ViewQuestionMsg(kNotEnoughSpaceQuestion) != 1)
      return;
    ChooseImagingTarget(*target);
    if (Prompts().ViewQuestionMsg(DataLossQuestion(*target)) != 1) return;
    RunImaging();
    return;
  }
  g_ImageToDisk = 0;
  g_ImagePath = m_Path->GetValue().utf8_string();
  std::error_code error;
  if (g_ImagePath.empty() || !std::filesystem::is_directory(ImageFolderOf(g_ImagePath), error)) {
    Prompts().ViewMsgBox(kTargetPathMissingText);
    return;
  }
  if (sourceBytes >= FreeBytesAt(g_ImagePath) &&
      Prompts().ViewQuestionMsg(kNotEnoughSpaceQuestion) != 1)
    return;
  g_ImageMultiFile = m_MultiFile->GetValue() ? 1 : 0;
  RunImaging();
}

void CreateDiskImage::RunImaging() {
  Hide();
  if (m_RunAnalysisPage) m_RunAnalysisPage();
  Show();
  SetTitle(FromUtf8(g_AppTitle));
}

void CreateDiskImage::LayOut() {
  const wxSize client = Client()->GetClientSize();
  if (client.x <= 0 || client.y <= 0) return;
  constexpr int kMargin = kPageMargin;
  const int top = PlaceToolbar(m_Tools) + 16;
  int left = kMargin;
  int pictureBottom = top;
  const wxBitmap picture = m_StepPicture->GetBitmap();
  if (picture.IsOk()) {
    m_StepPicture->SetSize(kMargin, top, picture.GetWidth(), picture.GetHeight());
    left += picture.GetWidth() + 24;
    pictureBottom += picture.GetHeight();
  }
  // The chart fills the column below the step picture, left of the rows.
  const int buttonsTop = PlaceBackNext(m_BackButton, m_NextButton, client);
  if (m_Chart) {
    const int chartTop = pictureBottom + 20;
    const int chartWidth = std::max(240, left - 24 - kMargin);
    PlaceDriveChart(
        *m_Chart, wxRect(kMargin, chartTop, chartWidth, std::max(160, buttonsTop - 16 - chartTop)));
  }
  int captionWidth = 0;
  for (CLabel* c : {m_TypeCaption, m_TargetCaption, m_ModelCaption, m_SizeCaption})
    captionWidth = std::max(captionWidth, c->GetBestSize().x);
  const int fieldLeft = left + captionWidth + 12;
  const int fieldWidth = std::min(360, std::max(160, client.x - kMargin - fieldLeft - 110));
  const int rowHeight = std::max(34, m_Type->GetBestSize().y + 10);
  auto row = [&](int i) { return top + i * rowHeight; };
  // Captions sit level with the middle of the fields beside them.
  const int captionDrop = std::max(0, (m_Type->GetBestSize().y - m_TypeCaption->GetBestSize().y) / 2);
  m_TypeCaption->SetSize(left, row(0) + captionDrop, captionWidth, rowHeight - 6);
  m_Type->SetSize(fieldLeft, row(0), fieldWidth, -1);
  m_TargetCaption->SetSize(left, row(1) + captionDrop, captionWidth, rowHeight - 6);
  m_Target->SetSize(fieldLeft, row(1), fieldWidth, -1);
  m_Path->SetSize(fieldLeft, row(1), fieldWidth, -1);
  // At least as large as the path field beside it, whatever the strip's frames measure.
  const int pathHeight = m_Path->GetBestSize().y;
  const wxSize browse = m_Browse->HasStrip() ? m_Browse->GetSize() : wxSize(0, 0);
  m_Browse->SetSize(fieldLeft + fieldWidth + 10, row(1), std::max(browse.x, 90),
                    std::max(browse.y, pathHeight));
  const int checkSize = m_MultiFile->GetBestSize().y;
  m_MultiFile->SetSize(fieldLeft, row(2) + 2, checkSize, checkSize);
  m_MultiFileLabel->SetPosition(wxPoint(fieldLeft + checkSize + 6, row(2) + 2));
  m_ModelCaption->SetSize(left, row(2), captionWidth, rowHeight - 6);
  m_Model->SetSize(fieldLeft, row(2), client.x - kMargin - fieldLeft, -1);
  m_SizeCaption->SetSize(left, row(3), captionWidth, rowHeight - 6);
  m_Size->SetSize(fieldLeft, row(3), client.x - kMargin - fieldLeft, -1);
  int helpTop = row(4) + 16;
  for (wxStaticText* line : m_HelpLines) {
    line->SetSize(left, helpTop, client.x - kMargin - left, -1);
    line->Wrap(client.x - kMargin - left);
    helpTop += line->GetBestSize().y + 8;
  }

  Client()->Refresh();
}

void CreateDiskImage::OnCloseBox() {
  ConfirmExit();
}

void CreateDiskImage::OnHelp() {
  OpenHelpWebPage();
}

int RunImagingPage() {
  CreateDiskImage page;
  return page.DoModal();
}
