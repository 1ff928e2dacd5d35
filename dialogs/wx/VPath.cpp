#include "dialogs/wx/VPath.h"

#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "dialogs/wx/FileDialogST.h"
#include "dialogs/wx/ViewMsgBox.h"
#include "prompts/ExitQuestion.h"
#include "storage/SourceGlobals.h"
#include "storage/VirtualDiskProbe.h"
#include "storage/vdisk/VboxLocation.h"
#include "widgets/LookGlobals.h"
#include "widgets/wx/FontFace.h"
#include "widgets/wx/HoverButton.h"
#include "widgets/wx/Label.h"

namespace {

bool IsVboxPath(const std::string& path) {
  return path.size() >= 5 && wxString::FromUTF8(path.substr(path.size() - 5)).Lower() == ".vbox";
}

}  // namespace

VPath::VPath(wxWindow* parent)
    : CLookDialog(parent, 345, 122, /*stayOnTop=*/false, /*enterResult=*/-1,
                  /*escapeResult=*/2) {
  // Template 152.
  const wxRect group = Dlu(4, 33, 268, 51);
  m_GroupBox = new wxStaticBox(this, wxID_ANY, wxString(), group.GetPosition(), group.GetSize());
  const wxRect band = Dlu(3, 21, 268, 16);
  m_Band = new wxStaticText(this, kIdBand, wxString(), band.GetPosition(), band.GetSize());
  const wxRect caption = Dlu(7, 24, 164, 10);
  m_Caption = new wxStaticText(this, kIdCaption, "Select Virtual File Path ", caption.GetPosition(),
                               caption.GetSize());
  const wxRect edit = Dlu(11, 49, 234, 14);
  m_PathEdit = new wxTextCtrl(this, kIdPath, wxString(), edit.GetPosition(), edit.GetSize());
  const wxRect prompt = Dlu(73, 106, 199, 10);
  m_PromptLabel = new CLabel(this, kIdPrompt, "Please choose virtual path for data recovery",
                             prompt.GetPosition(), prompt.GetSize());
  const wxRect browse = Dlu(252, 48, 14, 16);
  m_BrowseButton =
      new CHoverButton(this, kIdBrowse, "&Browse...", browse.GetPosition(), browse.GetSize());
  const wxRect ok = Dlu(281, 37, 57, 16);
  m_OkButton = new CHoverButton(this, wxID_OK, "&OK", ok.GetPosition(), ok.GetSize());
  const wxRect cancel = Dlu(281, 59, 57, 16);
  m_CancelButton =
      new CHoverButton(this, wxID_CANCEL, "&Cancel", cancel.GetPosition(), cancel.GetSize());
  m_BrowseButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowse(); });
  m_OkButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); });
  m_CancelButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnCancel(); });
}

void VPath::InitDialog() {
  m_DpiFactors =
      ApplyDialogLook(this, {.appWindow = true, .largeDesktopException = true}, {m_PromptLabel});
  wxFont captionFont(wxFontInfo(wxSize(0, 12)).Bold());
  SetFontFace(captionFont, "MS Shell Dlg");
  m_Caption->SetFont(captionFont);
  // The caption is white on the band behind it, as the template draws it; the band takes the
  // blue of the buttons' faces so that the white text reads.
  m_Caption->SetForegroundColour(*wxWHITE);
  m_Caption->SetBackgroundColour(wxColour(0x1F, 0x4E, 0x9A));
  m_Band->SetBackgroundColour(wxColour(0x1F, 0x4E, 0x9A));
  m_PathEdit->SetBackgroundColour(*wxWHITE);
  m_PathEdit->SetForegroundColour(*wxBLACK);
  m_BrowseButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\browse.bmp"));
  m_CancelButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\cancel.bmp"));
  m_OkButton->LoadFrameStrip3(BitmapPath(g_BitmapFolder, "\\ok.bmp"));

  // A machine file chosen before is shown again, and stands again for the disk it names.
  std::string shown = g_VirtualBoxFilePath.empty() ? g_VirtualDiskPath : g_VirtualBoxFilePath;
  m_PathEdit->ChangeValue(wxString::FromUTF8(shown));
  if (IsVboxPath(shown)) {
    if (std::string disk = ReadVboxDiskLocation(shown); !disk.empty()) g_VirtualDiskPath = disk;
  }
  // A new dialog has no probe of its own yet: probe what it shows, so OK judges the file as it
  // is now.
  if (!g_VirtualDiskPath.empty()) m_ProbeResult = ProbeVirtualDisk(g_VirtualDiskPath);
}

int VPath::DoModal() {
  return ShowModal();
}

int VPath::ShowModal() {
  InitDialog();
  CentreOnScreen();
  return CLookDialog::ShowModal();
}

void VPath::TakeChosenPath(const std::string& path) {
  m_PathEdit->ChangeValue(wxString::FromUTF8(path));
  m_ProbeResult = ChooseVirtualDiskPath(path);
}

void VPath::OnBrowse() {
  const std::string all =
      std::string("*.vbox;*.vmdk;*.vhd*;*.avhd*;*.vdi;*.hdd;*.hds;*.qed;") + "*.qcow";
  CFileDialogST dialog(true, nullptr, nullptr, kOfnFileMustExist | kOfnPathMustExist,
                       {{kAllFiles, "*.*"}, {kVirtualFiles, all}}, this);
  if (dialog.DoModal() != 1) return;
  TakeChosenPath(dialog.GetPathName());
}

void VPath::OnOK() {
  const std::string refusal = CheckVirtualDiskChoice(m_ProbeResult);
  if (refusal.empty()) {
    if (IsModal()) EndModal(1);
    return;
  }
  ViewMsgBox box;
  box.m_Message = wxString::FromUTF8(refusal);
  box.DoModal();
}

void VPath::OnCancel() {
  ConfirmExit();
}
