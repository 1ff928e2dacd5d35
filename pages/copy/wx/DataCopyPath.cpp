#include "pages/copy/wx/DataCopyPath.h"

#include <filesystem>
#include <system_error>

#include <wx/statbox.h>
#include <wx/textctrl.h>

#include "dialogs/wx/FileDialogST.h"
#include "engine/records/ScanState.h"
#include "pages/copy/CopyTexts.h"
#include "pages/copy/wx/CalculateDataSize.h"
#include "platform/DeviceNamespace.h"
#include "prompts/ReplacePrompt.h"
#include "prompts/UserPrompts.h"
#include "saving/copywalk/SaveData.h"
#include "saving/extract/CopyCounters.h"
#include "storage/SourceGlobals.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"
#include "widgets/wx/TransparentStatic.h"

namespace {

wxString FromUtf8(std::string_view text) {
  return wxString::FromUTF8(text.data(), text.size());
}

// The typed folder as an absolute path without trailing slashes ("/" stays).
std::string AbsoluteFolder(const std::string& typed) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(typed, error);
  if (error) path = typed;
  std::string text = path.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace

DataCopyPath::DataCopyPath(const FolderWalk& walk, wxWindow* parent)
    : CLookDialog(parent, 286, 118, /*stayOnTop=*/false, /*enterResult=*/wxID_OK,
                  /*escapeResult=*/wxID_CANCEL),
      m_Walk(walk) {
  g_CopiedBytes = 0;
  g_CopiedFileCount = 0;
  g_ReplaceChoice = kReplaceOverwrite;
  m_Run.walk = &walk;
  m_EvaluateSize = [this](const FolderWalk& w) {
    CalculateDataSize box(w, g_ScanState.fileSystem, this);
    box.ShowModal();
    return box.Totals();
  };
  m_RunCopyPage = [](const CopyRun& run) { return RunCopyProgressPage(run); };
  m_RunSettings = [] { return RunSavingSettings(); };

  wxWindow* band = new wxWindow(this, wxID_ANY, Dlu(0, 0, 286, 20).GetPosition(),
                                Dlu(0, 0, 286, 20).GetSize());
  band->SetBackgroundColour(wxColour(0, 51, 102));
  const wxRect heading = Dlu(10, 5, 200, 11);
  m_Heading = new CTransparentStatic(band, kIdHeading, FromUtf8(kSelectPathCaption),
                                     heading.GetPosition(), heading.GetSize());
  m_Heading->SetForegroundColour(*wxWHITE);
  wxFont headingFont = m_Heading->GetFont();
  headingFont.SetPixelSize(wxSize(0, 12));
  headingFont.SetWeight(wxFONTWEIGHT_BOLD);
  m_Heading->SetFont(headingFont);

  const wxRect group = Dlu(6, 26, 274, 34);
  new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect edit = Dlu(14, 38, 222, 14);
  m_PathEdit = new wxTextCtrl(this, kIdPath, wxString(), edit.GetPosition(), edit.GetSize());
  const wxRect browse = Dlu(242, 37, 30, 16);
  m_BrowseButton = new CHoverButton(this, kIdBrowse, "...", browse.GetPosition(), browse.GetSize());
  const wxRect note = Dlu(8, 66, 272, 12);
  m_Note = new CLabel(this, kIdNote, FromUtf8(kPathNote), note.GetPosition(), note.GetSize());
  const wxRect settings = Dlu(8, 90, 64, 18);
  m_SettingsButton =
      new CHoverButton(this, kIdSettings, "Settings", settings.GetPosition(), settings.GetSize());
  const wxRect ok = Dlu(160, 90, 56, 18);
  m_OkButton = new CHoverButton(this, wxID_OK, "OK", ok.GetPosition(), ok.GetSize());
  const wxRect cancel = Dlu(222, 90, 56, 18);
  m_CancelButton =
      new CHoverButton(this, wxID_CANCEL, "Cancel", cancel.GetPosition(), cancel.GetSize());

  m_BrowseButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); });
  m_OkButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); });
  m_CancelButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (IsModal()) EndModal(wxID_CANCEL);
  });
  m_SettingsButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
    if (m_RunSettings) m_RunSettings();
  });
}

int DataCopyPath::ShowModal() {
  ApplyDialogLook(this, {.appWindow = true}, {m_Note});
  SetTitle(FromUtf8(kPathDialogTitle));
  m_BrowseButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\browse.bmp"));
  m_CancelButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\cancel.bmp"));
  m_OkButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp"));
  m_SettingsButton->LoadFrameStrip4(BitmapPath(g_BitmapFolder, "\\Settings_btn.bmp"));
  m_SettingsButton->EnableButton(true);
  CentreOnScreen();
  m_PathEdit->SetFocus();
  return CLookDialog::ShowModal();
}

void DataCopyPath::OnBrowse() {
  CFileDialogST dialog;
  if (dialog.BrowseForFolder(std::string(), std::string(), 0, this) != 1) return;
  m_PathEdit->SetValue(FromUtf8(dialog.GetSelectedFolder()));
}

void DataCopyPath::OnOK() {
  const std::string typed = m_PathEdit->GetValue().ToStdString(wxConvUTF8);
  if (typed.find_first_not_of(" \t") == std::string::npos) {
    Prompts().ViewMsgBox(kSelectPathMessage);
    return;
  }
  const std::string target = AbsoluteFolder(typed);
  // Asked before anything is made on that drive.
  const std::optional<std::string> source = ResolveDevicePath(CurrentDevicePath());
  if (source && TargetOnSourceDrive(target, *source) &&
      Prompts().ViewQuestionMsg(kSameDriveQuestion) != 1)
    return;
  if (!CreateDirectoryPath(target)) {
    Prompts().ViewMsgBox(kSelectPathMessage);
    return;
  }
  const SizeTotals totals = m_EvaluateSize ? m_EvaluateSize(m_Walk) : SizeTotals{};
  if (totals.fileCount <= 0) {
    Prompts().ViewMsgBox(kNothingSelected);
    EndModal(wxID_CANCEL);
    return;
  }
  if (totals.byteTotal >= GetDiskFreeBytes(target) &&
      Prompts().ViewQuestionMsg(FreeSpaceQuestion(totals.byteTotal)) != 1)
    return;
  m_Run.totals = totals;
  m_Run.targetPath = target;
  m_Accepted = true;
  EndModal(wxID_OK);
}

int RunDataCopyPath(const FolderWalk& walk) {
  std::function<int(const CopyRun&)> runCopy;
  CopyRun run;
  {
    DataCopyPath dialog(walk);
    if (dialog.ShowModal() != wxID_OK || !dialog.AcceptedRun()) return wxID_CANCEL;
    run = *dialog.AcceptedRun();
    runCopy = dialog.m_RunCopyPage;
  }
  return runCopy ? runCopy(run) : wxID_CANCEL;
}
